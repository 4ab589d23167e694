// Exchanging a preset with the engine's playing patch, module by module, the engine's modified flag
// and the module clipboard. User-interface thread; loading needs the audio stopped (the bank's
// select does that).
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/preset.h"
#include "preset/wave.h"

struct Engine;

// Copies the preset into the engine: every unit back to its defaults, then header, channels (samples
// reloaded), filters, modulators, waveshaper, tables, effect, controllers, velocity, sliders, note
// curves, LFOs, envelopes and the first eight waves; finally the sliders' values are queued.
void presetLoadIntoEngine(Preset* preset, Engine* engine, std::int16_t slot);
// Copies the engine's patch into a new preset (from presetAlloc). False when no wave array was made
// (no local wave in use, or no memory); everything else is copied all the same.
bool presetStoreFromEngine(Engine* engine, Preset* preset, std::int16_t slot);
// The same copy without applying the sliders' values to the engine first: the engine is left as it was
// (for comparing the sound without changing it).
bool presetReadFromEngine(Engine* engine, Preset* preset, std::int16_t slot);

void engineSetModified(Engine* engine);
void engineClearModified(Engine* engine);
bool engineIsModified(Engine* engine);

// Rebuilds the band-limited tables of every channel whose oscillator plays the wave.
void waveRelease(Engine* engine, std::int16_t id);

// The process's one module clipboard.
struct ModuleClipboardChannel {
  ChannelOscRecord osc;
  FilterRecord filter;
  ModulatorRecord modulator;
  WaveshaperRecord waveshaper;
  std::uint8_t block[1024];
  std::uint32_t envelopeCount;
  EnvelopeSlot envelopes[envSlotCount];
};
struct ModuleClipboard {
  std::uint32_t kind;  // what the clipboard holds, 0 empty
  void* source;
  ModuleClipboardChannel channel;
  WaveRecord waves[4];  // ids 0x7F00, 0x7F01, 0x7F00, 0x7F00
};
ModuleClipboard* moduleClipboard();
void moduleClipboardInit();
void moduleClipboardReset(ModuleClipboardChannel* channel);
