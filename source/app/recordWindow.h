// The Record window (window appRecordWindowId): transport buttons, the take display with its cursor fader, the
// record options, the overdub gains and the maximum record time. It drives the recorder (recorder.h);
// the recorder's audio half moves the window's state and marks it for refresh, and the application's
// 50 ms page update brings the buttons in line (recWinUpdate).
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

class Window;

// Item ids of the window.
enum : std::uint16_t {
  recItemBackground = 1,
  recItemStop = 2,
  recItemPlay = 3,
  recItemRecord = 4,
  recItemWaitForNote = 5,
  recItemStereo = 6,
  recItemOverdub = 7,
  recItemUndo = 8,
  recItemSave = 9,
  recItemClear = 10,
  recItemOptions = 11,
  recItemLiveGain = 12,
  recItemTakeGain = 13,
  recItemLiveGainText = 14,
  recItemTakeGainText = 15,
  recItemTake = 16,
  recItemMaxTime = 17,
  recItemCursor = 18
};
// The options selector's own entries and the popup menu of the maximum record time.
enum { recOptionNoUndo = 1, recOptionMaxTime = 3, recMaxTimeMenu = 38 };

void recWinBuild(WinId window);
void recWinCallback(WinId window, std::uint32_t event, void* data);
void recWinUpdate(WinId window);
void recWinSetState(WinId window, std::int32_t state);
void recWinShowMaxTime(WinId window);
void recWinShowGains(WinId window, std::int32_t flag);
void recWinDrawTake(WinId window);

// Item callbacks.
void recWinOnTransport(ControlItem* item);
void recWinOnWaitForNote(ControlItem* item, std::int32_t pressed);
void recWinOnStereo(ControlItem* item, std::int32_t pressed);
void recWinOnOverdub(ControlItem* item, std::int32_t pressed);
void recWinOnUndo(ControlItem* item);
void recWinOnClear(ControlItem* item);
void recWinOnOptions(ControlItem* item, std::int16_t menu, std::int16_t index);
void recWinOnGain(ControlItem* item, double x, double y);
void recWinOnCursorFader(ControlItem* item, double x, double y);
std::int32_t recWinTakeDisplayHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t b);

// The texts of the window, as shown: the maximum record time of `frames` frames at `rate` Hz, and
// the level of a gain in 6-per-doubling decibels. The buffers hold at least 32 bytes.
void recWinFormatMaxTime(char* text, std::int32_t frames, double rate);
void recWinFormatGain(char* text, double gain);

// Window-level values (for the page update and tests).
int recWinIsBuilt();
int recWinWaitForNote();
float recWinLiveFader();
float recWinTakeFader();
// The Stop button's pause before it releases the transport buttons, in ms (160; tests may shorten it).
void recWinSetStopPause(std::uint32_t ms);

// Creates window appRecordWindowId as a tool window, builds the Record window into it and leaves it hidden; the main
// window is current again afterwards.
void appCreateRecordWindow();
// Shows the Record window (Window menu, F3) beside the main window when it would hide part of it.
void recWinShow();
