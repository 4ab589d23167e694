// The preset header: the first part of every preset and of the engine's playing patch.
#pragma once
#include <cstdint>

#include "engine/tempoClock.h"

struct FileSpec;
struct Engine;

const int patchNameLength = 34;  // stored characters of the name

struct PatchHeader {
  std::int16_t slot;               // slot in the bank: -1 none, 0..127
  std::uint16_t polyphony;         // voices the preset may use, 1..64
  float gain;                      // output gain, linear 0..16
  float transpose;                 // pitch ratio (shown in semitones)
  float pan;                       // 0..1
  double length;                   // length of the preset's bar, samples at 44,100 Hz
  float beats;                     // beats in that length
  std::uint16_t tuning;            // tuning id (bank and index packed)
  char name[patchNameLength + 1];  // 34 stored characters; the extra byte keeps it terminated
  std::uint16_t stageCounts[4];    // stage counts of channels 0..2 and of the master section
  float channelPan[3];             // pan of channels 0..2, 0..1
  float pairFirst[3];              // first value of channel c's output pair, -1..1
  float pairSecond[3];             // second value of channel c's output pair
  TempoClock tempo;                // its presetTempo (BPM) is what the chunks carry
};

// Defaults: polyphony 4, gain of 0.001 dB, transpose 1, pan 0.5, a 4-beat bar of 88,200 samples
// (120 BPM), tuning 0, "default", stage counts 1, channel pans 0.5, output pairs 0. `slot` takes the
// program number when it is -1..127 and is otherwise left as it was.
void patchHeaderDefaults(PatchHeader* header, std::int16_t program);
std::int16_t patchHeaderGetPolyphony(const PatchHeader* header);    // 4 for null
void patchHeaderSetPolyphony(PatchHeader* header, std::int32_t n);  // clamped to 1..64
float patchHeaderGetGain(const PatchHeader* header);
void patchHeaderSetGain(PatchHeader* header, float x);      // below 1e-24: 0; above 16: 16
double patchHeaderGetTranspose(const PatchHeader* header);  // semitones
void patchHeaderSetTranspose(PatchHeader* header, double semitones);
float patchHeaderGetPan(const PatchHeader* header);
void patchHeaderSetPan(PatchHeader* header, float x);           // clamped to 0..1
void patchHeaderGetName(const PatchHeader* header, char* out);  // out holds 35 bytes
void patchHeaderSetName(PatchHeader* header, const char* text);
// Keeps a header read from a file within its ranges (polyphony 1..64, finite values, name terminated).
void patchHeaderSanitize(PatchHeader* header);

// Chunk serialisers (direction chunkRead 1 / chunkWrite 0): "ptch", "ptc2", "ptc3" (version 10) and
// "ptc4" (version 1, the current layout).
bool patchHeaderReadWriteChunkV1(FileSpec* file, PatchHeader* header, std::uint8_t* buffer, int direction);
bool patchHeaderReadWriteChunkV2(FileSpec* file, PatchHeader* header, std::uint8_t* buffer, int direction);
bool patchHeaderReadWriteChunkV3(FileSpec* file, PatchHeader* header, std::uint8_t* buffer, int direction);
bool patchHeaderReadWriteChunk(FileSpec* file, PatchHeader* header, std::uint8_t* buffer, int direction);

// The Main page's controls on the engine's playing header. Getters answer 4 / 0.0 / "" without one.
std::int16_t patchGetPolyphony(Engine* engine);
void patchSetPolyphony(Engine* engine, std::int32_t n);  // 1..64 only; stops, sets, rebuilds
float patchGetGain(Engine* engine);
void patchSetGain(Engine* engine, float gain);             // edit block, editKindHeader
double patchGetTranspose(Engine* engine);                  // semitones
void patchSetTranspose(Engine* engine, double semitones);  // edit block; voices retuned
float patchGetPan(Engine* engine);
void patchSetPan(Engine* engine, float pan);          // edit block; pan curve rebuilt
void patchGetName(Engine* engine, char* out);         // out holds 35 bytes
void patchSetName(Engine* engine, const char* text);  // edit block
// Copies a whole header between a preset and the engine (intoEngine 1) or back (0), setting the
// destination's slot; a master stage count above 1 becomes 3 in the engine.
void patchHeaderCopy(Engine* engine, const PatchHeader* source, PatchHeader* destination, std::int16_t slot,
                     std::uint8_t intoEngine);
