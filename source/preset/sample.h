// Sample files and the sample slots of the three channel oscillators: finding a sample file (also
// after it moved), reading RIFF WAVE files of 16 or 24 bits, mono or stereo, into normalised, DC-free
// float data shared through the sample pool, the loop window, the per-voice reset after a load and
// the waveform overview each slot publishes in a named shared-memory section for the displays.
// User-interface thread only; the audio thread just reads a slot's data, length and loop window.
//
// Units: lengths, markers and positions in frames of the file; the rate factor relates the file's
// rate to 44,100 Hz; display points are floats in [-0.999, 0.999].
#pragma once
#include <cstdint>

#include "preset/sampleInfo.h"

struct Engine;
struct Bank;
struct FileSpec;
struct SampleVoice;

// Result codes of sampleLoad and sampleReadWave.
enum {
  sampleOk = 0,
  sampleOutOfMemory = 1,  // only reported by sampleReportError
  sampleFileError = 2,    // missing or not openable
  sampleUnsupported = 3,  // not a RIFF WAVE file, not integer PCM, or no audio frames
  sampleNotOpened = 4     // no slot, or reading or decoding failed
};

const std::uint32_t sampleTailBytes = 256000;       // zero bytes after the last frame of the data
const std::int32_t sampleDisplayPoints = 65536;     // floats of an overview / display section
const std::int32_t sampleDisplayBlock = 42;         // frames per overview point
const std::uint32_t sampleReadBufferBytes = 49140;  // a multiple of 2, 3, 4 and 6
const std::uint32_t sampleReadBufferSmall = 24570;
const char* const sampleDisplayPrefix = "MorvWaveDisplayPaddlingPool";

// ---- slots
SampleInfo* sampleGetInfo(Engine* engine, std::int16_t channel);        // null outside 0..2
SampleInfo* sampleGetInfoRecord(Engine* engine, std::int16_t channel);  // the same
void sampleSetFileSpec(SampleInfo* slot, const FileSpec* file);
void sampleSetFormat(SampleInfo* slot, std::int32_t frames, std::int32_t channels, double rootKey, double rate);
double sampleRateFactor(double rootKey, double rate);
void sampleUpdateLoop(SampleInfo* slot);
// Reverses the stored words of a slot when the swap flag is set. The oscillator chunk serialisers
// already reverse every field as they read it: this is for a slot read as raw bytes.
void sampleSwapInfo(SampleInfo* slot);

// ---- loading
std::int32_t sampleLoad(Engine* engine, std::int16_t channel, FileSpec* file);  // null: the slot's file
std::int32_t sampleLoadFile(Engine* engine, std::int16_t channel, FileSpec* file);
bool sampleLoadForChannel(int dialogKind, Engine* engine, std::int16_t channel);
std::int32_t sampleReloadChannels(Engine* engine);
void sampleRelease(Engine* engine, std::int16_t channel);
void sampleReleaseAll(Engine* engine);
void sampleReportError(std::int32_t code);

// The finder: the slot's path, then its name beside the bank's file, then in "SamplesPath".
bool sampleFindFile(Bank* bank, SampleInfo* slot, FileSpec* out);
// The bank's file path comes from the bank through this routine (installed by the bank; none: no path).
typedef const char* (*SampleBankPathFn)(Bank* bank);
void sampleSetBankPathRoutine(SampleBankPathFn routine);

// ---- the WAVE reader (file open for reading)
std::uint32_t sampleDetectType(FileSpec* file);  // chunkId("WAVE") or 0
std::int32_t sampleReadWave(FileSpec* file, SampleInfo* slot);
// Decodes `dataBytes` bytes at `dataPosition` into freshly allocated slot data (see sample.cpp).
bool sampleDecodeWave(FileSpec* file, std::int64_t dataPosition, SampleInfo* slot, std::int32_t bits,
                      std::int32_t channels, std::uint32_t dataBytes);

// ---- loop window and parameters (editKindOsc on the edit copy of the channel oscillator)
std::int32_t sampleSetLoopStart(Engine* engine, std::int16_t channel, std::int32_t frames);
std::int32_t sampleSetLoopEnd(Engine* engine, std::int16_t channel, std::int32_t frames);
void sampleSetLoopMode(Engine* engine, std::int16_t channel, std::int32_t mode);
std::int32_t sampleGetLoopStart(Engine* engine, std::int16_t channel);
std::int32_t sampleGetLoopEnd(Engine* engine, std::int16_t channel);
std::int32_t sampleGetLoopMode(Engine* engine, std::int16_t channel);
// which 1: start position (0..1), which 2: read stereo files as mono (value > 0.001).
void oscSetSampleParam(Engine* engine, std::int16_t channel, std::int16_t which, double value);
void sampleGetFileName(Engine* engine, std::int16_t channel, char* buffer, std::uint32_t capacity);

// ---- voices
SampleVoice* sampleVoiceRecord(Engine* engine, std::int16_t channel, std::int16_t voice);
void sampleSetPosition(Engine* engine, std::int16_t channel, std::int16_t voice, double position, double parameter);

// ---- displays
void sampleCloseDisplayMap(Engine* engine, std::int16_t channel);
void sampleBuildDisplay(SampleInfo* slot, std::int16_t channel);  // after a load or a pool hit
float* sampleDisplayBuffer(std::int16_t channel);                 // null outside 0..2
void sampleClearDisplays();
void sampleRefreshDisplay(Engine* engine, std::int16_t channel);
void sampleReadDisplay(Engine* engine, std::int16_t channel, float* destination);
