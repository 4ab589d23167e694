// The Record window: its build, the window states and their button rules, the transport, the options
// and the periodic update. The take display and the texts are in recordWindowDraw.cpp.
#include "app/recordWindow.h"

#include <cmath>

#include "UIAEvents.h"
#include "app/appWindowIds.h"
#include "app/appWindows.h"
#include "audioPath/recorder.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "skinBitmaps.h"
#include "skinPalette.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

const std::int16_t kWin = appRecordWindowId;
const char kStereoQuestion[] =
    "This will clear all recorded audio. This is not undoable! Are you sure you want to do this?";
const char kMaxTimeQuestion[] =
    "Changing max record time will clear previously recorded audio from RAM. Are you sure you want to do this?";
const char kUndoQuestion[] =
    "Changing undo options will clear previously recorded audio from RAM. Are you sure you want to do this?";
const char* const kMinutes[] = {"1 minute", "2 minutes", "3 minutes", "4 minutes", "5 minutes"};

std::uint8_t g_built = 0;
std::uint8_t g_waitForNote = 1;
std::uint8_t g_blink = 0;
std::uint32_t g_blinkTime = 0;
float g_liveFader = 0.5f, g_takeFader = 0.5f;
std::uint32_t g_stopPause = 160;

// A button's drawable flag, with its look recomputed and redrawn when it changes.
void setDrawable(std::uint16_t id, bool flag) {
  ControlItem* item = ctrlFindKind(kWin, id, kindButton);
  if (!item || (item->drawable != 0) == flag) return;
  ctrlSetDrawable(kWin, id, flag ? 1 : 0);
  buttonSetState(kWin, id, buttonGetState(kWin, id));
}

void actTransport(ControlItem* item, std::uint8_t, std::int16_t) { recWinOnTransport(item); }
void actWaitForNote(ControlItem* item, std::uint8_t pressed, std::int16_t) { recWinOnWaitForNote(item, pressed); }
void actStereo(ControlItem* item, std::uint8_t pressed, std::int16_t) { recWinOnStereo(item, pressed); }
void actOverdub(ControlItem* item, std::uint8_t pressed, std::int16_t) { recWinOnOverdub(item, pressed); }
void actUndo(ControlItem* item, std::uint8_t, std::int16_t) { recWinOnUndo(item); }
void actClear(ControlItem* item, std::uint8_t, std::int16_t) { recWinOnClear(item); }
// The save button has no action of its own: the take lives only in memory (it is never drawable).
void actSave(ControlItem*, std::uint8_t, std::int16_t) {}

float gainFromFader(double x) {
  double g = x * x;
  if (!(g >= 1.0 / 65536.0)) g = 1.0 / 65536.0;  // NaN too
  if (g > 1.0 - 1.0 / 65536.0) g = 1.0 - 1.0 / 65536.0;
  return static_cast<float>(g);
}

void showGainText(std::uint16_t id, float gain) {
  char text[32];
  recWinFormatGain(text, gain);
  displaySetText(kWin, id, text);
}

void updateUndoCheck() { menuCheckItem(kWin, recItemOptions, recOptionNoUndo, recGetUndo() ? 0 : 1); }

void redrawTake() { ctrlRedraw(kWin, recItemTake); }

bool windowShown() {
  WinSlot* slot = winSlot(kWin);
  return slot && slot->visible;
}

}  // namespace

int recWinIsBuilt() { return g_built; }
int recWinWaitForNote() { return g_waitForNote; }
float recWinLiveFader() { return g_liveFader; }
float recWinTakeFader() { return g_takeFader; }
void recWinSetStopPause(std::uint32_t ms) { g_stopPause = ms; }

void recWinBuild(WinId window) {
  if (g_built || window != kWin || !winSlot(kWin)) return;
  g_built = 1;
  WinSavedDC batch;
  winAcquireDrawContext(kWin, &batch);
  winSetCurrent(kWin);
  winSelectPort(kWin, nullptr);
  knobSetDefaultParamB(1.5f);
  knobSetDefaultParamA(0.2f);
  displaySetDefaultColors(colorBlack(), colorWhite());

  pictureCreate(kWin, recItemBackground, 0, 0, 0, 0, 0, bmpRecordWindow, nullptr);
  buttonPlace(kWin, recItemStop, 12, 12, buttonActOnPress | buttonRadio, bmpRecordWindowStopNormal, "", 1, 0, 1,
              actTransport);
  buttonPlace(kWin, recItemPlay, 37, 12, buttonActOnPress | buttonRadio, bmpRecordWindowPlayNormal, "", 1, 0, 1,
              actTransport);
  buttonPlace(kWin, recItemRecord, 62, 12, buttonActOnPress | buttonRadio, bmpRecordWindowRecordNormal, "", 1, 0, 1,
              actTransport);
  buttonPlace(kWin, recItemWaitForNote, 13, 60, buttonToggle, bmpRecordWindowWaitForNoteNormal, "", 1, g_waitForNote, 1,
              actWaitForNote);
  buttonPlace(kWin, recItemStereo, 11, 73, buttonToggle, bmpRecordWindowStereoNormal, "", 1, 1, 1, actStereo);
  buttonPlace(kWin, recItemOverdub, 156, 45, buttonToggle, bmpRecordWindowOverdubNormal, "", 1, 0, 1, actOverdub);
  buttonPlace(kWin, recItemUndo, 15, 95, buttonCycle, bmpRecordWindowUndoNormal, "", 0, 0, 2, actUndo);
  buttonPlace(kWin, recItemSave, 69, 95, 0, bmpRecordWindowSaveNormal, "", 0, 0, 1, actSave);
  buttonPlace(kWin, recItemClear, 123, 95, 0, bmpRecordWindowClearNormal, "", 1, 0, 1, actClear);
  // The options box is a dark field: its word in the skin's light field colour.
  const CtrlRgb light = {(kSkinField >> 16) & 0xFF, (kSkinField >> 8) & 0xFF, kSkinField & 0xFF};
  selectorSetDefaultColors(&light, &light, &light, &light);
  selectorCreate(kWin, recItemOptions, 177, 95, 78, 0, 0, bmpRecordWindowOptionsSelectorLeft, "", 1, recWinOnOptions);
  selectorSetLabel(kWin, recItemOptions, "Options");  // the box says what it opens
  menuAppendItem(kWin, recItemOptions, recOptionNoUndo, 1, "No undo record", 0);
  menuAppendItem(kWin, recItemOptions, 2, 0, "-", 0);
  menuAppendItem(kWin, recItemOptions, recOptionMaxTime, 1, "Max stereo record time", 0);
  if (!popupExists(recMaxTimeMenu) && popupCreate(recMaxTimeMenu, 0, "Max record time"))
    for (int k = 0; k < 5; ++k) popupAppend(recMaxTimeMenu, static_cast<std::int16_t>(k + 1), true, kMinutes[k]);
  menuAttachSubmenu(kWin, recItemOptions, recOptionMaxTime, recMaxTimeMenu);
  knobCreateItem(kWin, recItemLiveGain, 158, 64, knobHorizontal | knobRedrawWhole | knobHideCursor | knobLevelBar,
                 bmpRecordGainFaderTrack, 0, recWinOnGain, std::sqrt(g_liveFader), 0.0f);
  knobCreateItem(kWin, recItemTakeGain, 158, 78, knobHorizontal | knobRedrawWhole | knobHideCursor | knobLevelBar,
                 bmpRecordGainFaderTrack, 0, recWinOnGain, std::sqrt(g_takeFader), 0.0f);
  // The levels of the two gains, beside their faders (shown and hidden with them).
  displayCreate(kWin, recItemLiveGainText, 242, 64, 52, "", 0, 0, 0, nullptr, nullptr);
  displayCreate(kWin, recItemTakeGainText, 242, 78, 52, "", 0, 0, 0, nullptr, nullptr);
  showGainText(recItemLiveGainText, g_liveFader);
  showGainText(recItemTakeGainText, g_takeFader);

  displaySetDefaultColors(colorWhite(), colorWhite());
  displaySetDefaultFontSize(9);
  knobSetDefaultParamB(1.0f);
  knobSetDefaultParamA(0.25f);
  bitmapAcquire(bmpRecordWindowTakeDisplayEmpty);
  bitmapAcquire(bmpRecordWindowTakeDisplayRecorded);
  bitmapAcquire(bmpRecordWindowTakeDisplayPositionMarker);
  CtrlRect take;
  bitmapGetSize(bmpRecordWindowTakeDisplayEmpty, &take);
  winAddRectItem(kWin, recItemTake, 96, 27, take.right, take.bottom, recWinTakeDisplayHandler);
  displayCreate(kWin, recItemMaxTime, 185, 10, 100, "10 sec", 0, 0, 0, nullptr, nullptr);
  knobCreateItem(kWin, recItemCursor, 96, 37, knobHorizontal, bmpRecordWindowCursorFaderTrack, 0, recWinOnCursorFader,
                 0.0f, 0.0f);

  recWinShowGains(kWin, 0);
  CtrlRect back;
  bitmapGetSize(bmpRecordWindow, &back);
  winSetSize(kWin, back.right, back.bottom);
  recWinShowMaxTime(kWin);
  recWinSetState(kWin, recStateIdle);
  knobSetDefaultParamB(1.0f);
  winSetCallback(kWin, recWinCallback);
  recMarkRefresh(1);
  winReleaseDrawContext(kWin, &batch);
}

void recWinCallback(WinId, std::uint32_t event, void* data) {
  if (event != winEvCloseRequest) return;
  if (data) static_cast<UiaAllowEvent*>(data)->allow = 0;
  winShow(kWin, 0);
}

void recWinShowGains(WinId window, std::int32_t flag) {
  for (std::uint16_t id : {recItemLiveGain, recItemTakeGain, recItemLiveGainText, recItemTakeGainText})
    ctrlShow(window, id, flag);
}

void recWinSetState(WinId window, std::int32_t s) {
  winSetCurrent(window);
  winSelectPort(window, nullptr);
  recWinStoreState(s);
  if (s > 0) recMarkRefresh(1);
  if (!recHasTake()) {
    recButtonSetPressed(window, recItemOverdub, 0);
    recWinShowGains(window, 0);
    recSetOverdub(0);
  }
  if (s == recStatePlaying) {
    setDrawable(recItemStereo, false);
  } else if (s == recStateRecording || s == recStateArmed || s == recStateWaiting) {
    if (s == recStateRecording) buttonSetState(window, recItemUndo, 0);
    for (std::uint16_t id : {recItemStereo, recItemOverdub, recItemSave, recItemUndo}) setDrawable(id, false);
  } else if (s == recStateIdle && buttonIsPressed(window, recItemPlay)) {
    recButtonSetPressed(window, recItemPlay, 0);
    recButtonSetPressed(window, recItemRecord, 0);
    recButtonSetPressed(window, recItemStop, 1);
    recButtonSetPressed(window, recItemStop, 0);
  }
  const bool idle = s == recStateIdle;
  setDrawable(recItemStereo, idle);
  setDrawable(recItemOverdub, idle && recHasTake());
  // Save stays out of reach: the take is kept only in memory.
  setDrawable(recItemSave, false);
  setDrawable(recItemClear, idle && recHasTake());
  setDrawable(recItemUndo, idle && recHasAnyTake() && recGetUndo());
}

void recWinUpdate(WinId window) {
  recServicePending();
  if (!windowShown()) return;
  winSetCurrent(window);
  winSelectPort(window, nullptr);
  const std::int32_t s = recWinState();
  if (s == recStateIdle) {
    recWinSetState(window, recStateIdle);
    recMarkRefresh(0);
    recWinShowMaxTime(window);
  } else if (s == recStateArmed || s == recStateWaiting) {
    const std::uint32_t now = ctrlTickCount();
    if (now - g_blinkTime >= 200) {
      g_blink ^= 1;
      recButtonSetPressed(window, recItemRecord, g_blink);
      if (s == recStateWaiting) recButtonSetPressed(window, recItemPlay, g_blink);
      g_blinkTime = now;
    }
  } else if (s == recStateRecording) {
    recButtonSetPressed(window, recItemRecord, 1);
    recButtonSetPressed(window, recItemPlay, 1);
    buttonSetState(window, recItemUndo, 0);
  }
  redrawTake();
}

void recWinOnTransport(ControlItem* item) {
  if (!item) return;
  recServicePending();
  const std::int32_t s = recWinState();
  switch (item->id) {
    case recItemStop:
      if (s == recStateRecording)
        recStopRecording();
      else
        recWinSetState(kWin, recStateIdle);
      recStopPlaying();
      if (g_stopPause) Sleep(g_stopPause);
      recButtonSetPressed(kWin, recItemPlay, 0);
      recButtonSetPressed(kWin, recItemRecord, 0);
      recButtonSetPressed(kWin, recItemStop, 0);
      break;
    case recItemPlay:
      if (s == recStateIdle) {
        if (recHasTake()) {
          recWinSetState(kWin, recStatePlaying);
          recStartPlaying();
          if (!recIsPlaying()) recWinSetState(kWin, recStateIdle);
        } else {
          recButtonSetPressed(kWin, recItemPlay, 0);
        }
      } else if (s == recStateArmed) {
        recStartRecording();
        if (recIsRecording()) {
          recWinSetState(kWin, recStateRecording);
          recButtonSetPressed(kWin, recItemRecord, 1);
        } else {
          // No buffer to record into: back to idle instead of a recording that does not run.
          recWinSetState(kWin, recStateIdle);
          recButtonSetPressed(kWin, recItemPlay, 0);
          recButtonSetPressed(kWin, recItemRecord, 0);
        }
      }
      break;
    case recItemRecord:
      if (s == recStateIdle)
        recWinSetState(kWin, g_waitForNote ? recStateWaiting : recStateArmed);
      else if (s == recStatePlaying)
        recButtonSetPressed(kWin, recItemRecord, 0);
      break;
    default: break;
  }
  redrawTake();
}

void recWinOnWaitForNote(ControlItem*, std::int32_t pressed) {
  g_waitForNote = pressed ? 1 : 0;
  const std::int32_t s = recWinState();
  if (s == recStateArmed && pressed) {
    recWinSetState(kWin, recStateWaiting);
  } else if (s == recStateWaiting && !pressed) {
    recWinSetState(kWin, recStateArmed);
    recButtonSetPressed(kWin, recItemPlay, 0);
  }
}

void recWinOnStereo(ControlItem*, std::int32_t pressed) {
  if (recHasAnyTake() && msgBox(msgBoxYesNo, kStereoQuestion, msgBoxIconExclamation) != msgAnswerYes) {
    recButtonSetPressed(kWin, recItemStereo, pressed ? 0 : 1);
    return;
  }
  recClear();
  recSetChannelMode(pressed ? 1 : 0);
  redrawTake();
  recWinShowMaxTime(kWin);
  recWinUpdate(kWin);
}

void recWinOnOverdub(ControlItem*, std::int32_t pressed) {
  recWinShowGains(kWin, pressed ? 1 : 0);
  recSetOverdub(pressed ? 1 : 0);
}

void recWinOnUndo(ControlItem*) {
  recUndoSwap();
  redrawTake();
  recWinUpdate(kWin);
}

void recWinOnClear(ControlItem*) {
  recClear();
  redrawTake();
  knobSetValueAndRedraw(kWin, recItemCursor, recGetCursorFraction());
  buttonSetState(kWin, recItemUndo, 0);
  recWinUpdate(kWin);
}

void recWinOnOptions(ControlItem*, std::int16_t menu, std::int16_t index) {
  if (menu == recMaxTimeMenu) {
    if (recHasAnyTake() && msgBox(msgBoxOkCancel, kMaxTimeQuestion, msgBoxIconExclamation) != msgAnswerOk) return;
    if (index >= 1 && index <= 10) {
      recSetBufferSize(static_cast<std::int64_t>(recFramesPerMinute) * index);
      recSetUndo(recGetUndo());
    }
    recMarkRefresh(1);
    updateUndoCheck();
    recWinShowMaxTime(kWin);
    recWinUpdate(kWin);
    return;
  }
  if (menu == 0 && index == recOptionNoUndo) {
    if (recHasAnyTake()) {
      if (msgBox(msgBoxOkCancel, kUndoQuestion, msgBoxIconExclamation) == msgAnswerOk) recSetUndo(!recGetUndo());
    } else {
      recSetUndo(!recGetUndo());
    }
    updateUndoCheck();
    recWinShowMaxTime(kWin);
    recWinUpdate(kWin);
  }
}

void recWinOnGain(ControlItem* item, double x, double) {
  if (!item) return;
  const float g = gainFromFader(x);
  if (item->id == recItemLiveGain) {
    g_liveFader = g;
    recSetLiveGain(g);
    showGainText(recItemLiveGainText, g);
  } else if (item->id == recItemTakeGain) {
    g_takeFader = g;
    recSetTakeGain(g);
    showGainText(recItemTakeGainText, g);
  }
}

void recWinOnCursorFader(ControlItem*, double x, double) {
  recSetCursorFraction(x);
  redrawTake();
}

void appCreateRecordWindow() {
  Window* window = appCreateToolWindow(kWin, "Record", 600, 128, 256, 256, 19);
  if (window) {
    recWinBuild(kWin);
    winSetCallback(kWin, recWinCallback);
    winShow(kWin, 0);
  }
  winSetCurrent(appMainWindowId);
  winSelectPort(appMainWindowId, nullptr);
}

void recWinShow() {
  appPlaceBesideOwner(kWin, appMainWindowId);
  winShow(kWin, true);
}
