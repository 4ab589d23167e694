// Parameter accessors of the four filters (index 0..2 channel filters, 3 master filter), as the pages
// show them: frequencies in Hz, gains as 6-per-doubling levels ("dB"). Every setter except
// filterSetOn goes through the edit block (editKindFilter, one undo step).
#pragma once
#include <cstdint>

#include "modules/filterModule.h"

struct Engine;

// What a filter type offers beyond its frequency. Codes 7 and 8 are vacant: no filter holds them.
inline bool filterTypeIsVacant(std::int16_t type) { return type == 7 || type == 8; }
// The resonance, bandwidth or feedback value (second box): all but the one-pole types and the vacant codes.
inline bool filterTakesResonance(std::int16_t type) {
  return type != filterLpf6dB && type != filterHpf6dB && !filterTypeIsVacant(type);
}
// The width of the notch (third box).
inline bool filterHasWidth(std::int16_t type) { return type == filterNotch; }
// A gain (third box): the two- and four-pole low passes, the band pass, the comb and the ladders.
inline bool filterHasGain(std::int16_t type) {
  return type == filterLpf12dB || type == filterLpf24dB || type == filterBpf || type == filterComb ||
         (type >= filterLpf2Pole && type <= filterLpf8Pole);
}

std::uint8_t filterIsOn(Engine* engine, std::int16_t index);            // 0 for an index outside 0..3
void filterSetOn(Engine* engine, std::int16_t index, std::uint8_t on);  // live record, no undo
std::int16_t filterGetType(Engine* engine, std::int16_t index);
// Resets lane 0 of every filter and voice; stores the type only when it is one of 1..6, 9..17.
void filterSetType(Engine* engine, std::int16_t index, std::int16_t type);
std::uint8_t filterIsPostMix(Engine* engine, std::int16_t index);  // master filter only
void filterSetPostMix(Engine* engine, std::int16_t index, std::uint8_t postMix);

// Hz: filter index types through dspIndexToFreq, Comb as 44100 / delay, Allpass as 20 x 2^(cutoff/48).
double filterGetFrequency(Engine* engine, std::int16_t index);
void filterSetFrequency(Engine* engine, std::int16_t index, double hz);
// Resonance (ladders and two-pole types, 0..1), bandwidth ("BPF"), feedback (Comb, Allpass; -1..1).
double filterGetResonance(Engine* engine, std::int16_t index);
void filterSetResonance(Engine* engine, std::int16_t index, double value);
// Gain as a 6-per-doubling level (Comb: the comb gain).
double filterGetGainDb(Engine* engine, std::int16_t index);
void filterSetGainDb(Engine* engine, std::int16_t index, double level);
// Width ("b-width" of "Notch"), as is.
double filterGetWidth(Engine* engine, std::int16_t index);
void filterSetWidth(Engine* engine, std::int16_t index, double value);
