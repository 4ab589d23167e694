#include "gpChild.h"

#include "GPError.h"
#include "support/tempDir.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const char kScenarioFlag[] = "--gp-child=";
const char kOutputFlag[] = "--gp-child-out=";

std::map<std::string, ChildScenario>& scenarios() {
  static std::map<std::string, ChildScenario> table;
  return table;
}

FILE* g_out = nullptr;
int g_answer = IDOK;

// Records: "B <style> <caption length> <text length>\n" caption text "\n", or "N <length>\n" line "\n".
int recordingHook(const char* caption, const char* text, unsigned style) {
  if (g_out) {
    std::fprintf(g_out, "B %u %u %u\n%s%s\n", style, static_cast<unsigned>(std::strlen(caption)),
                 static_cast<unsigned>(std::strlen(text)), caption, text);
    std::fflush(g_out);
  }
  return g_answer;
}

std::string argumentValue(const std::string& commandLine, const char* flag) {
  size_t at = commandLine.find(flag);
  if (at == std::string::npos) return std::string();
  at += std::strlen(flag);
  bool quoted = at < commandLine.size() && commandLine[at] == '"';
  if (quoted) ++at;
  size_t end = commandLine.find(quoted ? '"' : ' ', at);
  return commandLine.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

ChildResult parse(const std::string& data) {
  ChildResult result;
  std::istringstream in(data);
  char kind;
  while (in >> kind) {
    if (kind == 'B') {
      unsigned style, captionLength, textLength;
      in >> style >> captionLength >> textLength;
      in.get();
      ChildBox box{style, std::string(captionLength, '\0'), std::string(textLength, '\0')};
      in.read(&box.caption[0], captionLength);
      in.read(&box.text[0], textLength);
      result.boxes.push_back(box);
    } else if (kind == 'N') {
      unsigned length;
      in >> length;
      in.get();
      std::string line(length, '\0');
      in.read(&line[0], length);
      result.notes.push_back(line);
    } else {
      result.notes.push_back(std::string("raw:") + kind + std::string(std::istreambuf_iterator<char>(in), {}));
      break;
    }
  }
  return result;
}

}  // namespace

ChildScenarioRegistration::ChildScenarioRegistration(const char* name, ChildScenario scenario) {
  scenarios()[name] = scenario;
}

void childSetAnswer(int win32Answer) { g_answer = win32Answer; }

void childNote(const std::string& line) {
  if (!g_out) return;
  std::fprintf(g_out, "N %u\n%s\n", static_cast<unsigned>(line.size()), line.c_str());
  std::fflush(g_out);
}

void childNoteUnflushed(const std::string& line) {
  if (g_out) std::fprintf(g_out, "N %u\n%s\n", static_cast<unsigned>(line.size()), line.c_str());
}

ChildResult runChild(const std::string& scenario) {
  static int counter = 0;
  const std::string outPath = testTempPath("child-" + scenario + "-" + std::to_string(++counter) + ".txt");
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string commandLine = std::string("\"") + exe +
                            "\" --gtest_filter=GpChild.DISABLED_Run --gtest_also_run_disabled_tests " + kScenarioFlag +
                            scenario + " " + kOutputFlag + "\"" + outPath + "\"";
  ChildResult result;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  // The child's own test output is of no interest: send it nowhere.
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE nul =
      CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  startup.hStdOutput = nul;
  startup.hStdError = nul;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    result.started = true;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_TIMEOUT) {
      result.timedOut = true;
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = code;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  std::ifstream in(outPath, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ChildResult parsed = parse(data);
  parsed.started = result.started;
  parsed.timedOut = result.timedOut;
  parsed.exitCode = result.exitCode;
  return parsed;
}

// The child's side: only run when the parent starts the program with a scenario.
TEST(GpChild, DISABLED_Run) {
  const std::string commandLine = GetCommandLineA();
  const std::string name = argumentValue(commandLine, kScenarioFlag);
  const std::string outPath = argumentValue(commandLine, kOutputFlag);
  auto found = scenarios().find(name);
  ASSERT_NE(found, scenarios().end()) << "no scenario " << name;
  g_out = std::fopen(outPath.c_str(), "wb");
  ASSERT_NE(g_out, nullptr);
  gpSetMessageBoxHook(recordingHook);
  found->second();
  childNote("returned");
  std::fclose(g_out);
  g_out = nullptr;
  std::fflush(nullptr);
  ExitProcess(0);
}
