#include "support/processRun.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "support/tempDir.h"

std::string runAndCapture(const std::string& commandLine, unsigned long timeoutMs, unsigned long* exitCode) {
  const std::string outPath = testTempPath("run-" + std::to_string(GetTickCount()) + ".txt");
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out =
      CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return std::string();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi = {};
  std::string cmd = commandLine;
  const BOOL started =
      CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  CloseHandle(out);
  if (!started) return std::string();
  WaitForSingleObject(pi.hProcess, timeoutMs);
  DWORD code = 0;
  if (exitCode && GetExitCodeProcess(pi.hProcess, &code)) *exitCode = code;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::ifstream in(outPath, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
