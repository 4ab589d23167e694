// The Record window's take display (three pictures lined up: empty, recorded and the position
// marker), its maximum record time text and the level texts of the overdub gains.
#include <cmath>
#include <cstdio>

#include "app/appWindowIds.h"
#include "app/recordWindow.h"
#include "audioPath/recorder.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "controls/winSlots.h"
#include "engine/engineConfig.h"
#include "engine/valueFormat.h"
#include "skinBitmaps.h"

namespace {

const std::int16_t kWin = appRecordWindowId;

// One piece of the display: [from, to) of the item's columns from picture `bitmap`, taken at the
// same distance from its left edge so the pictures line up.
void drawPiece(const ControlItem* item, std::int32_t bitmap, std::int32_t from, std::int32_t to) {
  const CtrlRect& r = item->rect;
  if (from < r.left) from = r.left;
  if (to > r.right) to = r.right;
  if (to <= from) return;
  const CtrlRect part = {from, r.top, to, r.bottom};
  bitmapDrawPart(kWin, bitmap, &part, from - r.left, 0);
}

}  // namespace

void recWinFormatMaxTime(char* text, std::int32_t frames, double rate) {
  if (!text) return;
  if (!(rate >= 1.0)) rate = 44100.0;
  const std::int32_t seconds = static_cast<std::int32_t>(frames / rate);
  const std::int32_t minutes = static_cast<std::int32_t>(static_cast<float>(seconds) * (1.0f / 60.0f));
  if (minutes > 0)
    std::snprintf(text, 32, "%d min  %d sec", minutes, seconds - 60 * minutes);
  else
    std::snprintf(text, 32, "%d sec", seconds);
}

void recWinFormatGain(char* text, double gain) {
  if (!text) return;
  const double level = dbSnapWhole(gainToDb6(gain));
  if (level < -9.9)
    std::snprintf(text, 32, "%d dB", static_cast<int>(level));
  else
    formatDb(text, 32, level);
}

void recWinShowMaxTime(WinId window) {
  char text[32];
  const std::int32_t channels = recGetChannelCount();
  recWinFormatMaxTime(text, recGetCapacity() / (channels > 0 ? channels : 1), engineSampleRate());
  winSelectPort(window, nullptr);
  displaySetText(window, recItemMaxTime, text);
}

void recWinDrawTake(WinId window) {
  ControlItem* item = ctrlFind(window, recItemTake);
  if (!item) return;
  const std::int32_t capacity = recGetCapacity();
  double lf = 0.0, pf = 0.0;
  if (capacity > 0) {
    lf = static_cast<double>(recGetLength()) / capacity;
    pf = static_cast<double>(recGetPosition()) / capacity;
  }
  knobSetRangeX(window, recItemCursor, 0.0, lf);
  if (!item->visible || !winGetDC(window)) return;
  const CtrlRect& r = item->rect;
  const std::int32_t width = r.right - r.left;
  const std::int32_t s = recWinState();
  const std::int32_t end = r.left + static_cast<std::int32_t>(width * lf);
  if (s != recStateRecording && s != recStatePlaying) {
    drawPiece(item, bmpRecordWindowTakeDisplayRecorded, r.left, end);
    drawPiece(item, bmpRecordWindowTakeDisplayEmpty, end, r.right);
    return;
  }
  const std::int32_t p = r.left + static_cast<std::int32_t>(width * pf);
  const std::int32_t e = p > end ? p : end;
  drawPiece(item, bmpRecordWindowTakeDisplayRecorded, r.left, p);
  drawPiece(item, bmpRecordWindowTakeDisplayRecorded, p + 2, e);
  drawPiece(item, bmpRecordWindowTakeDisplayEmpty, e, r.right);
  drawPiece(item, bmpRecordWindowTakeDisplayPositionMarker, p, p + 2);
}

std::int32_t recWinTakeDisplayHandler(ControlItem* item, std::uint32_t event, std::int32_t, std::int32_t) {
  if (!item) return 0;
  if (event == customDraw) {
    recWinDrawTake(item->windowId);
  } else if (event == customDestroy) {
    bitmapRelease(bmpRecordWindowTakeDisplayEmpty);
    bitmapRelease(bmpRecordWindowTakeDisplayRecorded);
    bitmapRelease(bmpRecordWindowTakeDisplayPositionMarker);
  }
  return 0;
}
