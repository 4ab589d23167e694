// The Envelope page's settings and breakpoint fields as a user meets them: which sections and fields
// show for the start point, a channel amplitude envelope, a linked, a Control driven, a step and a
// bypassed envelope; values typed into the boxes reaching the engine; the refusals of the settings.
#include "../envHarness.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "envelope/envFieldEdits.h"
#include "envelope/envFields.h"
#include "envelope/envSettings.h"
#include "midi/midiNames.h"

namespace {

// The kit's clock starts again with every window fixture while the last press time stays: each page
// of a program starts its clock later than the last one, so its first press is never a double click.
void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

// Selects row `id`'s breakpoint bp (-1 the start point) by a posted click on its marker.
void selectBp(EnvHarness& page, int id, int bp) {
  EnvelopeGraphRecord* r = page.record(id);
  ASSERT_NE(r, nullptr);
  const GraphHit* hit = nullptr;
  if (bp == -1) {
    hit = &r->startMark;
  } else {
    for (int k = 0; k < r->pointCount; ++k)
      if (r->pointHits[k].valid && r->pointHits[k].breakpoint == bp) hit = &r->pointHits[k];
  }
  ASSERT_NE(hit, nullptr) << "breakpoint " << bp;
  ASSERT_TRUE(hit->valid);
  const int x = (hit->left + hit->right) / 2, y = (hit->top + hit->bottom) / 2;
  g_testTick += 1000;
  postPress(page.hwnd(), x, y);
  drainMessages();
  const int afterPress = page.view()->bpSelFirst;
  postRelease(page.hwnd(), x, y);
  drainMessages();
  ASSERT_EQ(page.view()->bpSelFirst, bp) << "after the press " << afterPress << " at " << x << "," << y;
}

std::string buttonText(EnvHarness& page, uint16_t id) {
  page.selectPane(kPageWin);
  ControlItem* it = page.item(id);
  ButtonData* d = it ? static_cast<ButtonData*>(it->k.kindData) : nullptr;
  return d ? std::string(d->text) : std::string("?");
}

TEST(EnvSections, ShownByStateTable) {
  {
    struct Row {
      std::string name;
      std::function<void(Engine*)> prepare;  // slot 0 shaped before the page opens
      int bp;                                // breakpoint clicked in row 16
      std::function<void(EnvHarness&)> act;  // after the click
      std::vector<uint16_t> shown, hidden;
    };
    const std::vector<Row> rows = {
        {"start point",
         nullptr,
         -1,
         nullptr,
         {envItemBpSection, envItemLevelForm},
         {envItemBpSegTime, envItemBpAbsTime, envItemBpSlope, envItemTimeForm, envItemStep, envItemEnable}},
        {"step breakpoint",
         [](Engine* e) { envSlot(e, 0)->breakpoints[1].step = 1; },
         1,
         nullptr,
         {envItemBpSection, envItemStep, envItemBpSegTime, envItemTimeForm, envItemSync},
         {envItemBpSlope, envItemEnable, envItemLinkSection, envItemControlSource}},
        {"control driven",
         [](Engine* e) { envSlot(e, 0)->mode = envModeControl; },
         1,
         nullptr,
         {envItemControlSource, envItemBpSection},
         {envItemSync, envItemLfoHolder, envItemCcHolder, envItemLinkSection, envItemLfoSwitch, envItemCcSwitch}},
        {"bypassed",
         nullptr,
         1,
         [](EnvHarness& page) {
           // A pitch envelope shows button 53; pressing it (bypass) hides sections 11, 12 and 13.
           envSetLfoOn(page.engine(), 0, 1);
           envSetCcScaleOn(page.engine(), 0, 1);
           envPageRefreshFields(kPageWin);
           page.selectPane(kPageWin);
           EXPECT_TRUE(page.shown(envItemLfoHolder));
           envSlot(page.engine(), 0)->destination = envDestOscPitch;
           envPageRefreshFields(kPageWin);
           ASSERT_TRUE(page.shown(envItemEnable));
           ControlItem* b = page.item(envItemEnable);
           page.click((b->rect.left + b->rect.right) / 2, (b->rect.top + b->rect.bottom) / 2);
           EXPECT_TRUE(envIsBypassed(page.engine(), 0));
         },
         {envItemEnable, envItemBpSection},
         {envItemLfoHolder, envItemCcHolder, envItemLinkSection}},
    };
    for (const Row& row : rows) {
      SCOPED_TRACE(row.name);
      runInApplication([&](RecordingApplication&) {
        EnvHarness page([&](Engine* e) {
          if (row.prepare) row.prepare(e);
        });
        laterClock();
        selectBp(page, 16, row.bp);
        if (row.act) row.act(page);
        page.selectPane(kPageWin);
        for (uint16_t id : row.shown) EXPECT_TRUE(page.shown(id)) << "item " << id << " shown";
        for (uint16_t id : row.hidden) EXPECT_FALSE(page.shown(id)) << "item " << id << " hidden";
        if (row.name == "step breakpoint") {
          EXPECT_EQ(buttonText(page, envItemStep), "Step");
        }
        if (row.name == "control driven") {
          EXPECT_EQ(buttonText(page, envItemControlSource), "CC 1");
        }
        if (row.name == "start point") {
          EXPECT_NEAR(page.boxValue(envItemBpLevelPercent), 0.0, 1e-6);
        }
        page.capture("envelope_sections_" + row.name + ".png");
      });
    }
  }
}

}  // namespace

namespace {

TEST(EnvSections, LinkedEnvelopeShowsOnlyTheLinkSectionAndTheModePopup) {
  runInApplication([&](RecordingApplication&) {
    int16_t a = -1, b = -1;
    EnvHarness page([&](Engine* e) {
      a = envCreate(e, 0, envDestOscPitch);
      b = envCreate(e, 0, envDestOscPhase);
      envSetLfoOn(e, b, 1);
      envSetCcScaleOn(e, b, 1);
    });
    laterClock();
    ASSERT_GE(b, 3);
    envChooseMode(page.engine(), b, 6);
    envSetLinkMaster(page.engine(), b, a);
    ASSERT_TRUE(envIsLinked(page.engine(), b));
    envGraphBindSlot(kPageWin, 17, b);
    envGraphSelectItem(kPageWin, 17);
    page.selectPane(kPageWin);
    for (uint16_t id : {envItemLinkSection, envItemMode, envItemLinkSource, envItemLinkTime})
      EXPECT_TRUE(page.shown(id)) << "item " << id << " shown";
    for (uint16_t id : {envItemLfoHolder, envItemCcHolder, envItemBpSection, envItemSync, envItemControlSource,
                        envItemLfoBpFields, envItemCcBpFields, envItemLfoSwitch, envItemCcSwitch})
      EXPECT_FALSE(page.shown(id)) << "item " << id << " hidden";
    SelectorData* source = selectorFind(kPageWin, envItemLinkSource);
    ASSERT_NE(source, nullptr);
    EXPECT_STREQ(source->choiceText, "oscil 1 main pitch (1)") << "the master's row is chosen";
    page.capture("envelope_sections_linked.png");
  });
}

}  // namespace
