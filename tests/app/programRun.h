// Running the program in a child process and measuring what it played: the settings that send its
// sound through the first MME device into the ALSA output file, the child started and waited for, its
// log read back, and the output file read as 16-bit stereo.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/stereoFile.h"

// The folder of this test program, ending with its separator.
std::string selfFolder();

// A value under a registry key (the key made when missing); the others store in the program's user key.
void storeValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size);
void storeInt(const char* name, DWORD value);
void storeText(const char* name, const std::string& text);

// The name of the first MME output device, as the host lists it (empty when there is none).
std::string mmeDeviceName();

// Settings that send the program's sound to the first MME device at 44,100 Hz, and the ALSA output
// file it lands in (emptied); an empty answer when there is no such device or file.
std::string useMmeOutput();

struct ChildRun {
  DWORD exitCode = 99;
  bool ended = false;
  std::vector<std::string> log;
  std::vector<std::string> output;  // what it wrote to its standard output, line by line
  std::vector<std::string> errors;  // and to its error output
};

// Runs the command line to its end (ended false and the process killed after timeoutMs) and reads
// the lines of the log file it was told to write, and of its standard and error outputs (files beside
// the log).
ChildRun runProcess(std::string commandLine, const std::string& logPath, DWORD timeoutMs);

// morvane_appchild.exe (next to the test) with a scenario, its log in the test's temporary folder.
ChildRun runChild(const std::string& scenario, DWORD timeoutMs = 60000);

// Whether a line starts with `prefix`; `rest` gets what follows it on the first such line.
bool hasLine(const std::vector<std::string>& lines, const std::string& prefix, std::string* rest = nullptr);
