// The bank of 128 presets: creation, clearing, filing, selection and storing, names and title, the
// "pLug" chunk and the fix-up of banks of the old format.
#include "preset/bank.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "preset/bankFile.h"
#include "preset/bankTitle.h"
#include "preset/chunkIo.h"
#include "preset/presetCopy.h"
#include "preset/sample.h"
#include "preset/sliderList.h"

namespace {

bool validSlot(std::int16_t n) { return n >= 0 && n < bankSlotCount; }

bool ownPreset(const Bank* bank, const Preset* p) { return p && p != bank->defaultPreset; }

const char* bankPathForSamples(Bank* bank) { return bank ? bank->file.path : nullptr; }

}  // namespace

Bank* bankCreate() {
  Bank* bank = static_cast<Bank*>(std::calloc(1, sizeof(Bank)));
  if (!bank) return nullptr;
  bankInit(bank);
  // Samples that moved are looked for beside the bank file.
  sampleSetBankPathRoutine(bankPathForSamples);
  return bank;
}

void bankDestroy(Bank* bank) {
  if (!bank) return;
  for (std::int16_t n = 0; n < bankSlotCount; ++n) {
    if (ownPreset(bank, bank->slots[n])) presetFree(bank->slots[n]);
    tuningFreeBankMap(bank, n);
  }
  presetFree(bank->defaultPreset);
  std::free(bank);
}

void bankInit(Bank* bank) {
  if (!bank) return;
  bank->current = -1;
  bank->changed = 0;
  bank->soundDigest = 0;
  std::memset(bank->plugData, 0, sizeof bank->plugData);
  for (Preset*& p : bank->slots) p = nullptr;
  for (TuningSlot& t : bank->tunings) t = TuningSlot{0, 0, nullptr};
  fileSpecClear(&bank->file);
  bank->defaultPreset = presetAllocDefault(0);
  if (bank->defaultPreset)
    for (Preset*& p : bank->slots) p = bank->defaultPreset;
  bankMarkSaved(bank);  // a new bank without a file: nothing to save
}

void bankClear(Bank* bank) {
  if (!bank) return;
  for (std::int16_t n = 0; n < bankSlotCount; ++n) {
    if (ownPreset(bank, bank->slots[n])) presetFree(bank->slots[n]);
    bank->slots[n] = bank->defaultPreset;
    tuningFreeBankMap(bank, n);
  }
  bank->changed = 1;
  fileSpecClear(&bank->file);
}

void bankPutPreset(Bank* bank, Preset* preset) {
  if (!bank || !preset) return;
  const std::int16_t n = preset->header.slot;
  if (!validSlot(n)) return;
  if (bank->slots[n] != preset && ownPreset(bank, bank->slots[n])) presetFree(bank->slots[n]);
  bank->slots[n] = preset;
  bank->changed = 1;
}

void bankSelectPreset(Bank* bank, Engine* engine, std::int16_t n) {
  if (!bank || !engine || !validSlot(n) || !bank->slots[n]) return;
  engineStopAudio(engine, 1);
  effectReset(engine);
  bank->current = n;
  presetLoadIntoEngine(bank->slots[n], engine, n);
  tuningSelect(engine, bank, static_cast<std::int16_t>(engine->header.tuning));
  // The rebuild with reinit also resets the MIDI note bookkeeping while the audio is still paused.
  engineApplyPatchChange(engine, 1);
  sliderListSyncEngine(engine);
  bankNoteSound(bank, engine);  // the sound as its slot gives it: nothing to store yet
}

std::int16_t bankCurrentIndex(const Bank* bank) { return bank ? bank->current : -1; }

void bankStorePreset(Bank* bank, Engine* engine, std::int16_t n) {
  if (!bank || !engine || !validSlot(n)) return;
  Preset* p = presetAlloc(n);
  if (!p) return;
  if (ownPreset(bank, bank->slots[n])) presetFree(bank->slots[n]);
  const std::int16_t kept = engine->header.slot;
  engine->header.slot = n;
  presetStoreFromEngine(engine, p, n);
  engine->header.slot = kept;
  bank->slots[n] = p;
  bank->changed = 1;
  if (n == kept) bankNoteSound(bank, engine);  // stored into its own slot: nothing left to store
}

void bankGetPresetName(const Bank* bank, std::int16_t n, char* out) {
  if (!out) return;
  std::memset(out, 0, patchNameLength + 1);
  if (!bank || !validSlot(n) || !bank->slots[n]) return;
  std::memcpy(out, bank->slots[n]->header.name, patchNameLength);
}

void bankGetTitle(const Bank* bank, char* out) {
  if (!out) return;
  const int maxTitle = 64;
  std::memset(out, 0, maxTitle + 1);
  const char* path = bank ? bank->file.path : "";
  if (!path[0]) {
    std::strcpy(out, "Untitled");
    return;
  }
  bankFileTitle(path, out, maxTitle + 1);
}

bool bankPathTitle(const char* path, char* out, std::size_t capacity) {
  if (!path || !out || capacity == 0) return false;
  const char* title = path;
  for (const char* c = path; *c; ++c)
    if (*c == '/' || *c == '\\' || *c == ':') title = c + 1;
  std::size_t n = 0;
  while (n < capacity - 1 && title[n]) ++n;
  std::memcpy(out, title, n);
  out[n] = 0;
  return n > 0;
}

bool bankSlotIsEmpty(const Bank* bank, std::int16_t n) {
  return bank && validSlot(n) && bank->slots[n] == bank->defaultPreset;
}

bool bankPlugInChunk(FileSpec* file, Bank* bank, std::uint8_t* buffer, int direction) {
  if (!file || !bank || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (direction == chunkRead) {
    // A short chunk fills what it carries; the rest stays as it was.
    std::uint32_t n = io.limit > 0 ? io.limit - 1 : 0;
    if (n > bankPlugBytes) n = bankPlugBytes;
    if (n > 0) std::memcpy(bank->plugData, buffer, n);
    return true;
  }
  ioBlock(io, bank->plugData, bankPlugBytes);
  return ioFinishWrite(file, io, chunkId("pLug"), 1);
}

// ---- old format

double bankOldFormatTempo(double lengthSamples, float* beats) {
  double bpm = 60.0 / (lengthSamples * (1.0 / 44100.0)) * static_cast<double>(*beats);
  if (!(bpm > 0.0) || bpm >= 1920.0) return 120.0;
  float b = *beats;
  while (bpm >= 190.0) {
    bpm *= 0.5;
    b *= 0.5f;
  }
  while (bpm <= 80.0) {
    bpm *= 2.0;
    b *= 2.0f;
  }
  *beats = b;
  return bpm;
}

void bankFixupOldFormat(Bank* bank) {
  if (!bank) return;
  for (Preset* p : bank->slots) {
    if (!ownPreset(bank, p)) continue;
    PatchHeader& h = p->header;
    const double bpm = bankOldFormatTempo(h.length, &h.beats);
    h.tempo.presetTempo = bpm;
    const double beatsPerSecond = bpm / 60.0;
    for (Lfo& lfo : p->lfos) {
      if (!lfo.on) continue;
      if (lfo.periodSeconds > 0.45f) {
        lfo.periodBeats = beatsPerSecond * lfo.periodSeconds;
        lfo.periodSync = 1;
      }
      if (lfo.holdSeconds > 0.45f) {
        lfo.holdBeats = beatsPerSecond * lfo.holdSeconds;
        lfo.holdSync = 1;
      }
    }
    if (!p->effectPresent || !p->effect) continue;
    if (p->effect->type == effectComb) {
      EffectCombRecord* r = reinterpret_cast<EffectCombRecord*>(p->effect);
      const double s = r->delay * (1.0 / 44100.0);
      if (s > 0.125 && s < 1.0) {
        r->time = beatsPerSecond * s;
        r->header.timeUnit = effectUnitBeats;
      }
    } else if (p->effect->type == effectTap) {
      EffectTapRecord* r = reinterpret_cast<EffectTapRecord*>(p->effect);
      const double s = r->time * (1.0 / 44100.0);
      if (s > 0.125 && s < 10.0) {
        r->beatTime = beatsPerSecond * s;
        r->header.timeUnit = effectUnitBeats;
      }
    }
  }
}
