// The scrollbar (kindScrollbar): a vertical or horizontal bar of seven bitmaps with a position 0..1, arrow
// and page steps that repeat while held, thumb dragging, a change callback and an attached list.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*ScrollbarCallback)(ControlItem* item, int16_t part, double position);

enum : uint32_t { scrollHorizontal = 0x1, scrollVerticalDrag = 0x2 };
enum { partNone = 0, partPageBack = 1, partPageForward = 2, partBackArrow = 3, partForwardArrow = 4, partThumb = 5 };

struct ScrollbarData {
  double lineStep;
  double pageStep;
  double position;
  int16_t bitmapBase;  // + 0 inactive bar, + 1 track, + 2/+ 3 back arrow, + 4/+ 5 forward, + 6 thumb
  int16_t thickness;
  int16_t crossSize;
  int16_t pressedPart;
  uint32_t flags;
  CtrlRect backArrowSize;
  CtrlRect forwardArrowSize;
  CtrlRect trackSize;
  CtrlRect thumbSize;
  ControlItem* list;
  ControlItem* item;
  ScrollbarCallback onChange;
};

void scrollbarKindRegister();
ControlItem* scrollbarCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t length, int32_t flags,
                             int32_t bitmapBase, uint32_t spare, ScrollbarCallback onChange, double position);
void scrollbarSetPosition(WinId win, uint16_t id, double position);
void scrollbarSetSteps(WinId win, uint16_t id, double lineStep, double pages);
void scrollbarSetSteps(ControlItem* item, double lineStep, double pages);
void scrollbarSetLength(WinId win, uint16_t id, int32_t length);

// The list's side of the coupling.
void scrollbarSetPositionItem(ControlItem* item, double position);
void scrollbarAttachList(ControlItem* item, ControlItem* list);

// Later pages' name: the thumb proportion and the page step.
inline void scrollbarSetThumb(WinId win, uint16_t id, double proportion, double step) {
  scrollbarSetSteps(win, id, proportion, step);
}
