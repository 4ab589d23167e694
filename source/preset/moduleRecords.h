// Filter, channel modulator and waveshaper records of a preset and of the engine's playing patch.
// Pitch indices: 40 steps per octave, index 0 = 5 Hz, 0..480. Increments: samples of a 1024-sample
// table per output sample at 44,100 Hz. Gains are linear (shown as 6-dB-per-doubling levels).
#pragma once
#include <cstdint>

struct FileSpec;

struct FilterRecord {
  std::uint8_t on;       // filter on
  std::uint8_t postMix;  // master filter only: 1 runs once on the voice sum, 0 per voice
  std::int16_t index;    // slot 0..2 channel filters, 3 the master filter
  std::int16_t type;     // type code: 1..6, 9..17 (0, 7, 8 are empty slots of the routine table)
  float cutoff;          // pitch index 0..480 (Allpass types: 48 steps per octave from 20 Hz)
  float combDelay;       // "Comb" delay in samples at 44,100 Hz, 1..2046
  float feedback;        // Comb and Allpass feedback
  float bandwidth;       // "BPF" bandwidth ("Q")
  float gain;            // linear gain of the types that have one
  float width;           // "Notch" width ("b-width")
  float combGain;        // "Comb" linear gain
  float resonance;       // "Res"
};

enum ModulatorType : std::uint16_t { modulatorRingmod = 1, modulatorFreqShift = 2 };

struct ModulatorRecord {
  std::uint8_t on;           // modulator on
  std::uint16_t type;        // ModulatorType
  std::int16_t channel;      // channel 0..2
  std::int16_t freqMode;     // 0 "Trans", 1 "Ratio", 2 "Note", 3 "Hz"
  float ratio;               // frequency as a ratio (modes 0, 1)
  float increment;           // frequency as an increment (modes 2, 3)
  std::int16_t wave;         // wave id of the modulator's wave
  float balance;             // "Balance" of "Ringmod", 0..1
  float feedback;            // "Feedback" of "Freq Shift", 0..0.5
  std::uint8_t shiftSwitch;  // switch of the "Freq Shift" section
};

struct WaveshaperRecord {
  std::uint8_t postMix;  // 1 runs once on the voice sum, 0 per voice
  std::uint8_t on;       // waveshaper on
  std::uint16_t word;    // not stored in files; 3
  std::int32_t wave;     // wave id of the transfer curve (16 bits stored)
  float inGain;          // input gain, linear
  float outGain;         // output gain, linear
  float phase;           // phase
};

// Defaults: off, type 15 "LPF 4 pole", cutoff 346, comb delay 200.4545, 0.5, 1, 1, 1, 1, 0;
// post-mix 1 for the master filter (index 3).
void filterInitRecord(FilterRecord* record, std::int16_t index);
// Defaults: off, "Freq Shift", frequency mode 3 at 220 Hz, wave 0, balance 1, feedback 0.35, switch 1.
void modulatorInitRecord(ModulatorRecord* record, std::int16_t channel);
// Defaults: per voice, off, wave 0, gains 1, phase 0.
void waveshaperInitRecord(WaveshaperRecord* record);

bool filterTypeIsUsed(std::int32_t type);  // a type code with a routine

// Chunk serialisers (direction chunkRead 1 / chunkWrite 0), version 10:
// "filt", "mod " (older), "mod3", "wshp".
bool filterReadWriteChunk(FileSpec* file, FilterRecord* record, std::uint8_t* buffer, int direction);
bool modulatorReadWriteChunkV1(FileSpec* file, ModulatorRecord* record, std::uint8_t* buffer, int direction);
bool modulatorReadWriteChunk(FileSpec* file, ModulatorRecord* record, std::uint8_t* buffer, int direction);
bool waveshaperReadWriteChunk(FileSpec* file, WaveshaperRecord* record, std::uint8_t* buffer, int direction);

struct Engine;
// Copies a modulator record and sets its channel; with an engine and `withDefaults` the destination
// gets modulatorInitRecord first; the copy is made safe for the render loop. Nothing for a missing
// record or a channel outside 0..2.
void modulatorCopyRecord(Engine* engine, ModulatorRecord* source, ModulatorRecord* destination, std::int16_t channel,
                         std::uint8_t withDefaults);
// Copies the waveshaper record whole (made safe for the render loop).
void waveshaperCopyRecord(Engine* engine, WaveshaperRecord* source, WaveshaperRecord* destination,
                          std::uint8_t withDefaults);
