// Preset <-> engine copies, the modified flag, waveRelease and the module clipboard.
#include "preset/presetCopy.h"

#include <cstdlib>
#include <cstring>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/envNote.h"
#include "engine/lfoRuntime.h"
#include "engine/noteCurveRuntime.h"
#include "engine/velocityRuntime.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/sample.h"
#include "preset/sliderList.h"
#include "preset/tuning.h"

namespace {

// The local slot a preset wave returns to: the one its id names, else its place in the array.
int localSlotOf(const WaveRecord& w, int i) {
  const int bank = w.id >> 8, index = w.id & 0xFF;
  return bank == waveBankLocal && index < waveLocalCount ? index : i;
}

}  // namespace

void presetLoadIntoEngine(Preset* preset, Engine* engine, std::int16_t slot) {
  if (!preset || !engine) return;
  engineInitPreset(engine);
  tuningMakeDefault(&engine->tuningShadow);
  patchHeaderCopy(engine, &preset->header, &engine->header, slot, 1);

  bool samples = false;
  for (std::int16_t c = 0; c < presetChannelCount; ++c) {
    oscCopyRecord(engine, &preset->channels[c], engine->channels[c], c, 1);
    const std::int32_t type = engine->channels[c]->type;
    if (type == oscTypeSample || type == oscTypeGranular) samples = true;
  }
  if (samples) sampleReloadChannels(engine);
  for (std::int16_t f = 0; f < presetFilterCount; ++f)
    filterCopyRecord(engine, &preset->filters[f], &engine->filters[f], f, 1);
  for (std::int16_t m = 0; m < presetModulatorCount; ++m)
    modulatorCopyRecord(engine, &preset->modulators[m], &engine->modulators[m], m, 1);
  waveshaperCopyRecord(engine, &preset->waveshaper, &engine->waveshaper, 1);

  engineInitTables(engine);
  if (preset->effect) effectCopy(engine, preset->effect, nullptr, 1);
  ccMapCopy(engine, &preset->controllers, &engine->controllers);
  velocityCopy(engine, &preset->velocity, &engine->velocity, true);

  if (SliderList* list = engineGetSliderList(engine)) {
    sliderListCopy(&preset->sliders, list);
    sliderListBuildOrderOf(list);
  }
  if (preset->curveCount > 0 && preset->curves)
    noteCurvesCopyToEngine(engine, preset->curves, static_cast<std::int16_t>(preset->curveCount));
  for (int i = 0; i < presetLfoCount; ++i) lfoCopy(&preset->lfos[i], &engine->lfos[i]);

  if (preset->envelopes) {
    const int n = preset->envelopeCount < envSlotCount ? preset->envelopeCount : envSlotCount;
    for (std::int16_t i = 0; i < n; ++i)
      engineCopyEnvelopeSlotEntry(engine, &preset->envelopes[i], &engine->envSlots[i], i, 1);
    envSlotsFlushTinyValues(engine);
  }
  if (preset->waveCount > 0 && preset->waves) {
    for (int i = 0; i < preset->waveCount && i < waveLocalCount; ++i) {
      const int local = localSlotOf(preset->waves[i], i);
      waveCopyRecord(engine, &preset->waves[i], &engine->presetWaves[local]);
      engine->presetWaves[local].id = static_cast<std::uint16_t>(waveLocalIdBase + local);
      waveRelease(engine, static_cast<std::int16_t>(waveLocalIdBase + local));
    }
  }
  sliderListSyncEngine(engine);
}

namespace {

// The copy of the engine's patch; `applySliders` first applies the sliders' values to the engine (as
// Store does), otherwise the engine is only read.
bool copyFromEngine(Engine* engine, Preset* preset, std::int16_t slot, bool applySliders) {
  if (!engine || !preset) return false;
  patchHeaderCopy(engine, &engine->header, &preset->header, slot, 0);
  for (std::int16_t c = 0; c < presetChannelCount; ++c)
    oscCopyRecord(engine, engine->channels[c], &preset->channels[c], c, 0);
  for (std::int16_t f = 0; f < presetFilterCount; ++f)
    filterCopyRecord(engine, &engine->filters[f], &preset->filters[f], f, 0);
  for (std::int16_t m = 0; m < presetModulatorCount; ++m)
    modulatorCopyRecord(engine, &engine->modulators[m], &preset->modulators[m], m, 0);
  waveshaperCopyRecord(engine, &engine->waveshaper, &preset->waveshaper, 0);

  std::free(preset->effect);
  preset->effect = nullptr;
  const std::uint16_t type = effectGetType(engine);
  void* active = effectActiveRecord(engine);
  if (active && type >= 1 && type <= 5) {
    preset->effect = static_cast<EffectHeader*>(effectAlloc(type));
    if (preset->effect) {
      effectCopy(engine, active, preset->effect, 0);
      preset->effectPresent = 1;
    }
  }

  ccMapCopy(engine, &engine->controllers, &preset->controllers);
  velocityCopy(engine, &engine->velocity, &preset->velocity, false);
  if (applySliders) sliderListApplyAll(engine);
  if (SliderList* list = engineGetSliderList(engine)) sliderListCopy(list, &preset->sliders);

  const std::int16_t curves = noteCurvesCountUsed(engine);
  if (presetAllocCurves(preset, curves)) noteCurvesCopyFromEngine(engine, preset->curves, curves);
  for (int i = 0; i < presetLfoCount; ++i) lfoCopy(&engine->lfos[i], &preset->lfos[i]);

  int n = 3;
  for (int s = 3; s < envSlotCount; ++s)
    if (engine->envSlots[s].allocated) ++n;
  if (presetAllocEnvelopes(preset, n)) {
    int filled = 0;
    for (std::int16_t s = 0; s < envSlotCount && filled < preset->envelopeCount; ++s) {
      if (s >= 3 && !engine->envSlots[s].allocated) continue;
      engineCopyEnvelopeSlotEntry(engine, &engine->envSlots[s], &preset->envelopes[filled], s, 0);
      ++filled;
    }
  }

  int used = 0;
  for (const WaveRecord& w : engine->presetWaves)
    if (w.state == waveStateLocal) ++used;
  if (!presetAllocWaves(preset, used)) return false;
  int next = 0;
  for (const WaveRecord& w : engine->presetWaves) {
    if (w.state != waveStateLocal) continue;
    std::memcpy(&preset->waves[next], &w, sizeof w);
    denormalGuardAdd(preset->waves[next].samples, waveLength);
    ++next;
  }
  return true;
}

}  // namespace

bool presetStoreFromEngine(Engine* engine, Preset* preset, std::int16_t slot) {
  return copyFromEngine(engine, preset, slot, true);
}

bool presetReadFromEngine(Engine* engine, Preset* preset, std::int16_t slot) {
  return copyFromEngine(engine, preset, slot, false);
}

void engineSetModified(Engine* engine) {
  if (engine) engine->presetModified = 1;
}
void engineClearModified(Engine* engine) {
  if (engine) engine->presetModified = 0;
}
bool engineIsModified(Engine* engine) { return engine && engine->presetModified != 0; }

void waveRelease(Engine* engine, std::int16_t id) {
  if (!engine) return;
  for (std::int16_t c = 0; c < engineChannels; ++c) {
    const ChannelOscRecord* r = engine->channels[c];
    if (!r) continue;
    if (static_cast<std::int16_t>(r->waveA) == id || static_cast<std::int16_t>(r->waveB) == id)
      oscRebuildTables(engine, c, r);
  }
}

// ---- module clipboard

namespace {
ModuleClipboard* g_clipboard = nullptr;
}

ModuleClipboard* moduleClipboard() {
  if (!g_clipboard) {
    g_clipboard = static_cast<ModuleClipboard*>(std::calloc(1, sizeof(ModuleClipboard)));
    if (g_clipboard) moduleClipboardInit();
  }
  return g_clipboard;
}

void moduleClipboardReset(ModuleClipboardChannel* channel) {
  if (!channel) return;
  oscInitRecord(nullptr, &channel->osc, 0);
  filterInitRecord(&channel->filter, 0);
  modulatorInitRecord(&channel->modulator, 0);
  waveshaperInitRecord(&channel->waveshaper);
  std::memset(channel->block, 0, sizeof channel->block);
  channel->envelopeCount = 0;
  for (std::int16_t i = 0; i < envSlotCount; ++i) envInitSlot(&channel->envelopes[i], i, envDestNone);
}

void moduleClipboardInit() {
  ModuleClipboard* c = g_clipboard ? g_clipboard : moduleClipboard();
  if (!c) return;
  c->kind = 0;
  c->source = nullptr;
  moduleClipboardReset(&c->channel);
  static const std::uint16_t indices[4] = {0, 1, 0, 0};
  float samples[waveLength];
  if (!waveFactoryTable(0, samples)) std::memset(samples, 0, sizeof samples);
  for (int i = 0; i < 4; ++i) waveFill(&c->waves[i], indices[i], waveBankLocal, waveStateLocal, samples, "preset");
}
