// Windows that window 1 owns (the Record window, Output Setup) stay above it inside the real program:
// each is laid over window 1, then window 1 is clicked or a page key is pressed as a user does (input
// sent through the system, not posted to a window), and the stacking is read back twice: the system's
// order of the windows, and the screen itself, where the owned window's own pixels must still show.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/appCommands.h"
#include "app/appWindowIds.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/outSetup.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/pane.h"
#include "controls/winSlots.h"
#include "pages/mainPage.h"
#include "pages/pages.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"
#include "support/windowCapture.h"

namespace {

SynthAppModule g_module;

// A left click at a point of the screen, sent through the system's input as the mouse sends it.
void sendClick(int x, int y) {
  SetCursorPos(x, y);
  pump(2);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

// A key pressed and released through the system's input, to the window with the keyboard focus.
void sendKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

// True when `upper` comes before `lower` in the system's order of top-level windows.
bool stackedAbove(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w == lower) return true;
  return false;
}

// Share of the owned window's client area over window 1 that the screen shows as the window itself
// paints it; the screen's part is kept as a PNG.
double ownedShareOnScreen(HWND owned, const std::string& png) {
  // A window whose controls sit in an inner window (Output Setup) paints through that one.
  HWND painter = owned;
  if (HWND inner = FindWindowExA(owned, nullptr, nullptr, nullptr)) {
    RECT a, b;
    GetClientRect(owned, &a);
    GetClientRect(inner, &b);
    if (a.right == b.right && a.bottom == b.bottom) painter = inner;
  }
  CapturedWindow own;
  if (!windowCapture(painter, own)) return 0.0;
  RECT client, main, over;
  GetClientRect(owned, &client);
  MapWindowPoints(owned, nullptr, reinterpret_cast<POINT*>(&client), 2);
  GetWindowRect(mainHandle(), &main);
  if (!IntersectRect(&over, &client, &main)) return 0.0;
  const std::vector<std::uint32_t> shown = screenPixels(over);
  const int w = over.right - over.left, h = over.bottom - over.top;
  if (shown.empty()) return 0.0;
  pngWrite(testArtifactPath(png), shown.data(), w, h);
  long same = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      same +=
          shown[static_cast<std::size_t>(y) * w + x] == own.at(over.left - client.left + x, over.top - client.top + y);
  return static_cast<double>(same) / (static_cast<double>(w) * h);
}

HWND recordWindow() { return winGetFrameworkWindow(appRecordWindowId); }
// Window enumeration callbacks are stdcall on i686: a named routine, not a lambda.
BOOL CALLBACK findOutputSetup(HWND w, LPARAM out) {
  char title[64] = {};
  GetWindowTextA(w, title, sizeof title);
  if (IsWindowVisible(w) && std::strcmp(title, "Morvane Output Setup") == 0) {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}
HWND outputSetupWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), findOutputSetup, reinterpret_cast<LPARAM>(&found));
  return found;
}

void openRecord() {
  UiaCommandEvent show = {cmdIdShowRecord};
  app()->handleEvent(UIA_EVENT_COMMAND, &show);
}
void closeRecord() { winShow(appRecordWindowId, false); }
void openOutputSetup() { outSetupOpen(appMainWindowId, app()->engine); }
void closeOutputSetup() {
  if (HWND w = outputSetupWindow()) SendMessageA(w, WM_CLOSE, 0, 0);
}

// A point of a key of the Main page's keyboard on the screen.
POINT keyboardPoint() {
  winSetCurrent(appMainWindowId);
  winSelectPane(appMainWindowId, pageMain);
  CtrlRect r = {};
  POINT p = {-1, -1};
  if (!ctrlGetRect(appMainWindowId, 44, &r)) return p;
  p = POINT{r.left + 12, (r.top + r.bottom) / 2 + 10};
  ClientToScreen(mainHandle(), &p);
  return p;
}

}  // namespace

TEST(OwnedWindows, StayAboveWindowOneAfterAClickOrAPageKey) {
  ASSERT_NE(app(), nullptr);
  ASSERT_NE(mainHandle(), nullptr);
  struct Case {
    const char* name;
    void (*open)();
    HWND (*window)();
    void (*close)();
    WORD key;  // 0: a click on a key of the Main page's keyboard
    int from;  // the page shown before
    int to;    // the page shown after the input
  } cases[] = {
      {"Record window, key clicked", openRecord, recordWindow, closeRecord, 0, pageMain, pageMain},
      {"Output Setup, key clicked", openOutputSetup, outputSetupWindow, closeOutputSetup, 0, pageMain, pageMain},
      {"Output Setup, F5", openOutputSetup, outputSetupWindow, closeOutputSetup, VK_F5, pagePatch, pageMain},
      {"Output Setup, F7", openOutputSetup, outputSetupWindow, closeOutputSetup, VK_F7, pageMain, pageMain + 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mainWindowShowPage(appMainWindowId, pageMain);
    mainPageSetExpanded(appMainWindowId, 1);
    mainWindowShowPage(appMainWindowId, c.from);
    pump(3);
    c.open();
    ASSERT_TRUE(pumpUntil([&] { return c.window() != nullptr && IsWindowVisible(c.window()); }));
    HWND owned = c.window();
    EXPECT_EQ(GetWindow(owned, GW_OWNER), mainHandle()) << "window 1 owns it";
    // Laid over the right part of window 1, away from the left end of the keyboard.
    RECT main;
    GetWindowRect(mainHandle(), &main);
    SetWindowPos(owned, nullptr, (main.left + main.right) / 2, main.top + 40, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump(5);
    if (c.key) {
      // The key goes where a user's would: to the owned window, just opened.
      SetForegroundWindow(owned);
      pump(3);
      sendKey(c.key);
      EXPECT_TRUE(pumpUntil([&] { return mainWindowShownPage(appMainWindowId) == c.to; })) << "the key switched";
    } else {
      const POINT key = keyboardPoint();
      ASSERT_GE(key.x, 0);
      RECT over;
      GetWindowRect(owned, &over);
      ASSERT_FALSE(PtInRect(&over, key)) << "the click lands on window 1 itself";
      sendClick(key.x, key.y);
      EXPECT_TRUE(pumpUntil([&] { return GetForegroundWindow() == mainHandle(); })) << "window 1 took the click";
    }
    // The window system may bring window 1 up a while after the input (its own events come later):
    // a few ticks of the page timer go by first, then the owned window must be (or come back) above.
    const DWORD start = GetTickCount();
    pumpUntil([&] { return GetTickCount() - start > 400; }, 100000);
    const std::string png = std::string("owned_") + std::to_string(&c - cases) + "_screen.png";
    EXPECT_TRUE(pumpUntil([&] { return stackedAbove(owned, mainHandle()); }, 3000)) << "the system's order";
    double share = 0;
    for (int k = 0; k < 40 && (share = ownedShareOnScreen(owned, png)) <= 0.98; ++k) pump(20);
    EXPECT_GT(share, 0.98) << "window 1 covers it on the screen";
    CapturedWindow whole;
    windowCapturePng(mainHandle(), std::string("owned_") + std::to_string(&c - cases) + "_main.png", &whole);
    c.close();
    pump(5);
  }
}

int main(int argc, char** argv) { return runTestsOnceWindowOneTakesInput(argc, argv); }
