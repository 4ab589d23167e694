// The channel oscillator record: one per channel of a preset and of the engine's playing patch.
// Units: increments are samples of a 1024-sample table per output sample at 44,100 Hz; phases are
// table samples 0 <= x < 1024; levels and balances are linear 0..1.
#pragma once
#include <cstdint>

#include "preset/sampleInfo.h"

struct FileSpec;

enum OscType : std::int32_t {
  oscTypeSingle = 0,
  oscTypeDouble = 1,
  oscTypeFm = 2,
  oscTypeRingmod = 3,
  oscTypeSample = 4,
  oscTypeGranular = 5,
  oscTypeFractalize = 6,
  oscTypeAudioIn = 7,
  oscTypeCount = 8
};
// Type sets the pages test: a pitched oscillator (its own pitch and phase), one that mixes two waves by
// a balance, one with a second phase, one that plays the channel's sample.
inline bool oscTypeIsPitched(std::int32_t type) {
  return type == oscTypeSingle || type == oscTypeDouble || type == oscTypeFm || type == oscTypeRingmod ||
         type == oscTypeFractalize;
}
inline bool oscTypeHasBalance(std::int32_t type) { return type == oscTypeDouble || type == oscTypeRingmod; }
inline bool oscTypeHasSecondPhase(std::int32_t type) { return type == oscTypeDouble || type == oscTypeFm; }
inline bool oscTypeIsSampled(std::int32_t type) { return type == oscTypeSample || type == oscTypeGranular; }
enum OscFreqMode : std::int32_t { oscFreqTrans = 0, oscFreqRatio = 1, oscFreqNote = 2, oscFreqHz = 3 };

// The granular sub-record (GrainParams) of the oscillator: nine 32-bit words.
struct OscSubRecord {
  std::int32_t count;    // grains per voice, 1..8
  float size;            // grain size in frames, 128..10000
  float diffusion;       // 1 - diffusion / 100
  float time;            // scan rate, "Time %" / 100
  float randTime;        // 1 - "R Time" / 100
  float randFreq;        // 1 - "R Freq" / 100
  float randAmp;         // 1 - "R Amp" / 100
  std::uint32_t word7;   // stored and swapped with the others; not set by the defaults
  std::int32_t channel;  // the owning channel; stamped on read and copy
};

const float oscFmIndexScale = 162.974661726f;  // FM index 1.0 in phase units: 1024 / (2 pi)
const int oscAudioInputCount = 6;              // device inputs the "Audio In" oscillator can take

struct ChannelOscRecord {
  float pitchInc;             // main pitch, absolute increment (freq modes Note and Hz)
  float phaseA;               // start phase of wave A, table samples 0..1024
  float pitchRatio;           // main pitch as a ratio to the note's frequency (freq modes Trans, Ratio)
  float level;                // oscillator level 0..1
  float inputGain;            // "Audio In" gain, linear 0..4 (shown in dB)
  float pitchRatioB;          // second pitch as a ratio
  float phaseB;               // start phase of wave B, table samples 0..1024
  float pitchIncB;            // second pitch, absolute increment
  float balanceDouble;        // "Balance" of "Double", 0..1
  float fmIndex;              // FM index x oscFmIndexScale
  float balanceRingmod;       // "Balance" of "Ringmod", 0..1
  std::int32_t type;          // OscType 0..7
  std::int32_t freqMode;      // OscFreqMode of the main pitch
  std::int32_t freqModeB;     // OscFreqMode of the second pitch
  std::int32_t waveA;         // wave id of wave A (16 bits used)
  std::int32_t waveB;         // wave id of wave B (16 bits used)
  std::int32_t channel;       // the record's own channel 0..3
  std::uint32_t auxSwitch;    // 0/1 strip button read by "Double", "Fractalize" and the voice start
  std::uint8_t on;            // oscillator on
  std::uint32_t bandLimited;  // 0/1: play the band-limited tables chosen by pitch
  std::uint8_t phaseReset;    // 1 "Phase": note start resets the phases; 0 "Free"
  float trans;                // "Trans", semitones 0..48
  float transRatio;           // 2^(trans / 12), written only by oscSetTrans
  float randTrans;            // "Rand trans", semitones 0..72
  std::int32_t numVoices;     // "Num voices" 1..8
  std::int16_t inputs[3];     // audio input of "In 1", "In 2" and a third selector: -1 none, 0..5
  SampleInfo sampleInfo;      // sample slot of the "Sample" and "Granular" types
  OscSubRecord subRecord;     // granular parameters
  float displacement;         // "Displacement" of "Fractalize"
  float amount;               // "Amount" of "Fractalize"
  std::int32_t iterations;    // "Iterations" of "Fractalize"
};

// Defaults; the engine (null allowed) is only used to close the channel's sample display.
struct Engine;
void oscInitRecord(Engine* engine, ChannelOscRecord* record, std::int32_t channel);
void oscSubDefaults(OscSubRecord* sub, std::int32_t channel);
// Keeps a record read from a file within the ranges the render routines rely on.
void oscSanitizeRecord(ChannelOscRecord* record);

// Chunk serialisers (direction chunkRead 1 / chunkWrite 0): "osc3" (current), "osc2", "ocil" (oldest).
// Reading resets the record to its defaults first; fields the chunk lacks keep them.
bool oscReadWriteChunk(FileSpec* file, ChannelOscRecord* record, std::uint8_t* buffer, int direction);
bool oscReadWriteChunkV2(FileSpec* file, ChannelOscRecord* record, std::uint8_t* buffer, int direction);
bool oscReadWriteChunkV1(FileSpec* file, ChannelOscRecord* record, std::uint8_t* buffer, int direction);
