// FormDialogHost: shows a form window as a modal native dialog. The dialog holds one plain inner
// window whose client area shows the form window's picture; a framework timer on the inner window
// drives the repaint pass on every tick.
#pragma once

#include "NGLFormWindow.h"
#include "UIAWindow.h"

struct TimerEntry;

// The inner window of a form dialog: paints the form window's picture and hands it its events.
class FormHostWindow : public PlainWindow {
 public:
  explicit FormHostWindow(FormWindowHolder& holder) : holder_(holder) {}
  ~FormHostWindow() override;
  bool handleEvent(int32_t code, void* data) override;
  TimerEntry* timer() const { return timer_; }

 private:
  FormWindowHolder& holder_;
  TimerEntry* timer_ = nullptr;
};

class FormDialogHost : public DialogWindow, public FormWindowHolder {
 public:
  // Without a form window the host makes one and owns it. A given owner window becomes the
  // dialog's parent when the description names none.
  FormDialogHost(Window* owner, FormWindow* formWindow, bool ownsFormWindow);
  ~FormDialogHost() override;

  bool handleEvent(int32_t code, void* data) override;
  // The inner window: where the forms draw, capture the mouse and take the focus.
  Window* window() override { return &inner_; }

  // Opens the dialog (modal for the callers' flag 0) sized to the forms' bounds unless the
  // description gives a size. True only when the dialog ended with result 1 (OK): Cancel (0), Esc
  // and the close box (-1) answer false, as does a dialog that could not be opened.
  bool run(const WindowSpec& spec, uint32_t flag);

  Window* owner() const { return owner_; }
  FormHostWindow& inner() { return inner_; }

 private:
  Window* owner_;
  FormHostWindow inner_;
  uint8_t fitToForms_ = 1;  // run sized the dialog from the forms
};
