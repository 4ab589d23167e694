// Tab 4 of the Midi page, Tune: the editor of the current tuning map. A list of the 128 keys (highest
// first), the map's name, the selected key's pitch as note number, Hz and ratio to the base key, the
// octave link with its keys per octave and interval, and "Save tuning to library...". Only a bank
// tuning can be edited: for any other an overlay says so and the editing controls are hidden. The
// rules (guards, octave link, texts) are in midi/tuningEdit.h; edits go through the tuning setters.
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "app/mainWindowData.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/scrollbar.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "midi/midiNames.h"
#include "midi/midiPage.h"
#include "midi/midiTuneTab.h"
#include "midi/tuningEdit.h"
#include "pages/mainPage.h"
#include "preset/library.h"
#include "preset/tuning.h"

namespace {

const int kLibraryKindTuning = 8;
const int kTransformSave = 1;
const int kListRowHeight = 14, kListVisibleRows = 12, kListWidth = 132;
const int kScrollbarBitmap = 2516;
const int16_t kFirstFillKey = 71, kStartKey = 60;
// The base key's ratio stands in for the Ratio box without a frame of its own: its text ends where the
// boxes' texts end (inset from the box's right edge), on the baseline of its label (a box's text sits
// higher, in the middle of its frame).
const int kBoxTextInset = 4, kBoxTextToLabelBaseline = 3;
const char* const kFactoryText = "You can't edit a factory tuning.";
const char* const kChooseText = "Please select a bank tuning, or create a new tuning.";

uint8_t g_firstFill = 1;

MainWindowData* dataOf(WinId win) { return mainWindowData(win); }
Engine* engineOf(WinId win) { return midiPageEngine(win); }
Bank* bankOf(WinId win) { return engineGetBank(engineOf(win)); }

// Boxes of the selected key other than the one typed in.
enum { showNote = 1, showHz = 2, showRatio = 4 };

void showKeyBoxes(WinId win, const MainWindowData* d, int which) {
  Engine* e = engineOf(win);
  const double inc = tuningGetKey(e, d->tuningSelectedKey);
  if (which & showNote) midiBoxShow(win, midiItemKeyNote, tuningNoteOfInc(inc));
  if (which & showHz) midiBoxShow(win, midiItemKeyHz, pitchIncToHz(inc));
  if (which & showRatio) midiBoxShow(win, midiItemKeyRatio, tuningRatioOfInc(inc, tuningGetKey(e, d->tuningBaseKey)));
}

// The Ratio box, or "1.000000" in its place when the selected key is the base key.
void showRatioOrBase(WinId win, const MainWindowData* d) {
  const bool base = d->tuningSelectedKey == d->tuningBaseKey;
  pictureShowChild(win, midiItemTuneGroup, midiItemKeyRatio, !base);
  pictureShowChild(win, midiItemTuneGroup, midiItemBaseRatioText, base);
}

void fillList(WinId win) {
  Engine* e = engineOf(win);
  listHoldDrawing(win, midiItemKeyList, 1);
  char text[listTextCapacity];
  for (int r = 0; r < tuningRows; ++r) {
    tuningRowText(e, tuningRowToKey(r), text, sizeof text);
    listSetRowText(win, midiItemKeyList, r, text);
  }
  listHoldDrawing(win, midiItemKeyList, 0);
}

void selectKeyRow(WinId win, int16_t key) {
  const int32_t old = listFirstSelected(win, midiItemKeyList);
  if (old >= 0) listSetRowSelected(win, midiItemKeyList, old, 0);
  listSetRowSelected(win, midiItemKeyList, tuningKeyToRow(key), 1);
}

// A key typed in one of the three boxes: set (with the octave link), the other two boxes shown, the
// list rewritten unless a box is being dragged.
void setKey(ControlItem* item, bool ok, double inc, int others) {
  if (!item || !ok) return;
  const WinId win = item->windowId;
  MainWindowData* d = dataOf(win);
  Engine* e = engineOf(win);
  if (!d || !e || !tuningIsEditable(e)) return;
  const TuningMap* map = tuningCurrentMap(e);
  tuningEditSetKey(e, bankOf(win), d->tuningSelectedKey, inc, map->flag != 0, d->tuningKeysPerOctave,
                   d->tuningOctaveRatio);
  midiPageSelectPane(win);
  showKeyBoxes(win, d, others);
  if (!inputIsButtonDown()) fillList(win);
}

void display(WinId win, uint16_t id, int x, int y, int width, const char* text, uint32_t flags,
             DisplayChanged changed) {
  displayCreate(win, id, x, y, width, text, 0, flags, 0, changed, changed ? displayEntryStore : nullptr);
}

}  // namespace

uint8_t tuningListFirstFill() { return g_firstFill; }

void midiTuneTabBuild(WinId win) {
  MainWindowData* d = dataOf(win);
  if (!engineOf(win)) return;
  // The groups are filled by hand: the panel holds the editor group and the overlay, the editor group
  // its controls and the octave group, the overlay its two texts.
  ctrlSetGroupMode(0, 0);
  pictureCreate(win, midiItemTuneGroup, 0, 0, 0, 0, pictureOwnRect, 0, nullptr);
  pictureCreate(win, midiItemOctaveGroup, 0, 0, 0, 0, pictureOwnRect, 0, nullptr);
  pictureCreate(win, midiItemTuneOverlay, 162, 37, 0, 0, 0, midiBmpTuneOverlay, nullptr);
  pictureAddChild(win, midiItemPanelTune, midiItemTuneGroup);
  pictureAddChild(win, midiItemPanelTune, midiItemTuneOverlay);
  pictureAddChild(win, midiItemTuneGroup, midiItemOctaveGroup);

  listCreate(win, midiItemKeyList, 96, 73, kListWidth, kListRowHeight * kListVisibleRows, kListRowHeight, tuningRows,
             listSelectOnPress, midiBmpKeyListRow, tuningKeyListSelected);
  scrollbarCreate(win, midiItemKeyScrollbar, 0, 73, kListRowHeight * kListVisibleRows, 0, kScrollbarBitmap, 0, nullptr,
                  0.0);
  listAttachScrollbar(win, midiItemKeyList, midiItemKeyScrollbar);

  // Texts on the light panel are drawn dark.
  const CtrlRgb black = {0, 0, 0}, white = {255, 255, 255};
  displaySetDefaultColors(&black, &white);
  display(win, midiItemTuningName, 273, 65, 142, "", displayTakesMouse, tuningNameEdited);
  // The popup wears the selectors' three-piece frame (shared with the Wave page's selectors): light text on
  // its dark face, "Transform..." inset from the frame like any choice.
  const CtrlRgb frameText = {240, 240, 225};
  selectorSetDefaultColors(&frameText, &frameText, &frameText, &frameText);
  selectorCreate(win, midiItemTuneTransform, 441, 66, 82, 0, 0, midiBmpTuneTransform, "", 1, tuningTransformChosen);
  selectorSetLabel(win, midiItemTuneTransform, "Transform...");
  tuningFillTransformMenu(win);
  display(win, midiItemKeyName, 273, 106, 142, "Note name", 0, nullptr);
  numboxCreate(win, midiItemKeyNote, 307, 145, 72, 1, 6, 60, 0, tuningNoteMax, valueStepLinear, tuningNoteChanged, "");
  numboxCreate(win, midiItemKeyHz, 307, 164, 72, 1, 6, 261.625565, tuningHzMin, tuningHzMax, valueStepHz,
               tuningHzChanged, "");
  numboxCreate(win, midiItemKeyRatio, 307, 183, 72, 1, 6, 1, tuningRatioMin, tuningRatioMax, valueStepLinear,
               tuningRatioChanged, "");
  displayCreate(win, midiItemBaseRatioText, 307, 183 + kBoxTextToLabelBaseline, 72 - kBoxTextInset, "1.000000", 0, 0,
                DT_RIGHT, nullptr, nullptr);
  numboxCreate(win, midiItemBaseKey, 495, 183, 32, 1, 0, d ? d->tuningBaseKey : kStartKey, 0, 127, valueStepLinear,
               tuningBaseKeyChanged, "");
  buttonPlace(win, midiItemOctaveLink, 277, 222, buttonToggle, midiBmpOctaveLink, "", 1, 0, 1, tuningOctaveLinkToggled);
  numboxCreate(win, midiItemKeysPerOctave, 341, 241, 32, 1, 0, d ? d->tuningKeysPerOctave : 12, 1, 127, valueStepLinear,
               tuningKeysPerOctaveChanged, "Keys per 8ve");
  numboxCreate(win, midiItemOctaveInterval, 341, 260, 72, 1, 6, d ? pitchRatioToSemis(d->tuningOctaveRatio) : 12.0, 0,
               127, valueStepLinear, tuningOctaveIntervalChanged, "8ve interval");

  for (uint16_t id :
       {midiItemKeyList, midiItemKeyScrollbar, midiItemTuningName, midiItemTuneTransform, midiItemKeyName,
        midiItemKeyNote, midiItemKeyHz, midiItemKeyRatio, midiItemBaseRatioText, midiItemBaseKey, midiItemOctaveLink})
    pictureAddChild(win, midiItemTuneGroup, id);
  pictureAddChild(win, midiItemOctaveGroup, midiItemKeysPerOctave);
  pictureAddChild(win, midiItemOctaveGroup, midiItemOctaveInterval);

  // The overlay's texts, centred on it.
  ControlItem* overlay = ctrlFind(win, midiItemTuneOverlay);
  const int ox = overlay ? overlay->rect.left - overlay->port->offsetX : 162;
  const int oy = overlay ? overlay->rect.top - overlay->port->offsetY : 37;
  const int overlayWidth = 323;
  displayCreate(win, midiItemOverlayFactory, ox, oy + 31, overlayWidth, kFactoryText, 0, 0, DT_CENTER, nullptr,
                nullptr);
  displayCreate(win, midiItemOverlayChoose, ox, oy + 51, overlayWidth, kChooseText, 0, 0, DT_CENTER, nullptr, nullptr);
  pictureAddChild(win, midiItemTuneOverlay, midiItemOverlayFactory);
  pictureAddChild(win, midiItemTuneOverlay, midiItemOverlayChoose);
  g_firstFill = 1;
}

void tuningTabRefresh(WinId win, uint8_t rebuildList) {
  Engine* e = engineOf(win);
  MainWindowData* d = dataOf(win);
  const TuningMap* map = tuningCurrentMap(e);
  if (!e || !d || !map) return;
  midiPageSelectPane(win);
  if (!ctrlFind(win, midiItemKeyList)) return;
  char name[tuningNameSize + 1] = {0};
  std::snprintf(name, sizeof name, "%s", map->name);
  displaySetText(win, midiItemTuningName, name);
  if (rebuildList) {
    fillList(win);
    if (g_firstFill) {
      selectKeyRow(win, kFirstFillKey);
      listScrollToSelection(win, midiItemKeyList);
      selectKeyRow(win, kStartKey);
      listScrollToSelection(win, midiItemKeyList);
      g_firstFill = 0;
    }
  }
  const int32_t row = listFirstSelected(win, midiItemKeyList);
  d->tuningSelectedKey = static_cast<int16_t>(row >= 0 ? tuningRowToKey(row) : d->tuningSelectedKey);
  char keyName[midiNoteNameBytes + 8];
  midiNoteName(d->tuningSelectedKey, keyName, 1);
  displaySetText(win, midiItemKeyName, keyName);
  showKeyBoxes(win, d, showNote | showHz | showRatio);
  recButtonSetPressed(win, midiItemOctaveLink, map->flag ? 1 : 0);
  pictureShowChild(win, midiItemTuneGroup, midiItemOctaveGroup, map->flag ? 1 : 0);
  midiBoxShow(win, midiItemKeysPerOctave, map->keysPerOctave);
  midiBoxShow(win, midiItemOctaveInterval, map->octaveInterval);
  const bool editable = tuningIsEditable(e);
  pictureShowChild(win, midiItemPanelTune, midiItemTuneGroup, editable);
  pictureShowChild(win, midiItemPanelTune, midiItemTuneOverlay, !editable);
  pictureShowChild(win, midiItemTuneOverlay, midiItemOverlayChoose, !editable);
  showRatioOrBase(win, d);
}

void tuningKeyListSelected(ControlItem* item) {
  if (item) tuningTabRefresh(item->windowId, 1);
}

void tuningNameEdited(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = engineOf(win);
  if (!e || !tuningIsEditable(e)) return;
  char text[displayTextSize] = {0};
  displayGetText(win, midiItemTuningName, text, sizeof text);
  char name[tuningNameSize];
  tuningNameFromText(text, name);
  tuningSetName(e, bankOf(win), name);
  displaySetText(win, midiItemTuningName, name);
  mainPageSelect(item->windowId);
  mainPageRefreshTuningEntry(item->windowId);
  midiPageSelectPane(win);
}

void tuningNoteChanged(ControlItem* item, double value) {
  double inc = 0.0;
  const bool ok = tuningIncFromNote(value, &inc);
  setKey(item, ok, inc, showHz | showRatio);
}

void tuningHzChanged(ControlItem* item, double value) {
  double inc = 0.0;
  const bool ok = tuningIncFromHz(value, &inc);
  setKey(item, ok, inc, showNote | showRatio);
}

void tuningRatioChanged(ControlItem* item, double value) {
  if (!item) return;
  const MainWindowData* d = dataOf(item->windowId);
  Engine* e = engineOf(item->windowId);
  if (!d || !e) return;
  double inc = 0.0;
  const bool ok = tuningIncFromRatio(tuningGetKey(e, d->tuningBaseKey), value, &inc);
  setKey(item, ok, inc, showNote | showHz);
}

void tuningBaseKeyChanged(ControlItem* item, double value) {
  if (!item || !(value >= 0.0 && value <= 127.0)) return;
  const WinId win = item->windowId;
  MainWindowData* d = dataOf(win);
  if (!d || !engineOf(win)) return;
  d->tuningBaseKey = static_cast<int16_t>(value);
  showKeyBoxes(win, d, showRatio);
  showRatioOrBase(win, d);
}

void tuningOctaveLinkToggled(ControlItem* item, uint8_t pressed, int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = engineOf(win);
  if (!e || !tuningIsEditable(e)) return;
  pictureShowChild(win, midiItemTuneGroup, midiItemOctaveGroup, pressed ? 1 : 0);
  tuningSetFlag(e, bankOf(win), pressed ? 1 : 0);
}

void tuningKeysPerOctaveChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = item->windowId;
  MainWindowData* d = dataOf(win);
  Engine* e = engineOf(win);
  int keys = 0;
  if (!d || !e || !tuningIsEditable(e) || !tuningKeysPerOctaveFrom(value, &keys)) return;
  d->tuningKeysPerOctave = static_cast<int16_t>(keys);
  tuningSetKeysPerOctave(e, bankOf(win), static_cast<uint32_t>(keys));
}

void tuningOctaveIntervalChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = item->windowId;
  MainWindowData* d = dataOf(win);
  Engine* e = engineOf(win);
  double semitones = 0.0;
  if (!d || !e || !tuningIsEditable(e) || !tuningIntervalFrom(value, &semitones)) return;
  d->tuningOctaveRatio = pitchSemisToRatio(semitones);
  tuningSetOctaveInterval(e, bankOf(win), semitones);
}

void tuningFillTransformMenu(WinId win) {
  menuClear(win, midiItemTuneTransform);
  menuAppendItem(win, midiItemTuneTransform, kTransformSave, 1, "Save tuning to library...", 0);
}

void tuningTransformChosen(ControlItem* item, int16_t, int16_t entry) {
  if (!item || entry != kTransformSave) return;
  const WinId win = item->windowId;
  Engine* e = engineOf(win);
  const TuningMap* map = tuningCurrentMap(e);
  if (!map) return;
  char name[tuningNameSize + 1] = {0};
  std::snprintf(name, sizeof name, "%s", map->name);
  libSaveItem(winGetFrameworkWindow(win), name, kLibraryKindTuning, 0, e);
  midiPageSelectPane(win);
}
