// Where dialogs open: over the middle of the window they belong to, kept whole on that window's screen.
// The system's own boxes and file windows choose their places themselves; a one-shot hook of the
// thread moves the next dialog it opens instead.
#pragma once

#include <windows.h>

// Moves `window` so that its centre is the centre of `over`, kept inside the work area of the monitor
// that `over` is on (so its title bar stays within reach). Nothing when either window is missing.
void gpCentreOnWindow(HWND window, HWND over);

// While it lives, the first top-level dialog (class "#32770") that the thread opens is centred on
// `over` once it has set itself up, before it first shows. Does nothing when `over` is null or
// hidden, or while another guard waits (the one that came first keeps its dialog).
class GPCentreNextDialog {
 public:
  explicit GPCentreNextDialog(HWND over);
  ~GPCentreNextDialog();
  GPCentreNextDialog(const GPCentreNextDialog&) = delete;
  GPCentreNextDialog& operator=(const GPCentreNextDialog&) = delete;

 private:
  HHOOK hook_ = nullptr;  // the hook this guard put up, null when it put up none
};
