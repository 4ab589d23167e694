// The Patch page on a real window under Xvfb: the panels and the routing drawing for every on/off
// combination of the oscillators, the controls each oscillator type leaves active, the popups and
// their codes, the level display and automatic balance, the module menus and the module clipboard
// (copy a channel from one preset, paste it into another, undo and redo), and what happens when the
// envelope table or the preset waves run out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../preset/sampleTestSettings.h"
#include "app/mainWindow.h"
#include "app/mainWindowData.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/surround.h"
#include "engine/testAudioThread.h"
#include "kitTestSupport.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "pageRig.h"
#include "pages/moduleMenu.h"
#include "pages/patchHandshake.h"
#include "pages/patchPage.h"
#include "preset/chunk.h"
#include "preset/envelope.h"
#include "preset/library.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/presetCopy.h"
#include "preset/sample.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "preset/waveMenu.h"
#include "support/signal.h"
#include "support/tempDir.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

namespace {

const int16_t kWin = kPageWin;

// One Patch page on a window of its own, the engine reset to a fresh preset.
struct PageHarness : PageWindowRig {
  double showMs = 0;

  PageHarness()
      : PageWindowRig(32, 650, 638, 40, 20, [](Engine*) {
          waveMenusInit();
          waveSelectorInstall();
        }) {
    selectPane = patchPageSelectPane;
    paneCreate(kWin, patchPaneId, 0, 0, 0, 300, 0);
    winShow(kWin, 1);
    drainMessages();
    const auto t0 = std::chrono::steady_clock::now();
    patchPageShow(kWin, 1);
    showMs = msSince(t0);
  }
  ~PageHarness() {
    patchSetHandshakeSpy(nullptr, nullptr);
    popupSetTrackHook(nullptr);
  }
  void refresh() {
    patchPageRefresh(kWin);
    drainMessages();
  }
  int frame(uint16_t id) {
    ControlItem* it = item(id);
    return it ? static_cast<FramePictureData*>(it->k.kindData)->frame : -1;
  }
  bool activeCtl(uint16_t id) {
    patchPageSelectPane(kWin);
    return patchControlIsActive(kWin, id);
  }
  void choose(uint16_t id, int16_t entry, int16_t menu = 0) { patchSelectorChosen(item(id), menu, entry); }
  void setBox(uint16_t id, double v) { patchNumboxChanged(item(id), v); }
  void capture(const std::string& name) {
    drainMessages();
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(hwnd(), shot, name));
  }
};

uint16_t cid(int16_t c, int k) { return static_cast<uint16_t>(patchChannelIdBase(c) + k); }

}  // namespace

TEST(PatchPage, IdsOfChannelsAndTheirReverse) {
  EXPECT_EQ(patchChannelIdBase(0), 0);
  EXPECT_EQ(patchChannelIdBase(1), 98);
  EXPECT_EQ(patchChannelIdBase(2), 196);
  EXPECT_EQ(patchChannelIdBase(7), 0);
  const struct {
    int id;
    int16_t channel;
  } cases[] = {{0, 0}, {97, 0}, {98, 1}, {195, 1}, {196, 2}, {293, 2}, {294, 0}};
  for (const auto& c : cases) EXPECT_EQ(patchChannelOfId(c.id), c.channel) << c.id;
  EXPECT_EQ(audioInputItemOf(1, 0), 3);
  EXPECT_EQ(audioInputItemOf(1, 5), 8);
  EXPECT_EQ(audioInputItemOf(1, -1), 1);
  EXPECT_EQ(audioInputItemOf(1, static_cast<int16_t>(65535)), 1);
  EXPECT_EQ(audioInputOfItem(1, 3), 0);
  EXPECT_EQ(audioInputOfItem(1, 8), 5);
  EXPECT_EQ(audioInputOfItem(1, 1), -1);
  EXPECT_EQ(audioInputOfItem(1, 9), -1);
}

// Every on/off combination of the three oscillators: areas, routing frames, lights, the fader.
TEST(PatchPage, PanelsAndRoutingFollowTheOscillatorsThatAreOn) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    std::printf("Patch page built and shown in %.1f ms\n", page.showMs);
    for (int mask = 0; mask < 8; ++mask) {
      const bool on[3] = {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
      for (int16_t c = 0; c < 3; ++c) {
        oscSetOn(e, c, on[c]);
        oscSetLevel(e, c, 0.25f);
        patchPageSelectPane(kWin);
        knobSetValue(kWin, cid(c, 32), 0.123, 0.0);  // a mark the mix refresh overwrites
      }
      const auto t0 = std::chrono::steady_clock::now();
      page.refresh();
      const double ms = msSince(t0);
      SCOPED_TRACE("mask " + std::to_string(mask));
      for (int16_t c = 0; c < 3; ++c) {
        EXPECT_EQ(page.shown(cid(c, 4)), on[c]) << "oscillator area " << c;
        EXPECT_EQ(page.lit(cid(c, 13)), on[c]);
        EXPECT_EQ(page.item(cid(c, 17))->drawable != 0, on[c]) << "filter switch active with its channel";
        EXPECT_EQ(page.item(cid(c, 18))->drawable != 0, on[c]);
        patchPageSelectPane(kWin);
        const double fader = knobGetX(kWin, cid(c, 32));
        if (on[c])
          EXPECT_NEAR(fader, 0.5, 1e-6) << "square root of the level";
        else
          EXPECT_NEAR(fader, 0.123, 1e-9) << "no fader written for a channel that is off";
      }
      EXPECT_EQ(page.frame(22), on[0] ? 1 : 0);
      EXPECT_EQ(page.lit(23), on[1]);
      EXPECT_EQ(page.lit(24), on[2]);
      EXPECT_EQ(page.frame(25), (on[1] || on[2]) ? 1 : 0);
      EXPECT_EQ(page.frame(26), on[2] ? 1 : 0);
      const int f28 = on[0] ? ((on[1] || on[2]) ? 0 : 1) : ((on[1] || on[2]) ? 2 : 3);
      const int f29 = on[1] ? (on[2] ? 0 : 1) : (on[2] ? 2 : 3);
      EXPECT_EQ(page.frame(28), f28);
      EXPECT_EQ(page.frame(29), f29);
      EXPECT_EQ(patchPageState()->anyChannelOn, mask ? 1 : 0);
      for (uint16_t master : {19, 20, 21}) EXPECT_EQ(page.item(master)->drawable != 0, mask != 0) << master;
      if (mask == 0 || mask == 5 || mask == 7) {
        std::printf("full refresh, mask %d: %.2f ms\n", mask, ms);
        page.capture("patch_page_mask" + std::to_string(mask) + ".png");
      }
    }
    // A click on a routing light leaves it showing its channel.
    CtrlRect r;
    patchPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, 23, &r));
    postClick(page.hwnd(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_TRUE(page.lit(23));
  });
}

namespace {
struct SpyLog {
  std::vector<std::string> steps;
  int16_t channel = 0;
};
void spy(void* context, const char* step, Engine* engine) {
  SpyLog* log = static_cast<SpyLog*>(context);
  log->steps.push_back(std::string(step) + " type " + std::to_string(oscGetType(engine, log->channel)) + " filter " +
                       std::to_string(filterGetType(engine, log->channel)));
}
}  // namespace

// For each oscillator type, through the type popup: the stop/apply order, the active controls and
// the section the area ends in.
TEST(PatchPage, EachOscillatorTypeLeavesItsOwnControlsActive) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    const int16_t c = 1;
    oscSetOn(e, c, 1);
    page.refresh();
    SpyLog log;
    log.channel = c;
    patchSetHandshakeSpy(spy, &log);
    // Offsets and the types (by popup item) that leave them active, as one string per offset:
    // items 1 Single, 2 Double, 3 FM, 4 Ringmod, 5 Fractalize, 7 Sample, 8 Granular, 10 Audio In.
    const struct {
      int k;
      const char* items;
    } table[] = {
        {36, "yyyyy---"}, {37, "yyyyyyy-"}, {38, "yyyyy---"}, {39, "-yyy----"}, {40, "--------"}, {41, "-yyy----"},
        {42, "-yy-----"}, {43, "yyyyy---"}, {44, "yyyy----"}, {45, "yyyyyyy-"}, {51, "----y---"}, {54, "yyyyy---"},
        {55, "-----yy-"}, {57, "------y-"}, {64, "-----yyy"}, {65, "-----y--"}, {68, "-------y"}, {69, "--------"},
        {70, "-------y"}, {71, "yyyyy---"}, {14, "yyyyyyyy"}, {15, "-yyyyyy-"}, {16, "yyyyy---"}, {46, "yyyy----"},
        {52, "----y---"}, {53, "----y---"}, {56, "-----yy-"}, {58, "------y-"}, {60, "------y-"}, {61, "------y-"},
        {62, "------y-"}, {63, "------y-"},
    };
    const int16_t items[8] = {1, 2, 3, 4, 5, 7, 8, 10};
    const int16_t types[8] = {0, 1, 2, 3, 6, 4, 5, 7};
    for (int t = 0; t < 8; ++t) {
      SCOPED_TRACE("type item " + std::to_string(items[t]));
      // Start from the section the type has to leave, where there is one.
      patchPageSelectPane(kWin);
      patchChannelSelectSection(kWin, c, t == 0 ? 1 : (t == 5 || t == 6) ? 2 : 1);
      log.steps.clear();
      const int16_t before = oscGetType(e, c);
      page.choose(cid(c, 47), items[t]);
      EXPECT_EQ(oscGetType(e, c), types[t]);
      ASSERT_EQ(log.steps.size(), 2u);
      EXPECT_EQ(log.steps[0], "stop type " + std::to_string(before) + " filter " + std::to_string(filterGetType(e, c)));
      EXPECT_EQ(log.steps[1].substr(0, 12), "apply type " + std::to_string(types[t]));
      for (const auto& row : table) EXPECT_EQ(page.activeCtl(cid(c, row.k)), row.items[t] == 'y') << "offset " << row.k;
      const uint16_t section = patchPageState()->section[c];
      if (t == 0 || t == 5 || t == 6 || t == 7)
        EXPECT_EQ(section, 0) << "falls back to section 0";
      else
        EXPECT_EQ(section, 1);
    }
    // "In 2" needs two buffers per voice; the input menu greys inputs beyond the enabled count.
    engineSetVoiceBufferCount(e, c, 2);
    page.refresh();
    EXPECT_TRUE(page.activeCtl(cid(c, 69)));
    engineSetInputCount(e, 2);
    patchPageSelectPane(kWin);
    SelectorData* in1 = selectorFind(kWin, cid(c, 68));
    ASSERT_NE(in1, nullptr);
    menuClear(kWin, cid(c, 68));
    patchAudioInputMenu(page.item(cid(c, 68)), 1);
    HMENU menu = in1->menu;
    ASSERT_EQ(GetMenuItemCount(menu), 8);
    for (int pos = 0; pos < 8; ++pos) {
      const bool grey = (GetMenuState(menu, pos, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
      EXPECT_EQ(grey, pos == 1 || pos >= 4) << "position " << pos;
    }
    engineSetVoiceBufferCount(e, c, 1);
    page.capture("patch_page_audio_in.png");
  });
}

namespace {

// WCAG relative luminance of a 0x00RRGGBB colour, and the contrast ratio of two colours.
double luminance(uint32_t rgb) {
  auto channel = [](uint32_t v) {
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel((rgb >> 16) & 255) + 0.7152 * channel((rgb >> 8) & 255) + 0.0722 * channel(rgb & 255);
}
double contrast(uint32_t a, uint32_t b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

// Every caption of an oscillator panel reads clearly: the module switch leaves a gap before the
// "Mode" caption, the captions stand out from the page, and the frequency-mode selector ("Trans")
// is a menu button (a raised face with its arrow), not a field to type in.
TEST(PatchPage, OscillatorCaptionsStandClearOfTheirNeighbours) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    for (int16_t c = 0; c < 3; ++c) oscSetOn(e, c, 1);
    page.refresh();
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(page.hwnd(), shot, "patch_page_captions.png"));
    const uint32_t caption = 0xC6C6C6;  // the selectors' caption colour, (198, 198, 198)
    const uint32_t field = 0xF4F4F0;
    for (int16_t c = 0; c < 3; ++c) {
      SCOPED_TRACE("channel " + std::to_string(c + 1));
      CtrlRect sw, mode, freq;
      patchPageSelectPane(kWin);
      ASSERT_TRUE(ctrlGetRect(kWin, cid(c, 54), &sw));
      ASSERT_TRUE(ctrlGetRect(kWin, cid(c, 47), &mode));
      ASSERT_TRUE(ctrlGetRect(kWin, cid(c, 45), &freq));
      int firstInk = -1;
      for (int x = sw.right + 1; x < mode.left && firstInk < 0; ++x)
        for (int y = mode.top; y <= mode.bottom && firstInk < 0; ++y)
          if (shot.at(x, y) == caption) firstInk = x;
      ASSERT_GT(firstInk, 0) << "the \"Mode\" caption is drawn";
      EXPECT_GE(firstInk - (sw.right + 1), 2) << "background between the switch and its caption";
      const uint32_t page = shot.at(sw.right + 1, (mode.top + mode.bottom) / 2);
      EXPECT_GE(contrast(caption, page), 4.5) << "caption against the page";
      EXPECT_GE(contrast(0xFFFFFF, page), 4.5) << "the number boxes' white captions against the page";

      int fieldPixels = 0, arrowInk = 0;
      for (int y = freq.top; y <= freq.bottom; ++y)
        for (int x = freq.left; x <= freq.right; ++x) {
          fieldPixels += shot.at(x, y) == field ? 1 : 0;
          if (x >= freq.right - 10 && (shot.at(x, y) & 0xFF) < 0x40) ++arrowInk;
        }
      const int area = (freq.right - freq.left + 1) * (freq.bottom - freq.top + 1);
      EXPECT_LT(fieldPixels, area / 10) << "no field look";
      EXPECT_GE(arrowInk, 6) << "the menu arrow at its right end";
    }
  });
}

TEST(PatchPage, FrequencyModesFilterTypesAndSwitchesKeepTheHandshake) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    filterSetOn(e, 0, 1);
    page.refresh();
    // The list shows the four mode pictures.
    patchPageSelectPane(kWin);
    SelectorData* freq = selectorFind(kWin, cid(0, 45));
    ASSERT_NE(freq, nullptr);
    menuClear(kWin, cid(0, 45));
    patchFreqModeMenuFill(page.item(cid(0, 45)), 1);
    ASSERT_EQ(GetMenuItemCount(freq->menu), 4);
    for (int pos = 0; pos < 4; ++pos) EXPECT_NE(GetMenuState(freq->menu, pos, MF_BYPOSITION) & MF_BITMAP, 0u) << pos;
    const struct {
      int16_t item;
      int16_t mode;
      float lo, hi;
    } modes[] = {{1, 0, -128, 64}, {2, 1, 0.0001f, 32}, {3, 3, 0.0001f, 22000}, {4, 2, 0, 128}};
    for (const auto& m : modes) {
      page.choose(cid(0, 45), m.item);
      EXPECT_EQ(oscGetFreqMode(e, 0), m.mode);
      EXPECT_FLOAT_EQ(static_cast<float>(page.box(cid(0, 37))->minimum), m.lo);
      EXPECT_FLOAT_EQ(static_cast<float>(page.box(cid(0, 37))->maximum), m.hi);
      page.choose(cid(0, 83), m.item);
      EXPECT_EQ(modulatorGetFreqMode(e, 0), m.mode);
    }
    // Filter items: the code stored, and which of the second and third boxes stay active.
    const struct {
      int16_t item;
      int16_t code;
      bool second, third;
    } filters[] = {{7, 1, false, false}, {10, 4, false, false}, {11, 5, true, false}, {4, 11, true, false},
                   {8, 2, true, true},   {12, 6, true, true},   {13, 9, true, true},  {14, 10, true, true},
                   {1, 14, true, true},  {3, 17, true, true}};
    SpyLog log;
    patchSetHandshakeSpy(spy, &log);
    for (const auto& f : filters) {
      log.steps.clear();
      page.choose(cid(0, 76), f.item);
      EXPECT_EQ(filterGetType(e, 0), f.code) << "item " << f.item;
      EXPECT_EQ(page.activeCtl(cid(0, 74)), f.second) << "item " << f.item;
      EXPECT_EQ(page.activeCtl(cid(0, 75)), f.third) << "item " << f.item;
      ASSERT_EQ(log.steps.size(), 1u);
      EXPECT_EQ(log.steps[0], "apply type 0 filter " + std::to_string(f.code)) << "stored before the apply";
    }
    page.choose(95, 14);
    EXPECT_EQ(filterGetType(e, 3), 10);
    // Switches: the filter switch and the modulator switch change the engine while it is stopped.
    log.steps.clear();
    patchButtonAction(page.item(cid(0, 18)), 1, 0);
    EXPECT_TRUE(modulatorIsOn(e, 0));
    EXPECT_EQ(log.steps.size(), 2u);
    EXPECT_EQ(log.steps.front().substr(0, 4), "stop");
    EXPECT_EQ(log.steps.back().substr(0, 5), "apply");
    // The hidden master box 91 does nothing, whatever reaches it.
    const double before = filterGetResonance(e, 0);
    const uint32_t calls = patchInertBoxCalls();
    patchNumboxChanged(page.item(91), 0.77);
    EXPECT_EQ(patchInertBoxCalls(), calls + 1);
    EXPECT_DOUBLE_EQ(filterGetResonance(e, 0), before);
    EXPECT_FALSE(page.activeCtl(91));
  });
}

TEST(PatchPage, LevelTextAndFaderPositions) {
  const struct {
    double level;
    const char* text;
  } texts[] = {
      {0.5, "-6.0 dB"},          {0.7, "-3.0 dB"}, {std::exp2(-5.9 / 6), "-5.9 dB"}, {std::exp2(-6.1 / 6), "-6.0 dB"},
      {1.0 / 65536, "-96.0 dB"}, {1.0, "0.0 dB"},  {65535.0 / 65536, "0.0 dB"},      {std::exp2(-0.1 / 6), "0.0 dB"},
      {0.0, "-96.0 dB"}};
  for (const auto& t : texts) {
    char out[32];
    patchLevelText(t.level, out, sizeof out);
    EXPECT_STREQ(out, t.text) << t.level;
  }
  EXPECT_DOUBLE_EQ(patchLevelOfPosition(0.0), 1.0 / 65536);
  EXPECT_DOUBLE_EQ(patchLevelOfPosition(0.8), 0.64);
  EXPECT_DOUBLE_EQ(patchLevelOfPosition(1.0), 65535.0 / 65536);
  EXPECT_DOUBLE_EQ(patchLevelOfPosition(NAN), 1.0 / 65536);
}

TEST(PatchPage, AutoBalanceFaderSwitchBalanceLevelsAndThePad) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    oscSetOn(e, 1, 1);
    oscSetLevel(e, 0, 0.5f);
    oscSetLevel(e, 1, 0.5f);
    page.refresh();
    mainWinSetAutoBalance(kWin, 1);
    patchKnobChanged(page.item(cid(0, 32)), 0.8, 0.0);
    EXPECT_NEAR(oscGetLevel(e, 0), 0.64, 1e-6);
    EXPECT_NEAR(oscGetLevel(e, 1), 0.36, 1e-6);
    EXPECT_NEAR(patchBalanceWeights(kWin)[0], 2 * 0.64, 1e-5) << "n x level for the moved channel too";
    EXPECT_NEAR(patchBalanceWeights(kWin)[1], 2 * 0.36, 1e-5);
    // A third channel switched on with weights 1 each: a third each.
    for (int c = 0; c < 3; ++c) patchBalanceWeights(kWin)[c] = 1.0f;
    patchPageSelectPane(kWin);
    patchButtonSetOn(kWin, cid(2, 13), true);
    patchButtonAction(page.item(cid(2, 13)), 1, 0);
    for (int16_t c = 0; c < 3; ++c) EXPECT_NEAR(oscGetLevel(e, c), 1.0 / 3, 1e-6) << c;
    // "Balance levels" after uneven levels.
    mainWinSetAutoBalance(kWin, 0);
    oscSetLevel(e, 0, 0.9f);
    oscSetOn(e, 1, 0);
    patchBalanceLevels(kWin);
    EXPECT_NEAR(oscGetLevel(e, 0), 0.5, 1e-6);
    EXPECT_NEAR(oscGetLevel(e, 2), 0.5, 1e-6);
    patchPageSelectPane(kWin);
    char text[64];
    displayGetText(kWin, cid(0, 31), text, sizeof text);
    EXPECT_STREQ(text, "-6.0 dB");
    // The pad: a drag sets the pair, a Ctrl-click centres it. The click is posted to the window.
    patchKnobChanged(page.item(cid(0, 33)), 1.0, 0.25);
    EXPECT_NEAR(surroundGetChannelPair(e, 0, 0), 1.0, 1e-6);
    EXPECT_NEAR(surroundGetChannelPair(e, 0, 1), -0.5, 1e-6);
    CtrlRect r;
    patchPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, cid(0, 33), &r));
    const int x = (r.left + r.right) / 2 + 8, y = (r.top + r.bottom) / 2 + 8;
    PostMessageA(page.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(x, y));
    PostMessageA(page.hwnd(), WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(x, y));
    drainMessages();
    EXPECT_NEAR(surroundGetChannelPair(e, 0, 0), 0.0, 1e-6);
    EXPECT_NEAR(surroundGetChannelPair(e, 0, 1), 0.0, 1e-6);
    patchPageSelectPane(kWin);
    EXPECT_NEAR(knobGetX(kWin, cid(0, 33)), 0.5, 1e-6);
  });
}

TEST(PatchPage, FractalizeBoxesRefuseWhatTheOscillatorDoesNotTake) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    page.refresh();
    page.choose(cid(0, 47), 5);
    ChannelOscRecord* r = engineGetChannel(e, 0);
    ASSERT_NE(r, nullptr);
    r->iterations = 4;
    r->amount = 0.5f;
    const struct {
      int k;
      double value;
      double stored;
      double shown;
    } cases[] = {{51, 1, 1, 1},      {51, 9, 1, 1},           {51, 7, 7, 7},
                 {52, 100, 0.5, 50}, {52, 99.9, 0.999, 99.9}, {52, -3, 0.999, 99.9}};
    for (const auto& c : cases) {
      page.setBox(cid(0, c.k), c.value);
      const double stored = c.k == 51 ? r->iterations : r->amount;
      EXPECT_NEAR(stored, c.stored, 1e-5) << c.k << " " << c.value;
      EXPECT_NEAR(page.boxValue(cid(0, c.k)), c.shown, 1e-3) << "the box shows what is stored";
    }
    EXPECT_EQ(page.box(cid(0, 51))->minimum, 1);
    EXPECT_EQ(page.box(cid(0, 51))->maximum, 7);
  });
}

namespace {
int g_menuCount = 0;
int g_menuAnswer = 0;
int trackHook(void* menu, int, int, void*) {
  ++g_menuCount;
  (void)menu;
  return g_menuAnswer;
}
bool enabledItem(int16_t slot, int item) {
  for (int pos = 0; pos < popupItemCount(slot); ++pos)
    if (popupItemId(slot, pos) == item) return popupItemEnabled(slot, pos);
  return false;
}
}  // namespace

TEST(PatchPage, ModuleMenusGreyByClipboardAndOpenOnlyOnTheirGestures) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    filterSetOn(e, 0, 1);
    modulatorSetOn(e, 0, 1);
    page.refresh();
    moduleClipboard()->kind = 0;
    const struct {
      int16_t kind;
      int16_t index;
      const char* enabled;
      int count;
    } empty[] = {{18, 0, "yy---?yy?yy", 11},
                 {19, 0, "y--?yy", 6},
                 {20, 0, "y--?yy", 6},
                 {21, 3, "---?--", 6},
                 {22, 3, "---?--", 6}};
    for (const auto& m : empty) {
      const int16_t slot = moduleMenuBuild(m.kind, m.index, e);
      ASSERT_NE(slot, 0);
      EXPECT_EQ(popupItemCount(slot), m.count) << m.kind;
      for (int item = 1; item <= m.count; ++item) {
        const char want = m.enabled[item - 1];
        if (want == '?') continue;  // separators
        EXPECT_EQ(enabledItem(slot, item), want == 'y') << "kind " << m.kind << " item " << item;
      }
      moduleMenuDestroy(m.kind, slot);
    }
    // After "Copy Channel": the paste items of the oscillator, filter and modulator, but not the
    // filter's and modulator's "and Envelopes".
    moduleCopyChannel(e, 0);
    int16_t slot = moduleMenuBuild(18, 1, e);
    EXPECT_TRUE(enabledItem(slot, 3));
    EXPECT_TRUE(enabledItem(slot, 4));
    EXPECT_TRUE(enabledItem(slot, 5));
    char text[64];
    popupItemText(slot, 6, text, sizeof text);
    EXPECT_STREQ(text, "Load Oscil from Library");
    HMENU native = static_cast<HMENU>(popupNativeHandle(slot));
    EXPECT_EQ(GetSubMenu(native, 6), popupNativeHandle(libGetKindHandle(libKindOscillator)));
    EXPECT_EQ(GetSubMenu(native, 9), popupNativeHandle(libGetKindHandle(libKindChannel)));
    moduleMenuDestroy(18, slot);
    slot = moduleMenuBuild(22, 3, e);
    EXPECT_EQ(GetSubMenu(static_cast<HMENU>(popupNativeHandle(slot)), 4),
              popupNativeHandle(libGetKindHandle(libKindEffect)));
    moduleMenuDestroy(22, slot);
    slot = moduleMenuBuild(19, 0, e);
    EXPECT_TRUE(enabledItem(slot, 2));
    EXPECT_FALSE(enabledItem(slot, 3));
    moduleMenuDestroy(19, slot);
    slot = moduleMenuBuild(20, 0, e);
    EXPECT_TRUE(enabledItem(slot, 2));
    EXPECT_FALSE(enabledItem(slot, 3));
    moduleMenuDestroy(20, slot);
    // Gestures on channel 1's header: right click and Alt-click open, a plain click toggles.
    popupSetTrackHook(trackHook);
    g_menuCount = 0;
    g_menuAnswer = 0;
    CtrlRect r;
    patchPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, cid(0, 13), &r));
    const int x = r.left + 20, y = r.top + 4;
    PostMessageA(page.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    PostMessageA(page.hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    drainMessages();
    EXPECT_EQ(g_menuCount, 1) << "right click";
    EXPECT_TRUE(oscIsOn(e, 0)) << "the switch is left as it was";
    g_testTick += 1000;
    // Alt held: the framework reads the key state of the message.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    postClick(page.hwnd(), x, y);
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(g_menuCount, 2) << "Alt-click";
    EXPECT_TRUE(oscIsOn(e, 0));
    g_testTick += 1000;
    postClick(page.hwnd(), x, y);
    EXPECT_EQ(g_menuCount, 2) << "a plain click opens nothing";
    EXPECT_FALSE(oscIsOn(e, 0)) << "it switches the channel";
    g_testTick += 1000;
    // A double click: the first press switches, the second opens the menu and switches nothing.
    postClick(page.hwnd(), x, y);
    g_testTick += 100;
    postClick(page.hwnd(), x, y);
    EXPECT_EQ(g_menuCount, 3) << "double click";
    EXPECT_TRUE(oscIsOn(e, 0));
    g_testTick += 1000;
    // A right click on the background outside every module area.
    PostMessageA(page.hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(640, 630));
    PostMessageA(page.hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(640, 630));
    drainMessages();
    EXPECT_EQ(g_menuCount, 3) << "outside every module area";
    // No free popup slot: the menu does not open and nothing breaks.
    std::vector<int16_t> taken;
    while (int16_t s = popupCreate()) taken.push_back(s);
    moduleMenuOpen(kWin, e, 18, 0);
    EXPECT_EQ(g_menuCount, 3);
    for (int16_t s : taken) popupDestroy(s);
  });
}

namespace {
// Preset A's channel 0: Double with a preset wave of its own, three envelopes (its amplitude slot,
// a pitch envelope and a filter envelope). Returns the wave id.
// The spectrum peak of a note rendered through the channels that are on, by the audio client's own
// sub-block.
double renderedPeak(Engine* e) {
  engineApplyPatchChange(e, 1);
  std::vector<float> out1(engineBlockMax), out2(engineBlockMax);
  float* outs[2] = {out1.data(), out2.data()};
  const std::uint8_t note[3] = {0x90, 57, 100};
  std::vector<float> taken;
  for (int b = 0; b < 40; ++b) {
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, b == 0 ? note : nullptr, b == 0 ? 1 : 0);
    if (b >= 8) taken.insert(taken.end(), out1.begin(), out1.end());
  }
  const std::uint8_t off[3] = {0x80, 57, 0};
  TestAudioThread::runClientSubBlock(e, outs, 2, 0, off, 1);
  for (int b = 0; b < 200; ++b) TestAudioThread::runClientSubBlock(e, outs, 2);
  EXPECT_GT(signalRms(taken), 0.001);
  EXPECT_TRUE(signalAllNormal(taken.data(), taken.size()));
  return signalPeakFrequency(taken, 44100.0);
}

int16_t makeSourceChannel(Engine* e) {
  engineInitPreset(e);
  oscSetOn(e, 0, 1);
  oscSetType(e, 0, 1);
  const int16_t wave = engineClaimPresetWave(e);
  float samples[waveLength];
  for (int i = 0; i < waveLength; ++i)
    samples[i] = static_cast<float>(std::sin(2 * 3.14159265358979 * 3 * i / waveLength));
  waveCopySamplesIn(e, static_cast<uint16_t>(wave & 0xFF), samples);
  oscSetWaveA(e, 0, wave);
  oscSetPitch(e, 0, 7.0f);
  filterSetOn(e, 0, 1);
  filterSetType(e, 0, 6);
  envSlot(e, 0)->destination = envDestOscAmp;
  envSlot(e, 0)->lastIndex = 3;
  const int16_t pitch = envCreate(e, 0, envDestOscPitch);
  const int16_t cutoff = envCreate(e, 0, envDestFilterFreq);
  envSlot(e, pitch)->lastIndex = 2;
  envSlot(e, cutoff)->lastIndex = 4;
  return wave;
}
}  // namespace

TEST(PatchPage, ChannelCopiedFromOnePresetPastesIntoAnotherAsOneUndoStep) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    moduleClipboardInitOnce();
    const int16_t wave = makeSourceChannel(e);
    ChannelOscRecord sourceOsc = *engineGetChannel(e, 0);
    FilterRecord sourceFilter = *engineGetFilter(e, 0);
    float sourceWave[waveLength];
    std::memcpy(sourceWave, waveGet(e, wave)->samples, sizeof sourceWave);
    const double peakA = renderedPeak(e);
    moduleCopyChannel(e, 0);
    EXPECT_EQ(moduleClipboard()->kind, 6u);
    EXPECT_EQ(moduleClipboard()->channel.envelopeCount, 3u);

    // Preset B: a fresh patch whose preset wave 1 holds something else.
    engineInitPreset(e);
    const int16_t other = engineClaimPresetWave(e);
    float noise[waveLength];
    for (int i = 0; i < waveLength; ++i) noise[i] = (i % 7) / 7.0f;
    waveCopySamplesIn(e, static_cast<uint16_t>(other & 0xFF), noise);
    // B as a loaded preset is: stored and selected once through the undo bank.
    ASSERT_TRUE(undoStorePatchBefore(e));
    undoPatch(e);
    ChannelOscRecord beforeOsc = *engineGetChannel(e, 2);
    FilterRecord beforeFilter = *engineGetFilter(e, 2);
    ModulatorRecord beforeMod = *engineGetModulator(e, 2);
    std::vector<EnvelopeSlot> beforeEnv(envSlotCount);
    for (int16_t i = 0; i < envSlotCount; ++i) beforeEnv[i] = *envSlot(e, i);

    const auto t0 = std::chrono::steady_clock::now();
    moduleMenuSetContext(kWin, e, 2);
    moduleMenuOscilCommand(0, 5);  // "Paste Channel"
    std::printf("Paste Channel with three envelopes: %.1f ms\n", msSince(t0));
    EXPECT_EQ(undoGetKind(), undoKindPatch);

    ChannelOscRecord pasted = *engineGetChannel(e, 2);
    {
      // Equal apart from the index fields (and the wave the paste had to re-link).
      ChannelOscRecord a = sourceOsc, b = pasted;
      b.channel = a.channel;
      b.subRecord.channel = a.subRecord.channel;
      b.waveA = a.waveA;
      EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
      FilterRecord fa = sourceFilter, fb = *engineGetFilter(e, 2);
      fb.index = fa.index;
      EXPECT_EQ(0, std::memcmp(&fa, &fb, sizeof fa));
    }
    EXPECT_EQ(pasted.type, sourceOsc.type);
    EXPECT_FLOAT_EQ(pasted.pitchRatio, sourceOsc.pitchRatio);
    EXPECT_EQ(pasted.channel, 2);
    EXPECT_EQ(filterGetType(e, 2), sourceFilter.type);
    EXPECT_EQ(engineGetFilter(e, 2)->index, 2);
    EXPECT_NE(pasted.waveA, other) << "wave 1 of B differs: a new preset wave";
    EXPECT_EQ(waveGetState(e, static_cast<int16_t>(pasted.waveA)), waveStateLocal);
    EXPECT_EQ(0, std::memcmp(waveGet(e, static_cast<int16_t>(pasted.waveA))->samples, sourceWave, sizeof sourceWave));
    char name[40] = {0};
    waveGetName(e, static_cast<int16_t>(pasted.waveA), name);
    EXPECT_EQ(std::string(name).substr(0, 7), "preset ");
    int owned = 0;
    for (int16_t i = 3; i < envSlotCount; ++i)
      if (envSlot(e, i)->destination != 0 && envSlot(e, i)->owner == 2) ++owned;
    EXPECT_EQ(owned, 2) << "the pitch and filter envelopes are channel 2's now";
    EXPECT_EQ(envSlot(e, 2)->lastIndex, 3) << "channel 2's own amplitude envelope is A's";

    // Edit > Undo brings B back byte for byte; Redo the paste.
    undoRedo(kWin);
    EXPECT_EQ(0, std::memcmp(engineGetChannel(e, 2), &beforeOsc, sizeof beforeOsc));
    EXPECT_EQ(0, std::memcmp(engineGetFilter(e, 2), &beforeFilter, sizeof beforeFilter));
    EXPECT_EQ(0, std::memcmp(engineGetModulator(e, 2), &beforeMod, sizeof beforeMod));
    for (int16_t i = 0; i < envSlotCount; ++i) {
      EXPECT_EQ(envSlot(e, i)->destination, beforeEnv[i].destination) << i;
      EXPECT_EQ(envSlot(e, i)->owner, beforeEnv[i].owner) << i;
      EXPECT_EQ(envSlot(e, i)->lastIndex, beforeEnv[i].lastIndex) << i;
      EXPECT_EQ(0, std::memcmp(envSlot(e, i)->breakpoints, beforeEnv[i].breakpoints, sizeof beforeEnv[i].breakpoints))
          << i;
    }
    undoRedo(kWin);
    EXPECT_EQ(engineGetChannel(e, 2)->type, sourceOsc.type);
    // Heard alone, channel 2 of B sounds like channel 0 of A.
    oscSetOn(e, 0, 0);
    oscSetOn(e, 1, 0);
    oscSetOn(e, 2, 1);
    const double peakB = renderedPeak(e);
    std::printf("spectrum peak: A channel 0 %.1f Hz, B channel 2 %.1f Hz\n", peakA, peakB);
    EXPECT_NEAR(peakB, peakA, peakA * 0.01);

    // Pasted back into the preset it came from, unchanged: the wave id is kept.
    const int16_t wave2 = static_cast<int16_t>(engineGetChannel(e, 2)->waveA);
    moduleCopyOscil(e, 2);
    modulePasteOscil(e, 0, false);
    EXPECT_EQ(engineGetChannel(e, 0)->waveA, wave2);
    // A master filter pasted into a channel loses its post-mix switch.
    filterSetOn(e, 3, 1);
    filterSetPostMix(e, 3, 1);
    moduleCopyFilter(e, 3);
    modulePasteFilter(e, 1, false);
    EXPECT_EQ(filterIsPostMix(e, 1), 0);
    EXPECT_EQ(engineGetFilter(e, 1)->index, 1);
    // A paste into a channel that is off leaves a valid engine.
    oscSetOn(e, 1, 0);
    moduleCopyChannel(e, 2);
    modulePasteChannel(e, 1);
    EXPECT_EQ(engineGetChannel(e, 1)->type, sourceOsc.type);
    page.refresh();
    page.capture("patch_page_after_paste.png");
  });
}

TEST(PatchPage, PastesWhenTheEnvelopesOrThePresetWavesRunOut) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    moduleClipboardInitOnce();
    makeSourceChannel(e);
    moduleCopyChannel(e, 0);
    // B: every envelope slot taken, every preset wave taken.
    engineInitPreset(e);
    while (envCreate(e, 1, envDestEffectDry) >= 0) {
    }
    while (engineClaimPresetWave(e) >= 0) {
    }
    msgBoxCaptureBegin(0);
    moduleMenuSetContext(kWin, e, 2);
    moduleMenuOscilCommand(0, 5);
    std::vector<std::string> texts;
    for (size_t i = 0; i < msgBoxCaptureCount(); ++i) texts.push_back(msgBoxCaptureText(i));
    msgBoxCaptureEnd();
    const std::string full =
        "Error, paste envelopes failed! The maximum supported number of envelopes has been reached.";
    EXPECT_EQ(std::count(texts.begin(), texts.end(), full), 2) << "once for each class that had envelopes";
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string("No more preset waves available.")), 1);
    const ChannelOscRecord* r = engineGetChannel(e, 2);
    EXPECT_EQ(r->type, 1) << "the module is pasted all the same";
    EXPECT_EQ(waveGetState(e, static_cast<int16_t>(r->waveA)), waveStateBuiltIn) << "a valid wave: global 0";
    EXPECT_EQ(e->paused.load(), 0) << "the audio restarts";
    // "New..." on a wave popup with no preset wave free: the message and nothing else.
    msgBoxCaptureBegin(0);
    oscSetOn(e, 0, 1);
    page.refresh();
    const int16_t waveBefore = oscGetWaveA(e, 0);
    page.choose(cid(0, 43), 1, waveMenuPresetHandle());
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), "No more preset waves available.");
    msgBoxCaptureEnd();
    EXPECT_EQ(oscGetWaveA(e, 0), waveBefore);
  });
}

TEST(PatchPage, NewWaveClaimsAPresetWave) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    page.refresh();
    page.choose(cid(0, 43), 1, waveMenuPresetHandle());
    const int16_t w = oscGetWaveA(e, 0);
    EXPECT_EQ(w & 0xFF00, 0x7F00);
    EXPECT_EQ(waveGetState(e, w), waveStateLocal);
    patchPageSelectPane(kWin);
    char name[40] = {0};
    waveGetName(e, w, name);
    EXPECT_STREQ(selectorFind(kWin, cid(0, 43))->choiceText, name);
    EXPECT_EQ(mainWindowShownPage(kWin), pageWave) << "the new wave is edited on the Wave page";
  });
}

namespace {

// The entries of the wave popup that opens; the menu is also shown for real for a moment, long
// enough for a thread timer in its modal loop to capture it and end it.
std::vector<std::string> g_popupTexts;
std::string g_popupPng;
void CALLBACK captureAndEndMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (menu && IsWindowVisible(menu) && !g_popupPng.empty()) {
    CapturedWindow shot;
    windowCapturePng(menu, g_popupPng, &shot);
    g_popupPng.clear();
  }
  EndMenu();
}
int showWavePopup(void* menu, int x, int y, void* owner) {
  HMENU m = static_cast<HMENU>(menu);
  g_popupTexts.clear();
  for (int i = 0; i < GetMenuItemCount(m); ++i) {
    char text[64] = {0};
    GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    g_popupTexts.push_back(text);
  }
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, captureAndEndMenu);
  TrackPopupMenu(m, TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, static_cast<HWND>(owner), nullptr);
  KillTimer(nullptr, timer);
  return 0;
}

}  // namespace

// Each wave popup of the page opens with the name of the wave its selector shows as entry 1, then
// "User" and "Factory"; the entries follow a wave chosen since the page was built.
TEST(PatchPage, WavePopupsOpenWithTheWaveTheyShow) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    modulatorSetOn(e, 0, 1);
    oscSetWaveA(e, 0, 1);
    modulatorSetWave(e, 0, 2);
    page.refresh();
    popupSetTrackHook(showWavePopup);
    const struct {
      uint16_t id;
      int16_t wave;
      const char* png;
    } cases[] = {{cid(0, patchKWaveA), 1, "patch-wave-popup.png"}, {cid(0, patchKModWave), 2, ""}};
    for (const auto& c : cases) {
      SCOPED_TRACE(c.id);
      char name[40] = {0};
      waveGetName(e, c.wave, name);
      ASSERT_NE(name[0], 0);
      patchPageSelectPane(kWin);
      CtrlRect r;
      ASSERT_TRUE(ctrlGetRect(kWin, c.id, &r));
      ASSERT_TRUE(page.shown(c.id));
      g_popupTexts.clear();
      g_popupPng = c.png;
      g_testTick += 1000;
      postClick(page.hwnd(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
      EXPECT_EQ(g_popupTexts, (std::vector<std::string>{name, "User", "Factory"}));
    }
    EXPECT_TRUE(g_popupPng.empty()) << "the popup was captured";
    // Another wave chosen: the next opening names it.
    page.choose(cid(0, patchKWaveA), waveMenuFactoryItemOf(3), waveMenuFactoryHandle());
    char name[40] = {0};
    waveGetName(e, 3, name);
    CtrlRect r;
    patchPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, cid(0, patchKWaveA), &r));
    g_popupPng.clear();
    g_testTick += 1000;
    postClick(page.hwnd(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_FALSE(g_popupTexts.empty());
    EXPECT_EQ(g_popupTexts[0], name);
  });
}

TEST(PatchPage, FilterLibrarySubmenuOf256FilesAndAFileCutShort) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    const std::string root = testTempDir() + "patch_lib" + std::string(1, testTempDir().back());
    char folderName[32];
    libFolderName(libKindFilter, folderName, sizeof folderName);
    const std::string folder = root + folderName;
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(folder);
    // A settings key of this program's own: other test programs set "LibrariesPath" at the same time.
    if (!gpSettings()) gpOpenAppRegistry("MorvanePagesTests");
    testSetSetting("LibrariesPath", root.c_str());
    if (!chunkBufferData()) {
      ASSERT_TRUE(chunkBufferInit(chunkCapacity));
    }
    fileSetChunkTypeCallback(chunkHeaderCheck);
    filterSetOn(e, 1, 1);
    filterSetType(e, 1, 10);
    FileSpec file = {};
    const std::string first = folder + "f000.gly";
    std::snprintf(file.path, sizeof file.path, "%s", first.c_str());
    ASSERT_TRUE(libWriteFile(&file, libKindFilter, 1, e));
    for (int i = 1; i < 255; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "f%03d.gly", i);
      std::filesystem::copy_file(first, folder + name);
    }
    // The last one cut short in the middle of its filter chunk.
    const auto size = std::filesystem::file_size(first);
    std::filesystem::copy_file(first, folder + "f255.gly");
    std::filesystem::resize_file(folder + "f255.gly", size / 2);

    libSetupAll();
    const auto t0 = std::chrono::steady_clock::now();
    const int16_t slot = moduleMenuBuild(moduleMenuFilter, 1, e);
    std::printf("filter menu with a library submenu of 256 files: %.1f ms\n", msSince(t0));
    ASSERT_NE(slot, 0);
    const int16_t lib = libGetKindHandle(libKindFilter);
    ASSERT_EQ(popupItemCount(lib), 256);
    int cutItem = 0;
    for (int pos = 0; pos < 256; ++pos) {
      char text[64];
      popupItemText(lib, pos, text, sizeof text);
      if (std::string(text) == "f255") cutItem = popupItemId(lib, pos);
    }
    ASSERT_NE(cutItem, 0);
    // Loading the cut file into filter 0 through the menu's handler leaves a playable filter.
    filterSetType(e, 0, 1);
    msgBoxCaptureBegin(0);
    moduleMenuSetContext(kWin, e, 0);
    moduleMenuFilterCommand(lib, static_cast<int16_t>(cutItem));
    msgBoxCaptureEnd();
    const int16_t type = filterGetType(e, 0);
    EXPECT_TRUE(filterTypeIsUsed(type)) << type;
    EXPECT_TRUE(std::isfinite(filterGetFrequency(e, 0)));
    EXPECT_EQ(e->paused.load(), 0) << "the audio runs again";
    // A whole file loads.
    moduleMenuFilterCommand(lib, static_cast<int16_t>(cutItem == 1 ? 2 : 1));
    EXPECT_EQ(filterGetType(e, 0), 10);
    moduleMenuDestroy(moduleMenuFilter, slot);
    libResetForTest();
    testSetSetting("LibrariesPath", nullptr);
    std::filesystem::remove_all(root);
  });
}

TEST(PatchPage, SampleLoopBoxesKeepTheirDistance) {
  runInApplication([&](RecordingApplication&) {
    PageHarness page;
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    page.refresh();
    page.choose(cid(0, 47), 7);  // "Sample"
    page.choose(cid(0, 65), 3);  // "Loop Edit"
    EXPECT_EQ(sampleGetLoopMode(e, 0), 2);
    EXPECT_TRUE(page.activeCtl(cid(0, 66)));
    const int32_t end = sampleGetLoopEnd(e, 0);
    // A loop start typed above the end: the engine stays valid and the boxes stay 64 apart.
    page.setBox(cid(0, 66), end + 5000.0);
    EXPECT_LE(sampleGetLoopStart(e, 0), sampleGetLoopEnd(e, 0));
    EXPECT_LE(page.box(cid(0, 66))->maximum + 64, page.box(cid(0, 67))->value + 1e-9);
    EXPECT_GE(page.box(cid(0, 67))->minimum, page.box(cid(0, 66))->value + 64 - 1e-9);
    page.choose(cid(0, 65), 1);
    EXPECT_FALSE(page.activeCtl(cid(0, 66)));
  });
}
