// The framework's window classes, window creation and the shared window procedure that turns Win32
// messages into framework events.
#include <windows.h>
#include <dbt.h>
#include <windowsx.h>

#include <cstdio>

#include "GPDrives.h"
#include "UIAApplication.h"
#include "UIADrawContext.h"
#include "UIADriveLetter.h"
#include "UIAKeys.h"
#include "UIAMenu.h"
#include "UIAModule.h"
#include "UIAPlatformWindow.h"
#include "UIATracking.h"

namespace {

constexpr int kClassCount = 4;
const char* const kClassFormats[kClassCount] = {"VLNormalWindow%08X", "VLMDIChildWindow%08X", "VLFramelessWindow%08X",
                                                "VLRTASChildWindow%08X"};
char g_classNames[kClassCount][64];
bool g_registered[kClassCount];

// The window whose CreateWindowExA call is under way; its handle is attached at the first message.
Win32Window* g_pending = nullptr;

HINSTANCE moduleInstance() {
  UiaModule* module = uiaModule();
  return module && module->instance() ? module->instance() : GetModuleHandleA(nullptr);
}

LRESULT sharedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC defaultProc) {
  Win32Window* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!window) {
    window = g_pending;
    if (!window) return CallWindowProcA(defaultProc, hwnd, message, wParam, lParam);
    window->attachHandle(hwnd);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    g_pending = nullptr;
  }
  if (window->handle() != hwnd) return CallWindowProcA(defaultProc, hwnd, message, wParam, lParam);
  return Win32Window::dispatchMessage(window, message, wParam, lParam);
}

LRESULT CALLBACK normalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return sharedProc(hwnd, message, wParam, lParam, DefWindowProcA);
}

LRESULT CALLBACK mdiChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return sharedProc(hwnd, message, wParam, lParam, DefMDIChildProcA);
}

LRESULT CALLBACK framelessProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // No non-client area at all.
  if (message == WM_NCCALCSIZE) return wParam ? 0x700 : 0;
  if (message == WM_NCPAINT) return 0;
  return sharedProc(hwnd, message, wParam, lParam, DefWindowProcA);
}

LRESULT CALLBACK rtasChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Ctrl+Alt clicks go to the grandparent, moved by the window's offset.
  if (message >= WM_LBUTTONDOWN && message <= WM_RBUTTONDBLCLK && (GetKeyState(VK_CONTROL) & 0x8000) &&
      (GetKeyState(VK_MENU) & 0x8000)) {
    HWND parent = GetParent(hwnd);
    HWND grandparent = parent ? GetParent(parent) : nullptr;
    if (grandparent) {
      POINT offset = {0, 0};
      if (Win32Window* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
        offset = window->forwardOffset();
      const int x = GET_X_LPARAM(lParam) + offset.x, y = GET_Y_LPARAM(lParam) + offset.y;
      SendMessageA(grandparent, message, wParam, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
      return 0;
    }
  }
  return sharedProc(hwnd, message, wParam, lParam, DefWindowProcA);
}

const WNDPROC kClassProcs[kClassCount] = {normalProc, mdiChildProc, framelessProc, rtasChildProc};
const WNDPROC kDefaultProcs[kClassCount] = {DefWindowProcA, DefMDIChildProcA, DefWindowProcA, DefWindowProcA};

}  // namespace

const char* uiaWindowClassName(int classKind) {
  if (classKind < 0 || classKind >= kClassCount) return "";
  return g_classNames[classKind];
}

bool uiaRegisterWindowClasses() {
  HINSTANCE instance = moduleInstance();
  const unsigned low = static_cast<unsigned>(reinterpret_cast<uintptr_t>(instance) & 0xFFFFFFFFu);
  for (int kind = 0; kind < kClassCount; ++kind) {
    std::snprintf(g_classNames[kind], sizeof g_classNames[kind], kClassFormats[kind], low);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = kClassProcs[kind];
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = g_classNames[kind];
    if (!RegisterClassA(&wc)) {
      uiaUnregisterWindowClasses();
      return false;
    }
    g_registered[kind] = true;
  }
  return true;
}

void uiaUnregisterWindowClasses() {
  HINSTANCE instance = moduleInstance();
  for (int kind = 0; kind < kClassCount; ++kind) {
    if (g_registered[kind]) UnregisterClassA(g_classNames[kind], instance);
    g_registered[kind] = false;
  }
}

// ---- creation ----

void Win32Window::create(const WindowSpec& spec, int classKind, DWORD style, DWORD exStyle, bool resizable,
                         HWND parent) {
  if (g_pending) return;
  if (classKind < 0 || classKind >= kClassCount) classKind = UIA_CLASS_NORMAL;
  if (facade_ && facade_->ownedByWindow()) setOwnsFacade(true);
  if (spec.flags & UIA_SPEC_BACKGROUND) {
    const COLORREF colour = spec.background ? (spec.background & 0xFFFFFF) : GetSysColor(COLOR_WINDOW);
    deleteBackground();
    background_ = CreateSolidBrush(colour);
  }
  Window* parentFacade = (spec.flags & UIA_SPEC_PARENT) ? spec.parent : nullptr;
  if (facade_) facade_->parent_ = parentFacade;
  HWND parentHandle = parent ? parent : (parentFacade ? parentFacade->nativeHandle() : nullptr);

  // The rectangle AdjustWindowRectEx makes of a client rectangle for this window.
  auto adjust = [&](RECT r) {
    if (exStyle == WS_EX_MDICHILD)
      AdjustWindowRectEx(&r, 0xCF0000, FALSE, 0);
    else
      AdjustWindowRectEx(&r, style, parent != nullptr, exStyle);
    return r;
  };
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  if (spec.flags & UIA_SPEC_SIZE) {
    width = spec.width();
    height = spec.height();
    if (spec.flags & UIA_SPEC_CLIENT_SIZE) {
      const RECT r = adjust(RECT{50, 50, 50 + width, 50 + height});
      width = r.right - r.left;
      height = r.bottom - r.top;
    }
  }
  if (spec.flags & UIA_SPEC_POSITION) {
    x = spec.rect.left;
    y = spec.rect.top;
    if (spec.flags & UIA_SPEC_CLIENT_POSITION) {
      const RECT r = adjust(RECT{x, y, x + 50, y + 50});
      x = r.left;
      y = r.top;
    }
    if (!(style & WS_CHILD)) {
      RECT work = {0, 0, 0, 0};
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
      if (x < work.left) x = work.left;
      if (y < work.top) y = work.top;
      if (x > work.right) x = work.right;
      if (y > work.bottom) y = work.bottom;
    }
  }
  const char* title = (spec.flags & UIA_SPEC_TITLE) ? spec.titleText() : "";
  defaultProc_ = kDefaultProcs[classKind];
  if (classKind == UIA_CLASS_MDI_CHILD && !resizable) {
    fixedWidth_ = width;
    fixedHeight_ = height;
  }
  g_pending = this;
  CreateWindowExA(exStyle, g_classNames[classKind], title, style, x, y, width, height, parentHandle, nullptr,
                  moduleInstance(), nullptr);
  // A creation that failed before its first message must not block every later one.
  if (g_pending == this) g_pending = nullptr;
}

// ---- the procedure ----

LRESULT Win32Window::dispatchMessage(Win32Window* window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = window->hwnd_;
  ++window->depth_;
  const LRESULT result = window->windowProc(message, wParam, lParam);
  --window->depth_;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    window->attachHandle(nullptr);
    window->deleteBackground();
    if (window->facade_ && window->facade_->platform_ == window) window->facade_->platform_ = nullptr;
    window->destroyed_ = 1;
  }
  // Deleted only once the window is gone and no message of it is still being handled.
  window->deleteIfDone();
  return result;
}

bool Win32Window::paintEvent(HDC dc, PAINTSTRUCT* paint) {
  DrawContext* context = drawContext_.get();
  if (!context) return false;
  context->setDC(dc);
  context->setPaint(paint);
  const bool handled = handleGuiEvent(UIA_EVENT_PAINT, context, false);
  // The handler may have destroyed the window, and the context with it.
  if (drawContext_.get() == context) {
    context->takeDC();
    context->setPaint(nullptr);
  }
  return handled;
}

bool Win32Window::mouseButtonEvent(UINT message, LPARAM lParam) {
  static const uint32_t kButtons[9] = {1, 1, 1, 2, 2, 2, 4, 4, 4};
  static const uint32_t kActions[9] = {1, 2, 3, 1, 2, 3, 1, 2, 3};
  const unsigned index = message - WM_LBUTTONDOWN;
  if (message == WM_RBUTTONDOWN) BringWindowToTop(hwnd_);
  UiaMouseButtonEvent event = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), uiaModifiers(), kButtons[index],
                               kActions[index]};
  return handleGuiEvent(UIA_EVENT_MOUSE_BUTTON, &event, false);
}

bool Win32Window::keyEvent(UINT message, WPARAM wParam, LPARAM lParam) {
  int32_t position = -1;
  const uint32_t key = uiaTranslateKey(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam), &position);
  if (key == kNoKey) return false;
  if (message == WM_KEYUP || message == WM_SYSKEYUP) {
    UiaKeyUpEvent event = {key, static_cast<uint32_t>(position)};
    return handleGuiEvent(UIA_EVENT_KEY_UP, &event, true);
  }
  const bool firstPress = (lParam & (1 << 30)) == 0;
  UiaKeyEvent event = {key, static_cast<uint32_t>(position), firstPress ? 1u : 0u};
  if (handleGuiEvent(UIA_EVENT_KEY_DOWN, &event, true)) return true;
  if (!firstPress) return false;
  UiaApplication* application = uiaApplication();
  const int32_t command = application ? application->acceleratorCommand(key & ~0x00FF0000u) : 0;
  if (command <= 0) return false;
  UiaCommandEvent commandEvent = {command};
  return handleGuiEvent(UIA_EVENT_COMMAND, &commandEvent, true);
}

LRESULT Win32Window::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: handleGuiEvent(UIA_EVENT_CREATED, nullptr, false); break;
    case WM_DESTROY: handleGuiEvent(UIA_EVENT_DESTROYED, nullptr, false); break;
    case WM_CLOSE: {
      UiaAllowEvent query = {1};
      handleGuiEvent(UIA_EVENT_MAY_CLOSE, &query, false);
      if (query.allow == 0) return 0;
      break;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      const bool handled = paintEvent(dc, &paint);
      EndPaint(hwnd_, &paint);
      if (handled) return 0;
      break;
    }
    case WM_PRINTCLIENT: {
      // Painting into a given device context (PrintWindow): the paint event with the whole client
      // area as the invalid rectangle.
      PAINTSTRUCT paint = {};
      paint.hdc = reinterpret_cast<HDC>(wParam);
      GetClientRect(hwnd_, &paint.rcPaint);
      if (paintEvent(paint.hdc, &paint)) return 0;
      break;
    }
    case WM_ERASEBKGND:
      if (background_) {
        RECT box;
        GetClipBox(reinterpret_cast<HDC>(wParam), &box);
        FillRect(reinterpret_cast<HDC>(wParam), &box, background_);
      }
      return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      if (mouseButtonEvent(message, lParam)) return 0;
      break;
    case WM_MOUSEMOVE: {
      UiaMouseMoveEvent event = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), uiaModifiers()};
      if (handleGuiEvent(UIA_EVENT_MOUSE_MOVE, &event, false)) return 0;
      break;
    }
    case WM_MOUSEWHEEL: {
      POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd_, &point);
      UiaMouseWheelEvent event = {point.x, point.y, uiaModifiers(), GET_WHEEL_DELTA_WPARAM(wParam)};
      if (handleGuiEvent(UIA_EVENT_MOUSE_WHEEL, &event, false)) return 0;
      break;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (keyEvent(message, wParam, lParam)) return 0;
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
      // Alt with another key, or F10 alone: Alt by itself keeps its menu behaviour.
      const bool alt = (lParam & (1 << 29)) != 0;
      if ((alt && wParam != VK_MENU) || (wParam == VK_F10 && !alt)) {
        if (keyEvent(message, wParam, lParam)) return 0;
      }
      break;
    }
    case WM_CHAR: {
      UiaCharEvent event = {static_cast<uint8_t>(wParam)};
      if (handleGuiEvent(UIA_EVENT_CHAR, &event, true)) return 0;
      break;
    }
    case WM_COMMAND: {
      UiaCommandEvent event = {LOWORD(wParam)};
      if (handleGuiEvent(UIA_EVENT_COMMAND, &event, true)) return 0;
      break;
    }
    case WM_CANCELMODE:
      handleGuiEvent(UIA_EVENT_CAPTURE_LOST, nullptr, false);
      handleGuiEvent(UIA_EVENT_FOCUS_LOST, nullptr, false);
      break;
    case WM_CAPTURECHANGED:
      if (lParam && reinterpret_cast<HWND>(lParam) != hwnd_) handleGuiEvent(UIA_EVENT_CAPTURE_LOST, nullptr, false);
      break;
    case WM_KILLFOCUS: handleGuiEvent(UIA_EVENT_FOCUS_LOST, nullptr, false); break;
    case WM_ACTIVATE: handleGuiEvent(wParam ? UIA_EVENT_ACTIVATED : UIA_EVENT_DEACTIVATED, nullptr, false); break;
    case WM_CHILDACTIVATE: handleGuiEvent(UIA_EVENT_ACTIVATED, nullptr, false); break;
    case WM_SIZE: {
      const LRESULT result = defaultProcessing(message, wParam, lParam);
      if (wParam != SIZE_MINIMIZED) {
        UiaSizeEvent event = {wParam == SIZE_MAXIMIZED ? 1u : 0u};
        handleGuiEvent(UIA_EVENT_SIZE, &event, false);
      }
      return result;
    }
    case WM_WINDOWPOSCHANGED: {
      const LRESULT result = defaultProcessing(message, wParam, lParam);
      const WINDOWPOS* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (position && !(position->flags & SWP_NOZORDER) && position->hwndInsertAfter == nullptr)
        handleGuiEvent(UIA_EVENT_TO_FRONT, nullptr, false);
      return result;
    }
    case WM_GETMINMAXINFO:
      if (fixedWidth_ > 0 && fixedHeight_ > 0) {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxSize = POINT{fixedWidth_, fixedHeight_};
        info->ptMinTrackSize = POINT{fixedWidth_, fixedHeight_};
        info->ptMaxTrackSize = POINT{fixedWidth_, fixedHeight_};
        return 1;
      }
      break;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_SETCURSOR:
      if (cursor_) {
        SetCursor(cursor_);
        return 1;
      }
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
      if (HWND child = GetDlgItem(hwnd_, static_cast<int>(wParam))) SendMessageA(child, message, wParam, lParam);
      break;
    case WM_DEVICECHANGE:
      if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam) {
        const DEV_BROADCAST_HDR* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
          const DEV_BROADCAST_VOLUME* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam);
          const char letter = uiaDriveLetterFromMask(volume->dbcv_unitmask);
          if ((volume->dbcv_flags & DBTF_MEDIA) && letter >= 'A' && letter <= 'Z') {
            DriveEntry drive;
            drive.letter = letter;
            drive.root = std::string(1, static_cast<char>(drive.letter)) + ":";
            gpVolumeChanged(wParam == DBT_DEVICEARRIVAL ? kVolumeArrived : kVolumeRemoved, drive);
          }
        }
      }
      break;
    case WM_INITMENUPOPUP: {
      MenuHandle menu(reinterpret_cast<HMENU>(wParam));
      UiaMenuEvent opening = {-1, &menu};
      bool handled = handleGuiEvent(UIA_EVENT_MENU_OPENING, &opening, true);
      if (!handled) {
        handled = true;
        const int count = GetMenuItemCount(menu.handle);
        for (int position = 0; position < count; ++position) {
          const UINT state = GetMenuState(menu.handle, static_cast<UINT>(position), MF_BYPOSITION);
          if (state == static_cast<UINT>(-1) || (state & (MF_POPUP | MF_SEPARATOR))) continue;
          UiaMenuEvent update = {static_cast<int32_t>(GetMenuItemID(menu.handle, position)), &menu};
          handled = handleGuiEvent(UIA_EVENT_MENU_ITEM_UPDATE, &update, true);
        }
      }
      if (handled) return 0;
      break;
    }
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      if (uiaWindowStyleFlags() != 0 && facade_) uiaDropFiles(facade_, drop);
      // The drop handle is ours to release, whether the files were taken or not.
      DragFinish(drop);
      return 1;
    }
    case WM_ACTIVATEAPP:
      if (UiaApplication* application = uiaApplication()) {
        char none = 0;
        application->sendEvent(wParam ? UIA_EVENT_APP_ACTIVE : UIA_EVENT_APP_INACTIVE, &none);
      }
      break;
    default: break;
  }
  return defaultProcessing(message, wParam, lParam);
}
