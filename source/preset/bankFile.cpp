// The bank file reader.
#include "preset/bankFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "modules/effectFrame.h"
#include "preset/controllerChunk.h"
#include "preset/effectChunk.h"
#include "preset/envelopeChunk.h"
#include "preset/lfoChunk.h"
#include "preset/noteCurveChunk.h"
#include "preset/sliderList.h"
#include "preset/velocityChunk.h"
#include "preset/wave.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

namespace {

const int bankFileType = 0;  // the "Morvane files" type of the file dialogs
const char kNotValid[] = "Open file failed. This is not a valid Morvane file";
const char kNoScratch[] = "Low memory error! Morvane can't open this file. Error: 24410";
const char kNoPreset[] = "Low memory error! Error 37510";
const char kBadChunk[] = "Morvane file error, read a bad chunk. error 1884";
const char kIncomplete[] = "Morvane file error: the file is incomplete or damaged. %d preset%s could be read.";

constexpr std::uint32_t id(const char* s) { return chunkId(s); }

// Data bytes a header chunk must hold to be read as one.
std::uint32_t headerBytes(std::uint32_t chunk) {
  switch (chunk) {
    case id("ptch"): return 70;
    case id("ptc2"): return 98;
    case id("ptc3"): return 106;
    default: return 130;  // "ptc4"
  }
}

const char* headerError(std::uint32_t chunk) {
  if (chunk == id("ptc2")) return "Open file failed! Error 30511";
  if (chunk == id("ptc3")) return "Open file failed! Error 31511";
  return "Open file failed! Error 37511";
}

// Files the pending preset; one the bank does not take (slot outside 0..127) is dropped.
void filePending(Bank* bank, BankReadScratch* s) {
  Preset* p = s->pending;
  s->pending = nullptr;
  s->current = nullptr;
  if (!p) return;
  if (p->header.slot < 0 || p->header.slot >= bankSlotCount)
    presetFree(p);
  else
    bankPutPreset(bank, p);
}

// True when a preset was begun but its end was never read.
bool forget(BankReadScratch* s) {
  // A preset not filed by then is not kept.
  const bool lost = s->pending != nullptr;
  presetFree(s->pending);
  s->pending = nullptr;
  s->current = nullptr;
  return lost;
}

std::uint8_t* data() { return chunkBufferData(); }

// The count word at the start of an envelope chunk, in machine order.
std::int16_t envelopeCountWord(const ChunkHeader* h) {
  if (h->size < 2) return 0;
  std::int16_t n;
  std::memcpy(&n, data(), 2);
  if (swapEnabled()) swap16(&n);
  return n;
}

bool readHeader(FileSpec* file, Bank* bank, const ChunkHeader* h, BankReadScratch* s) {
  filePending(bank, s);
  Preset* p = presetAlloc(0);
  if (!p) {
    msgBox(0, kNoPreset, 0);
    return false;
  }
  s->pending = p;
  s->current = p;
  s->envelopeId = 0;
  s->effectRead = 0;
  bool ok = h->size >= headerBytes(h->id);
  if (ok) {
    switch (h->id) {
      case id("ptch"): ok = patchHeaderReadWriteChunkV1(file, &p->header, data(), chunkRead); break;
      case id("ptc2"): ok = patchHeaderReadWriteChunkV2(file, &p->header, data(), chunkRead); break;
      case id("ptc3"): ok = patchHeaderReadWriteChunkV3(file, &p->header, data(), chunkRead); break;
      default: ok = patchHeaderReadWriteChunk(file, &p->header, data(), chunkRead); break;
    }
  }
  if (!ok) {
    msgBox(0, headerError(h->id), 0);
    return false;
  }
  return true;
}

void readEffect(FileSpec* file, const ChunkHeader* h, BankReadScratch* s) {
  Preset* p = s->current;
  if (p->effect || s->effectRead) return;
  s->effectRead = 1;
  // The record's kind comes from the chunk id alone.
  const std::uint16_t kind = effectTypeOfChunk(h->id);
  void* record = effectAlloc(kind);
  if (!record) return;
  // The echo and three-unit records come zeroed: give them their defaults, so that fields a short
  // chunk does not carry keep them.
  if (kind == effectEcho) effectEchoParamDefaults(static_cast<EffectEchoRecord*>(record));
  if (kind == effectRev) effectRevParamDefaults(static_cast<EffectRevRecord*>(record));
  bool ok = false;
  switch (h->id) {
    case id("pipe"):
      ok = effectPipeReadWriteChunkV1(file, static_cast<EffectPipeRecord*>(record), data(), chunkRead);
      break;
    case id("pip2"):
      ok = effectPipeReadWriteChunk(file, static_cast<EffectPipeRecord*>(record), data(), chunkRead);
      break;
    case id("mCmb"):
      ok = effectCombReadWriteChunkV1(file, static_cast<EffectCombRecord*>(record), data(), chunkRead);
      break;
    case id("mCm2"):
      ok = effectCombReadWriteChunk(file, static_cast<EffectCombRecord*>(record), data(), chunkRead);
      break;
    case id("mTap"):
      ok = effectTapReadWriteChunkV1(file, static_cast<EffectTapRecord*>(record), data(), chunkRead);
      break;
    case id("mTa2"):
      ok = effectTapReadWriteChunk(file, static_cast<EffectTapRecord*>(record), data(), chunkRead);
      break;
    case id("eco3"):
      ok = effectEchoReadWriteChunk(file, static_cast<EffectEchoRecord*>(record), data(), chunkRead);
      break;
    case id("rev3"):
      ok = effectRevReadWriteChunk(file, static_cast<EffectRevRecord*>(record), data(), chunkRead);
      break;
    default: break;
  }
  if (!ok) {
    std::free(record);
    return;
  }
  EffectHeader* head = static_cast<EffectHeader*>(record);
  head->type = kind;
  head->size = effectStoredSize(kind);
  p->effect = head;
  p->effectPresent = 1;
}

void readEnvelopes(FileSpec* file, const ChunkHeader* h, BankReadScratch* s) {
  Preset* p = s->current;
  const std::int16_t count = envelopeCountWord(h);
  const bool first = p->envelopeCount == 0 && s->envelopeId == 0;
  const bool continuation = s->envelopeId == h->id && count < 0 && p->envelopes;
  if (!first && !continuation) return;
  if (first) s->envelopeId = h->id;
  if (h->id == id("env "))
    envChunkV1(file, p, data(), chunkRead);
  else if (h->id == id("env2"))
    envChunkV2(file, p, data(), chunkRead);
  else
    envChunkV3(file, p, data(), chunkRead);
}

}  // namespace

bool bankFileHandleChunk(FileSpec* file, Bank* bank, const ChunkHeader* h, BankReadScratch* s) {
  if (!h || !s) return true;
  const std::uint32_t c = h->id;
  if (c == id("Clam") || c == id("ClaM")) {
    if (c == id("Clam")) s->oldFormat = 1;
    forget(s);
    return true;
  }
  if (c == id("ptch") || c == id("ptc2") || c == id("ptc3") || c == id("ptc4")) return readHeader(file, bank, h, s);
  if (c == id("pEnd") || c == id("tail")) {
    filePending(bank, s);
    return true;
  }
  if (c == id("tune")) {
    tuningReadChunk(bank, file, data());
    return true;
  }
  if (c == id("pLug")) {
    bankPlugInChunk(file, bank, data(), chunkRead);
    return true;
  }
  Preset* p = s->current;
  if (!p) return true;  // module chunks need an open preset

  if (c == id("osc3") || c == id("osc2") || c == id("ocil")) {
    std::memset(&s->osc, 0, sizeof s->osc);
    bool ok = c == id("osc3")   ? oscReadWriteChunk(file, &s->osc, data(), chunkRead)
              : c == id("osc2") ? oscReadWriteChunkV2(file, &s->osc, data(), chunkRead)
                                : oscReadWriteChunkV1(file, &s->osc, data(), chunkRead);
    if (ok && s->osc.channel >= 0 && s->osc.channel < presetChannelCount) p->channels[s->osc.channel] = s->osc;
  } else if (c == id("filt")) {
    std::memset(&s->filter, 0, sizeof s->filter);
    if (filterReadWriteChunk(file, &s->filter, data(), chunkRead) && s->filter.index >= 0 &&
        s->filter.index < presetFilterCount)
      p->filters[s->filter.index] = s->filter;
  } else if (c == id("mod ") || c == id("mod3")) {
    std::memset(&s->modulator, 0, sizeof s->modulator);
    bool ok = c == id("mod3") ? modulatorReadWriteChunk(file, &s->modulator, data(), chunkRead)
                              : modulatorReadWriteChunkV1(file, &s->modulator, data(), chunkRead);
    if (ok && s->modulator.channel >= 0 && s->modulator.channel < presetModulatorCount)
      p->modulators[s->modulator.channel] = s->modulator;
  } else if (c == id("wshp")) {
    waveshaperReadWriteChunk(file, &p->waveshaper, data(), chunkRead);
  } else if (effectTypeOfChunk(c) != 0) {
    readEffect(file, h, s);
  } else if (c == id("cc  ")) {
    ccMapReadWriteChunkV1(file, &p->controllers, data(), 1);
  } else if (c == id("cc2 ")) {
    ccMapReadWriteChunk(file, &p->controllers, data(), 1);
  } else if (c == id("stCC")) {
    sliderListReadWriteChunkV1(file, &p->sliders, data(), chunkRead);
  } else if (c == id("stC3")) {
    sliderListReadWriteChunkV2(file, &p->sliders, data(), chunkRead);
    // Presets of that time set the gains of a multi-stage waveshaper differently.
    if (p->waveshaper.on && p->header.stageCounts[3] > 1) {
      p->waveshaper.inGain *= 1.569166505827f;
      p->waveshaper.outGain *= 0.637281f;
    }
  } else if (c == id("stD3")) {
    sliderListReadWriteChunk(file, &p->sliders, data(), chunkRead);
  } else if (c == id("vel ")) {
    velocityReadWriteChunk(file, &p->velocity, data(), 1);
  } else if (c == id("lfo ") || c == id("lfo2")) {
    std::memset(&s->lfo, 0, sizeof s->lfo);
    s->lfo.index = -1;  // an index the chunk does not carry, or out of range, files nothing
    bool ok = c == id("lfo2") ? lfoReadWriteChunk(file, &s->lfo, data(), chunkRead)
                              : lfoReadWriteChunkV1(file, &s->lfo, data(), chunkRead);
    if (ok && s->lfo.index >= 0 && s->lfo.index < presetLfoCount) p->lfos[s->lfo.index] = s->lfo;
  } else if (c == id("Ntmp")) {
    if (p->curveCount == 0) noteCurvesReadWriteChunk(file, p, data(), 1);
  } else if (c == id("env ") || c == id("env2") || c == id("env3")) {
    readEnvelopes(file, h, s);
  } else if (c == id("Wave")) {
    if (p->waveCount == 0) waveChunkPreset(file, p, data(), chunkRead);
  }
  return true;
}

namespace {

// The read itself, into `bank` (a fresh one). False when the file is not a bank or the read aborted.
bool readInto(Bank* bank, FileSpec* file) {
  swapReset();
  fileSetChunkTypeCallback(chunkHeaderCheck);
  if (!chunkReader() && !chunkBufferInit(chunkCapacity)) return false;
  if (!fileOpen(file, fileAccessRead)) {
    bankFileSetReason("The file could not be read: %s");
    return false;
  }
  fileSeek(file, 0);
  ChunkHeader header;
  if (!fileReadChunk(file, &header) || (header.id != id("ClaM") && header.id != id("Clam"))) {
    msgBox(0, kNotValid, 0);
    fileClose(file);
    swapReset();
    return false;
  }
  BankReadScratch* s = static_cast<BankReadScratch*>(std::calloc(1, sizeof(BankReadScratch)));
  if (!s) {
    msgBox(0, kNoScratch, 0);
    fileClose(file);
    swapReset();
    return false;
  }
  bool ok = true;
  bool damaged = false;  // a chunk could not be read, or a preset was cut off before its end
  for (int n = 0; n < bankFileMaxChunks; ++n) {
    if (!bankFileHandleChunk(file, bank, &header, s)) {
      ok = false;
      break;
    }
    if (fileAtEnd(file) || header.id == id("tail")) break;
    if (!fileReadNextChunk(file, &header)) {
      diagMessage(kBadChunk);
      damaged = true;
      // The chunk that failed is skipped: nothing of it is handed to a reader.
      header = ChunkHeader{0, 0, 0};
    }
  }
  if (forget(s)) damaged = true;
  const bool oldFormat = s->oldFormat != 0;
  std::free(s);
  swapReset();
  fileClose(file);
  if (ok && damaged) {
    // The presets read so far are kept, and the user learns that the file was not whole; with none
    // at all the file is refused like one that is no bank.
    int presets = 0;
    for (int n = 0; n < bankSlotCount; ++n) presets += bank->slots[n] != bank->defaultPreset ? 1 : 0;
    if (presets == 0) {
      msgBox(0, kNotValid, 0);
      return false;
    }
    char text[160];
    std::snprintf(text, sizeof text, kIncomplete, presets, presets == 1 ? "" : "s");
    msgBox(0, text, 0);
  }
  if (ok && oldFormat) bankFixupOldFormat(bank);
  return ok;
}

// Puts the fresh bank's contents in place of the old ones; the old contents go with `fresh`.
void takeOver(Bank* bank, Bank* fresh) {
  Bank* old = static_cast<Bank*>(std::malloc(sizeof(Bank)));
  const std::int16_t current = bank->current;
  if (!old) {
    // No room for the exchange: give the fresh presets to the bank slot by slot.
    bankClear(bank);
    for (int n = 0; n < bankSlotCount; ++n) {
      if (fresh->slots[n] != fresh->defaultPreset) bank->slots[n] = fresh->slots[n];
      fresh->slots[n] = fresh->defaultPreset;
      bank->tunings[n] = fresh->tunings[n];
      fresh->tunings[n] = TuningSlot{0, 0, nullptr};
    }
    std::memcpy(bank->plugData, fresh->plugData, bankPlugBytes);
    bank->file = fresh->file;
    bankDestroy(fresh);
    return;
  }
  std::memcpy(old, bank, sizeof(Bank));
  std::memcpy(bank, fresh, sizeof(Bank));
  std::memcpy(fresh, old, sizeof(Bank));
  std::free(old);
  bank->current = current;
  bank->soundDigest = fresh->soundDigest;  // the engine still plays the sound it played
  bankDestroy(fresh);
}

}  // namespace

bool bankFileOpen(Bank* bank, const FileSpec* source) {
  bankFileSetReason("");
  if (!bank || !source) return false;
  FileSpec file = *source;
  file.handle = osFileInvalid;
  Bank* fresh = bankCreate();
  if (!fresh) {
    msgBox(0, kNoScratch, 0);
    return false;
  }
  if (!readInto(fresh, &file)) {
    bankDestroy(fresh);
    return false;
  }
  fresh->file = file;
  fresh->file.handle = osFileInvalid;
  takeOver(bank, fresh);
  bankMarkSaved(bank);  // the bank holds what its file holds: nothing to save
  return true;
}

bool bankFileOpenWithDialog(WinId window, Bank* bank) {
  (void)window;
  if (!bank) return false;
  FileSpec chosen;
  fileSpecClear(&chosen);
  if (appChooseFile(appDialogOpen, &chosen, bankFileType) != 1) return false;
  return bankFileOpen(bank, &chosen);
}
