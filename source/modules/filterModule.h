// The filter module: four filters (0..2 one per channel, 3 the master filter), each a FilterRecord of
// the playing preset whose type code selects a routine of the filter routine table. A routine walks
// the active voices (or voice 0 after the mix) and runs its lane kernel on each lane in place, with
// one FilterVoiceState per filter, voice and lane.
//
// Two pitch-index scales are in use:
//   filter index  : 40 steps per octave, index 0 = 5 Hz, 0..480 (dspFreqToIndex, pitchIndex.h); the
//                   one-pole tables are built on it for 44,100 Hz and shifted by rateIndexOffset.
//   allpass index : 48 steps per octave, index 0 = 20 Hz, 0..479 (dspPowHelper, allpassTable.h);
//                   the cutoff of the Allpass types is stored on this scale.
#pragma once
#include <cstdint>

#include "modules/filterVoiceState.h"
#include "preset/moduleRecords.h"

struct Engine;

// Type codes (index into the routine table; 0, 7, 8 and 18 have no routine).
enum FilterType : std::int16_t {
  filterLpf6dB = 1,
  filterLpf12dB = 2,
  filterLpf24dB = 3,
  filterHpf6dB = 4,
  filterHpf12dB = 5,
  filterBpf = 6,
  filterNotch = 9,
  filterComb = 10,
  filterAllpass2 = 11,
  filterAllpass4 = 12,
  filterAllpass8 = 13,
  filterLpf2Pole = 14,
  filterLpf4Pole = 15,
  filterLpf6Pole = 16,
  filterLpf8Pole = 17
};
const int filterTableSlots = 18;

typedef void (*FilterRoutine)(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
typedef void (*FilterKernel)(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                             std::int16_t filter, std::int16_t frames);

// Fills the routine table (once, at engine creation).
void filterInstallRoutines();
// The routine of a type code, or null for a code without one (such a filter renders as a bypass).
FilterRoutine filterRoutineFor(std::int32_t type);

// Per block: the channel filters whose filter-active flag is set, then (separately) the master filter.
void filterRenderAll(Engine* engine, std::int16_t frames);
void filterRenderMaster(Engine* engine, std::int16_t frames);

// The walk every routine shares: each active voice's lanes in ascending voice order (or voice 0's
// lanes after the mix), lane s starting s x frames samples into the voice's buffer.
struct FilterLaneRef {
  FilterVoiceState* state;
  float* buffer;
};
const int filterMaxLanes = 64 * 3;
// Lists the lanes of this block (at most filterMaxLanes) and returns their count.
int filterGatherLanes(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames,
                      FilterLaneRef* lanes);
// Runs `kernel` on every lane of the walk.
void filterRunLanes(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames,
                    FilterKernel kernel);

// The lane's unclamped target pitch index for this block (filter scale, shifted for the running rate).
double filterTargetIndex(Engine* engine, const FilterRecord* record, const FilterVoiceState* state);
// The same sum without the rate shift (the Allpass kernels, whose table is built for the running rate).
double filterTargetIndexAtRate(Engine* engine, const FilterRecord* record, const FilterVoiceState* state);
// The lane's modulation multiplier of one destination (9 frequency, 15 resonance/feedback, 16 width).
float filterModMultiplier(Engine* engine, const FilterRecord* record, const FilterVoiceState* state, int parameter);

// Voice states.
void filterVoicesInit(Engine* engine);  // resets lane 0 of every filter and voice
void filterVoiceStart(Engine* engine, std::int16_t filter, std::int16_t voice, std::int16_t note, std::uint8_t legato);

// Copies a record (index 0..3 only); a source type of 19 or more becomes 1; with an engine and the flag
// the destination gets its defaults first. The copy is then made safe for the render loop.
void filterCopyRecord(Engine* engine, FilterRecord* source, FilterRecord* destination, std::int16_t index,
                      std::uint8_t withDefaults);
// Limits every field of a record from a file or a caller to what the kernels can run: non-finite
// values take their defaults, resonance 0..1, feedback -1..1, cutoff 0..480, comb delay 1..2046.
// An unknown type code is kept (it renders as a bypass).
void filterSanitizeRecord(FilterRecord* record);
// Gains below this (-120 dB) are taken as 0: the filters' guard-level signals (about 1e-24, their
// rounding steps about 1e-31) times a smaller gain fall into the denormal range.
const float filterGainFloor = 1e-6f;
