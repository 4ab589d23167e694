#include "programRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "ABDeviceAccessors.h"
#include "GPInit.h"
#include "appRegistry.h"
#include "support/audioFiles.h"
#include "support/tempDir.h"

std::string selfFolder() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path(self);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

void storeValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}
void storeInt(const char* name, DWORD value) { storeValue(HKEY_CURRENT_USER, kUserKey, name, REG_DWORD, &value, 4); }
void storeText(const char* name, const std::string& text) {
  storeValue(HKEY_CURRENT_USER, kUserKey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::string mmeDeviceName() {
  struct Lister : AudioHostClient {
    void process(float**, float**, int, int, int) override {}
    bool supportsRate(float) override { return true; }
    void inputName(int, std::string*) override {}
    void outputName(int, std::string*) override {}
    int inputCount() override { return 0; }
    int outputCount() override { return 2; }
    void setSampleRate(float) override {}
  };
  const bool gpWasUp = gpIsInitialised();
  if (!gpWasUp) gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030001, 0x60031);
  std::string found;
  {
    Lister lister;
    lister.open(nullptr);
    for (uint32_t d : lister.manager->audioDevices) {
      std::string name;
      if (deviceName(d, &name) == 0 && name.compare(0, 4, "MME ") == 0) {
        found = name;
        break;
      }
    }
  }
  abExit();
  if (!gpWasUp) gpExit();
  return found;
}

std::string useMmeOutput() {
  const std::string device = mmeDeviceName();
  if (device.empty()) return std::string();
  storeText("AB AudioDevice", device);
  storeInt("AB SampleRate", 44100);
  // Device buffers of 100 ms: the ALSA file device under Wine does not keep up with 10 ms ones.
  storeInt("AB Latency", 100);
  storeInt("AB OutputChannel 0", 0);
  storeInt("AB OutputChannel 1", 1);
  const std::string out = audioOutputFile(44100, 2, "S16_LE");
  if (!out.empty()) DeleteFileA(out.c_str());
  return out;
}

namespace {

// A file for a child's output, inherited by the child (null when it cannot be made).
HANDLE outputFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

std::vector<std::string> linesOf(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

ChildRun runProcess(std::string commandLine, const std::string& logPath, DWORD timeoutMs) {
  ChildRun result;
  DeleteFileA(logPath.c_str());
  const std::string outPath = logPath + ".out", errPath = logPath + ".err";
  HANDLE out = outputFile(outPath), err = outputFile(errPath);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  const BOOL started =
      CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  if (out) CloseHandle(out);
  if (err) CloseHandle(err);
  if (!started) return result;
  result.ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  if (!result.ended) TerminateProcess(process.hProcess, 98);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.log = linesOf(logPath);
  result.output = linesOf(outPath);
  result.errors = linesOf(errPath);
  return result;
}

ChildRun runChild(const std::string& scenario, DWORD timeoutMs) {
  const std::string log = testTempPath("appchild-" + scenario + ".log");
  return runProcess("\"" + selfFolder() + "morvane_appchild.exe\" --scenario=" + scenario + " --log=\"" + log + "\"",
                    log, timeoutMs);
}

bool hasLine(const std::vector<std::string>& lines, const std::string& prefix, std::string* rest) {
  for (const std::string& line : lines)
    if (line.compare(0, prefix.size(), prefix) == 0) {
      if (rest) *rest = line.substr(prefix.size());
      return true;
    }
  return false;
}
