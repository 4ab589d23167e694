// Tests inside the real program: the module and the application start as Morvane does (message boxes
// answered at once, the "Audio Setup" dialog of an empty store given to a stand-in), the tests run in
// its message loop from a thread timer and window 1 is closed once they have run. With the helpers
// these tests share: the running program's parts, pumping messages, and comparing a capture with a
// bitmap resource.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

class SynthApp;
struct Bank;
struct CapturedWindow;
struct Engine;

struct InProgramRun {
  void (*openAudioSetup)(SynthApp*) = nullptr;  // in place of the dialog (nothing happens when null)
  void (*beforeTests)() = nullptr;              // in the loop, just before the tests
  void (*afterTests)() = nullptr;               // in the loop, after the tests, before window 1 closes
  bool untilWindowOneTakesInput = false;        // the tests wait while window 1 is missing or disabled
};

// Removes the program's user and machine keys (an empty settings store).
void clearProgramKeys();

// Starts the program with the tests in its loop and answers their result once it has ended (the user
// key removed again).
int runTestsInProgram(const InProgramRun& how);

// A whole test program's main: Google Test's arguments, an empty settings store, the start-up splash
// taken for closed at once (its 4 seconds count as passed), and the tests run once window 1 takes
// input.
int runTestsOnceWindowOneTakesInput(int argc, char** argv);

// The running program: its application, window 1's handle, its engine and its bank (null while
// there is none).
SynthApp* app();
HWND mainHandle();
Engine* engine();
Bank* bank();

// Dispatches this thread's waiting messages, `rounds` times a millisecond apart.
void pump(int rounds = 3);

// Dispatches waiting messages until the condition holds, at most `rounds` times a millisecond apart;
// whether it holds.
template <class Condition>
bool pumpUntil(Condition done, int rounds = 30000) {
  for (int k = 0; k < rounds; ++k) {
    if (done()) return true;
    pump(1);
  }
  return done();
}

// Until the input sent so far has been taken from the queue and handled (menus included).
void settle();

// The pixels of a bitmap resource of this program, 0x00RRGGBB, top row first (empty when missing).
std::vector<std::uint32_t> bitmapPixels(int id, int* width, int* height);

// Share of the pixels of the capture's rectangle (x, y, w, h) equal to the bitmap's from (sx, sy);
// 0 when the bitmap is missing or the rectangle leaves it.
double matchShare(const CapturedWindow& cap, int id, int x, int y, int w, int h, int sx, int sy);

// The contrast of the text in the capture's rectangle (left, top)..(right, bottom): its commonest
// colour (the ground) against the colour that differs most from it (the glyphs' cores), as WCAG counts.
double textContrast(const CapturedWindow& cap, int left, int top, int right, int bottom);
