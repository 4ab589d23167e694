// "Create XY Controller": a small modal dialog that links two controllers of the preset's slider list
// into one XY pad. It offers the list's controllers (aftertouch first) in an X and a Y selector; OK
// refuses a controller paired with itself or one already on a pad, else links the pair (X on axis 0,
// Y on axis 1). Every way out refills the Main page's controller slots. One dialog at a time; the
// dialog's destruction resets its state however it was closed, so it opens again. A pair with
// aftertouch is allowed: the slots show it like any other pair. User-interface thread.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct Engine;
struct ControlItem;

enum { xyDialogItemBackground = 1, xyDialogItemX = 2, xyDialogItemY = 3, xyDialogItemOk = 5, xyDialogCandidates = 12 };

// Opens the dialog over window `win` (whose slots it tests and refills) with X = x and Y = y (-10 none)
// and returns once it has closed. Nothing when the engine is null or the dialog is open already.
void xyDialogOpen(WinId win, Engine* engine, std::int16_t x, std::int16_t y);

// The dialog's steps, reachable for tests that drive them the way the controls do.
void xyDialogSelectorChanged(ControlItem* item, std::int16_t menu, std::int16_t index);
void xyDialogOk();
void xyDialogClose();

// State while open (0 / -10 when closed).
std::uint8_t xyDialogIsOpen();
WinId xyDialogDialogId();
WinId xyDialogBuildId();
std::int16_t xyDialogX();
std::int16_t xyDialogY();
std::int16_t xyDialogCandidate(int index);  // candidates[index], -10 for an empty place
