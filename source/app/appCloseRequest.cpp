// Closes asked for from outside the window. The request starts what the close box starts (the quit
// query with its questions); its state tells the requester whether Morvane is still asking, was told
// Cancel, or leaves. A close without asking makes the quit query skip its questions, and one open when
// it comes, closed with Cancel by the requester, lets the program leave all the same.
//
// The close begins with a message of its own, posted to the main window: the close box's command
// itself would be dropped by the system if a dialog took the window before it was handled (a window
// that takes no input ignores it), and nothing would ask again. When the posted message finds the
// window taking no input, the state stays idle and the requester asks again once it does. While Morvane
// starts (from its main window's creation until its start is done, the start-up splash included) no
// close begins and every answer says so: the requester asks again once the start is done (a requester
// stopped meanwhile, by a second Ctrl+C, leaves no close behind that would end Morvane before the next
// one has said what it does).
#include "app/appCloseRequest.h"

#include "app/closeLeavingMark.h"
#include "app/closeRequest.h"
#include "app/synthApp.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "uia.h"

namespace {

constexpr char kBeginMessageName[] = "Morvane close begins";

UINT g_message = 0;
UINT g_begin = 0;          // posted to the main window: the close begins
WNDPROC g_next = nullptr;  // the main window's procedure before this one
HWND g_watched = nullptr;
unsigned g_state = closeStateIdle;
bool g_asksNothing = false;
bool g_started = false;  // the start is done
bool g_posted = false;   // the close's message is on its way

// What a close without asking leaves unsaved.
unsigned losses() {
  SynthApp* app = dynamic_cast<SynthApp*>(uiaApplication());
  if (!app || !app->bank) return 0;
  unsigned lost = 0;
  if (bankDiffersFromFile(app->bank)) lost |= app->bank->file.path[0] ? closeLosesBank : closeLosesNewBank;
  if (app->engine && bankSoundDiffersFromSlot(app->bank, app->engine)) lost |= closeLosesEdits;
  return lost;
}

void postBegin(HWND main) {
  if (g_posted || !main) return;
  if (!g_begin) g_begin = RegisterWindowMessageA(kBeginMessageName);
  g_posted = PostMessageA(main, g_begin, 0, 0) != 0;
}

// The posted message has come: the close begins as the close box's does, unless a dialog took the
// window meanwhile (or a close is under way already).
void begin(HWND main) {
  g_posted = false;
  if (g_state != closeStateIdle || !IsWindowEnabled(main)) return;
  g_state = closeStateAsked;
  SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
}

LRESULT CALLBACK requestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_message && message == g_message)
    return static_cast<LRESULT>(appCloseRequestAnswer(window, static_cast<unsigned>(wParam)));
  if (g_begin && message == g_begin) {
    begin(window);
    return 0;
  }
  return CallWindowProcA(g_next, window, message, wParam, lParam);
}

}  // namespace

void appWatchCloseRequests(HWND main) {
  if (!main || g_watched == main) return;
  g_message = RegisterWindowMessageA(closeRequestName);
  g_next = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(requestProc)));
  g_watched = g_next ? main : nullptr;
}

unsigned appCloseRequestAnswer(HWND main, unsigned request) {
  const bool closing = request == closeRequestAsk || request == closeRequestUnasked;
  if (request == closeRequestUnasked) g_asksNothing = true;
  // A new request forgets an earlier Cancel. During the start, and while a dialog holds the window (a
  // question not of the close), no close begins: the requester asks again once the start is done and
  // the window takes input.
  if (closing && g_state == closeStateCancelled) g_state = closeStateIdle;
  if (closing && g_started && g_state == closeStateIdle && IsWindowEnabled(main)) postBegin(main);
  const unsigned starting = g_started ? 0u : static_cast<unsigned>(closeStarting);
  return closeAnswerKnown | g_state | starting | (request != closeRequestAsk ? losses() : 0);
}

void appCloseStartDone() { g_started = true; }

bool appCloseAsksNothing() { return g_asksNothing; }

void appCloseQueryEnded(bool leaving) {
  if (leaving) {
    g_state = closeStateLeaving;
    closeLeavingMarkWrite(closeAnswerKnown | closeStateLeaving | losses());
  } else if (g_state == closeStateAsked) {
    g_state = closeStateCancelled;
  }
}
