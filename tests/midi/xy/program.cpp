// The XY tests run inside the real program (its main window, pages and menus).
#include "app/inProgram.cpp"

#include <gtest/gtest.h>

#include "about/aboutDialog.h"

// The program's module, as Morvane has it.
SynthAppModule g_programModule;

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  clearProgramKeys();
  // The start-up splash closes on its first message: its seconds count as passed at once.
  aboutSetMillisFunction([](std::int64_t, std::int64_t) -> std::int64_t { return 1 << 30; });
  InProgramRun how;
  how.untilWindowOneTakesInput = true;
  return runTestsInProgram(how);
}
