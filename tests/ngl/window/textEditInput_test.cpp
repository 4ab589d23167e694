// A TextEdit in a form dialog on a real window, driven with real mouse and keyboard input
// (SendInput for keys, window messages for the click) and the real clipboard: click to edit, typing, Backspace, Delete,
// Shift+Left, Ctrl+C, Ctrl+X and Ctrl+V, and Enter committing the text. The field is captured as a PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "NGLClipboard.h"
#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLTextEdit.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

struct Notes : WidgetListener {
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    if (code == NGL_NOTIFY_FOCUS) return false;  // focus changes are not the field's own reports
    codes.push_back(code);
    if (code == NGL_NOTIFY_TEXT_COMMIT) texts.push_back(static_cast<TextEditCommit*>(data)->text);
    return false;
  }
  std::vector<int32_t> codes;
  std::vector<std::string> texts;
};

void send(std::vector<INPUT> inputs) { SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT keyInput(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = WORD(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// The keys pressed in order and released in reverse.
std::vector<INPUT> chord(std::vector<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD vk : keys) inputs.push_back(keyInput(vk, false));
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) inputs.push_back(keyInput(*it, true));
  return inputs;
}

}  // namespace

TEST(TextEditInput, RealKeysMouseAndClipboard) {
  runInApplication([&](RecordingApplication&) {
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(1000, 1000));
    FormDialogHost host(nullptr, nullptr, true);
    host.setOwnerData(&resources);
    FormWindow& window = *host.formWindow();
    window.setOwnsChildren(true);
    Form* form = new Form;
    form->setSize({240, 30});
    window.appendChild(form, true);
    form->layout();
    TextEdit* edit = new TextEdit;
    edit->setRect({10, 5, 230, 25});
    edit->setText("morning");
    edit->style().setFontId(1001, nullptr, false);
    Notes notes;
    edit->addListener(&notes);
    form->addWidget(edit);
    ASSERT_NE(edit->style().font(), nullptr);

    // Each step waits (a beat at a time, at most 2 s) for the text it expects.
    int attempts = 0;
    std::string failedAt;
    auto expectText = [&](const char* text, std::function<void()> next) {
      return [&, text, next] {
        if (edit->text() != text) {
          if (++attempts < 130) {
            --g_step;
            return true;
          }
          failedAt = text + std::string(" (had \"") + edit->text() + "\")";
          host.end();
          return false;
        }
        attempts = 0;
        next();
        return true;
      };
    };
    HWND inner = nullptr;
    std::string clipAfterCopy, clipAfterCut;
    CapturedWindow shot;
    std::vector<std::function<bool()>> steps = {
        [&] {
          inner = host.inner().nativeHandle();
          for (int i = 0; i < 20 && GetFocus() != inner; ++i) {
            SetForegroundWindow(host.nativeHandle());
            SetActiveWindow(host.nativeHandle());
            SetFocus(inner);
            pumpMessages(10);
          }
          // The click as messages to the real window; the keys below go through SendInput.
          clickAt(inner, 225, 15);  // right of the text: the caret goes to its end
          return true;
        },
        [&] {
          if (edit->editState() != 1 && ++attempts < 130) {
            --g_step;
            return true;
          }
          attempts = 0;
          send(chord({'X'}));
          send(chord({'Y'}));
          send(chord({VK_BACK}));  // "morningx"
          return true;
        },
        expectText("morningx",
                   [&] {
                     send(chord({VK_LEFT}));
                     send(chord({VK_LEFT}));
                     send(chord({VK_DELETE}));  // "morninx"
                   }),
        expectText("morninx",
                   [&] {
                     send(chord({VK_SHIFT, VK_LEFT}));  // selects "n"
                     send(chord({VK_CONTROL, 'C'}));
                     send(chord({VK_END}));
                     send(chord({VK_CONTROL, 'V'}));  // "morninxn"
                   }),
        expectText("morninxn",
                   [&] {
                     clipAfterCopy = [] {
                       std::string s;
                       nglPasteText(s);
                       return s;
                     }();
                     send(chord({VK_HOME}));
                     send(chord({VK_SHIFT, VK_RIGHT}));
                     send(chord({VK_SHIFT, VK_RIGHT}));
                     send(chord({VK_CONTROL, 'X'}));  // "rninxn", clipboard "mo"
                   }),
        expectText("rninxn",
                   [&] {
                     clipAfterCut = [] {
                       std::string s;
                       nglPasteText(s);
                       return s;
                     }();
                     nglCopyText("A\r\nB");
                     send(chord({VK_SHIFT, VK_RIGHT}));  // select "r"
                     send(chord({VK_CONTROL, 'V'}));     // replaced by "A\nB"
                   }),
        expectText("A\nBninxn",
                   [&] {
                     window.repaint(false);
                     UpdateWindow(inner);
                     windowCapturePng(inner, "ngl-textedit-typed.png", &shot);
                     send(chord({VK_RETURN}));
                   }),
        [&] {
          if (notes.codes.size() < 2 && ++attempts < 130) {
            --g_step;
            return true;
          }
          host.end();
          return false;
        },
    };
    g_steps = steps;
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    WindowSpec spec;
    spec.options = UIA_DIALOG_SYSTEM_MENU;
    spec.setTitle("Text");
    host.run(spec, 0);
    KillTimer(nullptr, timer);

    EXPECT_EQ(failedAt, "");
    EXPECT_EQ(clipAfterCopy, "n");
    EXPECT_EQ(clipAfterCut, "mo");
    EXPECT_EQ(notes.codes, (std::vector<int32_t>{100001, 100005}));
    EXPECT_EQ(notes.texts, std::vector<std::string>{"A\nBninxn"});
    EXPECT_EQ(edit->editState(), 0u);
    EXPECT_EQ(shot.width, 240);
    window.clearChildren();
    resources.detach();
  });
}
