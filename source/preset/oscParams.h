// The pages' accessors of the channel oscillators of the engine's playing patch. Setters marked
// "edit" change the edit copy and commit it (editKindOsc, the channel); "live" setters write the
// engine's record directly. A missing engine or channel makes setters do nothing and getters return
// their defaults. Channel arguments are 0..2 (getters also take the edit-copy index).
#pragma once
#include <cstdint>

struct Engine;
struct ChannelOscRecord;

void oscSetWaveA(Engine* engine, std::int16_t channel, std::int16_t waveId);      // edit
void oscSetWaveB(Engine* engine, std::int16_t channel, std::int16_t waveId);      // edit
void oscSetPitch(Engine* engine, std::int16_t channel, float value);              // edit, by freqMode
void oscSetPitchB(Engine* engine, std::int16_t channel, float value);             // edit, by freqModeB
void oscSetTrans(Engine* engine, std::int16_t channel, double semitones);         // live, 0..48
void oscSetRandTrans(Engine* engine, std::int16_t channel, double semitones);     // live, 0..72
void oscSetNumVoices(Engine* engine, std::int16_t channel, std::int16_t voices);  // live, 1..8
void oscSetOn(Engine* engine, std::int16_t channel, std::uint8_t on);             // live
// edit: selector 0..2, input -1 (none) or 0..5; anything else stores nothing and commits nothing.
void oscSetAudioInput(Engine* engine, std::int16_t channel, std::int16_t selector, std::int16_t input);
void oscSetInputGain(Engine* engine, std::int16_t channel, float gain);         // edit, 0..4
void oscSetLevel(Engine* engine, std::int16_t channel, float level);            // edit, 0..1
void oscSetBalance(Engine* engine, std::int16_t channel, float balance);        // edit, "Double"/"Ringmod"
void oscSetFmIndex(Engine* engine, std::int16_t channel, float index);          // edit, radians
void oscSetPhaseA(Engine* engine, std::int16_t channel, float cycles);          // edit
void oscSetPhaseB(Engine* engine, std::int16_t channel, float cycles);          // edit
void oscSetFreqMode(Engine* engine, std::int16_t channel, std::int16_t mode);   // edit, 0..3
void oscSetFreqModeB(Engine* engine, std::int16_t channel, std::int16_t mode);  // edit, 0..3
void oscSetAuxSwitch(Engine* engine, std::int16_t channel, std::uint8_t on);    // edit
void oscSetPhaseReset(Engine* engine, std::int16_t channel, std::uint8_t on);   // live
void oscSetBandLimited(Engine* engine, std::int16_t channel, std::uint8_t on);  // live
void oscSetType(Engine* engine, std::uint16_t channel, std::uint16_t type);     // live, 0..7

std::int16_t oscGetWaveA(Engine* engine, std::int16_t channel);
std::int16_t oscGetWaveB(Engine* engine, std::int16_t channel);
double oscGetPitch(Engine* engine, std::int16_t channel);  // semitones, ratio, note or Hz by mode
double oscGetPitchB(Engine* engine, std::int16_t channel);
double oscGetTrans(Engine* engine, std::int16_t channel);
double oscGetRandTrans(Engine* engine, std::int16_t channel);
std::int16_t oscGetNumVoices(Engine* engine, std::int16_t channel);
std::uint8_t oscIsOn(Engine* engine, std::int16_t channel);
float oscGetLevel(Engine* engine, std::int16_t channel);
double oscGetFmIndex(Engine* engine, std::int16_t channel);  // radians
double oscGetPhaseA(Engine* engine, std::int16_t channel);   // cycles
double oscGetPhaseB(Engine* engine, std::int16_t channel);
std::int16_t oscGetType(Engine* engine, std::int16_t channel);
std::int16_t oscGetFreqMode(Engine* engine, std::int16_t channel);
std::int16_t oscGetFreqModeB(Engine* engine, std::int16_t channel);
std::uint8_t oscGetAuxSwitch(Engine* engine, std::int16_t channel);
std::uint8_t oscGetPhaseReset(Engine* engine, std::int16_t channel);
std::uint8_t oscGetBandLimited(Engine* engine, std::int16_t channel);

// Copies a record (preset to engine with withSetup 1: the destination is reset and its type set
// first, and the band-limited tables are rebuilt; engine to preset with 0). Nothing unless both
// records exist and 0 <= channel <= 3.
void oscCopyRecord(Engine* engine, const ChannelOscRecord* source, ChannelOscRecord* destination, std::int16_t channel,
                   std::uint8_t withSetup);
// Rebuilds the eight band-limited tables of wave A and of wave B of an engine channel (0..2) from
// the record's wave ids.
void oscRebuildTables(Engine* engine, std::int16_t channel, const ChannelOscRecord* record);
// After the page switched a channel on or off: an oscillator switched on takes, for every voice below
// the polyphony, the phases of the first other channel that is on, so that it starts in step; one
// switched off has its voices' carried gain cleared.
void oscRelinkVoices(Engine* engine, std::int16_t channel);
