// The knob and fader (kindKnob): a handle picture moved over a background picture, holding two values
// x and y, each in its own range. Without an orientation flag it is a two-value pad; flag 2 makes a
// horizontal fader. Drags follow the mouse through a smoothing factor and report every change.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

// Change callback: the item and both values (single-value controls read x).
typedef void (*KnobCallback)(ControlItem* item, double x, double y);
// Told when a drag ends without its release: the capture was taken away (the window lost the
// activation, another press came first).
typedef void (*KnobCutShort)(ControlItem* item);

enum : uint32_t {
  knobSpringBack = 0x1,
  knobHorizontal = 0x2,
  knobVertical = 0x4,
  knobRedrawWhole = 0x8,
  knobHideCursor = 0x40,
  knobJumpToClick = 0x80,
  knobPressedHandle = 0x100,
  knobLevelBar = 0x200,
  knobFromCentre = 0x400,
  knobBipolar = 0x600,
  knobReportOnly = 0x800,
  knobSourceOffset = 0x1000
};

struct KnobData {
  int16_t bitmap;         // background; + 1 handle, + 2 filled track, + 3 handle pressed
  int16_t right, bottom;  // of the item rectangle at creation
  int16_t halfWidth, halfHeight;
  int16_t srcX, srcY;  // offset into the background picture (flag 0x1000)
  uint32_t flags;
  int16_t centreX, centreY;
  CtrlRect handle;
  double x, y;
  double xMax, yMax;
  double xMin, yMin;
  float one;
  float travelScale;
  float smoothing;
  ControlItem* item;
  KnobCallback callback;
  uint8_t pressed;        // the fader's handle is shown pressed (flag 0x100)
  KnobCutShort cutShort;  // null: a drag cut short only lets go
};

void knobKindRegister();
ControlItem* knobCreateItem(WinId win, uint16_t id, int32_t x, int32_t y, uint32_t flags, int32_t bitmap, uint8_t spare,
                            KnobCallback callback, float xValue, float yValue);
ControlItem* knobCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height, uint16_t srcX,
                        uint16_t srcY, uint32_t flags, int32_t bitmap, uint8_t spare, KnobCallback callback,
                        float xValue, float yValue);
void knobSetDefaultParamA(float v);
void knobSetDefaultParamB(float v);
void knobSetValue(WinId win, uint16_t id, double x, double y);
void knobSetValueRaw(int32_t win, int32_t id, double x, double y);
void knobSetValueAndRedraw(WinId win, uint16_t id, double x);
double knobGetX(WinId win, uint16_t id);
double knobGetY(WinId win, uint16_t id);
void knobSetRangeX(WinId win, uint16_t id, double minimum, double maximum);
void knobSetDrawable(WinId win, uint16_t id, uint8_t flag);
void knobSetCutShortCallback(WinId win, uint16_t id, KnobCutShort callback);

// Later pages' names.
inline double knobGetValue(WinId win, uint16_t id) { return knobGetX(win, id); }
inline double knobGetDouble40(WinId win, uint16_t id) { return knobGetX(win, id); }
