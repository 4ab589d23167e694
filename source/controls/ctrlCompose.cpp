// Off-screen composition of a small area of a window.
#include "controls/ctrlCompose.h"

bool composeBegin(int16_t win, const CtrlRect& rect, ComposeArea* a) {
    a->win = win;
    a->rect = rect;
    a->memory = nullptr;
    a->bitmap = nullptr;
    a->previous = nullptr;
    winAcquireDrawContext(win, &a->saved);
    a->target = winGetDC(win);
    WinSlot* slot = winSlot(win);
    a->previousOffscreen = slot ? slot->offscreenDC : nullptr;
    if (!a->target) return false;
    const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    // Composing into an area already being composed, or an empty one, draws straight through.
    if (a->previousOffscreen || w <= 0 || h <= 0) return true;
    a->memory = CreateCompatibleDC(a->target);
    a->bitmap = a->memory ? CreateCompatibleBitmap(a->target, w, h) : nullptr;
    if (!a->bitmap) {
        if (a->memory) DeleteDC(a->memory);
        a->memory = nullptr;
        return true;
    }
    a->previous = SelectObject(a->memory, a->bitmap);
    BitBlt(a->memory, 0, 0, w, h, a->target, rect.left, rect.top, SRCCOPY);
    SetViewportOrgEx(a->memory, -rect.left, -rect.top, nullptr);
    winSetOffscreenDC(win, a->memory);
    return true;
}

void composeEnd(ComposeArea* a) {
    if (a->memory) {
        const int32_t w = a->rect.right - a->rect.left, h = a->rect.bottom - a->rect.top;
        BitBlt(a->target, a->rect.left, a->rect.top, w, h, a->memory, a->rect.left, a->rect.top, SRCCOPY);
        winSetOffscreenDC(a->win, a->previousOffscreen);
        SelectObject(a->memory, a->previous);
        DeleteObject(a->bitmap);
        DeleteDC(a->memory);
        a->memory = nullptr;
    }
    if (winSlot(a->win)) winReleaseDrawContext(a->win, &a->saved);
}
