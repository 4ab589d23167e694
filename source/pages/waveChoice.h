// A wave chosen in a wave selector's menus, as the LFO and Patch pages take it: the preset menu's
// first entry makes a new preset wave (with a message when none is left), any other entry names an
// existing wave; once set, the selector shows it and a new wave opens on the Wave page.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct Engine;

// The wave of a menu entry in *wave; false (after the message) when no new preset wave was left.
// *made tells that the wave is a new one.
bool waveChoiceFromMenu(Engine* e, int16_t menu, int16_t entry, int16_t* wave, bool* made);

// The selector `id` of window `win` (its pane selected) labelled with the wave; a new wave is shown
// on the Wave page.
void waveChoiceShow(WinId win, uint16_t id, int16_t wave, bool made);
