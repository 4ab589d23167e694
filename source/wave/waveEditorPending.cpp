// The entries of the harmonics view and the transform panel that the Wave page calls. They do nothing
// yet: the harmonics view and the transform panel fill these in (and this file goes).
#include "pages/pages.h"
#include "wave/waveHarmonics.h"
#include "wave/waveTransformPanel.h"

void harmonicsDisplayCreate(std::uint16_t, std::uint16_t, std::int32_t, std::int32_t) {}
void harmonicsDisplayRefresh(std::uint16_t, std::uint16_t) {}
void harmonicsAnalyzeEntry(std::uint16_t, std::uint16_t) {}
void harmonicsDrawBarsEntry(std::uint16_t, std::uint16_t) {}
void harmonicsSetMode(std::uint16_t, std::int32_t) {}
void harmonicsHighlight(std::uint16_t, std::int16_t) {}
double harmonicsGetAmp(std::uint16_t, std::int16_t) { return 0.0; }
double harmonicsGetPhase(std::uint16_t, std::int16_t) { return 0.0; }
std::int16_t harmonicsGetReadoutHarmonic() { return 0; }
void harmonicsInvertPhase(std::uint16_t) {}
void harmonicsClear(std::uint16_t, std::uint8_t, std::uint8_t) {}
void harmonicsTakeSnapshot() {}

void waveXformPanelBuild(std::uint16_t) {}
void waveXformPanelShow(std::uint16_t, std::uint8_t, std::uint16_t) {}
