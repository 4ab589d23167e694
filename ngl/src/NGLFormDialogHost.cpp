// FormDialogHost and its inner window.
#include "NGLFormDialogHost.h"

#include "UIADrawContext.h"
#include "UIAPicture.h"

FormHostWindow::~FormHostWindow() {
  if (timer_) {
    removeTimer(timer_);
    timer_ = nullptr;
  }
}

bool FormHostWindow::handleEvent(int32_t code, void* data) {
  FormWindow* formWindow = holder_.formWindow();
  bool handled = PlainWindow::handleEvent(code, data);
  switch (code) {
    case UIA_EVENT_CREATED:
      if (formWindow) formWindow->repaint(false);
      addTimer(&timer_, 0, -10);
      break;
    case UIA_EVENT_DESTROYED:
      if (timer_) {
        removeTimer(timer_);
        timer_ = nullptr;
      }
      break;
    case UIA_EVENT_PAINT:
      if (formWindow && data) {
        formWindow->raiseBusy();
        static_cast<DrawContext*>(data)->blit(formWindow->picture());
        formWindow->paintDone();
        formWindow->lowerBusy();
      }
      return true;
    default: break;
  }
  if (formWindow && formWindow->handleEvent(code, data)) handled = true;
  return handled;
}

FormDialogHost::FormDialogHost(Window* owner, FormWindow* formWindow, bool ownsFormWindow)
    : FormWindowHolder(formWindow, ownsFormWindow), owner_(owner), inner_(*this) {}

FormDialogHost::~FormDialogHost() { inner_.destroy(); }

bool FormDialogHost::handleEvent(int32_t code, void* data) {
  const bool handled = DialogWindow::handleEvent(code, data);
  FormWindow* formWindow = formWindow_;
  if (code == UIA_EVENT_CREATED && formWindow) {
    const FormSize bounds = formWindow->boundsOfChildren();
    // Dialog units can lose a pixel of the size on the way through the template: fit the
    // client area to the forms exactly now that the dialog exists.
    if (fitToForms_) setSize(SIZE{bounds.width, bounds.height}, true);
    // At the client origin, exactly the forms' bounds.
    WindowSpec spec;
    spec.flags = UIA_SPEC_BACKGROUND | UIA_SPEC_PARENT | UIA_SPEC_SIZE | UIA_SPEC_POSITION;
    spec.parent = this;
    spec.rect = RECT{0, 0, bounds.width, bounds.height};
    inner_.create(spec);
    formWindow->repaint(false);
    inner_.setFocus();
  } else if ((code == UIA_EVENT_CAPTURE_LOST || code == UIA_EVENT_FOCUS_LOST) && formWindow) {
    formWindow->handleEvent(code, data);
  }
  return handled;
}

bool FormDialogHost::run(const WindowSpec& spec, uint32_t flag) {
  WindowSpec copy(spec);
  if (!(copy.flags & UIA_SPEC_PARENT) && owner_) {
    copy.parent = owner_;
    copy.flags |= UIA_SPEC_PARENT;
  }
  fitToForms_ = !(copy.flags & UIA_SPEC_SIZE) ? 1 : 0;
  if (!(copy.flags & UIA_SPEC_SIZE) && formWindow_) {
    const FormSize bounds = formWindow_->boundsOfChildren();
    copy.rect.right = copy.rect.left + bounds.width;
    copy.rect.bottom = copy.rect.top + bounds.height;
    copy.flags |= UIA_SPEC_SIZE | UIA_SPEC_CLIENT_SIZE;
  }
  // The owner sets the result word before it ends the dialog; anything else leaves -1.
  result = -1;
  if (!open(copy, flag)) return false;
  return result == 1;
}
