// The harmonics display of the Wave page (waveItemHarmDisplay): the edited wave as its first 64 harmonics, drawn
// as bars and edited with the mouse. The Wave page calls these; the harmonics view fills them in.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

void harmonicsDisplayCreate(WinId win, std::uint16_t item, std::int32_t x, std::int32_t y);
// Analyses the edited wave again and, when the item is shown, invalidates it.
void harmonicsDisplayRefresh(WinId win, std::uint16_t item);
// Analyses without invalidating.
void harmonicsAnalyzeEntry(WinId win, std::uint16_t item);
void harmonicsDrawBarsEntry(WinId win, std::uint16_t item);
void harmonicsSetMode(WinId win, std::int32_t button);
void harmonicsHighlight(WinId win, std::int16_t n);
double harmonicsGetAmp(WinId win, std::int16_t n);
double harmonicsGetPhase(WinId win, std::int16_t n);
std::int16_t harmonicsGetReadoutHarmonic();
// Whole-table operations of the harmonics menu.
void harmonicsInvertPhase(WinId win);
void harmonicsClear(WinId win, std::uint8_t clearAmps, std::uint8_t clearPhases);
void harmonicsTakeSnapshot();
