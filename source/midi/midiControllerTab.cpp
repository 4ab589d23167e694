// Tab 1 of the Midi page, Midi Controllers: one row per controlled destination (pitch bend, glide,
// FM index or balance, filter, effect time, pan, volume) with its MIDI source, depth, smoothing lag
// and channel switches. Every control reads and writes one accessor of the controller map, whose
// setters commit the edit copy (editKindControllers), so the next audio block plays the change.
#include <cstdio>

#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/controllerMap.h"
#include "midi/midiNames.h"
#include "midi/midiPage.h"
#include "midi/midiSourceWindow.h"
#include "pages/mainPage.h"

namespace {

const CtrlRgb kWhite = {255, 255, 255}, kBlack = {0, 0, 0};
const int32_t kCaptionSize = 9, kPanCaptionSize = 8;

uint16_t g_sourceButton = midiItemFmSource;

// Controls k of the controller map that the source buttons choose, and its glide modes.
enum { ccVolume = 2, ccFilter = 3, ccOscLevel = 4, ccPanLr = 5, ccEffect = 6, ccPanFb = 7 };
enum { glideEveryNote = 1, glideWhileHeld = 2, glideCoefficient = 0 };

// Controller index k of the controller map for each source button.
struct SourceRow {
  uint16_t button;
  int16_t k;
  const char* format;  // the label around the source's name
};
const SourceRow kSources[] = {
    {midiItemFmSource, ccOscLevel, "%s"},     {midiItemFilterSource, ccFilter, "%s"},
    {midiItemEffectSource, ccEffect, "%s"},   {midiItemPanLrSource, ccPanLr, "LR: %s"},
    {midiItemPanFbSource, ccPanFb, "FB: %s"}, {midiItemVolumeSource, ccVolume, "%s"},
};

const SourceRow* sourceRowOf(uint16_t button) {
  for (const SourceRow& r : kSources)
    if (r.button == button) return &r;
  return nullptr;
}

// Depth and lag boxes: the shown value and the store of each.
typedef double (*Getter)(Engine*);
typedef void (*Setter)(Engine*, double);
struct BoxRow {
  uint16_t id;
  Getter get;
  Setter set;
};
const BoxRow kDepths[] = {
    {midiItemBendDepth, ccMapGetPitchBendRangeF, ccMapSetPitchBendRange},
    {midiItemFmDepth, ccMapGetOscLevelDepth, ccMapSetOscLevelDepth},
    {midiItemFilterDepth, ccMapGetFilterDepth, ccMapSetFilterDepth},
    {midiItemEffectDepth, ccMapGetEffectDepth, ccMapSetEffectDepth},
    {midiItemPanDepth, ccMapGetPositionWidth, ccMapSetPositionWidth},
};
double glideTime(Engine* e) { return ccMapGetCoefficientTime(e, glideCoefficient); }
void setGlideTime(Engine* e, double t) { ccMapSetCoefficientTime(e, glideCoefficient, t); }
// In the refresh's order: the glide time between the pitch-bend lag and the other lags.
const BoxRow kLags[] = {
    {midiItemBendLag, ccMapGetBendSmoothing, ccMapSetBendSmoothing},
    {midiItemGlideLag, glideTime, setGlideTime},
    {midiItemFmLag, ccMapGetOscLevelSmoothing, ccMapSetOscLevelSmoothing},
    {midiItemFilterLag, ccMapGetFilterSmoothing, ccMapSetFilterSmoothing},
    {midiItemEffectLag, ccMapGetEffectSmoothing, ccMapSetEffectSmoothing},
    {midiItemPanLag, ccMapGetPositionSmoothing, ccMapSetPositionSmoothing},
    {midiItemVolumeLag, ccMapGetVolumeSmoothing, ccMapSetVolumeSmoothing},
};

template <size_t N>
const BoxRow* boxRowOf(const BoxRow (&rows)[N], uint16_t id) {
  for (const BoxRow& r : rows)
    if (r.id == id) return &r;
  return nullptr;
}

const int16_t kChannelSwitchCount = 3, kFilterSwitchCount = 4;

Engine* engineOf(ControlItem* item) { return item ? midiPageEngine(item->windowId) : nullptr; }

void depthBox(WinId win, uint16_t id, int x, int y, double maximum) {
  numboxCreate(win, id, static_cast<int16_t>(x), static_cast<int16_t>(y), 42, 2, 2, 0, 0, maximum, numboxStepDefault,
               ccDepthBoxChanged, "");
}

void lagBox(WinId win, uint16_t id, int x, int y) {
  numboxCreate(win, id, static_cast<int16_t>(x), static_cast<int16_t>(y), 29, 1, 0, 0, 0, 999, valueStepAccel,
               ccLagBoxChanged, "");
}

void sourceButton(WinId win, uint16_t id, int x, int y, int bitmap) {
  buttonPlace(win, id, x, y, 0, bitmap, "", 1, 0, 1, ccSourceButtonPressed);
}

// A channel switch cut from the shared strip: Master at 0, channels 1..3 at 44, 56 and 68.
void channelSwitch(WinId win, uint16_t id, int x, int y, int width, int srcX) {
  buttonCreate(win, id, x, y, width, 13, srcX, 0, buttonToggle, midiBmpChannelSwitches, "", 1, 0, 1,
               ccChannelSwitchToggled);
}

void labelSource(WinId win, Engine* e, const SourceRow& row) {
  char name[midiSourceNameBytes];
  char label[midiSourceNameBytes + 8];
  midiSourceName(ccMapGetControllerNumber(e, row.k), name);
  std::snprintf(label, sizeof label, row.format, name);
  buttonSetText(win, row.button, label);
}

}  // namespace

uint16_t ccSourceButtonActive() { return g_sourceButton; }

int16_t ccSourceIndexOf(uint16_t button) {
  const SourceRow* r = sourceRowOf(button);
  return r ? r->k : 0;
}

void midiControllerTabBuild(WinId win) {
  depthBox(win, midiItemBendDepth, 303, 66, 72);
  lagBox(win, midiItemBendLag, 383, 66);
  buttonPlace(win, midiItemGlideKeyed, 173, 105, buttonToggle, midiBmpGlideKeyed, "", 1, 0, 1, glideKeyedToggled);
  lagBox(win, midiItemGlideLag, 383, 105);

  // The source buttons carry white captions on their dark faces.
  buttonSetDefaultCaptionColor(&kWhite);
  sourceButton(win, midiItemFmSource, 173, 144, midiBmpSource);
  buttonSetDefaultCaptionColor(&kBlack);
  depthBox(win, midiItemFmDepth, 303, 144, 100);
  lagBox(win, midiItemFmLag, 383, 144);
  channelSwitch(win, midiItemFmChannel1, 452, 144, 12, 44);
  channelSwitch(win, midiItemFmChannel2, 465, 144, 12, 56);
  channelSwitch(win, midiItemFmChannel3, 477, 144, 12, 68);

  buttonSetDefaultCaptionColor(&kWhite);
  sourceButton(win, midiItemFilterSource, 173, 183, midiBmpSource);
  buttonSetDefaultCaptionColor(&kBlack);
  depthBox(win, midiItemFilterDepth, 303, 183, 99.99);
  lagBox(win, midiItemFilterLag, 383, 183);
  channelSwitch(win, midiItemFilterChannel1, 452, 183, 12, 44);
  channelSwitch(win, midiItemFilterChannel2, 465, 183, 12, 56);
  channelSwitch(win, midiItemFilterChannel3, 477, 183, 12, 68);
  channelSwitch(win, midiItemFilterMaster, 494, 183, 39, 0);

  buttonSetDefaultCaptionColor(&kWhite);
  sourceButton(win, midiItemEffectSource, 173, 222, midiBmpSource);
  buttonSetDefaultCaptionColor(&kBlack);
  depthBox(win, midiItemEffectDepth, 303, 222, 100);
  lagBox(win, midiItemEffectLag, 383, 222);

  // The two pan buttons share the row's width: their captions take the kit's smallest legible size
  // so that "LR: " and "FB: " with a source name fit.
  buttonSetDefaultCaptionColor(&kWhite);
  buttonSetDefaultCaptionSize(kPanCaptionSize);
  sourceButton(win, midiItemPanLrSource, 174, 261, midiBmpPanSource);
  sourceButton(win, midiItemPanFbSource, 230, 261, midiBmpPanSource);
  buttonSetDefaultCaptionSize(kCaptionSize);
  buttonSetDefaultCaptionColor(&kBlack);
  depthBox(win, midiItemPanDepth, 303, 261, 100);
  lagBox(win, midiItemPanLag, 383, 261);

  buttonSetDefaultCaptionColor(&kWhite);
  sourceButton(win, midiItemVolumeSource, 173, 300, midiBmpSource);
  buttonSetDefaultCaptionColor(&kBlack);
  lagBox(win, midiItemVolumeLag, 383, 300);
}

void midiControllerTabRefresh(WinId win, Engine* e) {
  if (!e) return;
  recButtonSetPressed(win, midiItemGlideKeyed, ccMapGetGlideMode(e) == glideWhileHeld ? 1 : 0);
  for (const BoxRow& r : kDepths) midiBoxShow(win, r.id, r.get(e));
  for (const BoxRow& r : kLags) midiBoxShow(win, r.id, r.get(e));
  for (int16_t c = 0; c < kChannelSwitchCount; ++c)
    recButtonSetPressed(win, static_cast<uint16_t>(midiItemFmChannel1 + c), ccMapGetChannelFlag(e, c) ? 1 : 0);
  for (int16_t f = 0; f < kFilterSwitchCount; ++f)
    recButtonSetPressed(win, static_cast<uint16_t>(midiItemFilterChannel1 + f), ccMapGetFilterSwitch(e, f) ? 1 : 0);
  midiPageRefreshSourceLabels(win);
}

void midiPageRefreshSourceLabels(WinId win) {
  Engine* e = midiPageEngine(win);
  if (!e) return;
  for (const SourceRow& r : kSources) labelSource(win, e, r);
}

void ccDepthBoxChanged(ControlItem* item, double value) {
  Engine* e = engineOf(item);
  const BoxRow* r = item ? boxRowOf(kDepths, item->id) : nullptr;
  if (!e || !r) return;
  r->set(e, value);
  // A drag plays every step at once; the patch counts as changed when the button comes up.
  if (!inputIsButtonDown()) mainPageMarkChanged(item->windowId);
}

void ccLagBoxChanged(ControlItem* item, double value) {
  Engine* e = engineOf(item);
  const BoxRow* r = item ? boxRowOf(kLags, item->id) : nullptr;
  if (!e || !r) return;
  r->set(e, value);
}

void glideKeyedToggled(ControlItem* item, uint8_t pressed, int16_t) {
  Engine* e = engineOf(item);
  if (!e) return;
  // Pressed: glide only while another key is held; released: glide on every note.
  ccMapSetGlideMode(e, pressed ? glideWhileHeld : glideEveryNote);
}

void ccChannelSwitchToggled(ControlItem* item, uint8_t pressed, int16_t) {
  Engine* e = engineOf(item);
  if (!e) return;
  const int32_t id = item->id;
  const uint8_t on = pressed ? 1 : 0;
  if (id >= midiItemFmChannel1 && id <= midiItemFmChannel3)
    ccMapSetChannelFlag(e, static_cast<int16_t>(id - midiItemFmChannel1), on);
  else if (id >= midiItemFilterChannel1 && id <= midiItemFilterMaster)
    ccMapSetFilterSwitch(e, static_cast<int16_t>(id - midiItemFilterChannel1), on);
}

void ccSourceButtonPressed(ControlItem* item, uint8_t, int16_t) {
  Engine* e = engineOf(item);
  const SourceRow* r = item ? sourceRowOf(item->id) : nullptr;
  if (!e || !r) return;
  g_sourceButton = r->button;
  midiSourcePopupOpen(item->windowId, ccSourceChosen, ccMapGetControllerNumber(e, r->k), 0);
}

void ccSourceChosen(WinId window, int16_t source) {
  const WinId win = window;
  Engine* e = midiPageEngine(win);
  const SourceRow* r = sourceRowOf(g_sourceButton);
  if (!e || !r) return;
  midiPageSelectPane(win);
  // The controller map ignores a source outside -1..128; the label shows what it holds.
  ccMapSetControllerNumber(e, r->k, source);
  labelSource(win, e, *r);
  mainPageMarkChanged(window);
}
