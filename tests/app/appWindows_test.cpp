// The application's main-window kind on a real window: the framework handles what it knows, and every
// event it leaves goes to the window slot's routing and callback.
#include <windows.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/appWindows.h"
#include "controls/ctrlKit.h"
#include "controls/winSlots.h"
#include "uiaTestSupport.h"

namespace {

std::vector<std::uint32_t> g_seen;

void recordEvent(int16_t, uint32_t code, void*) { g_seen.push_back(code); }

void drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

TEST(AppWindows, MainWindowOfASlotPassesWhatTheFrameworkLeavesToTheSlot) {
  startLibraries();
  ctrlKitAcquire();
  Window* window = appCreateMainWindow(7, "Morvane window test", 40, 60, 386, 512, 31, false);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(winSlot(7), nullptr);
  EXPECT_EQ(winGetFrameworkObject(7), window);
  RECT client;
  GetClientRect(window->nativeHandle(), &client);
  EXPECT_EQ(client.right - client.left, 386);
  EXPECT_EQ(client.bottom - client.top, 512);
  winSetCallback(7, recordEvent);
  winShow(7, true);
  drain();
  g_seen.clear();
  PostMessageA(window->nativeHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
  PostMessageA(window->nativeHandle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 30));
  drain();
  int buttons = 0;
  for (std::uint32_t code : g_seen) buttons += code == winEvMouseButton ? 1 : 0;
  EXPECT_EQ(buttons, 2);
  // Destroying the window closes its slot.
  window->destroy();
  drain();
  EXPECT_EQ(winSlot(7), nullptr);
  ctrlKitRelease(true);
}

TEST(AppWindows, ASlotInUseRefusesASecondMainWindow) {
  startLibraries();
  ctrlKitAcquire();
  ASSERT_EQ(winOpen(8, 4, 4, nullptr), 1);
  EXPECT_EQ(appCreateMainWindow(8, "Morvane window test", 40, 60, 100, 100, 4, true), nullptr);
  drain();
  ctrlKitRelease(true);
}

}  // namespace
