// In-place text entry over displays and number boxes.
#include "controls/editBox.h"
#include <cstring>
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/winSlots.h"

namespace {

int16_t activeWin;
WNDPROC previousProc;

void doneNop(ControlItem*, const char*) {}

EditRecord* activeRecord() {
  WinSlot* slot = winSlot(activeWin);
  return slot ? &slot->edit : nullptr;
}

bool entryIsNumber() {
  const EditRecord* rec = activeRecord();
  return rec && rec->item && rec->item->kind == kindNumberBox;
}

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC prev = previousProc;
  // A double click (its first press often the one that opened the entry, on the window below)
  // selects the whole number of a box, the word under the mouse of a text; typing replaces it.
  if ((msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) && winNotePress()) {
    if (entryIsNumber()) {
      SetFocus(hwnd);
      SendMessageA(hwnd, EM_SETSEL, 0, -1);
      return 0;
    }
    // As when both presses land on the edit control: the first puts the caret under the mouse, the
    // second selects the word there.
    if (msg == WM_LBUTTONDOWN) CallWindowProcA(prev, hwnd, msg, wp, lp);
    msg = WM_LBUTTONDBLCLK;
  }
  // Ctrl+A selects all of it (and its control character is not typed).
  if (msg == WM_KEYDOWN && wp == 'A' && GetKeyState(VK_CONTROL) < 0) {
    SendMessageA(hwnd, EM_SETSEL, 0, -1);
    return 0;
  }
  if (msg == WM_CHAR && wp == 1) return 0;
  if (msg == WM_KEYDOWN && wp == VK_RETURN) {
    editBoxEnd();
    // The entry's end destroyed this control: nothing is left to pass the key to.
    if (!IsWindow(hwnd)) return 0;
  }
  return prev ? CallWindowProcA(prev, hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

// Steps shared by both kinds: ends any entry, fills the window's record and lays the edit control over
// (x, y, w, h) with the text, style and font given.
void begin(ControlItem* item, EditDoneFn done, const char* text, DWORD style, int32_t x, int32_t y, int32_t w,
           int32_t h, int32_t fontIndex, int32_t selectTo) {
  inputReset();
  editBoxEnd();
  if (!item) return;
  const WinId win = item->windowId;
  WinSlot* slot = winSlot(win);
  if (!slot) return;
  activeWin = win;
  slot->edit.item = item;
  slot->edit.done = done ? done : doneNop;
  slot->edit.active = 1;
  slot->edit.editWindow = nullptr;
  HWND parent = winGetFrameworkWindow(win);
  if (!parent) return;
  // Scrolls sideways as the user types: without it a narrow field refuses characters past its width.
  HWND edit = CreateWindowExA(0, "edit", text, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | style, x, y, w, h < 1 ? 1 : h,
                              parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!edit) return;
  slot->edit.editWindow = edit;
  WNDPROC prev = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
  if (prev != editProc) previousProc = prev;
  if (HFONT f = fontGet(fontIndex)) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, selectTo);
}

}  // namespace

void editRecordReset(EditRecord* record) {
  if (!record) return;
  record->item = nullptr;
  record->done = doneNop;
  record->active = 0;
  record->editWindow = nullptr;
}

EditRecord* winGetEditRecord(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot ? &slot->edit : nullptr;
}

void editBoxBeginText(ControlItem* item, EditDoneFn done) {
  DisplayData* d = displayData(item);
  if (!d) return;
  DWORD style = 0;
  if (d->format == 1) style |= ES_CENTER;
  if (d->format == 2) style |= ES_RIGHT;
  const CtrlRect& r = item->rect;
  begin(item, done, d->text, style, r.left, r.top, r.right - r.left, r.bottom - r.top - 1, d->fontIndex, 256);
}

void editBoxBeginNumber(ControlItem* item, EditDoneFn done) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  char text[numboxTextSize];
  numboxFormatValue(d, text);
  const CtrlRect& v = d->valueRect;
  begin(item, done, text, ES_RIGHT, item->rect.left + 4, item->rect.top - 1, v.right - v.left - 1, v.bottom - v.top - 1,
        d->fontSlot, 16);
}

void editBoxEnd() {
  EditRecord* rec = activeRecord();
  if (!rec || !rec->active) return;
  // The record is cleared before the callbacks run, so an entry that ends inside them (a destroyed
  // control's focus change, a callback that starts another) finds nothing left to end.
  EditRecord ended = *rec;
  editRecordReset(rec);
  activeWin = 0;
  char text[257];
  std::memset(text, 0, sizeof text);
  if (ended.editWindow && IsWindow(ended.editWindow)) GetWindowTextA(ended.editWindow, text, 257);
  const uint32_t stores = displayEntryStores();
  // The done callback finds its item's window and container selected, as the store below does.
  if (ended.item && winSlot(ended.item->windowId)) {
    winSetCurrent(ended.item->windowId);
    winSelectPort(ended.item->windowId, ended.item->port);
  }
  ended.done(ended.item, text);
  if (ended.editWindow && IsWindow(ended.editWindow)) {
    // Keys go back to the window the entry was typed in, not nowhere.
    HWND parent = GetParent(ended.editWindow);
    const bool hadFocus = GetFocus() == ended.editWindow;
    DestroyWindow(ended.editWindow);
    if (hadFocus && parent && IsWindow(parent)) SetFocus(parent);
  }
  ControlItem* item = ended.item;
  if (!item) return;
  const WinId win = item->windowId;
  if (!winSlot(win)) return;
  winSetCurrent(win);
  winSelectPort(win, item->port);
  itemInvalidate(item);
  // A display's text is stored once: here, unless the done callback stored it already.
  if (item->kind == kindDisplay && displayEntryStores() == stores) displayEntryStore(item, text);
}

int editBoxIsActive() {
  EditRecord* rec = activeRecord();
  return rec && rec->active ? 1 : 0;
}

int editBoxContains(CtrlPoint p) {
  EditRecord* rec = activeRecord();
  if (!rec || !rec->active || !rec->item) return 0;
  const CtrlRect& r = rec->item->rect;
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom ? 1 : 0;
}

HWND editBoxWindow() {
  EditRecord* rec = activeRecord();
  return rec && rec->active ? rec->editWindow : nullptr;
}

ControlItem* editBoxItem() {
  EditRecord* rec = activeRecord();
  return rec && rec->active ? rec->item : nullptr;
}
