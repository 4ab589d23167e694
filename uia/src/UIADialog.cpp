// Native dialogs: creation, the dialog and subclass procedures, the in-memory template and the
// message loop's list of modeless dialogs.
#include "UIADialog.h"

#include <algorithm>
#include <cstring>

#include "GPWindowPlace.h"
#include "UIAApplication.h"
#include "UIAModule.h"

namespace {

// The dialog whose creation is under way; it subclasses the window at its first message.
Win32Dialog* g_pendingDialog = nullptr;

HINSTANCE moduleInstance() {
  UiaModule* module = uiaModule();
  return module && module->instance() ? module->instance() : GetModuleHandleA(nullptr);
}

// The dialog procedure of a dialog whose framework object is gone.
INT_PTR CALLBACK deadDialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void put16(unsigned char*& p, uint16_t value) {
  std::memcpy(p, &value, 2);
  p += 2;
}

void put32(unsigned char*& p, uint32_t value) {
  std::memcpy(p, &value, 4);
  p += 4;
}

UiaMessageFilter* messageFilter() {
  UiaApplication* application = uiaApplication();
  return application ? application->messageFilter() : nullptr;
}

}  // namespace

// ---- DialogWindow ----

bool DialogWindow::handleEvent(int32_t code, void* data) {
  if (code == UIA_EVENT_MAY_CLOSE || code == UIA_EVENT_DIALOG_QUERY) {
    const uint8_t bit = code == UIA_EVENT_MAY_CLOSE ? UIA_DIALOG_MAY_CLOSE : UIA_DIALOG_MAY_CANCEL;
    if (data) static_cast<UiaAllowEvent*>(data)->allow = (dialogOptions & bit) ? 1 : 0;
    return true;
  }
  return Window::handleEvent(code, data);
}

bool DialogWindow::open(const WindowSpec& spec, uint32_t requestedMode) {
  if (platformWindow()) return false;
  if ((requestedMode & UIA_DIALOG_MODAL) && (requestedMode & UIA_DIALOG_MODELESS)) return false;
  if (!(requestedMode & (UIA_DIALOG_MODAL | UIA_DIALOG_MODELESS))) requestedMode |= UIA_DIALOG_MODAL;
  mode = requestedMode;
  Win32Dialog* dialog = new Win32Dialog(this);
  return dialog->create(requestedMode, spec);
}

void DialogWindow::end() {
  if (Win32Dialog* dialog = dynamic_cast<Win32Dialog*>(platformWindow())) dialog->end();
}

// ---- Win32Dialog ----

Win32Dialog::Win32Dialog(DialogWindow* facade) : Win32WindowBase(facade) {}

DialogWindow* Win32Dialog::dialogFacade() const { return dynamic_cast<DialogWindow*>(facade_); }

bool Win32Dialog::modal() const {
  DialogWindow* dialog = dialogFacade();
  return !dialog || (dialog->mode & UIA_DIALOG_MODELESS) == 0;
}

void Win32Dialog::destroy() {
  if (hwnd_ && !modal()) DestroyWindow(hwnd_);
}

void Win32Dialog::bringToTop() {
  if (hwnd_ && !modal()) BringWindowToTop(hwnd_);
}

void Win32Dialog::end() {
  if (!hwnd_) return;
  if (modal())
    EndDialog(hwnd_, 1);
  else
    destroy();
}

size_t uiaBuildDialogTemplate(const WindowSpec& spec, void* buffer) {
  const uint32_t options = spec.options;
  const bool positioned = (spec.flags & UIA_SPEC_POSITION) != 0;
  uint32_t style = DS_CENTER;
  style |= (options & UIA_DIALOG_POPUP) ? WS_POPUP : WS_CAPTION;
  if (!(options & UIA_DIALOG_FROM_RESOURCE)) style |= (options & UIA_DIALOG_RESIZABLE) ? WS_THICKFRAME : DS_MODALFRAME;
  if (options & UIA_DIALOG_SYSTEM_MENU) style |= WS_SYSMENU;
  if (positioned) style &= ~static_cast<uint32_t>(DS_CENTER);

  const LONG units = GetDialogBaseUnits();
  const int32_t unitX = std::max<int32_t>(1, LOWORD(units)), unitY = std::max<int32_t>(1, HIWORD(units));
  int16_t x = 0, y = 0, cx = 100, cy = 100;
  if (positioned) {
    int32_t left = spec.rect.left, top = spec.rect.top;
    if ((spec.flags & UIA_SPEC_PARENT) && spec.parent && spec.parent->nativeHandle()) {
      RECT outer;
      GetWindowRect(spec.parent->nativeHandle(), &outer);
      left -= outer.left;
      top -= outer.top;
    }
    x = static_cast<int16_t>(std::clamp<int32_t>(left * 4 / unitX, INT16_MIN, INT16_MAX));
    y = static_cast<int16_t>(std::clamp<int32_t>(top * 8 / unitY, INT16_MIN, INT16_MAX));
  }
  if (spec.flags & UIA_SPEC_SIZE) {
    cx = static_cast<int16_t>(std::clamp<int32_t>(spec.width() * 4 / unitX, 0, INT16_MAX));
    cy = static_cast<int16_t>(std::clamp<int32_t>(spec.height() * 8 / unitY, 0, INT16_MAX));
  }

  unsigned char* start = static_cast<unsigned char*>(buffer);
  std::memset(start, 0, UIA_DIALOG_TEMPLATE_BYTES);
  unsigned char* p = start;
  put32(p, style);
  put32(p, 0);  // extended style
  put16(p, 0);  // no items
  put16(p, static_cast<uint16_t>(x));
  put16(p, static_cast<uint16_t>(y));
  put16(p, static_cast<uint16_t>(cx));
  put16(p, static_cast<uint16_t>(cy));
  put16(p, 0);  // no menu
  put16(p, 0);  // the standard dialog class
  // The title, cut to its limit; the buffer has room for it and its terminator.
  wchar_t title[UIA_DIALOG_TITLE_MAX + 1] = {};
  int length = 0;
  if (spec.flags & UIA_SPEC_TITLE) {
    const char* text = spec.titleText();
    const int bytes = static_cast<int>(std::min(std::strlen(text), UIA_DIALOG_TITLE_MAX));
    if (bytes > 0) length = MultiByteToWideChar(CP_ACP, 0, text, bytes, title, UIA_DIALOG_TITLE_MAX);
    if (length < 0) length = 0;
  }
  title[length] = 0;
  std::memcpy(p, title, (length + 1) * sizeof(wchar_t));
  p += (length + 1) * sizeof(wchar_t);
  return static_cast<size_t>(p - start);
}

bool Win32Dialog::create(uint32_t mode, const WindowSpec& spec) {
  // A failed creation leaves the facade without a platform window and this object gone.
  auto fail = [this]() {
    if (g_pendingDialog == this) g_pendingDialog = nullptr;
    if (facade_ && facade_->platform_ == this) facade_->platform_ = nullptr;
    facade_ = nullptr;
    ownsFacade_ = 0;
    if (hwnd_ || destroyed_) {
      // The window came and went; the last release deletes this object.
      release();
    } else {
      delete this;
    }
    return false;
  };

  Window* parent = (spec.flags & UIA_SPEC_PARENT) ? spec.parent : nullptr;
  if (g_pendingDialog) {
    if (facade_ && facade_->platform_ == this) facade_->platform_ = nullptr;
    delete this;
    return false;
  }
  if (facade_ && facade_->ownedByWindow()) setOwnsFacade(true);
  if (facade_) facade_->parent_ = parent;
  HWND owner = parent ? parent->nativeHandle() : nullptr;
  centreOn_ = (spec.flags & UIA_SPEC_POSITION) ? nullptr : owner;
  const int32_t resourceId = spec.resourceId;
  g_pendingDialog = this;

  hold();  // the window may come and go inside the calls below
  if (mode & UIA_DIALOG_MODELESS) {
    HWND dialog = CreateDialogParamA(moduleInstance(), MAKEINTRESOURCEA(resourceId), owner, dialogProc, 0);
    if (!dialog) return fail();
    if (g_pendingDialog == this) g_pendingDialog = nullptr;
    uiaAddModelessDialog(dialog);
    if (spec.flags & UIA_SPEC_POSITION)
      SetWindowPos(dialog, nullptr, spec.rect.left, spec.rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (spec.flags & UIA_SPEC_TITLE) SetWindowTextA(dialog, spec.titleText());
    ShowWindow(dialog, SW_SHOW);
  } else {
    INT_PTR answer;
    if (spec.options & UIA_DIALOG_FROM_RESOURCE) {
      answer = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(resourceId), owner, dialogProc, 0);
    } else {
      alignas(4) unsigned char buffer[UIA_DIALOG_TEMPLATE_BYTES];
      uiaBuildDialogTemplate(spec, buffer);
      answer =
          DialogBoxIndirectParamA(moduleInstance(), reinterpret_cast<LPCDLGTEMPLATEA>(buffer), owner, dialogProc, 0);
    }
    if (answer == -1) return fail();
    if (g_pendingDialog == this) g_pendingDialog = nullptr;
  }
  release();
  return true;
}

INT_PTR CALLBACK Win32Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Dialog* dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (dialog) {
    if (dialog->hwnd_ != hwnd) return FALSE;
  } else {
    dialog = g_pendingDialog;
    if (!dialog) return FALSE;
    g_pendingDialog = nullptr;
    dialog->attachHandle(hwnd);
    dialog->previousProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassProc));
  }
  switch (message) {
    case WM_INITDIALOG: {
      int32_t none = -1;
      dialog->handleGuiEvent(UIA_EVENT_CREATED, &none, false);
      // Once the dialog has its size: over the middle of the window that opened it, kept on the
      // owner's monitor.
      if (dialog->hwnd_ == hwnd && dialog->centreOn_ && IsWindow(dialog->centreOn_))
        gpCentreOnWindow(hwnd, dialog->centreOn_);
      return FALSE;
    }
    case WM_CLOSE: {
      UiaAllowEvent query = {1};
      if (dialog->handleGuiEvent(UIA_EVENT_MAY_CLOSE, &query, false) && query.allow) dialog->end();
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (wParam == IDCANCEL && lParam == 0) {
        UiaAllowEvent query = {1};
        if (dialog->handleGuiEvent(UIA_EVENT_DIALOG_QUERY, &query, false) && query.allow == 1) dialog->end();
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

LRESULT CALLBACK Win32Dialog::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Dialog* dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!dialog || dialog->hwnd_ != hwnd) return DefDlgProcA(hwnd, message, wParam, lParam);
  WNDPROC previous = dialog->previousProc_;
  // Held across the dialog manager's call too: a handler there may destroy the window.
  dialog->hold();
  LRESULT result = 0;
  bool answered = false;
  switch (message) {
    case WM_DESTROY: dialog->handleGuiEvent(UIA_EVENT_DESTROYED, nullptr, false); break;
    case WM_CANCELMODE:
      dialog->handleGuiEvent(UIA_EVENT_CAPTURE_LOST, nullptr, false);
      dialog->handleGuiEvent(UIA_EVENT_FOCUS_LOST, nullptr, false);
      break;
    case WM_CAPTURECHANGED: dialog->handleGuiEvent(UIA_EVENT_CAPTURE_LOST, nullptr, false); break;
    case WM_KILLFOCUS: dialog->handleGuiEvent(UIA_EVENT_FOCUS_LOST, nullptr, false); break;
    case WM_SIZE: {
      result = CallWindowProcA(previous, hwnd, message, wParam, lParam);
      answered = true;
      UiaSizeEvent event = {0};
      dialog->handleGuiEvent(UIA_EVENT_SIZE, &event, false);
      break;
    }
    case WM_NCDESTROY: {
      // Hand the window back to the dialog manager and leave the facade.
      SetWindowLongPtrA(hwnd, DWLP_USER, 0);
      SetWindowLongPtrA(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(deadDialogProc));
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      if (!dialog->modal()) uiaRemoveModelessDialog(hwnd);
      if (dialog->facade_ && dialog->facade_->platform_ == dialog) dialog->facade_->platform_ = nullptr;
      dialog->hwnd_ = nullptr;
      dialog->destroyed_ = 1;
      break;
    }
    default: break;
  }
  if (!answered) result = CallWindowProcA(previous, hwnd, message, wParam, lParam);
  // Deleted once the window is gone and no message of it is being handled.
  dialog->release();
  return result;
}

// ---- the modeless list ----

void uiaAddModelessDialog(HWND dialog) {
  UiaMessageFilter* filter = messageFilter();
  if (!filter || !dialog) return;
  auto& list = filter->modelessDialogs;
  if (std::find(list.begin(), list.end(), dialog) == list.end()) list.push_back(dialog);
}

void uiaRemoveModelessDialog(HWND dialog) {
  UiaMessageFilter* filter = messageFilter();
  if (!filter) return;
  auto& list = filter->modelessDialogs;
  list.erase(std::remove(list.begin(), list.end(), dialog), list.end());
}

void uiaAddDialogWindow(Window* window) {
  if (window && window->nativeHandle()) uiaAddModelessDialog(window->nativeHandle());
}

void uiaRemoveDialogWindow(Window* window) {
  if (window && window->nativeHandle()) uiaRemoveModelessDialog(window->nativeHandle());
}

void uiaSetMessageFilterFlag(bool value) {
  if (UiaMessageFilter* filter = messageFilter()) filter->flag = value ? 1 : 0;
}
