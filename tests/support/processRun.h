// A command line run to its end with its output captured, for tests that start another program
// (a child test process, the prefix's reg.exe).
#pragma once
#include <string>

// Runs `commandLine` with its standard output and error going to a temporary file (never a pipe:
// Wine's service processes may keep a pipe open), waits at most `timeoutMs`, and answers the
// output; empty when it could not start. `exitCode`, when given, receives the exit code.
std::string runAndCapture(const std::string& commandLine, unsigned long timeoutMs, unsigned long* exitCode = nullptr);
