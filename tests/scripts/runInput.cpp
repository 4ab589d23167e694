// morvane_runinput.exe: what the run.sh tests do to a Morvane that run.sh started, as a user would.
//   bank PATH      writes a bank file (a new bank, as File > Save writes it)
//   command ID     chooses the menu command ID in Morvane's window
//   click X Y      clicks the left button at the point X, Y of the window's client area
// The input goes to the main window once it takes input (the start-up splash gone), and the command
// ends when the window has handled it. Exit 0 when done, 1 when not (said on stderr).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/morvaneFinder.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/chunk.h"

namespace {

constexpr DWORD kWaitMs = 30000;  // for the window to take input, and for it to handle the input

// The main window once it takes input (null when it does not within kWaitMs).
HWND readyWindow() {
  const DWORD start = GetTickCount();
  do {
    HWND main = morvaneFindMainWindow(morvaneFindProcess());
    if (main && IsWindowVisible(main) && IsWindowEnabled(main)) return main;
    Sleep(100);
  } while (GetTickCount() - start < kWaitMs);
  return nullptr;
}

bool send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kWaitMs, &result) != 0;
}

bool writeBank(const char* path) {
  if (!chunkBufferInit(65535)) return false;
  Bank* bank = bankCreate();
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path, nullptr);
  const bool written = bank && bankFileWrite(bank, &file);
  if (bank) bankDestroy(bank);
  chunkBufferFree();
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  const char* verb = argc > 1 ? argv[1] : "";
  bool done = false;
  if (std::strcmp(verb, "bank") == 0 && argc == 3) {
    done = writeBank(argv[2]);
  } else if (std::strcmp(verb, "command") == 0 && argc == 3) {
    HWND main = readyWindow();
    done = main && send(main, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0);
  } else if (std::strcmp(verb, "click") == 0 && argc == 4) {
    HWND main = readyWindow();
    const LPARAM at = MAKELPARAM(std::atoi(argv[2]), std::atoi(argv[3]));
    done = main && send(main, WM_LBUTTONDOWN, MK_LBUTTON, at) && send(main, WM_LBUTTONUP, 0, at);
  } else {
    std::fputs("usage: morvane_runinput bank PATH | command ID | click X Y\n", stderr);
    return 1;
  }
  if (!done) std::fprintf(stderr, "morvane_runinput %s: not done\n", verb);
  return done ? 0 : 1;
}
