// Closes asked for from outside the window. The request starts what the close box starts (a posted
// SC_CLOSE: the quit query with its questions); its state tells the requester whether Morvane is still
// asking, was told Cancel, or leaves. A close without asking makes the quit query skip its questions,
// and one open when it comes, closed with Cancel by the requester, lets the program leave all the same.
#include "app/appCloseRequest.h"

#include "app/closeLeavingMark.h"
#include "app/closeRequest.h"
#include "app/synthApp.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "uia.h"

namespace {

UINT g_message = 0;
WNDPROC g_next = nullptr;  // the main window's procedure before this one
HWND g_watched = nullptr;
unsigned g_state = closeStateIdle;
bool g_asksNothing = false;

// What a close without asking leaves unsaved.
unsigned losses() {
  SynthApp* app = dynamic_cast<SynthApp*>(uiaApplication());
  if (!app || !app->bank) return 0;
  unsigned lost = 0;
  if (bankDiffersFromFile(app->bank)) lost |= app->bank->file.path[0] ? closeLosesBank : closeLosesNewBank;
  if (app->engine && bankSoundDiffersFromSlot(app->bank, app->engine)) lost |= closeLosesEdits;
  return lost;
}

LRESULT CALLBACK requestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_message && message == g_message)
    return static_cast<LRESULT>(appCloseRequestAnswer(window, static_cast<unsigned>(wParam)));
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
  // A new request forgets an earlier Cancel. While a dialog holds the window (the start-up splash, a
  // question not of the close) it waits: the requester asks again once the window takes input.
  if (closing && g_state == closeStateCancelled) g_state = closeStateIdle;
  if (closing && g_state == closeStateIdle && IsWindowEnabled(main)) {
    g_state = closeStateAsked;
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  return closeAnswerKnown | g_state | (request != closeRequestAsk ? losses() : 0);
}

bool appCloseAsksNothing() { return g_asksNothing; }

void appCloseQueryEnded(bool leaving) {
  if (leaving) {
    g_state = closeStateLeaving;
    closeLeavingMarkWrite(closeAnswerKnown | closeStateLeaving | losses());
  } else if (g_state == closeStateAsked) {
    g_state = closeStateCancelled;
  }
}
