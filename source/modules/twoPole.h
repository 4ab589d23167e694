// Two-pole resonant filters on the tables of twoPoleTables.h: type 2 "LPF -12dB", 3 "LPF -24dB",
// 5 "HPF -12dB", 9 "Notch". Resonance is a feedback of an earlier output sample into the input. Each
// block moves the lane's cutoff index towards its target in min(frames, 16) equal segments, with the
// coefficients interpolated once per segment.
// Modulation rows read: 15 resonance multiplier, 16 width multiplier ("Notch"); the target index of
// filterTargetIndex (row 9 among others).
#pragma once
#include <cstdint>

#include "modules/filterModule.h"

void filterRenderLpf12dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderLpf24dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderHpf12dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderNotch(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);

// Lane kernels (the filter module's kernel contract).
void twoPoleProcessLpf12dB(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                           std::int16_t filter, std::int16_t frames);
void twoPoleProcessLpf24dB(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                           std::int16_t filter, std::int16_t frames);
void twoPoleProcessHpf12dB(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                           std::int16_t filter, std::int16_t frames);
void twoPoleProcessNotch(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                         std::int16_t filter, std::int16_t frames);
