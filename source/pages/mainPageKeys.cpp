// The Main page's keyboard panel: the on-screen keyboard, the sustain pedal, Hold and the pitch-bend
// wheel push their events into the engine's MIDI ring from this thread; the idle updates light the
// keys, the pedal and the wheel from the engine's MIDI state.
#include <cmath>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/keyboard.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "pages/mainPage.h"
#include "pages/midiSlots.h"
#include "skinBitmaps.h"

namespace {

// Hold and the pedal take free ids below 33: picture buttons are numbered 1..32.
enum { idKeyPanel = 3, idHold = 27, idPedal = 28, idWheel = 35, idKeyboard = 44 };
enum { wheelBitmap = 144 };

// Wheel drag state.
int16_t wheelPressY;
float wheelPosition = 0.5f;
int16_t wheelChannel;

int16_t queueChannel(Engine* engine) { return midiGetQueueChannel(engine); }

void notePlayed(ControlItem* item, int32_t note, uint8_t on) {
  WinId win = item->windowId;
  Engine* engine = mainPageEngine(win);
  if (!engine || note < 0 || note > 127) return;  // -1: no key was sounding
  midiQueueNoteOn(engine, static_cast<int16_t>(note), on ? 75 : 0, queueChannel(engine));
}

void pedalPressed(ControlItem* item, uint8_t pressed, int16_t) {
  Engine* engine = mainPageEngine(item->windowId);
  if (!engine) return;
  midiQueueEvent(engine, 64, pressed ? 127 : 0, queueChannel(engine));
}

void holdPressed(ControlItem* item, uint8_t pressed, int16_t) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  keyboardSetMouseMode(win, idKeyboard, pressed ? 1 : 0);
}

// A bend goes out as standard MIDI reads it: the fine byte first (0), the coarse value second.
void queueBend(Engine* engine, int coarse) {
  MidiEvent e{};
  e.time = 0;
  e.status = static_cast<uint16_t>(0xE0 + wheelChannel);
  e.data1 = 0;
  e.data2 = static_cast<uint16_t>(numClamp<int>(coarse, 0, 127));
  midiQueuePushEntry(&engine->midi, &e);
}

void wheelDrawItem(ControlItem* item) {
  Engine* engine = mainPageEngine(item->windowId);
  if (!engine) return;
  WinId win = item->windowId;
  HDC dc = winGetDC(win);
  if (!dc) return;
  // The engine keeps a full bend as 128: the bar stays inside the item.
  int b = engine->midi.pitchBend > 127 ? 127 : engine->midi.pitchBend;
  double p = b / 127.0;
  const CtrlRect& r = item->rect;
  int32_t h = r.bottom - r.top;
  int32_t mid = r.top + h / 2;
  int32_t y = r.bottom - static_cast<int32_t>(h * p);
  int32_t top, bottom;  // bar rows, inclusive
  if (p >= 0.5) {
    top = y;
    bottom = mid + 1;
  } else {
    top = mid;
    bottom = y;
  }
  if (bottom < top) bottom = top;
  if (top < r.top) top = r.top;
  if (bottom > r.bottom - 1) bottom = r.bottom - 1;
  RECT above = {r.left, r.top, r.right, top};
  RECT below = {r.left, bottom + 1, r.right, r.bottom};
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  if (above.bottom > above.top) FillRect(dc, &above, black);
  if (below.bottom > below.top) FillRect(dc, &below, black);
  CtrlRect bar = {r.left, top, r.right, bottom + 1};
  bitmapDrawPart(win, wheelBitmap, &bar, 0, top - r.top);
}

void wheelDrawNow(ControlItem* item) {
  if (!itemOnScreen(item)) return;
  WinSavedDC saved;
  WinId win = item->windowId;
  winAcquireDrawContext(win, &saved);
  wheelDrawItem(item);
  winReleaseDrawContext(win, &saved);
}

void wheelMouse(ControlItem* item) {
  Engine* engine = mainPageEngine(item->windowId);
  if (!engine) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (!inputIsCaptured()) {
    wheelPressY = p.y;
    inputSetCaptured();
    int16_t c = midiGetReceiveChannel(engine);
    wheelChannel = numIndexOrZero<int16_t>(c, 16);
  }
  if (inputIsButtonDown()) {
    double pos = 0.5 + (wheelPressY - p.y) * 0.005;
    pos = numClamp(pos, 0.00001, 1.0);
    wheelPosition = static_cast<float>(pos);
    queueBend(engine, static_cast<int>(std::lround(pos * 127.0)));
    wheelDrawNow(item);
    return;
  }
  queueBend(engine, 64);
  engine->midi.pitchBend = 64;
  engine->controllers.bendFactor = 1.0f;
  wheelPosition = 0.5f;
  wheelDrawNow(item);
  inputReset();
}

int32_t wheelHandler(ControlItem* item, uint32_t event, int32_t, int32_t) {
  if (event == customDraw)
    wheelDrawItem(item);
  else if (event == customMouse)
    wheelMouse(item);
  return 0;
}

}  // namespace

void mainPageBuildKeyboardPanel(WinId w) {
  pictureCreate(w, idKeyPanel, 0, 0, mainPageWidth, 60, pictureOwnRect, 0, nullptr);
  buttonPlace(w, idHold, 27, 30, buttonToggle, bmpMainPageHoldSwitch, "", 1, 0, 1, holdPressed);
  buttonPlace(w, idPedal, 27, 10, buttonToggle, bmpMainPageSustainPedal, "", 1, 0, 1, pedalPressed);
  keyboardCreate(w, idKeyboard, 103, 1, 24, 6, 0, bmpKeyboardWhiteKeyC, notePlayed);
  CtrlRect size;
  bitmapAcquire(wheelBitmap);  // held for the page's life: the wheel draws from it
  bitmapGetSize(wheelBitmap, &size);
  winAddRectItem(w, idWheel, 69, 5, size.right, size.bottom - 1, wheelHandler);
}

void mainPageWheelDraw(WinId win) {
  ControlItem* item = ctrlFind(win, idWheel);
  if (item) wheelDrawNow(item);
}

void mainPageUpdateKeyboard(WinId win) {
  if (!mainPageIsShown(win) || !mainPageEnter(win)) return;
  int16_t w = win;
  KeyboardData* keys = keyboardGetData(w, idKeyboard);
  if (!keys) return;
  Engine* engine = mainPageEngine(win);
  MainPageFields* f = mainPageFields();
  int16_t v = midiGetSourceValue(engine, 64);
  if (v != f->lastSustainValue) {
    f->lastSustainValue = v;
    recButtonSetPressed(w, idPedal, v > 0);
  }
  if (!midiReadNoteFlag(engine, 0)) return;
  midiClearChangeFlag(engine, 0);
  int16_t key = 23;
  uint16_t value = 0;
  for (int n = 0; n < 74 && midiTakeNextChangedKey(engine, &key, &value, 0); ++n) {
    int16_t entry = keyboardFindKey(keys, static_cast<uint16_t>(key));
    if (entry < 0) continue;
    if (value == 127)
      keyboardSetKeyPressed(w, idKeyboard, entry, 1, 0);
    else if (value == 0)
      keyboardSetKeyPressed(w, idKeyboard, entry, 0, 0);
  }
}

void mainPageSustainEntry(WinId win) {
  if (!mainPageEnter(win)) return;
  int16_t w = win;
  Engine* engine = mainPageEngine(win);
  int down = midiGetSourceValue(engine, 64) > 0 ? 1 : 0;
  if (down != buttonIsPressed(w, idPedal)) recButtonSetPressed(w, idPedal, down);
  midiPageUpdateSlotValues(win);
  mainPageEnter(win);
  MainPageFields* f = mainPageFields();
  if (f->expanded && engine->midi.pitchBend != f->shownBend) {
    f->shownBend = engine->midi.pitchBend;
    mainPageWheelDraw(w);
  }
}
