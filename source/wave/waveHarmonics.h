// The harmonics display of the Wave page (waveItemHarmDisplay): the edited wave as its first 64 harmonics, drawn
// as bars and edited with the mouse. The Wave page calls these; the harmonics view fills them in.
#pragma once
#include <cstdint>

void harmonicsDisplayCreate(std::uint16_t win, std::uint16_t item, std::int32_t x, std::int32_t y);
// Analyses the edited wave again and, when the item is shown, invalidates it.
void harmonicsDisplayRefresh(std::uint16_t win, std::uint16_t item);
// Analyses without invalidating.
void harmonicsAnalyzeEntry(std::uint16_t win, std::uint16_t item);
void harmonicsDrawBarsEntry(std::uint16_t win, std::uint16_t item);
void harmonicsSetMode(std::uint16_t win, std::int32_t button);
void harmonicsHighlight(std::uint16_t win, std::int16_t n);
double harmonicsGetAmp(std::uint16_t win, std::int16_t n);
double harmonicsGetPhase(std::uint16_t win, std::int16_t n);
std::int16_t harmonicsGetReadoutHarmonic();
// Whole-table operations of the harmonics menu.
void harmonicsInvertPhase(std::uint16_t win);
void harmonicsClear(std::uint16_t win, std::uint8_t clearAmps, std::uint8_t clearPhases);
void harmonicsTakeSnapshot();
