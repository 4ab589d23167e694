// Runs a scenario of this test program in a child process: the program starts itself again with the
// scenario's name, the child installs a message-box hook that records every box to a file, runs the
// scenario and ends (scenarios that raise fatal errors end the process themselves).
#pragma once

#include <string>
#include <vector>

struct ChildBox {
  unsigned style;
  std::string caption;
  std::string text;
};

struct ChildResult {
  bool started = false;
  bool timedOut = false;
  unsigned long exitCode = 0;
  std::vector<ChildBox> boxes;     // every message box the child showed, in order
  std::vector<std::string> notes;  // lines the child wrote with childNote
};

// Starts the scenario and waits for the child to end (at most 30 s).
ChildResult runChild(const std::string& scenario);

// In the child: scenarios by name, registered at static initialisation.
typedef void (*ChildScenario)();
struct ChildScenarioRegistration {
  ChildScenarioRegistration(const char* name, ChildScenario scenario);
};
#define CHILD_SCENARIO(name)                                                                      \
  static void childScenario_##name();                                                             \
  static ChildScenarioRegistration childScenarioRegistration_##name(#name, childScenario_##name); \
  static void childScenario_##name()

// In the child: the answer the recording hook gives to every box (IDOK by default).
void childSetAnswer(int win32Answer);
// In the child: records a line that the parent finds in ChildResult::notes.
void childNote(const std::string& line);
// In the child: records a line without flushing it: it stays in the stream's buffer until the
// stream is flushed or closed (for tests of what a fatal error does with open streams).
void childNoteUnflushed(const std::string& line);
