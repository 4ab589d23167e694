// Closes asked for from outside the window: MorvaneClose.exe (run.sh's Ctrl+C or TERM) sends the main
// window the close-request message (closeRequest.h).
#pragma once
#include <windows.h>

// Lets the main window answer the close requests (once per window).
void appWatchCloseRequests(HWND main);
// The answer to one request (closeRequest.h): a close (asked, or asking nothing) starts as the close
// box does when the start is done, the main window takes input and no close is under way. Until the
// start is done the answer has closeStarting (the requester asks again once it is done).
unsigned appCloseRequestAnswer(HWND main, unsigned request);
// The start is done (the end of the application's init): closes asked for from now on begin.
void appCloseStartDone();
// For the quit query: whether a close without asking was requested.
bool appCloseAsksNothing();
// The quit query's end: leaving (the settings saved; marked for the requester, closeLeavingFormat), or
// refused (Cancel, or a save that failed).
void appCloseQueryEnded(bool leaving);
