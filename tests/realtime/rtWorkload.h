// Workloads of the real-time checks: a stress patch (every channel on, every oscillator mode across the
// variants, all four filters, both modulators, the waveshaper, the three LFOs, an envelope on every
// destination, each master effect kind), a fixed MIDI plan that overruns the polyphony, holds the
// sustain pedal, bends and moves controllers, edits left pending for the audio sequence to commit,
// and the checks that outputs and the engine's running state stay finite and free of denormals.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct Engine;

const int rtStressVariants = 5;  // one per master effect kind; channel modes rotate with the variant

// A fresh engine (process-wide tables prepared, engine rate `rate`, two outputs) at polyphony `voices`
// playing stress variant `variant`; null when something could not be made. Destroy with engineDestroy
// (and set the rate back with engineCfgInitDefaults when it was not 44,100).
Engine* rtStressEngine(int variant, int voices, float rate = 44100.0f);

// Short MIDI messages (3 bytes each) per sub-block, fixed by the seed.
struct RtMidiPlan {
  std::vector<std::vector<std::uint8_t>> blocks;
};
RtMidiPlan rtMidiPlan(std::uint32_t seed, int blocks);

// Leaves an edit of kind `which` (any int; taken modulo the kinds) pending in the edit block, as a
// setter does while an audio thread runs; the next client sub-block commits it.
void rtLeavePendingEdit(Engine* engine, int which, std::mt19937& rng);

// Empty when every sample is finite and not subnormal; otherwise where the first bad value is.
std::string rtCheckSamples(const float* data, int count, const char* what);
// The same test without building a message (nothing allocated): true when all is finite and normal.
bool rtSamplesClean(const float* data, int count);
// Outputs of one sub-block (`count` outputs of 128 frames) and the buses.
std::string rtCheckBlock(Engine* engine, const float* const* outputs, int count);
// The engine's running state: voice buffers, modulation rows, filter and modulator lane memories,
// oscillator levels, comb buffers and the effect's delay memory (finite).
std::string rtCheckEngineState(Engine* engine);
