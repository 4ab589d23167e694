// The controller slots' menus and the "Create XY Controller" dialog inside the real program: the
// slider menu's destination rows in their order (cut at 32) and the page each one shows, a pair made
// through the dialog and split again through the pad's menu, the dialog's refusals (the same
// controller twice, a controller already on a pad), OK with no Y, the frame's close box and opening
// again, a pair with aftertouch, a capture kept as PNG and the time to build a 32-row menu.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/selector.h"
#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "kitTestSupport.h"
#include "midi/midiSlotMenus.h"
#include "midi/support/midiInProgram.h"
#include "midi/xyDialog.h"
#include "pages/mainPage.h"
#include "pages/midiSlots.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/envelope.h"
#include "preset/sliderList.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiSeams/msgBox.h"

using namespace midiprog;

namespace {

uint16_t sliderOf(int s) { return static_cast<uint16_t>(midiSlotIdBase + midiSlotIdStep * s + 4); }
uint16_t padOf(int s) { return static_cast<uint16_t>(midiSlotIdBase + midiSlotIdStep * s + 5); }

// The preset's slider list made of these controllers (names may be empty), the slots refilled.
void setList(const std::vector<std::pair<int, const char*>>& controllers) {
  SliderList* list = engineGetSliderList(engine());
  list->count = sliderListMax;
  for (SliderEntry& e : list->entries) sliderEntryClear(&e);
  for (const auto& c : controllers) sliderListSet(list, c.first, 64, c.second);
  mainWindowShowPage(1, pageMain);
  midiPageRefillSlots(1);
  pump();
}

// Alt-click on a slot's slider or pad, the menu answered with `choose` ("" chooses nothing).
void altClick(uint16_t id, const std::string& choose) {
  g_menu = MenuSeen();
  g_menu.choose = choose;
  popupSetTrackHook(readMenu);
  const POINT p = itemPoint(mainPageSelect, id, 20, 5);
  holdKey(VK_MENU, true);
  click(p);
  pump();
  holdKey(VK_MENU, false);
  pump();
  popupSetTrackHook(nullptr);
}

// The dialog's steps run from a thread timer inside its modal loop; a last step ends a dialog left
// open and tells it did.
bool g_leftOpen = false;
int g_waited = 0;
void runDialog(const std::function<void()>& open, std::vector<std::function<bool()>> steps) {
  g_leftOpen = false;
  steps.push_back([] {
    g_leftOpen = xyDialogIsOpen() != 0;
    if (g_leftOpen) xyDialogClose();
    return false;
  });
  g_steps = std::move(steps);
  g_step = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
  open();
  KillTimer(nullptr, timer);
}
bool dialogUp() { return xyDialogIsOpen() && IsWindowVisible(winGetFrameworkWindow(xyDialogBuildId())); }
// A step that waits for the dialog to show.
std::function<bool()> waitShown() {
  return [] {
    if (!dialogUp()) --g_step;
    return true;
  };
}
std::function<bool()> clickOk() {
  return [] {
    clickAt(winGetFrameworkWindow(xyDialogBuildId()), 115 + 30, 137 + 8);
    g_waited = 0;
    return true;
  };
}
// Waits (up to 200 beats) until the dialog has ended by itself.
std::function<bool()> untilClosed() {
  return [] {
    if (xyDialogIsOpen() && ++g_waited < 200) --g_step;
    return true;
  };
}
// The Y selector opened with a real click and the entry with that label chosen (the popup seam stays
// until the test's end: the click is handled on a later beat).
void chooseY(const std::string& label) {
  g_menu = MenuSeen();
  g_menu.choose = label;
  popupSetTrackHook(readMenu);
  clickAt(winGetFrameworkWindow(xyDialogBuildId()), 100 + 30, 70 + 8);
}

const SliderEntry* entry(int c) { return sliderListFind(engineGetSliderList(engine()), c); }

class XySlots : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(engine(), nullptr);
    msgBoxCaptureBegin(msgAnswerOk);
    mainWindowShowPage(1, pageMain);
    pump();
  }
  void TearDown() override {
    msgBoxCaptureEnd();
    popupSetTrackHook(nullptr);
    holdKey(VK_MENU, false);
    sliderListDefaults(engineGetSliderList(engine()));
    mainWindowShowPage(1, pageMain);
    midiPageRefillSlots(1);
  }
};

// Controller 20 drives every kind of destination once.
void driveEverythingBy20() {
  Engine* e = engine();
  for (int16_t k : {2, 5, 7, 3, 4, 6}) ccMapSetControllerNumber(e, k, 20);
  ccMapSetFilterDepth(e, 50.0);
  ccMapSetOscLevelDepth(e, 50.0);
  ccMapSetEffectDepth(e, 50.0);
  lfoSetOn(e, 1, 1);
  lfoSetDepthAmount(e, 1, 0.5);
  lfoSetRateRange(e, 1, 0.5);
  lfoSetHoldRateRange(e, 1, 0.5);
  for (int16_t k = 0; k < 3; ++k) lfoSetControllerSource(e, 1, k, 20);
  EnvelopeSlot* amp = envSlot(e, 0);
  amp->ccScaleOn = 1;
  amp->breakpoints[1].ampCc = 20;
  amp->breakpoints[1].ampScale = 0.5f;
  amp->breakpoints[0].timeCc = 20;
  amp->breakpoints[0].timeScale = -0.5f;
  amp->mode = envModeControl;
  amp->controlSource = 20;
}

}  // namespace

TEST_F(XySlots, SliderMenuListsTheDestinationsInOrderAndShowsTheirPages) {
  bankSelectPreset(bank(), engine(), 0);
  driveEverythingBy20();
  setList({{20, "Cut"}, {21, ""}});
  ASSERT_EQ(midiPageSlots()[0].controller, 20);
  char amp[envNameSize];
  envGetName(engine(), 0, amp, envDestNone, 0);
  const std::vector<std::string> expected = {"Make XY Controller...",
                                             "-",
                                             "Volume",
                                             "Pan LR",
                                             "Pan FB",
                                             "Filter freq depth",
                                             "Oscil balance/index depth",
                                             "Effect time depth",
                                             "Lfo 2 Depth",
                                             "Lfo 2 Rate",
                                             "Lfo 2 SH Rate",
                                             std::string("Env Amp, ") + amp,
                                             std::string("Env Time, ") + amp,
                                             std::string("Control Driven Env, ") + amp};
  altClick(sliderOf(0), "");
  EXPECT_EQ(g_menu.shown, 1);
  EXPECT_EQ(g_menu.texts, expected);

  // The other slot's controller drives nothing: only the first two items.
  altClick(sliderOf(1), "");
  EXPECT_EQ(g_menu.texts, (std::vector<std::string>{"Make XY Controller...", "-"}));

  // A row shows the page that edits it.
  const struct {
    const char* row;
    int page;
  } rows[] = {{"Lfo 2 Rate", pageLfo}, {"Volume", pageMidi}, {nullptr, pageEnvelope}};
  for (const auto& r : rows) {
    const std::string text = r.row ? r.row : expected[11];
    SCOPED_TRACE(text);
    mainWindowShowPage(1, pageMain);
    pump();
    altClick(sliderOf(0), text);
    EXPECT_EQ(mainWindowShownPage(1), r.page);
  }
  bankSelectPreset(bank(), engine(), 0);
}

// A double click opens the menu as Alt does; a controller that drives more than 32 destinations
// lists only the first 32 rows. The menu's build with 32 rows is timed.
TEST_F(XySlots, DoubleClickOpensAMenuOfAtMost32Rows) {
  bankSelectPreset(bank(), engine(), 0);
  driveEverythingBy20();
  Engine* e = engine();
  for (int n = 0; n < 10; ++n) {
    const int16_t s = envCreate(e, 0, envDestOscPitch);
    ASSERT_GE(s, 0);
    EnvelopeSlot* slot = envSlot(e, s);
    slot->ccScaleOn = 1;
    slot->breakpoints[0].ampCc = 20;
    slot->breakpoints[0].ampScale = 1.0f;
    slot->breakpoints[1].timeCc = 20;
    slot->breakpoints[1].timeScale = 1.0f;
    slot->mode = envModeControl;
    slot->controlSource = 20;
  }
  setList({{20, "Cut"}});
  g_menu = MenuSeen();
  popupSetTrackHook(readMenu);
  const POINT p = itemPoint(mainPageSelect, sliderOf(0), 30, 5);
  click(p);
  click(p);
  pump();
  popupSetTrackHook(nullptr);
  EXPECT_GE(g_menu.shown, 1);
  ASSERT_EQ(g_menu.texts.size(), 2u + midiDestRowCount);
  EXPECT_EQ(g_menu.texts[2], "Volume");
  EXPECT_EQ(g_menu.texts.back().rfind("Env Time, ", 0), 0u) << g_menu.texts.back();
  EXPECT_EQ(midiDestListFill(e, 20, 0), midiDestRowCount);

  // Timing: the whole menu (clear, fill, 34 entries, tracked by the seam, destroyed).
  popupSetTrackHook([](void*, int, int, void*) { return 0; });
  mainPageSelect(1);
  ControlItem* slider = ctrlFind(1, sliderOf(0));
  ASSERT_NE(slider, nullptr);
  const int16_t freeBefore = popupFindFreeSlot();
  const int rounds = 50;
  const auto t0 = std::chrono::steady_clock::now();
  const double cpu0 = threadCpuMs();
  for (int i = 0; i < rounds; ++i) midiSlotMenuOpen(slider);
  const double cpuMs = (threadCpuMs() - cpu0) / rounds;
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / rounds;
  popupSetTrackHook(nullptr);
  std::printf("slot menu with 32 destination rows: %.3f ms (%.3f ms of processor)\n", ms, cpuMs);
  RecordProperty("slotMenu32RowsMs", std::to_string(ms));
  EXPECT_LT(cpuMs, 50.0);
  EXPECT_EQ(popupFindFreeSlot(), freeBefore) << "every menu was destroyed";
  bankSelectPreset(bank(), engine(), 0);
}

// "Make XY Controller..." opens the dialog with Y preset to the controller after X; OK links the pair
// into one pad; the pad's "Make into Sliders" splits it again.
TEST_F(XySlots, APairMadeInTheDialogBecomesOnePadAndSplitsAgain) {
  setList({{20, "Cut"}, {21, ""}, {30, "Res"}});
  CapturedWindow shot;
  std::vector<int16_t> candidates;
  int16_t y = 0;
  runDialog([] { altClick(sliderOf(0), "Make XY Controller..."); }, {waitShown(),
                                                                     [&] {
                                                                       for (int i = 0; i < 4; ++i)
                                                                         candidates.push_back(xyDialogCandidate(i));
                                                                       y = xyDialogY();
                                                                       HWND w =
                                                                           winGetFrameworkWindow(xyDialogBuildId());
                                                                       UpdateWindow(w);
                                                                       windowCapturePng(w, "xy-dialog.png", &shot);
                                                                       return true;
                                                                     },
                                                                     clickOk(), untilClosed()});
  EXPECT_FALSE(g_leftOpen) << "OK closed it";
  EXPECT_EQ(candidates, (std::vector<int16_t>{20, 21, 30, midiSlotNone}));
  EXPECT_EQ(y, 21);
  EXPECT_EQ(shot.width, 324);
  EXPECT_EQ(shot.height, 167);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
  ASSERT_NE(entry(20), nullptr);
  EXPECT_EQ(entry(20)->partner, 21);
  EXPECT_EQ(entry(20)->second, 0);
  EXPECT_EQ(entry(21)->partner, 20);
  EXPECT_EQ(entry(21)->second, 1);
  const MidiSlot& pad = midiPageSlots()[0];
  EXPECT_TRUE(pad.used && pad.isXY);
  EXPECT_EQ(pad.xController, 20);
  EXPECT_EQ(pad.yController, 21);
  EXPECT_EQ(midiPageSlots()[1].controller, 30) << "the single controller next to the pad";

  altClick(padOf(0), "Make into Sliders");
  EXPECT_EQ(g_menu.texts.at(0), "Make into Sliders");
  EXPECT_EQ(entry(20)->partner, midiSlotNone);
  EXPECT_EQ(entry(21)->partner, midiSlotNone);
  EXPECT_EQ(entry(21)->second, 0);
  for (int s = 0; s < 3; ++s) {
    EXPECT_TRUE(midiPageSlots()[s].used);
    EXPECT_FALSE(midiPageSlots()[s].isXY);
  }
}

// Refusals: X equal to Y, a controller already on a pad; OK with no Y links nothing and says nothing
// misleading; every way out refills the slots and leaves the dialog closed.
TEST_F(XySlots, RefusalsLinkNothing) {
  setList({{7, "vol"}, {10, "LR pan"}, {11, "FB pan"}, {20, ""}});
  SliderList* list = engineGetSliderList(engine());
  sliderListSetPartner(list, 10, 11);
  sliderListSetPartner(list, 11, 10);
  sliderListSetFlag(list, 11, 1);
  midiPageRefillSlots(1);
  pump();

  // The same controller on both axes.
  runDialog([] { xyDialogOpen(1, engine(), 20, midiSlotNone); },
            {waitShown(),
             [] {
               chooseY("cc 20");  // 20 itself
               return true;
             },
             [] {
               EXPECT_EQ(g_menu.texts, (std::vector<std::string>{"vol 7", "LR pan 10", "FB pan 11", "cc 20"}));
               EXPECT_EQ(xyDialogY(), 20);
               return true;
             },
             clickOk(), untilClosed()});
  EXPECT_FALSE(g_leftOpen);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0), "Error: X and Y midi controllers must not be the same.");
  EXPECT_EQ(entry(20)->partner, midiSlotNone);

  // Y on a pad already.
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerOk);
  runDialog([] { xyDialogOpen(1, engine(), 7, 11); }, {waitShown(), clickOk(), untilClosed()});
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0),
               "Error: one of the selected MIDI controllers is already assigned to an XY control.");
  EXPECT_EQ(entry(7)->partner, midiSlotNone);
  EXPECT_EQ(entry(11)->partner, 10);

  // A list of one controller: Y stays -10, selector Y shows nothing, OK links nothing, no message.
  setList({{20, ""}});
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerOk);
  int16_t y = 0;
  int ySelected = -1;
  runDialog([] { altClick(sliderOf(0), "Make XY Controller..."); }, {waitShown(),
                                                                     [&] {
                                                                       y = xyDialogY();
                                                                       SelectorData* d = selectorFind(xyDialogBuildId(),
                                                                                                      xyDialogItemY);
                                                                       ySelected = d ? d->selected : -1;
                                                                       return true;
                                                                     },
                                                                     clickOk(), untilClosed()});
  EXPECT_FALSE(g_leftOpen);
  EXPECT_EQ(y, midiSlotNone);
  EXPECT_EQ(ySelected, 0);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
  EXPECT_EQ(entry(20)->partner, midiSlotNone);
  EXPECT_TRUE(midiPageSlots()[0].used);
}

// The frame's close box ends the dialog without a change; it opens again afterwards. A second open
// while one is up does nothing.
TEST_F(XySlots, ClosedByItsFrameItOpensAgain) {
  setList({{20, ""}, {21, ""}});
  bool secondReturned = false;
  int16_t dialog = 0;
  runDialog([] { xyDialogOpen(1, engine(), 20, midiSlotNone); }, {waitShown(),
                                                                  [&] {
                                                                    dialog = xyDialogDialogId();
                                                                    xyDialogOpen(1, engine(), 21, midiSlotNone);
                                                                    secondReturned = xyDialogDialogId() == dialog;
                                                                    PostMessageA(winGetFrameworkWindow(dialog),
                                                                                 WM_SYSCOMMAND, SC_CLOSE, 0);
                                                                    g_waited = 0;
                                                                    return true;
                                                                  },
                                                                  untilClosed()});
  EXPECT_FALSE(g_leftOpen) << "the close box ended it";
  EXPECT_TRUE(secondReturned);
  EXPECT_FALSE(xyDialogIsOpen());
  EXPECT_EQ(winSlot(dialog), nullptr);
  EXPECT_EQ(entry(20)->partner, midiSlotNone);

  bool opened = false;
  runDialog([] { xyDialogOpen(1, engine(), 20, midiSlotNone); }, {waitShown(),
                                                                  [&] {
                                                                    opened = true;
                                                                    return true;
                                                                  },
                                                                  clickOk(), untilClosed()});
  EXPECT_TRUE(opened);
  EXPECT_EQ(entry(20)->partner, 21);
}

// Aftertouch on either axis: the pair is linked and the slots show it as a pad (X aftertouch here,
// Y aftertouch for the other way round).
TEST_F(XySlots, APairWithAftertouchIsShownAsAPad) {
  for (bool atOnX : {true, false}) {
    SCOPED_TRACE(atOnX ? "aftertouch on X" : "aftertouch on Y");
    setList({{-1, ""}, {20, "Cut"}, {33, ""}});
    runDialog([&] { xyDialogOpen(1, engine(), atOnX ? -1 : 20, midiSlotNone); }, {waitShown(),
                                                                                  [&] {
                                                                                    chooseY(atOnX ? "Cut 20" : "AT");
                                                                                    return true;
                                                                                  },
                                                                                  clickOk(), untilClosed()});
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
    ASSERT_NE(entry(-1), nullptr);
    EXPECT_EQ(entry(-1)->partner, 20);
    int pads = 0;
    for (int s = 0; s < midiSlotCount; ++s) {
      const MidiSlot& slot = midiPageSlots()[s];
      if (!slot.used || !slot.isXY) continue;
      ++pads;
      EXPECT_EQ(slot.xController, atOnX ? -1 : 20);
      EXPECT_EQ(slot.yController, atOnX ? 20 : -1);
    }
    EXPECT_EQ(pads, 1);
    int singles = 0;
    for (int s = 0; s < midiSlotCount; ++s) singles += midiPageSlots()[s].used && !midiPageSlots()[s].isXY;
    EXPECT_EQ(singles, 1) << "controller 33 on its own";
    if (!atOnX) {
      pump();
      windowCapturePng(mainHandle(), "xy-aftertouch-pad.png");
    }
  }
}

// The rectangle of item `id` of the Main page pane.
CtrlRect mainRect(uint16_t id) {
  mainPageSelect(1);
  CtrlRect r{};
  ctrlGetRect(1, id, &r);
  return r;
}

// Slot labels rewritten by a refill from another list (as a reopened bank gives) read exactly as a
// full repaint of the window draws them: nothing of the labels before stays, not even in the rows
// where a label stands above its slot's frame.
TEST_F(XySlots, RefilledLabelsKeepNothingOfTheLabelsBefore) {
  // Labels of tall letters first, with a pad of 10 and 11.
  setList({{7, "bdhklbdhkl"}, {10, "lkhdblkhdb"}, {11, "Hlkdbhlkdb"}, {12, "dlhkbdlhkb"}});
  SliderList* list = engineGetSliderList(engine());
  sliderListSetPartner(list, 10, 11);
  sliderListSetPartner(list, 11, 10);
  sliderListSetFlag(list, 11, 1);
  midiPageRefillSlots(1);
  pump();
  ASSERT_TRUE(midiPageSlots()[0].isXY);
  // The preset's list as a new bank brings it: "vol 7", "LR pan 10", "FB pan 11", then a pad again.
  sliderListDefaults(list);
  midiPageRefillSlots(1);
  pump();
  sliderListSetPartner(list, 10, 11);
  sliderListSetPartner(list, 11, 10);
  sliderListSetFlag(list, 11, 1);
  midiPageRefillSlots(1);
  pump();
  CapturedWindow shown, repainted;
  ASSERT_TRUE(captureShown(mainHandle(), shown, "slot-labels-refilled.png"));
  InvalidateRect(mainHandle(), nullptr, FALSE);
  UpdateWindow(mainHandle());
  pump();
  ASSERT_TRUE(captureShown(mainHandle(), repainted, "slot-labels-repainted.png"));
  int labels = 0;
  for (int s = 0; s < midiSlotCount; ++s) {
    const MidiSlot& slot = midiPageSlots()[s];
    if (!slot.used) continue;
    const uint16_t b = static_cast<uint16_t>(midiSlotIdBase + midiSlotIdStep * s);
    for (uint16_t id :
         slot.isXY ? std::vector<uint16_t>{uint16_t(b + 7), uint16_t(b + 8)} : std::vector<uint16_t>{uint16_t(b + 6)}) {
      const CtrlRect r = mainRect(id);
      ASSERT_LT(r.top, r.bottom);
      ++labels;
      int differing = 0;
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) differing += shown.at(x, y) != repainted.at(x, y) ? 1 : 0;
      EXPECT_EQ(differing, 0) << "slot " << s << ", item " << id;
    }
  }
  EXPECT_EQ(labels, 3) << "the pad's two labels and the slider of controller 7";
}

// Opened with an X that is not among the candidates (the list no longer holds it), Y is preset to the
// first candidate and the Y selector shows it; OK then links nothing, since X has no entry to link.
TEST_F(XySlots, WithXNotAmongTheCandidatesYIsTheFirstOne) {
  setList({{20, ""}, {21, ""}, {30, ""}});
  int16_t y = 0;
  int ySelected = -1;
  runDialog([] { xyDialogOpen(1, engine(), 99, midiSlotNone); }, {waitShown(),
                                                                  [&] {
                                                                    y = xyDialogY();
                                                                    SelectorData* d =
                                                                        selectorFind(xyDialogBuildId(), xyDialogItemY);
                                                                    ySelected = d ? d->selected : -1;
                                                                    return true;
                                                                  },
                                                                  clickOk(), untilClosed()});
  EXPECT_FALSE(g_leftOpen);
  EXPECT_EQ(y, 20);
  EXPECT_EQ(ySelected, 1);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
  EXPECT_EQ(entry(20)->partner, midiSlotNone);
}

// Opened from the slider of the highest controller, Y is preset to the one just below it. With the
// popup table full the slot's menu is not built and says so.
TEST_F(XySlots, FromTheHighestControllerYIsTheOneBelowAndAFullMenuTableSaysSo) {
  setList({{20, ""}, {21, ""}, {30, ""}});
  int16_t y = 0;
  runDialog([] { xyDialogOpen(1, engine(), 30, midiSlotNone); }, {waitShown(), [&] {
                                                                    y = xyDialogY();
                                                                    return true;
                                                                  }});
  EXPECT_EQ(y, 21);
  EXPECT_EQ(entry(30)->partner, midiSlotNone) << "closed without OK: nothing linked";

  std::vector<int16_t> taken;
  for (int16_t s = popupFindFreeSlot(); s > 0; s = popupFindFreeSlot()) {
    popupCreate(s, 0, "filler");
    taken.push_back(s);
  }
  altClick(sliderOf(0), "");
  for (int16_t s : taken) popupDestroy(s);
  EXPECT_EQ(g_menu.shown, 0);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0), "Error, Morvane could not build the contextual menu");
}
