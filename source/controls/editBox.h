// In-place text entry: a native edit control laid over a text display or a number box while the
// user types. At most one entry is active in the whole program; each window slot holds one entry
// record and a global remembers which window has the active one. The entry ends on Enter, on a
// press on another item, when its window is hidden, (de)activated or closed, or when another starts.
#pragma once
#include "controls/ctrlTypes.h"

void editBoxBeginText(ControlItem* item, EditDoneFn done);    // over a display
void editBoxBeginNumber(ControlItem* item, EditDoneFn done);  // over a number box's value
void editBoxEnd();                                            // ends the active entry, if any
int editBoxIsActive();
int editBoxContains(CtrlPoint point);  // in the edited item, edges included
void editRecordReset(EditRecord* record);
EditRecord* winGetEditRecord(int16_t id);
HWND editBoxWindow();        // the active edit control, or null
ControlItem* editBoxItem();  // the item being edited, or null
