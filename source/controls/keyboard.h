// The piano keyboard (kindKeyboard): whole octaves plus one top key drawn from eighteen bitmaps. Clicking
// or gliding reports note-on and note-off to the owner; the owner lights keys to show what sounds.
// Play mode sounds a key while the button is held; latch mode holds a clicked key until it or
// another key is clicked.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*KeyboardCallback)(ControlItem* item, int32_t note, uint8_t on);

struct KeyEntry {
  CtrlRect rect;  // window coordinates
  uint8_t pressed;
  int16_t note;
  int16_t bitmapId;                        // normal look; + 1 pressed
  int16_t upperNeighbour, lowerNeighbour;  // a semitone up and down, -1 none
};

struct KeyboardData {
  int16_t currentKey;  // the key sounding through the mouse, -1 none
  int16_t keyCount;    // octaves x 12 + 1
  int16_t whiteCount;  // octaves x 7
  int16_t lowestNote;
  int16_t octaves;
  int16_t whiteWidth;
  int16_t bitmapBase;
  uint32_t ownerValue;
  uint8_t mouseMode;  // 0 play, 1 latch
  int16_t tableSize;
  KeyEntry* keys;  // white keys, the top key, then the black keys, each ascending
  ControlItem* item;
  KeyboardCallback onKey;
};

ControlItem* keyboardCreate(WinId win, uint16_t id, int32_t x, int32_t y, uint16_t lowestNote, int16_t octaves,
                            uint32_t ownerValue, int16_t bitmapBase, KeyboardCallback onKey);
int16_t keyboardFindKey(const KeyboardData* data, uint16_t note);
KeyboardData* keyboardGetData(WinId win, uint16_t id);
void keyboardSetKeyPressed(WinId win, uint16_t id, int16_t keyIndex, uint8_t pressed, uint8_t remember);
void keyboardSetMouseMode(WinId win, uint16_t id, uint8_t mode);
void keyboardReleaseCurrent(WinId win, uint16_t id);
void keyboardRefresh(WinId win, uint16_t id);
bool keyboardIsWhiteNote(int32_t note);
// The key under a window point, -1 for none.
int16_t keyboardKeyAt(const ControlItem* item, CtrlPoint point);
void keyboardKindRegister();
