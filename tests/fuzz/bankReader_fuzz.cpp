// Fuzzes the bank file reader over whole file images: the container and byte-order detection, the walk,
// the dispatch of every chunk kind into new presets, the tunings and the old-format fix-up. After each
// read every preset of the bank must hold only values the engine can trust; the first and the last
// preset are then selected into a fresh engine, as choosing a program does, and must play a held
// note to finite output; the bank must free cleanly.
#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "fuzzChecks.h"
#include "fuzzRender.h"
#include "fuzzScratch.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"

namespace {

int silentBox(void*, int, const char*, int) { return 0; }

void checkPreset(const Preset* p, std::int16_t n) {
  require(p->header.slot == n);
  require(p->header.polyphony >= 1 && p->header.polyphony <= 64);
  require(p->header.name[patchNameLength] == 0);
  require(std::isfinite(p->header.gain) && p->header.gain >= 0.0f && p->header.gain <= 16.0f);
  require(std::isfinite(p->header.pan) && std::isfinite(p->header.length) &&
          std::isfinite(p->header.tempo.presetTempo));
  require(std::isfinite(p->header.beats) && p->header.beats > 0.0f && std::isfinite(p->header.transpose));
  for (std::uint16_t n : p->header.stageCounts) require(n >= 1 && n <= 3);
  for (const ChannelOscRecord& c : p->channels) fuzzcheck::oscRecord(c);
  for (const FilterRecord& f : p->filters) fuzzcheck::filterRecord(f);
  for (const ModulatorRecord& m : p->modulators) fuzzcheck::modulatorRecord(m);
  fuzzcheck::waveshaperRecord(p->waveshaper);
  require(p->envelopeCount <= 28 && (p->envelopeCount == 0 || p->envelopes));
  for (int i = 0; i < p->envelopeCount; ++i) fuzzcheck::envelopeSlot(p->envelopes[i]);
  require(p->waveCount == 0 || p->waves);
  for (int i = 0; i < p->waveCount; ++i) fuzzcheck::wave(p->waves[i]);
  require(p->curveCount == 0 || p->curves);
  if (p->effect) {
    require(p->effectPresent == 1);
    fuzzcheck::effect(p->effect);
  }
  require(p->sliders.count >= 0 && p->sliders.count <= 12);
  for (const SliderEntry& e : p->sliders.entries) require(e.controller >= -10 && e.controller <= 127);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = false;
  static std::string path;
  if (!ready) {
    msgBoxSetHook(silentBox, nullptr);
    chunkBufferInit(chunkCapacity);
    presetWavesInit();
    engineCfgInitDefaults();
    path = fuzzScratchPath("bankReader_fuzz", ".glo");
    ready = true;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  Bank* bank = bankCreate();
  if (!bank) return 0;
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  bankFileOpen(bank, &file);
  require(!swapEnabled());
  for (std::int16_t n = 0; n < bankSlotCount; ++n) {
    require(bank->slots[n] != nullptr);
    if (!bankSlotIsEmpty(bank, n)) checkPreset(bank->slots[n], n);
  }
  for (const TuningSlot& t : bank->tunings) {
    if (!t.inUse) continue;
    require(t.map != nullptr);
    for (double k : t.map->keys) require(std::isfinite(k) && k >= 0.0 && k <= 1024.0);
    require(t.map->keysPerOctave >= 1 && t.map->keysPerOctave <= 127 && std::isfinite(t.map->octaveInterval));
    require(t.map->name[tuningNameSize - 1] == 0);
  }
  std::int16_t first = -1, last = -1;
  for (std::int16_t n = 0; n < bankSlotCount; ++n) {
    if (bankSlotIsEmpty(bank, n)) continue;
    if (first < 0) first = n;
    last = n;
  }
  if (first >= 0) {
    Engine* engine = engineCreate();
    if (engine) {
      engineRestartAudio(engine);
      engineSetBank(engine, bank);
      for (std::int16_t n : {first, last}) {
        bankSelectPreset(bank, engine, n);
        require(engine->paused.load() == 0);
        for (double f : engine->noteFreq) require(std::isfinite(f) && f >= 0.0 && f <= 1024.0);
        fuzzcheck::renderHeldNote(engine, size ? data[size - 1] : 60, 4);
        if (last == first) break;
      }
      engineDestroy(engine);
    }
  }
  bankDestroy(bank);
  return 0;
}
