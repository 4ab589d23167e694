// The application's message box and the diagnostics channel.
//
// msgBox shows a text to the user: with extra 0 in a task-modal box with an OK button, brought to the
// foreground and captioned with the program's name (the answer is then always 0); with extra non-zero
// over the owner window with style + extra as the box's style, returning the pressed button's code.
// The Windows build shows real boxes; the native build has no user interface and only prints the text.
//
// Tests (and any code that must never block on a modal box) install a hook: while one is installed
// every text goes to it instead of the screen and its result is the answer. The capture functions
// below are a ready-made hook that records the texts and gives a fixed answer.
#pragma once
#include <cstddef>

// Box styles and answers (the Win32 values, so the same numbers work on every build).
enum {
  msgBoxOk = 0x0,
  msgBoxOkCancel = 0x1,
  msgBoxYesNoCancel = 0x3,
  msgBoxYesNo = 0x4,
  msgBoxIconQuestion = 0x20,
  msgBoxIconExclamation = 0x30
};
enum { msgAnswerOk = 1, msgAnswerCancel = 2, msgAnswerYes = 6, msgAnswerNo = 7 };

// Owner window (a native window handle, null for none) and caption (at most 256 characters kept).
// The caption starts as the program's name "Morvane".
void msgBoxSetOwner(void* owner, const char* caption);
const char* msgBoxCaption();

int msgBox(int style, const char* text, int extra);

// Diagnostics: off after start-up (diagReset); while on, diagMessage shows at most 256 characters of
// its text through msgBox(0, text, 0). Nothing in the program switches it on by default.
void diagReset();
void diagSetEnabled(bool on);
bool diagIsEnabled();
void diagMessage(const char* text);
const char* diagLastText();  // the diagnostic text buffer

// Hook: receives every box instead of the screen; returns the answer. context is passed through.
typedef int (*MsgBoxHook)(void* context, int style, const char* text, int extra);
void msgBoxSetHook(MsgBoxHook hook, void* context);

// Recording hook: every text is kept; boxes with extra 0 answer 0, the others `answer`.
void msgBoxCaptureBegin(int answer);
void msgBoxCaptureEnd();  // removes the hook and forgets the texts
std::size_t msgBoxCaptureCount();
const char* msgBoxCaptureText(std::size_t index);  // "" for an index out of range
int msgBoxCaptureStyle(std::size_t index);         // style + extra of that box; -1 out of range

// Platform half (msgBox_win32.cpp / msgBox_posix.cpp): shows one box for real.
int msgBoxShowNative(void* owner, const char* caption, int style, const char* text, int extra);
