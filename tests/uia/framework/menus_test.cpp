// Menus on real Win32 menus: item texts read back with GetMenuStringA for every key family, refused
// titles and keys, the accelerator map built from the menu bar and reached with real key input,
// the update events before a menu opens, and a first menu bar growing the window.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "UIAKeys.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace menustest {

namespace {

std::string itemText(const Menu& menu, int position) {
  char text[2048] = {};
  GetMenuStringA(menu.handle, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

// A main window that records the menu events it sees and may take keys or menu openings itself.
class MenuWindow : public MainWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_MENU_OPENING || code == UIA_EVENT_MENU_ITEM_UPDATE) {
      menuEvents.push_back({code, static_cast<UiaMenuEvent*>(data)->id});
      return code == UIA_EVENT_MENU_OPENING && handleOpening;
    }
    if (code == UIA_EVENT_KEY_DOWN && takeKeys) return true;
    if (code == UIA_EVENT_COMMAND) windowCommands.push_back(static_cast<UiaCommandEvent*>(data)->id);
    return MainWindow::handleEvent(code, data);
  }
  struct Seen {
    int32_t code, id;
    bool operator==(const Seen& o) const { return code == o.code && id == o.id; }
  };
  std::vector<Seen> menuEvents;
  std::vector<int32_t> windowCommands;
  bool handleOpening = false;
  bool takeKeys = false;
};

INPUT keyInput(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

bool takeFocus(HWND hwnd) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    SetFocus(hwnd);
    pumpMessages(10);
    if (GetForegroundWindow() == hwnd && GetFocus() == hwnd) return true;
  }
  return false;
}

// Presses the keys in order, releases them in reverse, and answers the commands that reached the
// application. The display is shared with other test programs, so an outcome that differs from the
// expected one is played again a few times.
std::vector<int32_t> playChord(RecordingApplication& application, HWND hwnd, const std::vector<WORD>& keys,
                               const std::vector<int32_t>& expected) {
  std::vector<int32_t> commands;
  for (int attempt = 0; attempt < 4; ++attempt) {
    takeFocus(hwnd);
    application.commands.clear();
    std::vector<INPUT> inputs;
    for (WORD vk : keys) inputs.push_back(keyInput(vk, false));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) inputs.push_back(keyInput(*it, true));
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (!expected.empty()) pumpUntil([&] { return application.commands.size() >= expected.size(); }, 1000);
    pumpMessages(30);
    commands = application.commands;
    if (commands == expected) break;
  }
  return commands;
}

}  // namespace

TEST(UiaMenus, ItemTextsForEveryKeyFamily) {
  startLibraries();
  struct Case {
    uint32_t key;
    const char* text;  // behind the tab; null: refused
  };
  const Case cases[] = {
      {0x2000004E, "Ctrl+N"},
      {161 | kModCtrl | kModAlt | kModShift, "Ctrl+Alt+Shift+F1"},
      {65 | kModShift | kModAlt, "Alt+Shift+A"},
      {48, "0"},
      {57, "9"},
      {65, "A"},
      {90, "Z"},
      {144, "Num0"},
      {153, "Num9"},
      {161, "F1"},
      {172, "F12"},
      {154, "Num/"},
      {155, "Num*"},
      {156, "Num-"},
      {157, "Num+"},
      {2, "~"},
      {3, "-"},
      {4, "="},
      {7, "["},
      {8, "]"},
      {10, ";"},
      {11, "'"},
      {12, "\\"},
      {15, ","},
      {16, "."},
      {17, "/"},
      {1, "Esc"},
      {5, "BkSp"},
      {6, "Tab"},
      {13, "Enter"},
      {19, "Space"},
      {20, "Ins"},
      {21, "Del"},
      {22, "Home"},
      {23, "End"},
      {24, "PgUp"},
      {25, "PgDn"},
      {129, "Up"},
      {130, "Down"},
      {131, "Left"},
      {132, "Right"},
      // Refused: the keypad, Windows-key and other high bits, no key at all, keys without a text.
      {0x00800000 | 13, nullptr},
      {kModWindows | 65, nullptr},
      {0x80000000u | 65, nullptr},
      {0x00010000 | 65, nullptr},
      {0x08000000 | 65, nullptr},
      {kModCtrl, nullptr},
      {9, nullptr},
      {14, nullptr},
      {18, nullptr},
      {128, nullptr},
      {158, nullptr},
      {173, nullptr},
      {0xFFFF, nullptr},
  };
  Menu menu;
  ASSERT_NE(menu.createPopup(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const int before = menu.itemCount();
    const int32_t answer = menu.insertItem(-1, "Item", 100, 0, c.key);
    if (!c.text) {
      EXPECT_EQ(answer, 0);
      EXPECT_EQ(menu.itemCount(), before);
      continue;
    }
    EXPECT_EQ(answer, before + 1);
    EXPECT_EQ(itemText(menu, before), std::string("Item\t") + c.text);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    GetMenuItemInfoA(menu.handle, before, TRUE, &info);
    EXPECT_EQ(info.dwItemData, c.key);
  }
  DestroyMenu(menu.handle);
}

TEST(UiaMenus, TitlesOfAThousandCharactersOrMoreAreRefused) {
  startLibraries();
  Menu menu;
  menu.createPopup();
  const struct {
    size_t length;
    bool accepted;
  } cases[] = {{0, true}, {999, true}, {1000, false}, {5000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const int before = menu.itemCount();
    const std::string title(c.length, 'x');
    const int32_t answer = menu.insertItem(-1, title.c_str(), 7, 0, 0x2000004E);
    EXPECT_EQ(answer != 0, c.accepted);
    EXPECT_EQ(menu.itemCount(), before + (c.accepted ? 1 : 0));
    if (c.accepted) {
      EXPECT_EQ(itemText(menu, before), title + "\tCtrl+N");
    }
  }
  DestroyMenu(menu.handle);
}

TEST(UiaMenus, OptionsPositionsKindsAndChanges) {
  startLibraries();
  Menu menu, sub;
  menu.createPopup();
  sub.createPopup();
  EXPECT_EQ(menu.insertItem(-1, "Plain", 1, 0, 0), 1);
  EXPECT_EQ(menu.insertItem(-1, "Grayed", 2, UIA_MENU_GRAYED, 0), 2);
  EXPECT_EQ(menu.insertItem(-1, "Checked", 3, UIA_MENU_CHECKED, 0), 3);
  EXPECT_EQ(menu.insertItem(-1, "Column", 4, UIA_MENU_NEW_COLUMN, 0), 4);
  EXPECT_EQ(menu.insertByPosition2(-1), 5);
  EXPECT_EQ(menu.insertByPosition(-1, "Sub", sub), 6);
  // By position: the answer is the position, and the item lands there.
  EXPECT_EQ(menu.insertItem(1, "Second", 9, 0, 0), 1);
  EXPECT_EQ(menu.itemId(1), 9);

  struct Expect {
    int kind;
    UINT type, state;
  };
  // The system grays separators itself.
  const Expect expected[] = {{0, MFT_STRING, 0},          {0, MFT_STRING, 0},
                             {0, MFT_STRING, MFS_GRAYED}, {0, MFT_STRING, MFS_CHECKED},
                             {0, MFT_MENUBREAK, 0},       {2, MFT_SEPARATOR, MFS_GRAYED},
                             {1, MFT_STRING, 0}};
  ASSERT_EQ(menu.itemCount(), 7);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(menu.itemKind(i), expected[i].kind);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfoA(menu.handle, i, TRUE, &info);
    EXPECT_EQ(info.fType & (MFT_MENUBREAK | MFT_SEPARATOR), expected[i].type);
    EXPECT_EQ(info.fState & (MFS_GRAYED | MFS_CHECKED), expected[i].state);
  }
  EXPECT_EQ(menu.itemKind(7), UIA_MENU_ITEM_NONE);
  EXPECT_EQ(menu.itemKind(-1), UIA_MENU_ITEM_NONE);

  EXPECT_TRUE(menu.modifyItem(0, "Renamed"));
  EXPECT_EQ(itemText(menu, 0), "Renamed");
  EXPECT_EQ(menu.itemId(0), 1);
  uiaCheckMenuItem(menu, 0, true);
  uiaEnableMenuItem(menu, 0, false);
  EXPECT_EQ(GetMenuState(menu.handle, 0, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED),
            static_cast<UINT>(MF_CHECKED | MF_GRAYED));
  uiaCheckMenuItem(menu, 0, false);
  uiaEnableMenuItem(menu, 0, true);
  EXPECT_EQ(GetMenuState(menu.handle, 0, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED), 0u);
  DestroyMenu(menu.handle);
}

TEST(UiaMenus, KeyNamesTable) {
  startLibraries();
  EXPECT_STREQ(uiaKeyName(1), "Esc");
  EXPECT_STREQ(uiaKeyName(128), "NumLock");
  EXPECT_STREQ(uiaKeyName(0x800000), "Num");
  EXPECT_STREQ(uiaKeyName(0x40000000), "Alt");
  EXPECT_STREQ(uiaKeyName(65), "");
  EXPECT_STREQ(uiaKeyName(0), "");
}

// Builds File (New Ctrl+N, a separator, Open F10 in a sub-menu) and Edit (Undo Ctrl+Z, Again Ctrl+Z).
struct TestMenus {
  Menu bar, file, sub, edit;
  TestMenus() {
    bar.create();
    file.createPopup();
    sub.createPopup();
    edit.createPopup();
    file.insertItem(-1, "&New", 30201, 0, 0x2000004E);
    file.insertByPosition2(-1);
    sub.insertItem(-1, "Open", 30202, 0, 170);
    file.insertByPosition(-1, "More", sub);
    edit.insertItem(-1, "Undo", 30101, 0, kModCtrl | 'Z');
    edit.insertItem(-1, "Again", 30102, 0, kModCtrl | 'Z');
    bar.insertByPosition(-1, "&File", file);
    bar.insertByPosition(-1, "&Edit", edit);
  }
};

TEST(UiaMenus, AcceleratorsFromTheMenuBarUnderRealInput) {
  runInApplication([&](RecordingApplication& application) {
    // Handled, as a real application does: an unhandled F10 would go on into the menu bar.
    application.handleCommands = true;
    TestMenus menus;
    application.setMenuBar(&menus.bar);
    EXPECT_EQ(application.acceleratorMap().size(), 3u);
    EXPECT_EQ(application.acceleratorCommand(0x2000004E), 30201);
    EXPECT_EQ(application.acceleratorCommand(170), 30202);
    // The later item of the walk owns a shared key.
    EXPECT_EQ(application.acceleratorCommand(kModCtrl | 'Z'), 30102);

    MenuWindow window;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
    spec.rect = RECT{260, 200, 560, 400};
    window.create(spec);
    window.show(true);
    HWND hwnd = window.nativeHandle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetMenu(hwnd), menus.bar.handle);

    EXPECT_EQ(playChord(application, hwnd, {VK_CONTROL, 'N'}, {30201}), std::vector<int32_t>{30201});
    EXPECT_EQ(playChord(application, hwnd, {VK_F10}, {30202}), std::vector<int32_t>{30202});
    EXPECT_EQ(playChord(application, hwnd, {VK_CONTROL, 'Z'}, {30102}), std::vector<int32_t>{30102});
    // A key without an entry sends nothing.
    EXPECT_EQ(playChord(application, hwnd, {VK_CONTROL, 'Q'}, {}), std::vector<int32_t>{});
    // A key the window handles sends no command.
    window.takeKeys = true;
    EXPECT_EQ(playChord(application, hwnd, {VK_CONTROL, 'N'}, {}), std::vector<int32_t>{});
    // The window saw each command before the application did.
    EXPECT_EQ(window.windowCommands.size(), 3u);
    window.destroy();
    application.setMenuBar(nullptr);
    EXPECT_TRUE(application.acceleratorMap().empty());
  });
}

TEST(UiaMenus, UpdateEventsBeforeAMenuOpensAndTheFirstBarGrowsTheWindow) {
  runInApplication([&](RecordingApplication& application) {
    MenuWindow window;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
    spec.rect = RECT{300, 240, 540, 400};
    window.create(spec);
    window.show(true);
    HWND hwnd = window.nativeHandle();
    const SIZE client = window.getSize(true), outer = window.getSize(false);

    TestMenus menus;
    window.platformWindow()->setMenu(&menus.bar);
    EXPECT_EQ(GetMenu(hwnd), menus.bar.handle);
    EXPECT_EQ(window.getSize(true).cx, client.cx);
    EXPECT_EQ(window.getSize(true).cy, client.cy);
    EXPECT_GT(window.getSize(false).cy, outer.cy);

    // File: New, a separator, a sub-menu; a grayed item after them still counts.
    menus.file.insertItem(-1, "Grayed", 30203, UIA_MENU_GRAYED, 0);
    application.codes.clear();
    SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menus.file.handle), 0);
    using Seen = MenuWindow::Seen;
    const std::vector<Seen> expected = {{1202, -1}, {1201, 30201}, {1201, 30203}};
    EXPECT_EQ(window.menuEvents, expected);
    // Both bubbled: the application saw the same codes.
    EXPECT_EQ(application.codes, (std::vector<int32_t>{1202, 1201, 1201}));

    // Handled at 1202: no updates follow.
    window.menuEvents.clear();
    window.handleOpening = true;
    SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menus.file.handle), 0);
    EXPECT_EQ(window.menuEvents, (std::vector<Seen>{{1202, -1}}));

    // A second bar replaces the first, which is destroyed; setting the same bar again keeps it.
    Menu other;
    other.create();
    other.insertItem(-1, "Only", 1, 0, 0);
    window.platformWindow()->setMenu(&other);
    EXPECT_FALSE(IsMenu(menus.bar.handle));
    window.platformWindow()->setMenu(&other);
    EXPECT_TRUE(IsMenu(other.handle));
    EXPECT_EQ(GetMenu(hwnd), other.handle);
    window.destroy();
  });
}

TEST(UiaMenus, AcceleratorMapBuildAndLookupTimes) {
  startLibraries();
  UiaApplication application;
  Menu bar;
  bar.create();
  for (int m = 0; m < 10; ++m) {
    Menu popup;
    popup.createPopup();
    for (int i = 0; i < 30; ++i) {
      const uint32_t key = kModCtrl | (m & 1 ? uint32_t(kModShift) : 0u) | (m & 2 ? uint32_t(kModAlt) : 0u) |
                           static_cast<uint32_t>(65 + (i % 26));
      popup.insertItem(-1, "Item", 1000 + m * 100 + i, 0, key);
    }
    bar.insertByPosition(-1, "Menu", popup);
  }
  const auto t0 = std::chrono::steady_clock::now();
  application.setMenuBar(&bar);
  const auto t1 = std::chrono::steady_clock::now();
  EXPECT_EQ(application.acceleratorMap().size(), 4u * 26u);
  int32_t sum = 0;
  const int lookups = 100000;
  for (int i = 0; i < lookups; ++i)
    sum += application.acceleratorCommand(kModCtrl | static_cast<uint32_t>(65 + i % 26));
  const auto t2 = std::chrono::steady_clock::now();
  EXPECT_GT(sum, 0);
  std::printf("setMenuBar 10 x 30 items: %.3f ms; key lookup: %.1f ns\n",
              std::chrono::duration<double, std::milli>(t1 - t0).count(),
              std::chrono::duration<double, std::nano>(t2 - t1).count() / lookups);
  DestroyMenu(bar.handle);
}

}  // namespace menustest
