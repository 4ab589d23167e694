// The manager's device client: rate reports and the reset a driver asks for, carried from the driver's
// thread to the user-interface thread and run there over two ticks of a framework timer.
#include "ABAudioManager.h"

#include "UIAEvents.h"

namespace {

const UINT kResetMessage = WM_APP + 0x2501;
const char kWindowClass[] = "ABResetRequests";

LRESULT CALLBACK resetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kResetMessage) {
    AudioRateTimer* timer = reinterpret_cast<AudioRateTimer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (timer) timer->beginReset();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeRequestWindow(AudioRateTimer* timer) {
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = resetWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    if (!registered) return nullptr;
  }
  HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(timer));
  return window;
}

}  // namespace

AudioRateTimer::AudioRateTimer(AudioManager* manager) : manager(manager) { window_ = makeRequestWindow(this); }

AudioRateTimer::~AudioRateTimer() {
  if (window_) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);  // a request still posted to it is dropped with it
  }
  if (timerId) removeTimer(timerId);
}

void AudioRateTimer::sampleRateDidChange(int rate) {
  if (manager && manager->audioDevice >= 0) manager->setSampleRate(static_cast<uint32_t>(manager->audioDevice), rate);
}

void AudioRateTimer::requestReset() {
  // Any thread: the timer list belongs to the user-interface thread, so only the flag and a message.
  if (pending_.exchange(true, std::memory_order_acq_rel)) return;  // one reset at a time
  if (!window_ || !PostMessageA(window_, kResetMessage, 0, 0)) pending_.store(false, std::memory_order_release);
}

void AudioRateTimer::beginReset() {
  if (timerId) return;
  step = 0;
  addTimer(&timerId, 40, 0);
  // Without a running framework there is no tick to carry the reset: the request is dropped.
  if (!timerId) pending_.store(false, std::memory_order_release);
}

bool AudioRateTimer::handleEvent(int32_t code, void* data) {
  if (code != UIA_EVENT_TIMER || !data || static_cast<UiaTimerEvent*>(data)->timer != timerId || !timerId) return false;
  const int32_t device = manager ? manager->audioDevice : -1;
  if (step == 0) {
    if (manager) manager->saveSettings();
    if (device != -1) manager->restartDevice(static_cast<uint32_t>(device), false);
    step = 1;
    return true;
  }
  removeTimer(timerId);
  timerId = nullptr;
  step = 0;
  if (manager) {
    if (device != -1) manager->switchDevice(static_cast<uint32_t>(device), false);
    manager->loadSettings();
  }
  pending_.store(false, std::memory_order_release);
  return true;
}
