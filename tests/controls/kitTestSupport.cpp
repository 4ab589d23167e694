#include "kitTestSupport.h"

#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "uiaTestSupport.h"

uint32_t g_testTick = 100000;

uint32_t testTick() { return g_testTick; }

KitFixtureScope::KitFixtureScope() {
    // The display's real pointer, wherever a test program before this one left it, sends its own
    // moves to a window mapped under it, in the middle of a posted drag. Park it in a corner that
    // no test window covers.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    startLibraries();
    ctrlKitShutdown();
    g_testTick = 100000;
    ctrlSetTickSource(testTick);
    ctrlKitInit(GetModuleHandleA(nullptr));
}

KitFixtureScope::~KitFixtureScope() {
    ctrlKitShutdown();
    ctrlSetTickSource(nullptr);
}

bool KitWindow::handleEvent(int32_t code, void* data) {
    if (!passActivation && (code == winEvActivated || code == winEvDeactivated)) return false;
    return winHandleEvent(slot, static_cast<uint32_t>(code), data);
}

void openKitWindow(KitWindow& window, int16_t id, uint16_t capacity, int width, int height, int x, int y) {
    winOpen(id, capacity, 0, &window);
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
    spec.options = UIA_TOOL_NO_SYSTEM_MENU;
    spec.rect = RECT{x, y, x + width, y + height};
    window.create(spec);
}

void drainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void postPress(HWND hwnd, int x, int y) {
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    drainMessages();
}

void postRelease(HWND hwnd, int x, int y) {
    PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    drainMessages();
}

void postMove(HWND hwnd, int x, int y, bool buttonDown) {
    PostMessageA(hwnd, WM_MOUSEMOVE, buttonDown ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    drainMessages();
}

void postClick(HWND hwnd, int x, int y) {
    postPress(hwnd, x, y);
    postRelease(hwnd, x, y);
}
