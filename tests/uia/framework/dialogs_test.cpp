// Native dialogs on real dialog windows: modal and modeless opening, what Esc and the close box do
// for each dialog option, the in-memory template read back from the dialog, placement, and the
// modeless list of the message loop. Modal dialogs are driven from a thread timer of this thread,
// which keeps running inside the dialog's own message loop.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "uiaTestSupport.h"

namespace {

class ProbeDialog : public DialogWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    codes.push_back(code);
    if (code == UIA_EVENT_CREATED && data) createdPayload = *static_cast<int32_t*>(data);
    return DialogWindow::handleEvent(code, data);
  }
  std::vector<int32_t> codes;
  int32_t createdPayload = 0;
};

// The steps a modal dialog runs, one per timer beat; each step gets the dialog's window (null once
// it is gone) and answers false to stop. Posted input is handled before the next beat.
std::vector<std::function<bool(HWND)>> g_steps;
size_t g_step = 0;
ProbeDialog* g_dialog = nullptr;

void CALLBACK stepProc(HWND, UINT, UINT_PTR id, DWORD) {
  HWND hwnd = g_dialog ? g_dialog->nativeHandle() : nullptr;
  if (g_step >= g_steps.size() || !g_steps[g_step++](hwnd)) KillTimer(nullptr, id);
}

// Opens the dialog modally and runs the steps while it is up; a safety step ends it when the steps
// did not. Answers what open answered.
bool runModal(ProbeDialog& dialog, const WindowSpec& spec, uint32_t mode,
              std::vector<std::function<bool(HWND)>> steps) {
  steps.push_back([&dialog](HWND hwnd) {
    if (hwnd) dialog.end();
    return false;
  });
  g_steps = std::move(steps);
  g_step = 0;
  g_dialog = &dialog;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
  const bool opened = dialog.open(spec, mode);
  KillTimer(nullptr, timer);
  g_dialog = nullptr;
  return opened;
}

void postEsc(HWND hwnd) {
  PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageA(hwnd, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void postCloseBox(HWND hwnd) { PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

uint32_t styleOf(HWND hwnd) { return static_cast<uint32_t>(GetWindowLongPtrA(hwnd, GWL_STYLE)); }

std::string titleOf(HWND hwnd) {
  char text[2048] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

}  // namespace

TEST(UiaDialogs, EscAndCloseBoxFollowTheDialogOptions) {
  runInApplication([&](RecordingApplication&) {
    struct Case {
      uint8_t options;
      bool esc;  // Esc, else the close box
      bool ends;
    };
    const Case cases[] = {
        {0, true, false},  {1, true, false}, {2, true, true},   {3, true, true},
        {0, false, false}, {1, false, true}, {2, false, false}, {3, false, true},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string("options ") + std::to_string(c.options) + (c.esc ? " Esc" : " close box"));
      ProbeDialog dialog;
      dialog.dialogOptions = c.options;
      WindowSpec spec;
      spec.options = UIA_DIALOG_SYSTEM_MENU;
      spec.setTitle("Options");
      // A dialog that ended returns from open before the next beat.
      bool stayedOpen = false;
      const bool opened = runModal(dialog, spec, 0,
                                   {
                                       [&](HWND hwnd) {
                                         if (c.esc)
                                           postEsc(hwnd);
                                         else
                                           postCloseBox(hwnd);
                                         return true;
                                       },
                                       [&](HWND hwnd) {
                                         stayedOpen = hwnd != nullptr;
                                         return true;
                                       },
                                   });
      EXPECT_TRUE(opened);
      EXPECT_EQ(dialog.mode, UIA_DIALOG_MODAL);
      EXPECT_EQ(!stayedOpen, c.ends);
      // The framework never writes the result word.
      EXPECT_EQ(dialog.result, -1);
      EXPECT_EQ(dialog.platformWindow(), nullptr);
      EXPECT_EQ(dialog.createdPayload, -1);
      EXPECT_NE(std::find(dialog.codes.begin(), dialog.codes.end(), UIA_EVENT_DESTROYED), dialog.codes.end());
    }
  });
}

TEST(UiaDialogs, ModalDialogDisablesItsOwnerAndKeepsTheOwnersResult) {
  runInApplication([&](RecordingApplication&) {
    ToolWindow owner;
    WindowSpec ownerSpec;
    ownerSpec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION;
    ownerSpec.rect = RECT{100, 100, 400, 300};
    owner.create(ownerSpec);
    owner.show(true);
    for (int32_t value : {1, 0}) {
      ProbeDialog dialog;
      WindowSpec spec;
      spec.flags |= UIA_SPEC_PARENT;
      spec.parent = &owner;
      bool ownerDisabled = false;
      EXPECT_TRUE(runModal(dialog, spec, 0,
                           {
                               [&](HWND hwnd) {
                                 ownerDisabled = !IsWindowEnabled(owner.nativeHandle()) &&
                                                 GetWindow(hwnd, GW_OWNER) == owner.nativeHandle();
                                 dialog.result = value;
                                 dialog.end();
                                 return false;
                               },
                           }));
      EXPECT_TRUE(ownerDisabled);
      EXPECT_EQ(dialog.result, value);
      EXPECT_EQ(dialog.parent(), &owner);
    }
    EXPECT_TRUE(IsWindowEnabled(owner.nativeHandle()));
  });
}

TEST(UiaDialogs, TemplateStyleFollowsTheOptions) {
  runInApplication([&](RecordingApplication&) {
    struct Case {
      uint32_t options;
      bool positioned;
      uint32_t style;
    };
    const Case cases[] = {
        {0, false, 0x800 | 0xC00000 | 0x80},
        {UIA_DIALOG_RESIZABLE, false, 0x800 | 0xC00000 | 0x40000},
        {UIA_DIALOG_POPUP, false, 0x800 | 0x80000000 | 0x80},
        {UIA_DIALOG_SYSTEM_MENU, false, 0x800 | 0xC00000 | 0x80 | 0x80000},
        {UIA_DIALOG_POPUP | UIA_DIALOG_RESIZABLE | UIA_DIALOG_SYSTEM_MENU, true, 0x80000000 | 0x40000 | 0x80000},
        {0, true, 0xC00000 | 0x80},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE("options " + std::to_string(c.options));
      WindowSpec spec;
      spec.options = c.options;
      if (c.positioned) {
        spec.flags |= UIA_SPEC_POSITION | UIA_SPEC_SIZE;
        spec.rect = RECT{40, 60, 240, 160};
      }
      alignas(4) unsigned char buffer[UIA_DIALOG_TEMPLATE_BYTES];
      uiaBuildDialogTemplate(spec, buffer);
      uint32_t style;
      std::memcpy(&style, buffer, 4);
      EXPECT_EQ(style, c.style);

      // The real dialog carries the same style bits.
      ProbeDialog dialog;
      uint32_t realStyle = 0;
      runModal(dialog, spec, UIA_DIALOG_MODAL, {[&](HWND hwnd) {
                 realStyle = styleOf(hwnd);
                 return true;
               }});
      const uint32_t mask = 0x80000000 | 0xC00000 | 0x80000 | 0x40000 | 0x800 | 0x80;
      EXPECT_EQ(realStyle & mask, c.style);
    }
  });
}

TEST(UiaDialogs, PlacementRelativeToTheParentOrCentred) {
  runInApplication([&](RecordingApplication&) {
    ToolWindow owner;
    WindowSpec ownerSpec;
    ownerSpec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION;
    ownerSpec.rect = RECT{120, 90, 520, 390};
    owner.create(ownerSpec);
    owner.show(true);
    RECT outer;
    GetWindowRect(owner.nativeHandle(), &outer);
    POINT clientOrigin = {0, 0};
    ClientToScreen(owner.nativeHandle(), &clientOrigin);
    const LONG units = GetDialogBaseUnits();
    const int unitX = LOWORD(units), unitY = HIWORD(units);

    // Placed 80, 40 pixels from the parent's outer corner (in whole dialog units): the dialog
    // manager places the dialog's client area that far from the owner's client origin.
    ProbeDialog placed;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_POSITION | UIA_SPEC_SIZE | UIA_SPEC_PARENT;
    spec.parent = &owner;
    spec.rect = RECT{outer.left + 80, outer.top + 40, outer.left + 280, outer.top + 140};
    POINT placedClient = {0, 0};
    runModal(placed, spec, 0, {[&](HWND hwnd) {
               ClientToScreen(hwnd, &placedClient);
               return true;
             }});
    const int dx = (80 * 4 / unitX) * unitX / 4, dy = (40 * 8 / unitY) * unitY / 8;
    EXPECT_NEAR(placedClient.x, clientOrigin.x + dx, 1);
    EXPECT_NEAR(placedClient.y, clientOrigin.y + dy, 1);

    // Without a position: centred on the screen's work area.
    ProbeDialog centred;
    WindowSpec plain;
    RECT centredRect = {};
    runModal(centred, plain, 0, {[&](HWND hwnd) {
               GetWindowRect(hwnd, &centredRect);
               return true;
             }});
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((centredRect.left + centredRect.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((centredRect.top + centredRect.bottom) / 2, (work.top + work.bottom) / 2, 2);
  });
}

TEST(UiaDialogs, LongTitlesAreCutToTheTemplatesLimit) {
  runInApplication([&](RecordingApplication&) {
    for (size_t length : {size_t(255), size_t(256), size_t(1000)}) {
      SCOPED_TRACE(length);
      ProbeDialog dialog;
      WindowSpec spec;
      spec.setTitle(std::string(length, 'T').c_str());
      std::string shown;
      EXPECT_TRUE(runModal(dialog, spec, 0, {[&](HWND hwnd) {
                             shown = titleOf(hwnd);
                             return true;
                           }}));
      EXPECT_EQ(shown, std::string(std::min<size_t>(length, UIA_DIALOG_TITLE_MAX), 'T'));
    }
  });
}

TEST(UiaDialogs, ModelessDialogEntersAndLeavesTheLoopsList) {
  runInApplication([&](RecordingApplication& application) {
    auto& list = application.messageFilter()->modelessDialogs;
    ProbeDialog dialog;
    WindowSpec spec;
    spec.resourceId = 300;
    spec.flags |= UIA_SPEC_POSITION;
    spec.rect = RECT{150, 130, 150, 130};
    ASSERT_TRUE(dialog.open(spec, UIA_DIALOG_MODELESS));
    HWND hwnd = dialog.nativeHandle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(titleOf(hwnd), "Resource dialog");
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 150);
    EXPECT_EQ(rect.top, 130);
    EXPECT_EQ(std::count(list.begin(), list.end(), hwnd), 1);
    // Entered once only.
    uiaAddDialogWindow(&dialog);
    EXPECT_EQ(std::count(list.begin(), list.end(), hwnd), 1);
    // A second open, and both mode bits, are refused.
    EXPECT_FALSE(dialog.open(spec, UIA_DIALOG_MODELESS));
    ProbeDialog both;
    EXPECT_FALSE(both.open(spec, UIA_DIALOG_MODAL | UIA_DIALOG_MODELESS));
    EXPECT_EQ(both.platformWindow(), nullptr);

    dialog.end();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dialog.platformWindow(), nullptr);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(dialog.result, -1);
  });
}

TEST(UiaDialogs, MissingResourceOpensNothing) {
  runInApplication([&](RecordingApplication& application) {
    for (uint32_t mode : {UIA_DIALOG_MODELESS, UIA_DIALOG_MODAL}) {
      ProbeDialog dialog;
      WindowSpec spec;
      spec.resourceId = 999;
      spec.options = UIA_DIALOG_FROM_RESOURCE;
      EXPECT_FALSE(dialog.open(spec, mode));
      EXPECT_EQ(dialog.platformWindow(), nullptr);
      EXPECT_TRUE(application.messageFilter()->modelessDialogs.empty());
      // The failure left nothing pending: the same facade opens a real dialog afterwards.
      spec.resourceId = 300;
      if (mode == UIA_DIALOG_MODELESS) {
        EXPECT_TRUE(dialog.open(spec, mode));
        dialog.end();
      } else {
        EXPECT_TRUE(runModal(dialog, spec, mode, {}));
      }
    }
  });
}

namespace {

// Ends the message loop once the dialog is gone (or after a safety time).
class QuittingDialog : public ProbeDialog {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_DESTROYED) uiaApplication()->requestQuit();
    return ProbeDialog::handleEvent(code, data);
  }
};

void CALLBACK giveUp(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  uiaApplication()->requestQuit();
}

}  // namespace

TEST(UiaDialogs, EscReachesAModelessDialogThroughTheMessageLoop) {
  QuittingDialog* dialog = new QuittingDialog;
  HWND hwnd = nullptr;
  UINT_PTR safety = 0;
  runInApplication(
      [&](RecordingApplication&) {
        WindowSpec spec;
        spec.resourceId = 300;
        ASSERT_TRUE(dialog->open(spec, UIA_DIALOG_MODELESS));
        hwnd = dialog->nativeHandle();
        // Taken by IsDialogMessageA in the loop, which turns it into the cancel command.
        postEsc(hwnd);
        safety = SetTimer(nullptr, 0, 3000, giveUp);
      },
      true);
  KillTimer(nullptr, safety);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(dialog->platformWindow(), nullptr);
  EXPECT_NE(std::find(dialog->codes.begin(), dialog->codes.end(), UIA_EVENT_DESTROYED), dialog->codes.end());
  delete dialog;
}
