// Error reporting of the platform library: fatal errors (the in-house libraries' assertion), the
// task-modal message box with its caption, debug output and the out-of-memory report with its reserve.
#pragma once

#include <cstddef>

// Message-box button sets.
enum GPButtonSet {
  GP_BUTTONS_OK = 0,
  GP_BUTTONS_OK_CANCEL = 1,
  GP_BUTTONS_YES_NO = 2,
  GP_BUTTONS_YES_NO_CANCEL = 3,
  GP_BUTTONS_RETRY_CANCEL = 4,
  GP_BUTTONS_ABORT_RETRY_IGNORE = 5
};

// Message-box result codes; also used as the default-button code (GP_NO_DEFAULT: no preference).
enum GPButtonResult {
  GP_RESULT_OK = 0,
  GP_RESULT_CANCEL = 1,
  GP_RESULT_YES = 2,
  GP_RESULT_NO = 3,
  GP_RESULT_ABORT = 4,
  GP_RESULT_RETRY = 5,
  GP_RESULT_IGNORE = 6,
  GP_NO_DEFAULT = 7
};

// Shows "Error <file>:<line>" (or "Error <file>:<line>\n\n<text>") in a message box, then ends the
// process with exit code 1. `text` may be null. Only the first caller reports; a fatal error raised
// while one is being reported shows nothing and never returns.
[[noreturn]] void gpFatalError(const char* file, int line, const char* text);

// The source path of a module as fatal errors show it: the part of a compiler path from the source
// tree's top folder on ("gp/src/Common/GPInit.cpp"); other paths are returned unchanged.
const char* gpSourcePath(const char* file);

// Assertion of the in-house libraries.
#define GP_FATAL(text) gpFatalError(gpSourcePath(__FILE__), __LINE__, (text))
#define GP_ASSERT(cond)             \
  do {                              \
    if (!(cond)) GP_FATAL(nullptr); \
  } while (0)

// Hooks run just before and just after a fatal error's message box (null: none).
typedef void (*GPFatalErrorHook)();
void gpSetFatalErrorHooks(GPFatalErrorHook before, GPFatalErrorHook after);
// The text of the fatal error being reported, as its message box shows it (for the hooks); "" before
// any.
const char* gpFatalErrorText();

// Caption of every message box: at most 255 characters are kept; null sets "Veltrano". Returns true.
bool gpSetMessageBoxTitle(const char* title);

// Task-modal, foreground message box without owner or icon, captioned with the title above.
// buttons: a GPButtonSet (other values show OK only); defaultButton: a GPButtonResult naming the
// button that gets the focus, GP_NO_DEFAULT for the first. Returns a GPButtonResult (0 for an answer
// the set does not have).
int gpMessageBox(const char* text, int buttons, int defaultButton);

// Every message box of the library goes through one sink. A hook installed here receives the
// caption, the text and the Win32 MessageBox style and returns the Win32 answer (IDOK, IDCANCEL, ...)
// instead of a box being shown; null restores the real MessageBoxA. Returns the previous hook.
typedef int (*GPMessageBoxHook)(const char* caption, const char* text, unsigned style);
GPMessageBoxHook gpSetMessageBoxHook(GPMessageBoxHook hook);

// Printf-style text (cut to 511 characters) to the debugger's output; no newline is added.
// Safe on any thread.
void gpDebugPrint(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Reports "Out of memory:\n<text>\n" ("Out of memory!" when text is null) in an OK message box.
void gpOutOfMemory(const char* text);

// Frees the current memory reserve and, for kilobytes > 0, holds back a new one of that size.
void gpSetMemoryReserve(int kilobytes);

// Operator-new handler: frees the reserve and answers 1 (retry the allocation) when there is one,
// else answers 0 (the allocation fails with std::bad_alloc).
int gpNewHandler(std::size_t size);
