// Helpers of the framework tests: the libraries started once, a module whose init runs a test body
// with an application attached (so that everything that needs uiaApplication works), and a message
// pump.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "uia.h"

// gpInit and uiaInit, once per process.
void startLibraries();

// An application that records the codes of the events that reach it.
class RecordingApplication : public UiaApplication {
 public:
  bool handleEvent(int32_t code, void* data) override;
  std::vector<int32_t> codes;
  std::vector<uint32_t> keys;     // key codes of the key events among them
  std::vector<int32_t> commands;  // ids of the command events among them
  int refuseQuit = 0;
  bool handleCommands = false;  // command events (1200) are answered as handled               // 10002 is refused while
                                // this is above 0 (and counted down)
};

// Runs body inside the test module's init with a RecordingApplication attached and the module
// running; with loop, the message loop runs afterwards until the quit flag ends it. The
// application is detached and deleted when uiaRun returns.
void runInApplication(const std::function<void(RecordingApplication&)>& body, bool loop = false);

// Dispatches this thread's messages for about ms milliseconds (at least once).
void pumpMessages(int ms);
// Dispatches messages until done() or ms milliseconds have passed; answers done().
bool pumpUntil(const std::function<bool()>& done, int ms);
