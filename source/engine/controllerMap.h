// The controller map: six fixed performance controls driven by MIDI sources, smoothed once per
// block, plus the pitch-bend range and the glide settings (record: controllerSettings.h).
//
// Running values and their readers:
//   pitchFactor  frequency ratio of the bend, read by oscillators and modulators;
//   volume       0..1 gain of every oscillator (the square of the source value);
//   filterGain   0..1 ratio of the switched filters, filterOffset = pitch-index steps (40 per octave,
//                0..480) they are lowered by;
//   oscLevel     0..1 factor of the FM index / balance of the channels whose oscSwitches are on
//                ("Oscil fm index/balance"), see ccMapFmFactor;
//   effectLevel  0..1 value of the master effect's time control, scaled by effectDepth by the effects;
//   positionLr, positionFb  sound-field positions in the units of the pan curve (0..0.999, centre 0.5).
#pragma once
#include <cstdint>

#include "engine/controllerSettings.h"

struct Engine;

const float ccMapPositionCentre = 0.5f;  // pan curve entry 64 at the default knee

void ccMapDefaults(ControllerSettings* record);
void ccMapCopy(Engine* engine, const ControllerSettings* source, ControllerSettings* target);
// Once per block, after the tempo clock and before the LFOs.
void ccMapProcessBlock(Engine* engine);
// Where the stored value of a MIDI source lives: the channel pressure word for -1, the controller
// value for 0..127, else a shared word that holds 0.
const std::int16_t* midiSourceValuePtr(Engine* engine, std::int16_t source);
// The controller map's value of a source, 0..127 (pitch bend 128 reads at most 127).
int ccMapSourceValue(const Engine* engine, std::int16_t source);
// Bend factor 2^(semitones / 12) of a coarse bend value 0..127 (127 taken as 128, 64 = no bend) at
// the record's bend range, for the pitch-bend handler.
float ccMapBendFactor(const ControllerSettings* record, int coarse);
// Factor of channel c's FM index or balance: the oscillator level control when c's switch is on, else 1.
float ccMapFmFactor(const Engine* engine, std::int16_t channel);

// ---- accessors of the Midi page (setters commit editKindControllers)
double ccMapGetPitchBendRangeF(Engine* engine);
void ccMapSetPitchBendRange(Engine* engine, double semitones);  // clamped 0..72
double ccMapGetPositionWidth(Engine* engine);                   // percent
void ccMapSetPositionWidth(Engine* engine, double percent);     // clamped 0..100
double ccMapGetFilterDepth(Engine* engine);                     // percent, (1 - field) x 100
void ccMapSetFilterDepth(Engine* engine, double percent);
double ccMapGetOscLevelDepth(Engine* engine);
void ccMapSetOscLevelDepth(Engine* engine, double percent);
double ccMapGetEffectDepth(Engine* engine);  // percent, field x 100
void ccMapSetEffectDepth(Engine* engine, double percent);
// Smoothing times t in blocks, coefficient c = 1 / (t + 1). The getter returns 1 / c - 1, the exact
// inverse of the setter, so a shown value entered again stays the same. Times below 0 act as 0.
double ccMapGetBendSmoothing(Engine* engine);
void ccMapSetBendSmoothing(Engine* engine, double blocks);
double ccMapGetPositionSmoothing(Engine* engine);
void ccMapSetPositionSmoothing(Engine* engine, double blocks);
double ccMapGetVolumeSmoothing(Engine* engine);
void ccMapSetVolumeSmoothing(Engine* engine, double blocks);
double ccMapGetFilterSmoothing(Engine* engine);
void ccMapSetFilterSmoothing(Engine* engine, double blocks);
double ccMapGetOscLevelSmoothing(Engine* engine);
void ccMapSetOscLevelSmoothing(Engine* engine, double blocks);
double ccMapGetEffectSmoothing(Engine* engine);
void ccMapSetEffectSmoothing(Engine* engine, double blocks);
// Time coefficient i (0 glide, 1..2 kept only): getter 0 for c = 1, else 1 / c - 1; setter: below
// 1.0 stores 1.0, else 1 / (t + 1).
double ccMapGetCoefficientTime(Engine* engine, std::int16_t i);
void ccMapSetCoefficientTime(Engine* engine, std::int16_t i, double blocks);
float ccMapGetCoefficient(Engine* engine, std::int16_t i);  // raw; 1.0 for another i
// Control k: 2 volume, 3 filter, 4 oscillator level (FM index/balance), 5 position LR, 6 effect,
// 7 position FB. Sources -1..128; other k read 0 and write nothing.
std::int16_t ccMapGetControllerNumber(Engine* engine, std::int16_t k);
void ccMapSetControllerNumber(Engine* engine, std::int16_t k, std::int16_t source);
std::uint8_t ccMapGetChannelFlag(Engine* engine, std::int16_t channel);
void ccMapSetChannelFlag(Engine* engine, std::int16_t channel, std::uint8_t flag);
std::uint8_t ccMapGetFilterSwitch(Engine* engine, std::int16_t filter);
void ccMapSetFilterSwitch(Engine* engine, std::int16_t filter, std::uint8_t flag);
std::int16_t ccMapGetGlideMode(Engine* engine);
void ccMapSetGlideMode(Engine* engine, std::int16_t mode);  // 0..2 stored; always commits
