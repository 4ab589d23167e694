// The "Select MIDI Source" window. The application opens a modal dialog in a free window slot; on its
// creation a plain window in the next free slot fills the dialog's client area and holds the controls
// (a dialog draws nothing of its own). OK, Cancel, a double click on a row and the dialog's close box
// end it; the dialog's destruction resets the state in every case, so it can be opened again.
#include "midi/midiSourceWindow.h"

#include "app/appWindows.h"
#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "midi/midiNames.h"
#include "preset/midiSources.h"
#include "skinBitmaps.h"
#include "skinPalette.h"

namespace {

const int kWidth = 240, kHeight = 456;
const int kRowBitmap = 1660, kScrollbarBitmap = 2516;
const int kControlCapacity = 8;

struct SourceWindowState {
  std::uint8_t open;
  WinId parentWindow;
  MidiSourceChosen callback;
  std::int16_t current;
  std::uint8_t withVelocity;
  std::int16_t dialogId, buildId;
};
SourceWindowState g_state = {0, 0, nullptr, 0, 0, 0, 0};

int rowCount(std::uint8_t withVelocity) { return withVelocity ? 131 : 130; }

void reset() {
  g_state.dialogId = 0;
  g_state.buildId = 0;
  g_state.open = 0;
}

void okAction(ControlItem*, std::uint8_t, std::int16_t) { midiSourcePopupOkEntry(); }
void cancelAction(ControlItem*, std::uint8_t, std::int16_t) { midiSourcePopupCancel(); }

// A press on a row selects it; the second press of a double click chooses it.
void listClicked(ControlItem*) {
  if (winIsDoubleClick()) midiSourcePopupOkEntry();
}

void build() {
  const WinId win = g_state.buildId;
  winSetCurrent(win);
  pageSetDrawDefaults();
  pictureCreate(win, midiSourceItemBackground, 0, 0, kWidth, kHeight, pictureFill, 0, nullptr);
  // The skin's panel, as every window of the program.
  pictureSetFillColor(win, midiSourceItemBackground, (kSkinPanel >> 16) & 0xFF, (kSkinPanel >> 8) & 0xFF,
                      kSkinPanel & 0xFF);
  buttonPlace(win, midiSourceItemOk, 136, 424, 0, bmpOKButtonOutputSetupTransformPanelNormal, "", 1, 0, 1, okAction);
  winSetDefaultButton(win, midiSourceItemOk);
  buttonPlace(win, midiSourceItemCancel, 37, 426, 0, bmpCancelButtonTransformPanelNormal, "", 1, 0, 1, cancelAction);
  const int rows = rowCount(g_state.withVelocity);
  listCreate(win, midiSourceItemList, 14, 16, 220, 404, 14, rows, listSelectOnPress, kRowBitmap, listClicked);
  scrollbarCreate(win, midiSourceItemScrollbar, 0, 16, 404, 0, kScrollbarBitmap, 0, nullptr, 0.0);
  listAttachScrollbar(win, midiSourceItemList, midiSourceItemScrollbar);

  listHoldDrawing(win, midiSourceItemList, 1);
  listClear(win, midiSourceItemList);
  for (int r = 0; r < rows; ++r) {
    char text[midiSourceNameBytes];
    midiSourceListName(midiSourceFromRow(r, g_state.withVelocity), text);
    listSetRowText(win, midiSourceItemList, r, text);
  }
  // The caller's source is preselected when the list has a row for it, and nothing otherwise.
  const std::int32_t row = midiSourceRowOf(g_state.current, g_state.withVelocity);
  if (row >= 0) listSetRowSelected(win, midiSourceItemList, row, 1);
  listHoldDrawing(win, midiSourceItemList, 0);
  if (row >= 0) listScrollToSelection(win, midiSourceItemList);
  winShow(win, 1);
}

// The plain window that fills the dialog and holds the controls, in the next free slot.
void openControlWindow(std::int16_t dialogId) {
  const std::int16_t id = appOpenDialogControlWindow(dialogId, kWidth, kHeight, kControlCapacity);
  if (id == 0) return;
  g_state.buildId = id;
  build();
  // Keys go to the controls: Enter presses OK there.
  winGetFrameworkObject(id)->setFocus();
}

void windowEvent(WinId win, std::uint32_t code, void*) {
  if (code == winEvCreated)
    openControlWindow(win);
  else if (code == winEvDestroyed)
    reset();
}

}  // namespace

std::int16_t midiSourceFromRow(std::int32_t row, std::uint8_t withVelocity) {
  if (row < 0) return midiSourceNoRow;
  if (row == 0) return -1;
  if (row == 1) return 128;
  if (withVelocity) return static_cast<std::int16_t>(row == 2 ? midiSourceVelocity : row - 3);
  return static_cast<std::int16_t>(row - 2);
}

std::int32_t midiSourceRowOf(std::int16_t source, std::uint8_t withVelocity) {
  if (source == midiSourcePressure) return 0;
  if (source == midiSourcePitchBend) return 1;
  if (source == midiSourceVelocity) return withVelocity ? 2 : -1;
  if (source < 0 || source > 127) return -1;
  return source + (withVelocity ? 3 : 2);
}

void midiSourcePopupOpen(WinId win, MidiSourceChosen callback, std::int16_t current, std::uint8_t withVelocity) {
  if (!callback || g_state.open) return;
  g_state.parentWindow = win;
  g_state.callback = callback;
  g_state.current = current;
  g_state.withVelocity = withVelocity ? 1 : 0;
  g_state.dialogId = winFindFreeSlot();
  g_state.buildId = g_state.dialogId;
  if (g_state.dialogId == 0) return;
  g_state.open = 1;
  const std::int16_t dialogId = g_state.dialogId;
  appNewWindow(dialogId, win, "Select MIDI Source", 300, 200, kWidth, kHeight, 1, 1, windowEvent);
  // However the dialog ended (or failed to open), nothing of it stays behind.
  if (g_state.open && g_state.dialogId == dialogId) {
    if (g_state.buildId != dialogId && winSlot(g_state.buildId)) winCloseById(g_state.buildId);
    if (winSlot(dialogId)) winCloseById(dialogId);
    reset();
  }
  winSetCurrent(win);
}

void midiSourcePopupOkEntry() {
  if (!g_state.open) return;
  const std::int32_t row = winSlot(g_state.buildId) ? listFirstSelected(g_state.buildId, midiSourceItemList) : -1;
  const WinId parent = g_state.parentWindow;
  const MidiSourceChosen callback = g_state.callback;
  const std::uint8_t withVelocity = g_state.withVelocity;
  winClose(g_state.dialogId);
  reset();
  winSetCurrent(parent);
  if (row >= 0 && callback) callback(parent, midiSourceFromRow(row, withVelocity));
}

void midiSourcePopupCancel() {
  if (!g_state.open) return;
  winClose(g_state.dialogId);
  reset();
}

std::uint8_t midiSourcePopupIsOpen() { return g_state.open; }
std::int16_t midiSourcePopupDialogId() { return g_state.open ? g_state.dialogId : 0; }
std::int16_t midiSourcePopupBuildId() { return g_state.open ? g_state.buildId : 0; }
