// Fuzzes the library file reader over whole file images: the header check with its byte-order
// detection, the walk, and the loading of every kind (module chunks, "1env", "tmpo", "1Wav", "tune")
// into a fresh engine through the menu dispatch, as choosing a library entry does. The kind is the one
// the file's header chunk names (the folder scan lists a file only under that kind); the last byte of
// the input picks the place it is loaded to and how full the engine's envelope slots are.
// After each load the engine must hold only values it can trust and run again, render a few blocks
// of a held note to finite output, and free cleanly.
#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "fuzzChecks.h"
#include "fuzzRender.h"
#include "fuzzScratch.h"
#include "preset/bank.h"
#include "preset/chunk.h"
#include "preset/envelope.h"
#include "preset/library.h"
#include "preset/tuning.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"

namespace {

int silentBox(void*, int, const char*, int) { return 0; }

std::string gPath;
Bank* gBank = nullptr;  // the bank a loaded tuning joins

int kindOfFile(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t word;
  std::memcpy(&word, data, 4);
  std::uint32_t reversed = word;
  swap32(&reversed);
  for (int kind = 1; kind <= libKindCount; ++kind)
    if (word == libKindId(kind) || reversed == libKindId(kind)) return kind;
  return 0;
}

// The place a library entry is loaded to, as the pages offer it.
std::int16_t pickTarget(Engine* engine, int kind, std::uint8_t knob) {
  switch (kind) {
    case libKindOscillator:
    case libKindModulator:
    case libKindChannel: return static_cast<std::int16_t>(knob % 3);
    case libKindFilter: return static_cast<std::int16_t>(knob % 4);
    case libKindEnvelope: {
      // An envelope of the engine: one of the channel envelopes or a new one.
      if (knob & 4) return static_cast<std::int16_t>(knob % 3);
      const std::int16_t slot = envCreate(engine, static_cast<std::int16_t>(knob % 3), envDestFilterFreq);
      return slot >= 0 ? slot : 0;
    }
    case libKindWave: {
      const std::int16_t local = engineClaimPresetWave(engine);
      return local >= 0 ? local : 0;
    }
    default: return 0;
  }
}

void checkEngine(Engine* engine) {
  require(engine->paused.load() == 0);
  for (std::int16_t c = 0; c < 3; ++c) {
    fuzzcheck::oscRecord(*engineGetChannel(engine, c));
    fuzzcheck::modulatorRecord(*engineGetModulator(engine, c));
  }
  for (std::int16_t f = 0; f < 4; ++f) fuzzcheck::filterRecord(*engineGetFilter(engine, f));
  fuzzcheck::waveshaperRecord(*engineGetWaveshaper(engine));
  for (std::int16_t s = 0; s < envSlotCount; ++s) {
    const EnvelopeSlot* slot = engineGetEnvelopeSlot(engine, s);
    if (slot->allocated) fuzzcheck::envelopeSlot(*slot);
  }
  for (int w = 0; w < waveLocalCount; ++w) fuzzcheck::wave(*engineLocalWave(engine, w));
  // The tuning the voices play: increments within the table, a sane octave, a terminated name.
  for (const TuningMap* map : {tuningCurrentMap(engine), tuningShadowMap(engine)}) {
    for (double key : map->keys) require(std::isfinite(key) && key >= 0.0 && key <= 1024.0);
    require(map->keysPerOctave >= 1 && map->keysPerOctave <= 127);
    require(std::isfinite(map->octaveInterval) && map->octaveInterval >= 0.0 && map->octaveInterval <= 1200.0);
    require(map->name[tuningNameSize - 1] == 0);
  }
  for (double f : engine->noteFreq) require(std::isfinite(f) && f >= 0.0 && f <= 1024.0);
  for (int t = 0; t < tuningBankSlots; ++t)
    if (gBank->tunings[t].inUse) require(gBank->tunings[t].map->keysPerOctave >= 1);
  const std::uint16_t effect = effectGetType(engine);
  require(effect <= 5);
  fuzzcheck::effectPipe(engine->effectPipe);
  fuzzcheck::effectComb(engine->effectComb);
  fuzzcheck::effectTap(engine->effectTap);
  fuzzcheck::effectEcho(engine->effectEcho);
  fuzzcheck::effectRev(engine->effectRev);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  msgBoxSetHook(silentBox, nullptr);
  if (!chunkBufferInit(chunkCapacity)) std::abort();
  fileSetChunkTypeCallback(chunkHeaderCheck);
  presetWavesInit();
  engineCfgInitDefaults();
  // No folder to scan: the entry of each kind is set by hand below.
  setenv("MORVANE_LIBRARIES_PATH", "/nonexistent-morvane-fuzz/", 1);
  libSetupAll();
  // A loaded tuning becomes a new map of the bank and the engine's current tuning, as in the program.
  tuningInstallLibraryRoutines();
  gBank = bankCreate();
  if (!gBank) std::abort();
  gPath = fuzzScratchPath("libraryReader_fuzz", ".gly");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int kind = kindOfFile(data, size);
  if (!kind) return 0;  // never listed in a library menu
  FILE* f = std::fopen(gPath.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  Engine* engine = engineCreate();
  if (!engine) return 0;
  engineRestartAudio(engine);  // playing, as when the user picks a library entry
  engineSetBank(engine, gBank);
  for (int t = 0; t < tuningBankSlots; ++t) tuningFreeBankMap(gBank, t);
  const std::uint8_t knob = data[size - 1];
  // Some loads start with the envelope slots nearly or completely full.
  if (knob & 0x80) {
    const int keepFree = (knob >> 5) & 3;
    int made = 0;
    while (envCreate(engine, static_cast<std::int16_t>(made % 3),
                     static_cast<EnvDestKind>(envDestOscPhase + made % 20)) >= 0)
      ++made;
    for (int s = envSlotCount - keepFree; s < envSlotCount; ++s) envSlotClear(engine, static_cast<std::int16_t>(s));
  }
  const std::int16_t target = pickTarget(engine, kind, knob);

  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, gPath.c_str(), "fuzz");
  libSetEntry(kind, 0, &file);
  require(libDispatch(kind, 1, target, engine) == 0);
  require(libRequestKind() == kind && libRequestTarget() == target);
  checkEngine(engine);
  fuzzcheck::renderHeldNote(engine, static_cast<std::uint8_t>(size > 1 ? data[size - 2] : 60));
  engineDestroy(engine);
  swapReset();
  return 0;
}
