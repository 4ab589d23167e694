// The Effect page on a real window under Xvfb: the type tabs and their stop/set/restart handshake, the
// level faders and their texts, every value box of the four panels typed into through the in-place
// entry and read back after a refresh (sensible and hostile texts), the rows and boxes that the
// switches show and hide, the time unit switches, the pipe graph's repaint per tick and its input
// marker, and the type switched a hundred times while a note plays. Captures are kept as PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/mainWindow.h"
#include "app/mainWindowData.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "entryTestSupport.h"
#include "kitTestSupport.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "pageRig.h"
#include "pages/fxPage.h"
#include "pages/patchPage.h"
#include "preset/editBlock.h"
#include "preset/oscParams.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "support/signal.h"
#include "support/windowCapture.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

namespace {

const int16_t kWin = kPageWin;

// Stops, sets the type and restarts the way the tabs do, without the page.
void setType(Engine* e, uint16_t type) {
  engineStopAudio(e, 1);
  effectSetType(e, type);
  engineRestartAudio(e);
}

int g_menus = 0;
int countMenu(void*, int, int, void*) {
  ++g_menus;
  return 0;
}

std::vector<std::string> g_steps;
void recordStep(void*, const char* step, int argument) {
  g_steps.push_back(std::string(step) + ":" + std::to_string(argument));
}

// The Effect page in pane 5 of a window of its own, built while hidden (as the main window builds it at
// start-up) and then shown. Pane 3 stands in for the Patch page the on switch updates.
struct FxRig : PageWindowRig {
  FxRig() : PageWindowRig(32, fxPageWidth, fxPageHeight, 40, 20) {
    selectPane = fxPageSelectPane;
    addHiddenPane(patchPaneId, 294);
    buildThenShow(fxPaneId, 213, fxPageBuildEntry, fxPageShow);
  }
  ~FxRig() { fxSetHandshakeSpy(nullptr, nullptr); }
  bool shown(uint16_t id) {
    ControlItem* it = item(id);
    return it && it->visible;
  }
  std::string text(uint16_t id) {
    fxPageSelectPane(kWin);
    char buf[64] = {0};
    displayGetText(kWin, id, buf, sizeof buf);
    return buf;
  }
  std::string caption(uint16_t id) {
    ControlItem* it = item(id);
    return it ? static_cast<ButtonData*>(it->k.kindData)->text : "";
  }
  void refresh() {
    fxPageRefresh(kWin);
    drainMessages();
  }
  // A real click in the middle of an item (or at an offset from its top-left corner).
  void click(uint16_t id, int dx = -1, int dy = -1) {
    CtrlRect r{};
    fxPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, id, &r)) << id;
    const int x = dx < 0 ? (r.left + r.right) / 2 : r.left + dx;
    const int y = dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy;
    postClick(hwnd(), x, y);
    drainMessages();
  }
  // Types into a number box the way a user does: a press on its value opens the entry, Enter ends it.
  void type(uint16_t id, const std::string& typed) {
    NumboxData* d = box(id);
    ASSERT_NE(d, nullptr) << id;
    ASSERT_TRUE(d->item->visible) << "box " << id << " is not on screen";
    const int x = (d->valueRect.left + d->valueRect.right) / 2, y = (d->valueRect.top + d->valueRect.bottom) / 2;
    postPress(hwnd(), x, y);
    HWND edit = findEditChild(hwnd());
    ASSERT_NE(edit, nullptr) << "no entry over box " << id;
    postRelease(hwnd(), x, y);
    typeIntoEntry(edit, typed);
    ASSERT_FALSE(IsWindow(edit));
  }
  CapturedWindow capture(const std::string& name) {
    drainMessages();
    UpdateWindow(hwnd());
    CapturedWindow shot;
    EXPECT_TRUE(captureShown(hwnd(), shot, name));
    return shot;
  }
  // The first row of a button's caption as the screen shows it (the tops of its capitals), -1 when it
  // shows none: ink is darker than half the face, the face read above the caption.
  int captionTop(const CapturedWindow& shot, uint16_t id) {
    CtrlRect r{};
    fxPageSelectPane(kWin);
    if (!ctrlGetRect(kWin, id, &r) || r.right > shot.width || r.bottom > shot.height) return -1;
    auto brightness = [](uint32_t c) { return int((c >> 16) & 255) + int((c >> 8) & 255) + int(c & 255); };
    const int face = brightness(shot.at((r.left + r.right) / 2, r.top + 3));
    for (int y = r.top + 3; y < r.bottom - 3; ++y)
      for (int x = r.left + 3; x < r.right - 3; ++x)
        if (brightness(shot.at(x, y)) < face / 2) return y - r.top;
    return -1;
  }
};

// ---- every value box of the four panels: the type it belongs to, whether it is the beats box of its
// time group, and what the engine holds for it in the box's units.
struct BoxCase {
  uint16_t type;
  uint16_t id;
  bool beats;
  std::function<double(Engine*)> stored;
};

std::vector<BoxCase> allBoxes() {
  std::vector<BoxCase> v;
  auto add = [&](uint16_t type, int id, std::function<double(Engine*)> f, bool beats = false) {
    v.push_back({type, static_cast<uint16_t>(id), beats, std::move(f)});
  };
  add(1, 20, effectPipeGetDelay);
  add(
      1, 21, [](Engine* e) { return effectGetTime(e, 1); }, true);
  add(1, 22, effectPipeGetLengthMod);
  add(1, 23, effectPipeGetFeedback);
  add(1, 24, effectPipeGetFilterFreq);
  add(1, 25, [](Engine* e) { return effectPipeGetPickupPos(e, 0); });
  add(1, 26, [](Engine* e) { return effectPipeGetPickupPos(e, 1); });
  add(1, 27, effectPipeGetInputPos);
  add(1, 28, [](Engine* e) { return effectPipeGetPickupMod(e, 0); });
  add(1, 29, [](Engine* e) { return effectPipeGetPickupMod(e, 1); });
  add(2, 38, effectCombGetDelay);
  add(
      2, 40, [](Engine* e) { return effectGetTime(e, 2); }, true);
  add(2, 41, [](Engine* e) { return effectCombGetFeedback(e) * 100; });
  add(2, 42, effectCombGetFilterFreq);
  for (int16_t c = 0; c < 6; ++c) {
    add(2, 45 + 9 * c, [c](Engine* e) { return effectCombGetDelayFactor(e, c) * 100; });
    add(2, 46 + 9 * c, [c](Engine* e) { return effectCombGetModAmount(e, c) * 100; });
    add(2, 48 + 9 * c, [c](Engine* e) { return effectCombGetFeedbackFactor(e, c) * 100; });
    add(2, 49 + 9 * c, [c](Engine* e) { return effectCombGetFilterFactor(e, c) * 100; });
    add(2, 50 + 9 * c, [c](Engine* e) { return effectCombGetLevel(e, c); });
    add(2, 51 + 9 * c, [c](Engine* e) { return effectCombGetPan(e, c) * 100; });
  }
  add(3, 101, effectTapGetTime);
  add(
      3, 102, [](Engine* e) { return effectGetTime(e, 3); }, true);
  add(3, 103, effectTapGetFilterFreq);
  add(3, 120, [](Engine* e) { return effectTapGetFeedback(e) * 100; });
  for (int16_t t = 0; t < 3; ++t) {
    add(3, 105 + t, [t](Engine* e) { return effectTapGetTimeFactor(e, t) * 100; });
    add(3, 108 + t, [t](Engine* e) { return effectTapGetModAmount(e, t) * 100; });
    add(3, 114 + t, [t](Engine* e) { return effectTapGetLevel(e, t); });
    add(3, 117 + t, [t](Engine* e) { return effectTapGetPan(e, t) * 100; });
  }
  add(4, 124, effectEchoGetBaseTime);
  add(4, 125, effectEchoGetBeatTime, true);
  add(4, 126, [](Engine* e) { return static_cast<double>(effectEchoGetFeedback(e)); });
  for (int line = 0; line < 3; ++line) {
    const int b = 127 + 14 * line;
    add(4, b + 2, [line](Engine* e) { return effectEchoGetLineTimeFactor(e, line); });
    add(4, b + 3, [line](Engine* e) { return effectEchoGetLineModAmount(e, line); });
    add(4, b + 5, [line](Engine* e) { return static_cast<double>(effectEchoGetLineFeedback(e, line)); });
    add(4, b + 7, [line](Engine* e) { return effectEchoGetLowPassFreq(e, line); });
    add(4, b + 9, [line](Engine* e) { return effectEchoGetHighPassFreq(e, line); });
    add(4, b + 11, [line](Engine* e) { return effectEchoGetAllpassFreq(e, line); });
    add(4, b + 12, [line](Engine* e) { return effectEchoGetLineLevel(e, line); });
    add(4, b + 13, [line](Engine* e) { return static_cast<double>(effectEchoGetLinePan(e, line)); });
  }
  return v;
}

// The type current with every row and filter box of its panel on screen, seconds or beats shown.
void openPanel(FxRig& page, uint16_t type, bool beats) {
  Engine* e = page.engine();
  setType(e, type);
  for (int16_t c = 0; c < 6; ++c) effectCombSetOnDirect(e, c, 1);
  for (int line = 0; line < 3; ++line) {
    effectEchoSetLineOn(e, line, 1);
    effectEchoSetLowPassOn(e, line, 1);
    effectEchoSetHighPassOn(e, line, 1);
    effectEchoSetAllpassOn(e, line, 1);
  }
  const int16_t unit = beats ? effectUnitBeats : effectUnitSeconds;
  if (type <= 3)
    effectSetTimeUnit(e, type, static_cast<uint16_t>(unit));
  else
    effectEchoSetSync(e, static_cast<uint16_t>(unit));
  page.refresh();
}

std::string typedText(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

}  // namespace

// The tabs: a click stops the audio with a fade, sets the type and restarts, and the refresh presses
// that tab alone and shows its panel alone. The current tab does all three again.
TEST(FxPage, TabsRunTheHandshakeAndShowOnlyTheirPanel) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    fxSetHandshakeSpy(recordStep, nullptr);
    double worst = 0;
    for (int type : {1, 2, 3, 4, 5, 3}) {
      SCOPED_TRACE("type " + std::to_string(type));
      g_steps.clear();
      const auto t0 = std::chrono::steady_clock::now();
      page.click(static_cast<uint16_t>(7 + type));
      worst = std::max(worst, msSince(t0));
      const std::vector<std::string> expected = {"stop:1", "type:" + std::to_string(type), "restart:0"};
      EXPECT_EQ(g_steps, expected);
      EXPECT_EQ(effectGetType(e), type);
      for (int t = 1; t <= 5; ++t) {
        EXPECT_EQ(page.lit(static_cast<uint16_t>(7 + t)), t == type) << "tab " << t;
        EXPECT_EQ(page.shown(static_cast<uint16_t>(1 + t)), t == type) << "panel " << t;
      }
      EXPECT_EQ(page.shown(fxItemPipeGraph), type == 1) << "the pipe graph only with its type";
      // The five captions share one baseline, the lit tab's too: "Pipe" and "Multi-Tap" (whose
      // letters hang below it) stand as high as the others.
      const CapturedWindow shot = page.capture("fxpage_type" + std::to_string(type) + ".png");
      const int top = page.captionTop(shot, fxItemFirstTab);
      EXPECT_GT(top, 0);
      for (int t = 1; t < 5; ++t)
        EXPECT_EQ(page.captionTop(shot, static_cast<uint16_t>(fxItemFirstTab + t)), top) << "tab " << t + 1;
    }
    std::printf("type switch by a tab click (stop, set, restart, refresh): at most %.2f ms\n", worst);

    g_steps.clear();
    page.click(10);
    EXPECT_EQ(g_steps.size(), 3u) << "the current type's tab runs the handshake too";

    // Type 0: no tab pressed, the panels stay as they were.
    setType(e, 0);
    page.refresh();
    for (int t = 1; t <= 5; ++t) {
      EXPECT_FALSE(page.lit(static_cast<uint16_t>(7 + t)));
      EXPECT_EQ(page.shown(static_cast<uint16_t>(1 + t)), t == 3);
    }
    // Ids outside the tabs do nothing.
    g_steps.clear();
    fxTabClicked(page.item(fxItemOn), 1, 0);
    EXPECT_TRUE(g_steps.empty());
  });
}

// The on switch: inside the handshake, the type and the panels' values untouched.
TEST(FxPage, OnSwitchStopsAndRestartsAndKeepsTheType) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    setType(e, 3);
    effectTapSetFeedback(e, 0.4);
    page.refresh();
    fxSetHandshakeSpy(recordStep, nullptr);
    const bool was = effectIsOn(e) != 0;
    g_steps.clear();
    page.click(fxItemOn);
    const std::vector<std::string> expected = {"stop:1", std::string("on:") + (was ? "0" : "1"), "restart:0"};
    EXPECT_EQ(g_steps, expected);
    EXPECT_EQ(effectIsOn(e) != 0, !was);
    EXPECT_EQ(effectGetType(e), 3);
    EXPECT_NEAR(effectTapGetFeedback(e), 0.4, 1e-6);
    page.refresh();
    EXPECT_EQ(page.lit(fxItemOn), !was);
  });
}

// Levels: the fader's ends, the 0.199 snap, and where each type's level edit goes.
TEST(FxPage, LevelFadersShowDecibelsAndCommitByType) {
  const struct {
    double db;
    const char* text;
  } texts[] = {{-96.0, "-96.0 dB"}, {-6.1, "-6.0 dB"}, {-6.3, "-6.3 dB"}, {-12.19, "-12.0 dB"},
               {-12.2, "-12.2 dB"}, {-1.0, "-1.0 dB"}, {-0.1, "0.0 dB"}};
  for (const auto& t : texts) {
    char buf[32];
    fxLevelText(std::pow(2.0, t.db / 6.0), buf, sizeof buf);
    EXPECT_STREQ(buf, t.text) << t.db;
  }
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    const struct {
      double position;
      const char* text;
      double gain;
    } ends[] = {{0.0, "-96.0 dB", 1.0 / 65536},   {-3.0, "-96.0 dB", 1.0 / 65536},  {NAN, "-96.0 dB", 1.0 / 65536},
                {1.0, "0.0 dB", 65535.0 / 65536}, {7.0, "0.0 dB", 65535.0 / 65536}, {0.5, "-12.0 dB", 0.25}};
    for (uint16_t type = 1; type <= 5; ++type) {
      SCOPED_TRACE("type " + std::to_string(type));
      setType(e, type);
      page.refresh();
      for (const auto& c : ends) {
        engineGetEditBlock(e)->kind = 99;
        fxLevelChanged(page.item(fxItemLevelA), c.position, 0);
        EXPECT_EQ(page.text(fxItemLevelAText), c.text) << c.position;
        EXPECT_FLOAT_EQ(effectGetLevelA(e), static_cast<float>(c.gain));
        // Types 1..3 go through the edit block (an undoable effect edit, applied at once with no audio
        // running); 4 and 5 write the record and leave the edit block alone.
        EditBlock* edit = engineGetEditBlock(e);
        EXPECT_EQ(edit->kind != 99u, type <= 3);
        if (type == 1) {
          EXPECT_FLOAT_EQ(edit->pipe.levelA, static_cast<float>(c.gain));
        }
        if (type == 2) {
          EXPECT_FLOAT_EQ(edit->comb.levelA, static_cast<float>(c.gain));
        }
        if (type == 3) {
          EXPECT_FLOAT_EQ(edit->tap.levelA, static_cast<float>(c.gain));
        }
      }
      fxLevelChanged(page.item(fxItemLevelB), 0.5, 0);
      EXPECT_FLOAT_EQ(effectGetLevelB(e), 0.25f);
      // The refresh reads both back: the fader at the square root, the text as the fader gave it.
      fxPageSelectPane(kWin);
      knobSetValue(kWin, fxItemLevelB, 0.9, 0);
      displaySetText(kWin, fxItemLevelBText, "x");
      page.refresh();
      fxPageSelectPane(kWin);
      EXPECT_NEAR(knobGetX(kWin, fxItemLevelB), 0.5, 1e-6);
      EXPECT_EQ(page.text(fxItemLevelBText), "-12.0 dB");
    }
    // A real drag on the wet fader to its two ends.
    setType(e, 2);
    page.refresh();
    CtrlRect r{};
    fxPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, fxItemLevelA, &r));
    const int y = (r.top + r.bottom) / 2, x = (r.left + r.right) / 2;
    postPress(page.hwnd(), x, y);
    for (int i = 1; i <= 20; ++i) postMove(page.hwnd(), x + 40 * i, y, true);
    drainMessages();
    EXPECT_EQ(page.text(fxItemLevelAText), "0.0 dB");
    EXPECT_FLOAT_EQ(effectGetLevelA(e), 65535.0f / 65536.0f);
    for (int i = 1; i <= 40; ++i) postMove(page.hwnd(), x + 800 - 40 * i, y, true);
    postRelease(page.hwnd(), x - 800, y);
    drainMessages();
    EXPECT_EQ(page.text(fxItemLevelAText), "-96.0 dB");
    EXPECT_FLOAT_EQ(effectGetLevelA(e), 1.0f / 65536.0f);
    page.capture("fxpage_levels.png");
  });
}

// Every value box: a distinct value typed into each box of a panel, then one refresh; each box shows
// its own value back and the engine holds it (a box that showed one field and wrote another would show
// a neighbour's value). Percentages: 50 typed stores 0.5, a stored 0.25 shows 25.
TEST(FxPage, EveryValueBoxShowsBackWhatWasTyped) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    const std::vector<BoxCase> cases = allBoxes();
    for (uint16_t type = 1; type <= 4; ++type) {
      for (bool beats : {false, true}) {
        openPanel(page, type, beats);
        std::vector<std::pair<const BoxCase*, double>> typed;
        int k = 0;
        engineGetEditBlock(e)->kind = 99;
        for (const BoxCase& c : cases) {
          if (c.type != type || (c.beats && !beats) ||
              (!c.beats && beats && (c.id == 20 || c.id == 38 || c.id == 101 || c.id == 124)))
            continue;
          NumboxData* d = page.box(c.id);
          ASSERT_NE(d, nullptr) << c.id;
          const double frac = 0.15 + 0.7 * ((k++ * 7) % 23) / 23.0;
          // At most two decimals (one beyond a range of 2): the in-place entry takes no more characters
          // than its box is wide.
          const int decimals = std::min<int>(d->decimals, d->maximum - d->minimum > 2 ? 1 : 2);
          const std::string text = typedText(d->minimum + (d->maximum - d->minimum) * frac, decimals);
          const double v = std::stod(text);
          page.type(c.id, text);
          typed.push_back({&c, v});
        }
        // The echo writes its record directly: no edit block, no undo step.
        if (type == 4) {
          EXPECT_EQ(engineGetEditBlock(e)->kind, 99u);
        }
        // Marks the boxes overwrite, so the refresh must write every one.
        for (auto& t : typed) page.box(t.first->id)->value = -12345;
        page.refresh();
        for (auto& t : typed) {
          NumboxData* d = page.box(t.first->id);
          const double tol = std::max(0.51 * std::pow(10.0, -d->decimals), 2e-3 * std::fabs(t.second));
          EXPECT_NEAR(d->value, t.second, tol) << "box " << t.first->id << " shows";
          EXPECT_NEAR(t.first->stored(e), t.second, tol) << "box " << t.first->id << " stores";
        }
      }
    }
    // The percentage rule, both ways.
    openPanel(page, 2, false);
    page.type(45, "50");
    EXPECT_NEAR(effectCombGetDelayFactor(e, 0), 0.5, 1e-6);
    effectCombSetPan(e, 3, 0.25);
    page.refresh();
    EXPECT_NEAR(page.box(51 + 27)->value, 25.0, 1e-4);
    page.capture("fxpage_comb_typed.png");
  });
}

// Hostile texts in every box: the box keeps a value inside its range, the engine a finite one inside
// the setter's limits; a box wider than its setter shows the setter's value at the next refresh.
TEST(FxPage, HostileTextsInEveryBoxStayInRange) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    const std::vector<BoxCase> cases = allBoxes();
    for (uint16_t type = 1; type <= 4; ++type) {
      for (bool beats : {false, true}) {
        openPanel(page, type, beats);
        for (const BoxCase& c : cases) {
          if (c.type != type || c.beats != beats) continue;
          for (const char* text : {"nan", "-99999999999", "99999999999999999999", "1e9", "--..,,"}) {
            page.type(c.id, text);
            page.refresh();
            NumboxData* d = page.box(c.id);
            const double held = c.stored(e);
            EXPECT_TRUE(std::isfinite(held)) << c.id << " " << text;
            EXPECT_GE(d->value, d->minimum) << c.id << " " << text;
            EXPECT_LE(d->value, d->maximum) << c.id << " " << text;
          }
        }
      }
    }
    // The setters' own limits: the comb feedback box reaches 99.999 but stores 0.999; the echo's
    // seconds box goes down to 0.00001 but the echo keeps 0.001; the multi-tap seconds box goes to 10 s.
    openPanel(page, 1, false);
    page.type(20, "5");
    page.refresh();
    EXPECT_NEAR(effectPipeGetDelay(e), 32767.0 / 44100.0, 1e-6) << "32767 samples at most";
    openPanel(page, 2, false);
    page.type(38, "5");
    page.refresh();
    EXPECT_NEAR(effectCombGetDelay(e), 32767.0 / 44100.0, 1e-6);
    page.type(41, "99.999");
    page.refresh();
    EXPECT_NEAR(effectCombGetFeedback(e), 0.999, 1e-6);
    EXPECT_NEAR(page.box(41)->value, 99.9, 1e-3);
    openPanel(page, 4, false);
    page.type(124, "0.00001");
    page.refresh();
    EXPECT_NEAR(effectEchoGetBaseTime(e), 0.001, 1e-9);
    EXPECT_NEAR(page.box(124)->value, 0.001, 1e-9);
    EXPECT_NEAR(page.box(124)->maximum, 32767.0 / 44100.0, 1e-6) << "32767 samples at the engine's rate";
    openPanel(page, 3, false);
    page.type(101, "25");
    page.refresh();
    EXPECT_NEAR(effectTapGetTime(e), 10.0, 1e-3);
    EXPECT_NEAR(page.box(101)->value, 10.0, 1e-3);
  });
}

// The comb switches: off hides the row's controls and keeps the switch, on shows them again with the
// values they had, each inside the handshake; with another type current every row stays hidden.
TEST(FxPage, CombRowsFollowTheirSwitchesAndTheType) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    openPanel(page, 2, false);
    effectCombSetDelayFactor(e, 2, 0.37);
    page.refresh();
    fxSetHandshakeSpy(recordStep, nullptr);
    const uint16_t row = 43 + 18, sw = 44 + 18, first = 45 + 18;
    EXPECT_TRUE(page.shown(row));
    g_steps.clear();
    page.click(sw, 6, 13);  // the switch's lamp, left of the row's controls
    EXPECT_EQ(g_steps, (std::vector<std::string>{"stop:1", "comb:4", "restart:0"}));
    EXPECT_EQ(effectCombGetOn(e, 2), 0);
    EXPECT_FALSE(page.shown(row));
    for (uint16_t id = first; id < first + 7; ++id) EXPECT_FALSE(page.shown(id)) << id;
    EXPECT_TRUE(page.shown(sw));
    page.capture("fxpage_comb_row3_off.png");
    page.click(sw, 6, 13);
    EXPECT_EQ(effectCombGetOn(e, 2), 1);
    EXPECT_TRUE(page.shown(row));
    for (uint16_t id = first; id < first + 7; ++id) EXPECT_TRUE(page.shown(id)) << id;
    EXPECT_NEAR(page.box(first)->value, 37.0, 1e-3);
    // Another type: a refresh shows no comb row, whatever the switches hold.
    setType(e, 1);
    page.refresh();
    for (int c = 0; c < 6; ++c) EXPECT_FALSE(page.shown(static_cast<uint16_t>(43 + 9 * c))) << c;
    // The comb index of every id.
    const struct {
      int id;
      int comb;
    } ids[] = {{34, 0}, {51, 0}, {52, 1}, {60, 1}, {61, 2}, {78, 3}, {79, 4}, {96, 5}, {97, 0}, {200, 0}};
    for (const auto& c : ids) EXPECT_EQ(fxCombIndexFromId(c.id), c.comb) << c.id;
  });
}

// Echo lines: a line switched off hides its row but keeps its switch; a filter switched off hides only
// its frequency box, and its frequency stays.
TEST(FxPage, EchoLinesAndFiltersShowWhatIsOn) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    openPanel(page, 4, false);
    page.capture("fxpage_echo_all_on.png");
    page.click(142, 6, 13);
    EXPECT_EQ(effectEchoGetLineOn(e, 1), 0);
    EXPECT_TRUE(page.shown(142));
    EXPECT_FALSE(page.shown(141));
    for (uint16_t id = 143; id <= 154; ++id) EXPECT_FALSE(page.shown(id)) << id;
    for (uint16_t id = 129; id <= 140; ++id) EXPECT_TRUE(page.shown(id)) << "line 0 untouched: " << id;
    // Filter B of line 2 off: box 164 alone goes.
    effectEchoSetHighPassFreq(e, 2, 300.0);
    page.click(163);
    EXPECT_EQ(effectEchoGetHighPassOn(e, 2), 0);
    EXPECT_FALSE(page.shown(164));
    for (uint16_t id : {157, 159, 160, 161, 162, 163, 165, 166, 167, 168}) EXPECT_TRUE(page.shown(id)) << id;
    EXPECT_NEAR(effectEchoGetHighPassFreq(e, 2), 300.0, 1e-9);
    // The refresh agrees with the clicks, and a filter box on a hidden line stays hidden.
    effectEchoSetAllpassOn(e, 1, 0);
    effectEchoSetAllpassOn(e, 1, 1);
    page.refresh();
    EXPECT_FALSE(page.shown(164));
    EXPECT_FALSE(page.shown(152)) << "filter C's box of the line that is off";
    page.capture("fxpage_echo_line2_off.png");
    page.click(142, 6, 13);
    EXPECT_TRUE(page.shown(152));
    EXPECT_TRUE(page.shown(143));
    const struct {
      int id;
      int line;
    } ids[] = {{121, 0}, {140, 0}, {141, 1}, {154, 1}, {155, 2}, {168, 2}, {169, 0}};
    for (const auto& c : ids) EXPECT_EQ(fxEchoLineFromId(c.id), c.line) << c.id;
  });
}

// The unit switch of each panel: "Beat" with the beats box in place of the seconds box, the seconds
// value kept; back to "Sec" the other way.
TEST(FxPage, UnitSwitchesRelabelAndSwapTheTimeBoxes) {
  struct Group {
    uint16_t type, unit, seconds, beats;
    std::function<double(Engine*)> kept;
  };
  const Group groups[] = {{1, 19, 20, 21, effectPipeGetDelay},
                          {2, 36, 38, 40, effectCombGetDelay},
                          {3, 100, 101, 102, effectTapGetTime},
                          {4, 123, 124, 125, effectEchoGetBaseTime}};
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    for (const Group& g : groups) {
      SCOPED_TRACE("type " + std::to_string(g.type));
      openPanel(page, g.type, false);
      const double before = g.kept(e);
      EXPECT_EQ(page.caption(g.unit), "Sec");
      EXPECT_TRUE(page.shown(g.seconds));
      EXPECT_FALSE(page.shown(g.beats));
      page.click(g.unit);
      EXPECT_EQ(page.caption(g.unit), "Beat");
      EXPECT_FALSE(page.shown(g.seconds));
      EXPECT_TRUE(page.shown(g.beats));
      CtrlRect a{}, b{};
      fxPageSelectPane(kWin);
      ctrlGetRect(kWin, g.seconds, &a);
      ctrlGetRect(kWin, g.beats, &b);
      EXPECT_TRUE(a.left == b.left && a.top == b.top) << "the beats box stands in the seconds box's place";
      EXPECT_EQ(g.type <= 3 ? effectGetTimeUnit(e, g.type) : effectEchoGetTimeUnit(e), effectUnitBeats);
      EXPECT_DOUBLE_EQ(g.kept(e), before) << "the seconds value stays in the record";
      page.refresh();
      EXPECT_EQ(page.caption(g.unit), "Beat");
      EXPECT_TRUE(page.lit(g.unit));
      EXPECT_TRUE(page.shown(g.beats));
      if (g.type == 1) page.capture("fxpage_pipe_beats.png");
      page.click(g.unit);
      EXPECT_EQ(page.caption(g.unit), "Sec");
      EXPECT_TRUE(page.shown(g.seconds));
      EXPECT_FALSE(page.shown(g.beats));
    }
    // A unit stored for a panel that is hidden shows the right box when its type comes back.
    setType(e, 2);
    effectSetTimeUnit(e, 1, effectUnitBeats);
    page.refresh();
    setType(e, 1);
    page.refresh();
    EXPECT_TRUE(page.shown(21));
    EXPECT_FALSE(page.shown(20));
  });
}

// The pipe graph: the shell's page update repaints it every tick while type 1 is current and the page
// is shown, and at no other time; box 27 moves the input marker at once.
TEST(FxPage, PipeGraphRepaintsPerTickOnlyForTheTubeAndFollowsBox27) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    auto ticks = [&](int n) {
      const uint32_t before = fxPipeGraphPaintCount();
      for (int i = 0; i < n; ++i) appPageUpdate(kWin, 0, nullptr);
      return fxPipeGraphPaintCount() - before;
    };
    setType(e, 2);
    page.refresh();
    EXPECT_EQ(ticks(10), 0u);
    setType(e, 1);
    page.refresh();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ticks(20), 20u);
    std::printf("pipe graph paint per tick: %.3f ms\n", msSince(t0) / 20);
    // The shell asks and paints between other pages' work: the container it had selected stays.
    WinSlot* slot = winSlot(kWin);
    winSelectPort(kWin, &slot->ownPort);
    EXPECT_EQ(fxPageIsShownType1(kWin), 1);
    fxPipeGraphPaint(kWin);
    EXPECT_EQ(slot->currentPort, &slot->ownPort);
    fxPageShow(kWin, 0);
    EXPECT_EQ(ticks(5), 0u) << "hidden page";
    fxPageShow(kWin, 1);
    EXPECT_EQ(ticks(5), 5u);

    // The input marker (accent triangle) in the graph's upper half, at W x p from the widened left edge.
    auto markerX = [&](const std::string& name) {
      CapturedWindow shot;
      drainMessages();
      EXPECT_TRUE(captureShown(page.hwnd(), shot, name));
      CtrlRect r{};
      fxPageSelectPane(kWin);
      ctrlGetRect(kWin, fxItemPipeGraph, &r);
      int sum = 0, n = 0;
      for (int x = r.left - 3; x < r.right + 3; ++x) {
        const uint32_t px = shot.at(x, r.top + 12);
        const int red = (px >> 16) & 255, green = (px >> 8) & 255, blue = px & 255;
        if (blue > 150 && red < 110 && green < 160) {
          sum += x;
          ++n;
        }
      }
      return n ? static_cast<double>(sum) / n - (r.left - 3) : -1.0;
    };
    page.type(27, "0.2");
    const double at20 = markerX("fxpage_pipe_marker_02.png");
    page.type(27, "0.8");
    const double at80 = markerX("fxpage_pipe_marker_08.png");
    EXPECT_NEAR(effectPipeGetInputPos(e), 0.8, 1e-6);
    ASSERT_GT(at20, 0);
    EXPECT_NEAR(at80 - at20, 423 * 0.6, 3.0) << "the marker moved by W x 0.6 at once";
    EXPECT_NEAR(at20, 423 * 0.2 + 3, 3.0);
  });
}

// The type switched 100 times while the audio thread plays: every switch completes (no stall), the
// audio thread keeps running, and no output step is larger than the sound's own or the fades' steps.
// What is heard here is the thread's DC level through the output fades (the queued note does not
// sound in this rig), so the bound is the fades' own step.
TEST(FxPage, TypeSwitchedHundredTimesWhileANotePlays) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    setType(e, 2);
    effectSetOn(e, 1);
    engineApplyPatchChange(e, 1);
    page.refresh();
    const float dc = 0.25f;
    TestAudioThread audio(e, dc, 40);
    audio.start();
    midiQueueNoteOn(e, 57, 100, 0);
    // The capture keeps the block before the switch: the thread must have played some first.
    const auto begun = std::chrono::steady_clock::now();
    while (audio.blocksRun() < 16 && msSince(begun) < 30000.0) Sleep(1);
    ASSERT_GE(audio.blocksRun(), 16u);
    // The steady sound's largest step between samples, over a capture made while nothing changes.
    auto largestStep = [](const std::vector<float>& v, size_t from) {
      double m = 0;
      for (size_t i = from + 1; i < v.size(); ++i) m = std::max(m, static_cast<double>(std::fabs(v[i] - v[i - 1])));
      return m;
    };
    const uint32_t startBlocks = audio.blocksRun();
    const int missesBefore = engineHandshakeMisses();
    double steady = 0, worstStep = 0, worstMs = 0, totalMs = 0;
    for (int i = 0; i < 100; ++i) {
      const uint16_t type = static_cast<uint16_t>(1 + i % 5);
      audio.armCapture();
      const auto t0 = std::chrono::steady_clock::now();
      page.click(static_cast<uint16_t>(7 + type));
      const double ms = msSince(t0);
      worstMs = std::max(worstMs, ms);
      totalMs += ms;
      ASSERT_EQ(effectGetType(e), type);
      ASSERT_TRUE(audio.waitCapture()) << "switch " << i;
      const std::vector<float>& out = audio.captured();
      ASSERT_TRUE(signalAllNormal(out.data(), out.size())) << "switch " << i;
      // The block before the switch is the steady sound of the type before.
      steady = std::max(steady, largestStep(std::vector<float>(out.begin(), out.begin() + 128), 0));
      worstStep = std::max(worstStep, largestStep(out, 0));
    }
    audio.stop();
    // Each switch's capture is 40 blocks the thread ran after the switch began.
    EXPECT_GE(audio.blocksRun() - startBlocks, 100u * 40u);
    // A fade moves the DC level by at most dc x 0.02805 per sample on top of the sound's own steps.
    EXPECT_LE(worstStep, steady + dc * 0.02805 + 1e-4) << "steady step " << steady;
    // A switch waits only for the two fades: the audio side answered both, never the waits' bound.
    // (How long that takes on the clock depends on the machine's load: the figure below.)
    EXPECT_EQ(engineHandshakeMisses(), missesBefore) << "a switch waited out its bound";
    std::printf("type switch while playing: mean %.2f ms, worst %.2f ms; largest step %.4f (steady %.4f)\n",
                totalMs / 100, worstMs, worstStep, steady);
  });
}

// A right click, an Alt-click or a double click on the page's background or a panel opens the effect's
// module menu; a plain click opens nothing.
TEST(FxPage, BackgroundGesturesOpenTheEffectMenu) {
  runInApplication([&](RecordingApplication&) {
    FxRig page;
    popupSetTrackHook(countMenu);
    g_menus = 0;
    const int places[2][2] = {{350, 40}, {600, 330}};  // the page background, the multi-comb panel
    for (const auto& at : places) {
      const int x = at[0], y = at[1];
      SCOPED_TRACE(testing::Message() << x << "," << y);
      const int before = g_menus;
      PostMessageA(page.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
      PostMessageA(page.hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(x, y));
      drainMessages();
      EXPECT_EQ(g_menus, before + 1) << "right click";
      g_testTick += 1000;
      BYTE keys[256];
      GetKeyboardState(keys);
      keys[VK_MENU] = 0x80;
      SetKeyboardState(keys);
      postClick(page.hwnd(), x, y);
      keys[VK_MENU] = 0;
      SetKeyboardState(keys);
      drainMessages();
      EXPECT_EQ(g_menus, before + 2) << "Alt-click";
      g_testTick += 1000;
      postClick(page.hwnd(), x, y);
      drainMessages();
      EXPECT_EQ(g_menus, before + 2) << "a plain click opens nothing";
      g_testTick += 100;
      postClick(page.hwnd(), x, y);
      drainMessages();
      EXPECT_EQ(g_menus, before + 3) << "double click";
      g_testTick += 1000;
    }
    EXPECT_EQ(effectGetType(page.engine()), 2) << "a menu left without a choice changes nothing";
    popupSetTrackHook(nullptr);
  });
}
