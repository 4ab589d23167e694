// The echo's panel (effect type 4, picture 5): the base time in seconds or beats, the shared feedback
// and three echo lines. A line's on switch spans its row; the row's controls form a group shown only
// while the line is on, and each of the line's three filters shows its frequency box only while it is
// switched on. The echo's values go straight into the engine's live record (no undo step).
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/stepRules.h"
#include "engine/engine.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "pages/fxPage.h"
#include "skinBitmaps.h"

namespace {

const int kPanelBitmap = bmpEffectPageEchoPanel;
const int kLineSwitchBitmap = bmpEffectPageEchoLineSwitches;
const int kUnitSwitchBitmap = bmpEffectTimeUnitSwitchCaptionedByThePage;
const int kFlagBitmap = bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp;
const int kFilterBitmap = bmpEchoLineFilterSwitch;
enum {
  unitSwitch = fxEchoUnitSwitch,
  secondsGroup = fxEchoSecondsGroup,
  beatsGroup = fxEchoBeatsGroup,
  secondsBox = fxEchoSecondsBox,
  beatsBox = fxEchoBeatsBox,
  feedbackBox = fxEchoFeedbackBox
};
enum { lineCount = 3 };

int lineBase(int line) { return fxEchoLineBase + fxEchoLineStride * line; }
std::uint16_t lineId(int line, int k) { return static_cast<std::uint16_t>(lineBase(line) + k); }

void box(WinId win, int id, int x, int y, int width, int arrows, int decimals, double value, double lo, double hi,
         ValueStepRule step) {
  numboxCreate(win, static_cast<std::uint16_t>(id), static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
               static_cast<std::int16_t>(width), static_cast<std::uint16_t>(arrows),
               static_cast<std::uint16_t>(decimals), value, lo, hi, step, fxEchoBoxChanged, "");
}

// Shows or hides a control of a line row through the row's child list, so that it stays hidden while
// its row is and appears with the row. A box draws its field one pixel above its rectangle: that row
// is repainted too when the box goes.
void showInRow(WinId win, std::uint16_t id, bool on) {
  winNotifyItemsOfType2(win, id, on ? 1 : 0);
  CtrlRect r;
  if (on || !ctrlGetRect(win, id, &r)) return;
  r.top -= 1;
  winInvalidateRect(win, &r);
}

void unitClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::int16_t unit = pressed ? effectUnitBeats : effectUnitSeconds;
  effectEchoSetSync(e, static_cast<std::uint16_t>(unit));
  fxEchoSetUnitView(win, unit);
}

void lineClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::int16_t line = fxEchoLineFromId(item->id);
  effectEchoSetLineOn(e, line, pressed ? 1 : 0);
  fxPageSelectPane(win);
  ctrlShow(win, lineId(line, fxEchoKRow), pressed ? 1 : 0);
}

void switchClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::int16_t line = fxEchoLineFromId(item->id);
  const std::uint8_t on = pressed ? 1 : 0;
  switch (item->id - lineBase(line)) {
    case fxEchoKModInvert: effectEchoSetLineModInvert(e, line, on); return;
    case fxEchoKLowPassOn: effectEchoSetLowPassOn(e, line, on); break;
    case fxEchoKHighPassOn: effectEchoSetHighPassOn(e, line, on); break;
    case fxEchoKAllpassOn: effectEchoSetAllpassOn(e, line, on); break;
    default: return;
  }
  fxPageSelectPane(win);
  showInRow(win, static_cast<std::uint16_t>(item->id + 1), on != 0);
}

}  // namespace

std::int16_t fxEchoLineFromId(int id) {
  if (id >= lineBase(lineCount)) return 0;
  if (id >= lineBase(2)) return 2;
  if (id >= lineBase(1)) return 1;
  return 0;
}

void fxEchoPanelBuild(WinId win) {
  if (!fxEngineOf(win)) return;
  pictureCreate(win, fxItemEchoPanel, 0, fxPanelTop, 0, 0, 0, kPanelBitmap, fxPanelMouse);
  buttonPlace(win, unitSwitch, 221, 103, buttonActOnPress | buttonToggle | buttonNoMasks, kUnitSwitchBitmap, "Sec", 1,
              0, 1, unitClicked);
  box(win, feedbackBox, 365, 103, 42, 2, 3, 1.0, 0.0001, 0.999, stepHundredth);
  for (int line = 0; line < lineCount; ++line)
    buttonCreate(win, lineId(line, fxEchoKOn), 23, 149 + 26 * line, 619, line == 2 ? 28 : 26, 0, 26 * line,
                 buttonToggle | buttonNoMasks, kLineSwitchBitmap, "", 1, 0, 1, lineClicked);
  for (int line = 0; line < lineCount; ++line) {
    const int y = 156 + 26 * line;
    auto button = [&](int k, int x, int bitmap) {
      buttonPlace(win, lineId(line, k), x, y, buttonToggle | buttonNoMasks, bitmap, "", 1, 0, 1, switchClicked);
    };
    fxGroupPicture(win, lineId(line, fxEchoKRow), 14, 0, fxPanelMouse);
    box(win, lineId(line, fxEchoKTime), 53, y, 44, 3, 4, 1.0, 0.0001, 1.0, stepHundredth);
    box(win, lineId(line, fxEchoKFeedback), 127, y, 38, 2, 3, 1.0, 0.0001, 1.0, stepHundredth);
    box(win, lineId(line, fxEchoKModAmount), 187, y, 38, 2, 3, 1.0, 0.0001, 1.0, stepHundredth);
    button(fxEchoKModInvert, 241, kFlagBitmap);
    button(fxEchoKLowPassOn, 266, kFilterBitmap);
    box(win, lineId(line, fxEchoKLowPassFreq), 282, y, 40, 2, 0, 5000.0, 1.0, 22050.0, stepSemitoneRatio);
    button(fxEchoKHighPassOn, 342, kFilterBitmap);
    box(win, lineId(line, fxEchoKHighPassFreq), 358, y, 40, 2, 0, 200.0, 1.0, 22050.0, stepSemitoneRatio);
    button(fxEchoKAllpassOn, 419, kFilterBitmap);
    box(win, lineId(line, fxEchoKAllpassFreq), 435, y, 40, 2, 0, 2000.0, 1.0, 22050.0, stepSemitoneRatio);
    box(win, lineId(line, fxEchoKLevel), 503, y, 40, 2, 2, -6.0, -96.0, 0.0, stepTenth);
    box(win, lineId(line, fxEchoKPan), 569, y, 40, 2, 3, 1.0, 0.0001, 1.0, stepHundredth);
    pictureAddChild(win, fxItemEchoPanel, lineId(line, fxEchoKRow));
  }
  // The longest base time the lines can hold at the rate the engine runs at now.
  fxGroupPicture(win, secondsGroup, 0, 0, nullptr);
  box(win, secondsBox, 269, 104, 66, 3, 5, 0.1, 0.00001, effectMaxDelaySeconds(), stepHundredthFine);
  fxGroupPicture(win, beatsGroup, 0, 0, nullptr);
  box(win, beatsBox, 269, 104, 66, 3, 5, 0.5, 0.001, 4.0, stepEighth);
  pictureAddChild(win, fxItemEchoPanel, secondsGroup);
  pictureAddChild(win, fxItemEchoPanel, beatsGroup);
  ctrlShow(win, fxItemEchoPanel, 0);
}

void fxEchoSetUnitView(WinId win, std::int16_t unit) {
  Engine* e = fxEngineOf(win);
  if (!e || (unit != effectUnitSeconds && unit != effectUnitBeats)) return;
  fxPageSelectPane(win);
  const bool beats = unit == effectUnitBeats;
  fxButtonSetOn(win, unitSwitch, beats);
  buttonSetText(win, unitSwitch, beats ? "Beat" : "Sec");
  const std::uint16_t hide = beats ? secondsGroup : beatsGroup, show = beats ? beatsGroup : secondsGroup;
  if (effectGetType(e) == effectEcho) {
    winNotifyItemsOfType2(win, hide, 0);
    winNotifyItemsOfType2(win, show, 1);
  } else {
    pictureShowChild(win, fxItemEchoPanel, hide, 0);
    pictureShowChild(win, fxItemEchoPanel, show, 1);
  }
}

void fxEchoPanelRefresh(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  fxEchoSetUnitView(win, effectEchoGetTimeUnit(e));
  fxBoxSet(win, secondsBox, effectEchoGetBaseTime(e));
  fxBoxSet(win, beatsBox, effectEchoGetBeatTime(e));
  fxBoxSet(win, feedbackBox, effectEchoGetFeedback(e));
  for (int line = 0; line < lineCount; ++line) {
    const bool on = effectEchoGetLineOn(e, line) != 0;
    fxButtonSetOn(win, lineId(line, fxEchoKOn), on);
    winNotifyItemsOfType2(win, lineId(line, fxEchoKRow), on ? 1 : 0);
    fxBoxSet(win, lineId(line, fxEchoKTime), effectEchoGetLineTimeFactor(e, line));
    fxBoxSet(win, lineId(line, fxEchoKFeedback), effectEchoGetLineFeedback(e, line));
    fxBoxSet(win, lineId(line, fxEchoKModAmount), effectEchoGetLineModAmount(e, line));
    fxButtonSetOn(win, lineId(line, fxEchoKModInvert), effectEchoGetLineModInvert(e, line) != 0);
    const bool filters[3] = {effectEchoGetLowPassOn(e, line) != 0, effectEchoGetHighPassOn(e, line) != 0,
                             effectEchoGetAllpassOn(e, line) != 0};
    const double freqs[3] = {effectEchoGetLowPassFreq(e, line), effectEchoGetHighPassFreq(e, line),
                             effectEchoGetAllpassFreq(e, line)};
    for (int f = 0; f < 3; ++f) {
      fxButtonSetOn(win, lineId(line, fxEchoKLowPassOn + 2 * f), filters[f]);
      showInRow(win, lineId(line, fxEchoKLowPassFreq + 2 * f), filters[f]);
      fxBoxSet(win, lineId(line, fxEchoKLowPassFreq + 2 * f), freqs[f]);
    }
    fxBoxSet(win, lineId(line, fxEchoKLevel), effectEchoGetLineLevel(e, line));
    fxBoxSet(win, lineId(line, fxEchoKPan), effectEchoGetLinePan(e, line));
  }
}

void fxEchoBoxChanged(ControlItem* item, double v) {
  if (!item) return;
  Engine* e = fxEngineOf(item->windowId);
  if (!e) return;
  const int id = item->id;
  if (id == secondsBox) return effectEchoSetBaseTime(e, v);
  if (id == beatsBox) return effectEchoSetBeatTime(e, v);
  if (id == feedbackBox) return effectEchoSetFeedback(e, static_cast<float>(v));
  const std::int16_t line = fxEchoLineFromId(id);
  switch (id - lineBase(line)) {
    case fxEchoKTime: effectEchoSetLineTimeFactor(e, line, v); break;
    case fxEchoKModAmount: effectEchoSetLineModAmount(e, line, v); break;
    case fxEchoKFeedback: effectEchoSetLineFeedback(e, line, static_cast<float>(v)); break;
    case fxEchoKLowPassFreq: effectEchoSetLowPassFreq(e, line, v); break;
    case fxEchoKHighPassFreq: effectEchoSetHighPassFreq(e, line, v); break;
    case fxEchoKAllpassFreq: effectEchoSetAllpassFreq(e, line, v); break;
    case fxEchoKLevel: effectEchoSetLineLevel(e, line, v); break;
    case fxEchoKPan: effectEchoSetLinePan(e, line, static_cast<float>(v)); break;
    default: break;
  }
}
