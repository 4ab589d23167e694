// The picture (kindPicture): one bitmap, a part of one, a stretched one or a plain colour, serving as the
// background panel of a page section with a list of child items it shows, hides and moves with
// itself; and the frame picture (kindFramePicture): one frame of a strip of consecutive bitmaps.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*PictureCallback)(ControlItem* item);

enum { pictureMaxChildren = 256 };
enum { pictureOwnRect = 1, picturePart = 2, pictureStretch = 4, pictureFill = 8, picturePart16 = 16 };

struct PictureChild {
  uint16_t id;
  uint8_t inUse;
  uint8_t shown;
};

struct PictureData {
  uint16_t red, green, blue;
  uint16_t bitmap;
  uint8_t loaded;
  uint32_t flags;
  int16_t childCount;
  int16_t x, y;
  int16_t srcOffsetX, srcOffsetY;
  PictureChild* children;
  ControlItem* item;
  PictureCallback callback;
};

struct FramePictureData {
  int16_t frameCount, frame;
  int16_t* frames;
  int16_t bitmap;
  uint32_t flags;
  ControlItem* item;
  PictureCallback callback;
  uint32_t spare[2];
};

ControlItem* pictureCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t right, int32_t bottom, uint32_t flags,
                           int32_t bitmap, PictureCallback callback);
ControlItem* pictureCreateOffset(WinId win, uint16_t id, int32_t x, int32_t y, int32_t right, int32_t bottom,
                                 int32_t srcX, int32_t srcY, uint32_t flags, int32_t bitmap, PictureCallback callback);
void pictureSetFillColor(WinId win, uint16_t id, int32_t red, int32_t green, int32_t blue);
void pictureSetRect(WinId win, uint16_t id, const CtrlRect* rect);
int32_t pictureMapPoint(WinId win, uint16_t id, int32_t* bitmapId, int32_t* x, int32_t* y);
void ctrlSetGroupMode(int32_t spare, int32_t flag);
void pictureAddChild(WinId win, uint16_t picture, uint16_t child);
void pictureShowChild(WinId win, uint16_t picture, uint16_t child, int32_t flag);
void pictureKindRegister();
// A new item joins the collecting picture while group mode is on.
void pictureCollect(ControlItem* item);
// Acquires the bitmap of a shown picture that does not hold it yet.
void pictureReload(ControlItem* item);
int16_t pictureChildCount(WinId win, uint16_t picture);

ControlItem* framePictureCreate(WinId win, uint16_t id, int32_t x, int32_t y, uint32_t flags, int32_t baseBitmap,
                                int32_t frameCount, PictureCallback callback);
ControlItem* framePictureCreateEx(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                  uint32_t flags, int32_t baseBitmap, int32_t frameCount, PictureCallback callback);
void framePictureSetSize(WinId win, uint16_t id, int32_t width, int32_t height);
void framePictureSetFrame(WinId win, uint16_t id, int32_t frame);
void framePictureMove(WinId win, uint16_t id, int32_t x, int32_t y);
void framePictureKindRegister();

// Later pages' names.
inline void ctrlSetAutoGroup(int32_t spare, int32_t flag) { ctrlSetGroupMode(spare, flag); }
inline void pictureSetFrames(WinId win, uint16_t id, int32_t r, int32_t g, int32_t b) {
  pictureSetFillColor(win, id, r, g, b);
}
