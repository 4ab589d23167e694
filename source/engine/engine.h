// The engine: the one record that holds everything the synthesizer plays. The playing preset's
// module records sit at fixed places beside their edit copies, with all voice, envelope, LFO and
// controller state, the MIDI queue, the wave tables, the mix buffers and the handshake words.
// Every engine, module and page operation takes it as its first argument.
//
// Threads: the user-interface thread edits the engine, the audio thread renders it. They share it
// without a lock, through polled words only: the stop/restart handshake (request, ramp gains, ramp
// flag, paused), the audio thread's block words (audioRunning, audioInBlock, audioBlocks), the
// pending byte of each MIDI ring entry, the envelope slots' handshake words and the edit block's
// pending state. Structural changes happen only while paused (engineStopAudio ... engineRestartAudio).
//
// Sample-rate factors: see engineConfig.h (engineRateFactor = 44,100 / rate for increments,
// engineRateRatio = rate / 44,100 for times stored in samples at 44,100 Hz).
#pragma once
#include <atomic>
#include <cstdint>

#include "engine/controllerSettings.h"
#include "engine/engineConfig.h"
#include "engine/envCompile.h"
#include "engine/envelopeInstance.h"
#include "engine/lfo.h"
#include "engine/midiQueue.h"
#include "engine/noteCurves.h"
#include "engine/panLevel.h"
#include "engine/surround.h"
#include "engine/tempoClock.h"
#include "engine/velocitySettings.h"
#include "engine/voice.h"
#include "modules/effectFrame.h"
#include "modules/effectRecords.h"
#include "modules/effectRuntime.h"
#include "modules/moduleVoiceStates.h"
#include "oscillators/oscVoiceState.h"
#include "preset/editBlock.h"
#include "preset/envelopeSlot.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "preset/sliderList.h"
#include "preset/tuning.h"
#include "preset/wave.h"

struct Bank;

const int engineChannels = 3;  // channels 0..2; unit 3 is the master section
const int engineUnits = 4;
const int engineBlockMax = 128;  // frames of one render block at most
const int engineLanesMax = 3;    // lanes (stages) per voice and module
const int engineModParams = 39;  // modulation multipliers in use per row
const int engineModRow = 128;    // floats per modulation row

// Rows of a unit's modulation multipliers (the parameter index of modMultipliers), one per envelope
// destination kind; the text is the envelope name the kind is shown with.
enum ModRow : int {
  modRowNone = 0,                // no destination
  modRowOscAmp = 1,              // "oscil %d amp"
  modRowOscPitchA = 2,           // "oscil %d main pitch"
  modRowOscPhaseA = 3,           // "oscil %d main phase"
  modRowOscPhaseB = 4,           // "oscil %d mod phase"
  modRowOscPitchB = 5,           // "oscil %d mod pitch"
  modRowOscModBalance = 6,       // "oscil %d mod balance"
  modRowOscIndex = 7,            // "oscil %d mod index/bal"
  modRowOscRingBalance = 8,      // "oscil %d ringmod balance"
  modRowFilterFreq = 9,          // "filter %d freq"
  modRowShaperInGain = 10,       // "waveshape in gain"
  modRowShaperOutGain = 11,      // "waveshape out gain"
  modRowShaperPhase = 12,        // "waveshape phase"
  modRowModPitch = 13,           // "mod %d pitch"
  modRowModBalance = 14,         // "mod %d balance"
  modRowFilterRes = 15,          // "filter %d res"
  modRowFilterWidth = 16,        // "filter %d bw"
  modRowSampleStart = 17,        // "oscil %d sample start"
  modRowSampleJump = 18,         // "oscil %d sample jump"
  modRowGrainTime = 19,          // "oscil %d grain time %"
  modRowGrainRandFreq = 20,      // "oscil %d grain rand freq"
  modRowGrainRandTime = 21,      // "oscil %d grain rand time"
  modRowGrainRandAmp = 22,       // "oscil %d grain rand amp"
  modRowGrainSize = 23,          // "oscil %d grain size"
  modRowGrainDiffusion = 24,     // "oscil %d grain diffusion"
  modRowEffectTime = 25,         // "effect time"
  modRowEffectFeedback = 26,     // "effect feedback"
  modRowEffectFilterFreq = 27,   // "effect filter freq"
  modRowPanLr = 28,              // "chan %d pan LR"
  modRowEffectWet = 29,          // "effect bal wet"
  modRowEffectDry = 30,          // "effect bal dry"
  modRowOscVolume = 31,          // "oscil %d vol"
  modRowFractDisplacement = 32,  // "oscil %d fract displacement"
  modRowFractDetune = 33,        // "oscil %d fract detune"
  modRowFractAmount = 34,        // "oscil %d fract amount"
  modRowUnisonTrans = 35,        // "oscil %d uni trans"
  modRowUnisonRandTrans = 36,    // "oscil %d uni rand trans"
  modRowPanFb = 37,              // "chan %d pan FB"
  modRowSurroundPan = 38,        // "chan %d surround pan" (a request: made a pan LR and FB pair)
};
const int enginePoolFloats = 99840;  // voice buffer pool (399,360 bytes)
const int engineAudioInputs = 6;
const int engineCombBuffers = 128;
const int engineCombLength = 2048;
const std::int32_t engineEffectMemoryFloats = 481024;  // the master effect's delay memory
const std::int16_t engineEditIndex = 24567;            // accessor index selecting a module's edit copy

struct AudioInput {
  std::uint8_t filled;  // the device delivered this input for the block
  float samples[engineBlockMax];
};

// One channel's oscillator record followed by its 64 per-voice oscillator states.
struct ChannelBlock {
  ChannelOscRecord record;
  OscVoiceState voices[engineMaxVoices];
};

// DC blocker state of one output bus.
struct OutputFilterState {
  float y;  // last output
  float u;  // last scaled input
};

struct Engine {
  // 1 Routing flags, rebuilt by engineUpdateChannelFlags.
  std::uint8_t channelOn[engineChannels];
  std::uint8_t filterActive[engineChannels];
  std::uint8_t modulatorActive[engineChannels];
  std::uint8_t waveshaperPerVoice;
  std::uint8_t waveshaperPostMix;
  std::uint8_t masterFilterPerVoice;
  std::uint8_t masterFilterPostMix;
  std::uint8_t effectOn;

  // 2 The playing preset's header (polyphony, gain, transpose, channel pans, voice-buffer counts
  // `stageCounts`, the running tempo clock `tempo`).
  PatchHeader header;

  // 3 Edit block: pending-edit state and the edit copies of the editable records.
  EditBlock edit;

  // 4 Sound-field positions of channels 0..2 and the master, then their per-voice states.
  PanPosition panPositions[engineUnits];
  PanState panStates[engineUnits][engineMaxVoices];

  // 5 LFOs and their per-voice states (a global LFO uses voice 0's).
  Lfo lfos[3];
  LfoVoiceState lfoStates[3][engineMaxVoices];

  // 6 MIDI queue and input state.
  MidiState midi;

  // 7 Controller map and glide settings.
  ControllerSettings controllers;

  // 8 Note curves and velocity tables.
  NoteCurveSet noteCurves;

  // 9 Velocity settings.
  VelocitySettings velocity;

  // 10 Note frequencies (increments at 44,100 Hz per MIDI note, from the tuning) and the engine's
  // tuning map (kept as raw storage until the tuning maps exist: 128 per-key f64, keys per octave,
  // octave interval, 32-character name).
  double noteFreq[128];
  std::uint8_t tuningMap[128 * 8 + 64];
  // The tuning map playing now and the shadow copy the preset edits (user-interface thread).
  TuningMap tuningCurrent;
  TuningMap tuningShadow;

  // 11 Voices and their lists.
  Voice voices[engineMaxVoices];
  VoicePool voicePool;

  // 12 Audio inputs, written by the audio client before each render.
  AudioInput inputs[engineAudioInputs];

  // 13 Channel pointers into region 14.
  ChannelOscRecord* channels[engineChannels];
  OscVoiceState* oscStates[engineChannels];

  // 14 Channel blocks.
  ChannelBlock channelBlocks[engineChannels];

  // 15 Band-limited tables of waves A and B per channel.
  ChannelWavetables wavetables[engineChannels];

  // 16 Filters 0..2 (channels) and 3 (master), then their per-voice, per-lane states.
  FilterRecord filters[4];
  FilterVoiceState filterStates[4][engineMaxVoices][engineLanesMax];

  // 17 Channel modulators.
  ModulatorRecord modulators[engineChannels];
  ModulatorVoiceState modulatorStates[engineChannels][engineMaxVoices][engineLanesMax];

  // 18 Waveshaper.
  WaveshaperRecord waveshaper;
  WaveshaperVoiceState waveshaperStates[engineMaxVoices][engineLanesMax];

  // 19 Preset-local waves (bank 127).
  WaveRecord presetWaves[waveLocalCount];

  // 20 Compiled envelope runtime records of Control driven envelopes.
  EnvelopeRuntime envRuntime[envSlotCount];

  // 21 Modulation multipliers [unit][voice][parameter]: 1.0 at the start of each block, envelopes
  // and LFOs multiply in, the units read them. Unit 3's row of voice 0 serves the after-mix stages.
  float modMultipliers[engineUnits][engineMaxVoices][engineModRow];

  // 22 Envelope slots.
  EnvelopeSlot envSlots[envSlotCount];

  // 23 Envelope instances [slot][voice].
  EnvelopeInstance envInstances[envSlotCount][engineMaxVoices];

  // 24 Channel-level block, per-voice level entries, per-channel per-voice pan entries.
  ChannelLevelBlock levels;
  VoiceLevelEntry voiceLevels[engineMaxVoices];
  PanEntry panEntries[engineChannels][engineMaxVoices];

  // 25 Spare waves ("preset 0", id 0x7F00).
  WaveRecord spareWaves[2];

  // 26 Sound-field positions of the master effect's 12 outputs.
  PanPosition effectPanPositions[12];
  PanState effectPanStates[12];

  // 27 The master effect's running state with its delay memory, the current effect type (0 none,
  // 1..5) and its running level.
  EffectMemory effectMemory;
  std::uint16_t effectType;
  float effectLevel;

  // 28 The five effect-kind records.
  EffectPipeRecord effectPipe;
  EffectCombRecord effectComb;
  EffectTapRecord effectTap;
  EffectEchoRecord effectEcho;
  EffectRevRecord effectRev;

  // 29 Output DC filter state per bus.
  OutputFilterState outFilter[3];

  // 30 Output settings.
  SurroundSettings surround;

  // 31 Voice buffer pointers for the current block: per channel and voice, then the master lanes.
  float* voiceBuffers[engineChannels][engineMaxVoices];
  float* masterBuffers[engineMaxVoices];

  // 32 Mix scratch (the voice sum of the after-mix stages among others).
  float mixScratch[768];

  // 33 Output buses: B0, B1, B2 = cosine (front/back), sine (left/right) and omni components.
  float buses[3][engineBlockMax];

  // 34 Engine words.
  float* pool;                     // voice buffer pool, enginePoolFloats
  float masterGain;                // multiplied into every oscillator's amplitude
  float outputGain;                // min(gain / polyphony, 16) x 0.893992, for the decode
  double tempoPercent;             // Main page tempo as a fraction (1.0 = 100 %)
  std::uint16_t polyphony;         // polyphony in force: bounds every voice walk
  std::int16_t lastProgramChange;  // 0..127; -1 (0xFFFF) none
  std::int16_t requestedProgram;   // program asked for by MIDI, -1 none
  std::int16_t voiceCursor;
  std::int16_t channelCursor;
  std::uint16_t blockLength;           // 128
  std::atomic<std::uint16_t> request;  // 0 idle, 1 fade out, 2 fade in
  std::atomic<float> deviceRampGain;
  std::atomic<float> engineRampGain;
  std::atomic<std::uint8_t> rampFlag;  // the device ramp multiplies the outputs
  std::atomic<std::uint8_t> paused;    // render silent, no module runs
  std::uint16_t spareWord;             // cleared at preset initialisation
  double retriggerClock;               // samples
  std::uint32_t clockWords[3];         // cleared at preset initialisation
  std::uint32_t framesDone;            // frames of unpaused blocks since creation
  Bank* bank;
  SliderList sliders;  // the engine's working slider list (user-interface thread)
  std::uint8_t presetModified;
  std::uint8_t headerChanged;
  // Counts the sounds the engine took from a preset (engineInitPreset): a copy of the sound an editor
  // keeps belongs to the sound of the count it was taken under, and is never written into another.
  std::uint32_t soundSerial;
  std::uint16_t displayVoice;  // most recently started voice
  std::uint16_t inputCount;    // below 7
  std::uint16_t outputCount;   // below 9
  std::uint16_t startFlag;
  float speakerPeaks[8];
  float inputPeaks[8];
  float loadDisplay;  // the host's load as a fraction; the load meter reads and clears it
  // The audio thread's own words: whether an audio thread is running blocks, whether it is inside
  // one now, and how many it has finished. The stop handshake waits on them only while one runs.
  std::atomic<std::uint8_t> audioRunning;
  std::atomic<std::uint8_t> audioInBlock;
  std::atomic<std::uint32_t> audioBlocks;
  std::uint8_t renderedPaused;  // audio thread only: the last render saw the paused state

  // 35 Comb filter buffers and their usage map.
  std::uint8_t combUsage[engineCombBuffers];
  float combBuffers[engineCombBuffers][engineCombLength];
};

// ---- Creation ----
Engine* engineCreate();
void engineDestroy(Engine* engine);
// True while an engine is being destroyed (units skip work that would touch it).
bool engineIsShuttingDown();

// ---- Accessors (index out of range falls back as noted) ----
bool engineIsChannelEnabled(Engine* engine, std::int16_t channel);
PatchHeader* engineGetPatchHeader(Engine* engine);
VelocitySettings* engineGetVelocitySettings(Engine* engine);
NoteCurveSet* engineGetNoteCurveSet(Engine* engine);
ChannelOscRecord* engineGetChannel(Engine* engine, std::int16_t channel);  // 24567 edit copy, else 0
OscVoiceState* engineGetOscVoiceState(Engine* engine, std::int16_t channel, std::int16_t voice);
FilterRecord* engineGetFilter(Engine* engine, std::int16_t index);  // 24567 edit copy, else 0
FilterVoiceState* engineGetFilterVoiceState(Engine* engine, std::int16_t filter, std::int16_t voice, std::int16_t lane);
ModulatorRecord* engineGetModulator(Engine* engine, std::int16_t channel);  // 24567 edit copy, else 0
ModulatorVoiceState* engineGetModulatorVoiceState(Engine* engine, std::int16_t channel, std::int16_t voice,
                                                  std::int16_t lane);
WaveshaperRecord* engineGetWaveshaper(Engine* engine);
WaveshaperVoiceState* engineGetWaveshaperVoiceState(Engine* engine, std::int16_t voice, std::int16_t lane);
ControllerSettings* engineGetControllerSettings(Engine* engine);
MidiState* engineGetMidiQueue(Engine* engine);
Voice* engineGetVoice(Engine* engine, std::int16_t voice);
ChannelLevelBlock* engineGetLevelRecord(Engine* engine);
VoiceLevelEntry* engineGetVoiceLevelEntry(Engine* engine, std::int16_t voice);
EffectPipeRecord* engineGetPipeEffect(Engine* engine);
EffectCombRecord* engineGetCombEffect(Engine* engine);
EffectTapRecord* engineGetTapEffect(Engine* engine);
std::int16_t engineNextActiveVoice(Engine* engine);    // set voiceCursor to -1 before the first call
std::int16_t engineNextActiveChannel(Engine* engine);  // set channelCursor to -1 before the first call
EnvelopeInstance* engineGetEnvelopeInstance(Engine* engine, std::int16_t slot, std::int16_t voice);
EnvelopeSlot* engineGetEnvelopeSlot(Engine* engine, std::int16_t slot);
Lfo* engineGetLfo(Engine* engine, std::int16_t lfo);
LfoVoiceState* engineGetLfoVoiceState(Engine* engine, std::int16_t lfo, std::int16_t voice);
std::int16_t engineGetVoiceBufferCount(Engine* engine, std::int16_t index);  // 0..3; 1 otherwise
void engineSetVoiceBufferCount(Engine* engine, std::int16_t index, std::int16_t count);
void engineSetBank(Engine* engine, Bank* bank);
Bank* engineGetBank(Engine* engine);
EditBlock* engineGetEditBlock(Engine* engine);
void engineSetTempoPercent(Engine* engine, double percent);
double engineGetTempoPercent(Engine* engine);
void engineSetStartFlag(Engine* engine, std::uint16_t flag);
void engineSetInputCount(Engine* engine, std::uint16_t count);
std::uint16_t engineGetInputCount(Engine* engine);
void engineSetOutputCount(Engine* engine, std::uint16_t count);
std::uint16_t engineGetOutputCount(Engine* engine);

// ---- Handshake and rebuild (user-interface thread) ----
// Fades the audio out and pauses the engine. Waits (16 ms steps, 256 ms at most) only while an
// audio thread runs; then, if that thread is inside a block, waits for the block to end.
void engineStopAudio(Engine* engine, std::uint8_t fade);
// Unpauses the engine with a fade-in; waits as engineStopAudio does.
void engineRestartAudio(Engine* engine);
// How many of those waits ended at their bound while an audio thread ran: the audio side never
// answered (for tests; a slow answer is not counted).
int engineHandshakeMisses();
void engineApplyPatchChange(Engine* engine, std::uint8_t reinit);
void engineRestart(Engine* engine);
void engineUpdateChannelFlags(Engine* engine);
bool engineAnyChannelOn(Engine* engine);
void engineClearBuffers(Engine* engine);
void engineUpdateOutputGain(Engine* engine);

// Sets the frequency of every voice below the polyphony that holds a note to the note's value times
// the preset header's transpose ratio.
void engineRetuneVoices(Engine* engine);

// ---- Preset waves and envelope copies ----
// Claims the first free preset-local wave (state 2, named "preset N" with its 1-based number) and
// returns its id 0x7F00 + index, or -1 when all eight are in use.
std::int16_t engineClaimPresetWave(Engine* engine);
// Copies a whole envelope slot. With fixLoop the sustain index and the release index are made to
// agree (the sustain index wins when it is set), the slot's handshake word is cleared and a Control
// driven slot is compiled for engine slot `slot`.
void engineCopyEnvelopeSlotEntry(Engine* engine, const EnvelopeSlot* source, EnvelopeSlot* target, std::int16_t slot,
                                 std::uint8_t fixLoop);
// As above, but the target keeps what ties it to its place: its owner, identity, home index, in-use
// and allocated bytes, and with keepDestination its destination kind.
void engineCopyEnvelopeSlot(Engine* engine, const EnvelopeSlot* source, EnvelopeSlot* target, std::int16_t slot,
                            std::uint8_t fixLoop, std::uint8_t keepDestination);

// ---- Audio thread's block words (the audio client calls these around each sub-block) ----
void engineAudioThreadBegin(Engine* engine);  // an audio thread starts running blocks
void engineAudioThreadEnd(Engine* engine);    // it stops (no block runs any more)
void engineAudioBlockBegin(Engine* engine);
void engineAudioBlockEnd(Engine* engine);

// ---- Block render (audio thread) ----
void engineRender(Engine* engine, std::int16_t frames);
void engineResetModulation(Engine* engine);
void engineRenderMaster(Engine* engine, std::int16_t frames);
void engineOutputFilter(Engine* engine, std::int16_t frames);
void engineOutputFilterClamp(OutputFilterState* state);
void engineOutputFilterReset(OutputFilterState* state);
void engineInitPreset(Engine* engine);
void engineInitTables(Engine* engine);
void engineResetVoiceStates(Engine* engine);

// ---- Tempo clock and device ramp ----
void tempoAdvance(Engine* engine, std::int16_t frames);
void tempoSetBpm(Engine* engine, double bpm);
double tempoGetBpm(Engine* engine);
double tempoGetSamplesPerBeat(Engine* engine);
double tempoGetSecondsPerBeat(Engine* engine);
double tempoGetRatio(Engine* engine);
// Device ramp over one 128-frame sub-block of the two device outputs (either may be null).
void engineOutputRamp(Engine* engine, float* out1, float* out2);
