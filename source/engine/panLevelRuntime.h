// Pan law and level tables of the voice and channel mix: an equal-power fade pair of 1024 points,
// the 128-point pan curve with its knee (set from the preset's master pan), and the pan gains a
// voice takes per channel at note-on. Records: panLevel.h.
#pragma once
#include <cstdint>

#include "engine/panLevel.h"

struct Engine;

// Builds the channel-level block's defaults and the global fade tables (preset initialisation).
void engineLevelDefaults(Engine* engine);
// value 0..1 sets the knee (the curve's value at entry 64) and rebuilds the curve through the edit
// block (editKindLevels). Outside 0..1 it is limited; not a number acts as 0.5.
void engineBuildPanCurve(Engine* engine, float value);
// The pan curve of a knee 0..1023 (two lines through (0, 0), (64, knee / 1024), (128, 1), cut at 0.999).
void panCurveBuild(float* curve, std::int16_t knee);
// Note-on, audio thread: the voice's gains for the channel from the header's channel pan (limited to
// 0..1, so a hostile value never reads outside the fade tables) and the entry's accumulators.
void engineSetVoicePan(Engine* engine, std::int16_t channel, std::int16_t voice);
double engineGetChannelPan(Engine* engine, std::int16_t channel);  // 0.0 for another channel
void engineResetPanGains(PanEntry* entry);
void engineInitVoiceLevels(Engine* engine);
// The global copies of the fade tables (1024 floats each).
const float* panFadeOutTable();
const float* panFadeInTable();
