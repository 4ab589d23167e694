// Channel modulators: one per channel, run after the channel's filter on every voice and lane.
//   1 "Ringmod"    multiplies the signal by a wavetable oscillator, mixed with the dry signal by the
//                  balance (0 dry .. 1 fully modulated);
//   2 "Freq Shift" single-sideband shift by the oscillator's frequency through a pair of allpass
//                  chains in quadrature (hilbertCoefs), with feedback from its own output.
// The oscillator reads one of the preset's waves. Increments are table samples per output sample of a
// 1024-sample wave, formed at 44,100 Hz and multiplied by engineRateFactor(). The phase runs in 16.16
// fixed point over 26 bits.
// Modulation rows read: 13 "mod %d pitch (%d)", 14 "mod %d balance (%d)".
#pragma once
#include <cstdint>

#include "modules/moduleVoiceStates.h"
#include "preset/moduleRecords.h"

struct Engine;

const float modulatorIncrementMax = 504.0f;       // kernels: about 21.7 kHz at 44,100 Hz
const float modulatorStartIncrementMax = 510.8f;  // voice start

typedef void (*ModulatorKernel)(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* state, float* lane,
                                std::int16_t channel, std::int16_t frames);

// Fills the routine table (type 1 Ringmod, 2 Freq Shift) and the Hilbert coefficients for the running
// rate; once, at engine creation.
void modulatorInstallRoutines();
// The kernel of a type code, or null (a type without one renders as a bypass).
ModulatorKernel modulatorKernelFor(std::int32_t type);

// Per block, right after the channel filters: every channel whose modulator-active flag is set, over
// its active voices and their lanes, in place.
void modulatorRenderAll(Engine* engine, std::int16_t frames);
void modulatorProcessRingmod(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* state, float* lane,
                             std::int16_t channel, std::int16_t frames);
void modulatorProcessFreqShift(Engine* engine, ModulatorRecord* record, ModulatorVoiceState* state, float* lane,
                               std::int16_t channel, std::int16_t frames);

// The oscillator increment of a voice for this block (unlimited; the callers limit it).
double modulatorIncrement(Engine* engine, const ModulatorRecord* record, const ModulatorVoiceState* state,
                          std::int16_t voice);

// Voice states.
void modulatorVoiceInit(Engine* engine, ModulatorVoiceState* state, std::uint16_t voice);
void modulatorVoiceStart(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t note,
                         std::uint8_t legato);
// Points the LFO pitch links of every voice and lane of the three modulators at the LFOs routed to
// them (the constant 1.0 otherwise); with the audio stopped, after the LFO routing changed.
void modulatorBindLinks(Engine* engine);

// Limits a record from a file or a caller to what the kernels run best with: non-finite numbers take
// their defaults, balance 0..1, feedback 0..0.5, channel 0..2; an unknown type is kept (it renders as
// a bypass). The kernels stay finite without it; the record copy of the preset model may call it.
void modulatorSanitizeRecord(ModulatorRecord* record);

// Accessors (user-interface thread). Setters other than modulatorSetOn commit editKindModulator.
std::uint8_t modulatorIsOn(Engine* engine, std::int16_t channel);
// Writes the live record and clears the engine's audio buffers, inside the stop/restart handshake.
void modulatorSetOn(Engine* engine, std::int16_t channel, std::uint8_t on);
std::uint16_t modulatorGetType(Engine* engine, std::int16_t channel);
void modulatorSetType(Engine* engine, std::int16_t channel, std::uint16_t type);  // not 1 or 2: stores 1
std::int16_t modulatorGetFreqMode(Engine* engine, std::int16_t channel);
void modulatorSetFreqMode(Engine* engine, std::int16_t channel, std::int16_t mode);
// Mode 0 semitones, 1 ratio, 2 note number, 3 Hz; other modes 0.0 (the setter stores nothing).
double modulatorGetFrequency(Engine* engine, std::int16_t channel);
void modulatorSetFrequency(Engine* engine, std::int16_t channel, double value);
std::int16_t modulatorGetWave(Engine* engine, std::int16_t channel);
void modulatorSetWave(Engine* engine, std::int16_t channel, std::int16_t wave);
double modulatorGetBalance(Engine* engine, std::int16_t channel);
void modulatorSetBalance(Engine* engine, std::int16_t channel, double value);  // 0..1
double modulatorGetFeedback(Engine* engine, std::int16_t channel);
void modulatorSetFeedback(Engine* engine, std::int16_t channel, double value);  // 0..0.5
std::uint8_t modulatorGetShiftFlag(Engine* engine, std::int16_t channel);
void modulatorSetShiftFlag(Engine* engine, std::int16_t channel, std::uint8_t value);
