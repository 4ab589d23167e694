// The bank file writer: the chunks the reader takes, newest id of every kind, in this machine's order.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "engine/engine.h"
#include "os/osFile.h"
#include "preset/bankFile.h"
#include "preset/controllerChunk.h"
#include "preset/effectChunk.h"
#include "preset/envelopeChunk.h"
#include "preset/fieldTables.h"
#include "preset/lfoChunk.h"
#include "preset/noteCurveChunk.h"
#include "preset/presetCopy.h"
#include "preset/sliderList.h"
#include "preset/velocityChunk.h"
#include "preset/wave.h"
#include "uiSeams/appChooseFile.h"

namespace {

const int bankFileType = 0;  // the "Morvane files" type of the file dialogs

bool writeMarker(FileSpec* file, const char* name, std::uint32_t version) {
  ChunkHeader h;
  chunkHeaderSet(&h, chunkId(name), 0, version);
  return fileWriteChunk(file, &h, nullptr);
}

bool writeEffect(FileSpec* file, EffectHeader* e, std::uint8_t* b) {
  switch (e->type) {
    case effectPipe: return effectPipeReadWriteChunk(file, reinterpret_cast<EffectPipeRecord*>(e), b, chunkWrite);
    case effectComb: return effectCombReadWriteChunk(file, reinterpret_cast<EffectCombRecord*>(e), b, chunkWrite);
    case effectTap: return effectTapReadWriteChunk(file, reinterpret_cast<EffectTapRecord*>(e), b, chunkWrite);
    case effectEcho: return effectEchoReadWriteChunk(file, reinterpret_cast<EffectEchoRecord*>(e), b, chunkWrite);
    case effectRev: return effectRevReadWriteChunk(file, reinterpret_cast<EffectRevRecord*>(e), b, chunkWrite);
    default: return true;  // no effect of a known kind: nothing to write
  }
}

bool writePreset(FileSpec* file, Preset* p, std::int16_t slot, std::uint8_t* b) {
  PatchHeader header = p->header;
  header.slot = slot;  // filed under the slot it occupies
  bool ok = patchHeaderReadWriteChunk(file, &header, b, chunkWrite);
  for (int c = 0; c < presetChannelCount; ++c) ok = ok && oscReadWriteChunk(file, &p->channels[c], b, chunkWrite);
  for (int f = 0; f < presetFilterCount; ++f) ok = ok && filterReadWriteChunk(file, &p->filters[f], b, chunkWrite);
  for (int m = 0; m < presetModulatorCount; ++m)
    ok = ok && modulatorReadWriteChunk(file, &p->modulators[m], b, chunkWrite);
  ok = ok && waveshaperReadWriteChunk(file, &p->waveshaper, b, chunkWrite);
  if (p->effect) ok = ok && writeEffect(file, p->effect, b);
  ok = ok && ccMapReadWriteChunk(file, &p->controllers, b, 0);
  ok = ok && sliderListReadWriteChunk(file, &p->sliders, b, chunkWrite);
  ok = ok && velocityReadWriteChunk(file, &p->velocity, b, 0);
  for (int i = 0; i < presetLfoCount; ++i) ok = ok && lfoReadWriteChunk(file, &p->lfos[i], b, chunkWrite);
  if (p->curveCount > 0 && p->curves) ok = ok && noteCurvesReadWriteChunk(file, p, b, 0);
  if (p->envelopeCount > 0 && p->envelopes) ok = ok && envChunkV3(file, p, b, chunkWrite);
  if (p->waveCount > 0 && p->waves) ok = ok && waveChunkPreset(file, p, b, chunkWrite);
  return ok && writeMarker(file, "pEnd", 1);
}

// The whole bank: container, every preset of its own, the tunings, the plug data and the tail.
bool writeBankChunks(FileSpec* file, Bank* bank, std::uint8_t* buffer) {
  bool ok = writeMarker(file, "ClaM", 1);
  for (std::int16_t n = 0; n < bankSlotCount && ok; ++n) {
    Preset* p = bank->slots[n];
    if (!p || p == bank->defaultPreset) continue;
    ok = writePreset(file, p, n, buffer);
  }
  for (int t = 0; t < tuningBankSlots && ok; ++t) {
    TuningSlot& slot = bank->tunings[t];
    if (slot.inUse && slot.map) ok = tuningReadWriteChunk(file, slot.map, buffer, chunkWrite);
  }
  ok = ok && bankPlugInChunk(file, bank, buffer, chunkWrite);
  return ok && writeMarker(file, "tail", 1);
}

// The digest of what a writer puts out (0 when it failed or memory is short).
template <typename Write>
std::uint64_t digestOf(Write write) {
  std::uint8_t* buffer = static_cast<std::uint8_t*>(std::malloc(chunkCapacity));
  if (!buffer) return 0;
  fileSetChunkTypeCallback(chunkHeaderCheck);
  FileSpec sink;
  fileSpecClear(&sink);
  fileOpenDigest(&sink);
  const bool ok = write(&sink, buffer);
  fileClose(&sink);
  std::free(buffer);
  return ok ? sink.digest : 0;
}

}  // namespace

namespace {

// Why the last bank file open or write failed at the file level ("" when it did not).
char g_reason[400];

void setReason(const char* what) {
  char system[256];
  osFileErrorText(system, sizeof system);
  std::snprintf(g_reason, sizeof g_reason, what, system[0] ? system : "unknown error");
}

// A new file beside the target, under a name no file has ("~mv" and four hex digits, ".tmp", in the
// target's folder): made by this call, so no file of the user's is ever opened or replaced. False
// when the name does not fit the path or the folder takes no new file.
bool createTemporary(const FileSpec* target, FileSpec* work) {
  static unsigned next = static_cast<unsigned>(std::time(nullptr)) * 2654435761u;
  *work = *target;
  work->handle = osFileInvalid;
  std::size_t folder = 0;
  while (folder < sizeof target->path && target->path[folder]) ++folder;
  while (folder > 0 && target->path[folder - 1] != '\\' && target->path[folder - 1] != '/') --folder;
  static const std::size_t nameChars = 11;  // "~mv0000.tmp"
  if (folder + nameChars + 1 > sizeof work->path) {
    std::snprintf(g_reason, sizeof g_reason,
                  "The folder's path is too long for the temporary file a save writes first.");
    return false;
  }
  for (int attempt = 0; attempt < 32; ++attempt) {
    std::snprintf(work->path + folder, sizeof work->path - folder, "~mv%04x.tmp", (next++ >> 7) & 0xFFFFu);
    if (fileCreateNew(work)) return true;
  }
  setReason("No temporary file could be made in that folder: %s");
  return false;
}

}  // namespace

const char* bankFileLastReason() { return g_reason; }

void bankFileSetReason(const char* format) { setReason(format); }

bool bankFileWrite(Bank* bank, FileSpec* file) {
  g_reason[0] = 0;
  if (!bank || !file) return false;
  // The bank goes to a new temporary file beside the target first; the target is replaced only once
  // the whole bank is written, so a failed save leaves the old file as it was. When no temporary can
  // be made there the save is refused: the target is never written in place.
  FileSpec work;
  std::uint8_t* buffer = static_cast<std::uint8_t*>(std::malloc(chunkCapacity));
  if (!buffer) {
    std::snprintf(g_reason, sizeof g_reason, "Not enough memory.");
    return false;
  }
  fileSetChunkTypeCallback(chunkHeaderCheck);
  if (!createTemporary(file, &work)) {
    std::free(buffer);
    return false;
  }
  bool ok = writeBankChunks(&work, bank, buffer);
  ok = ok && osFileFlush(work.handle);
  if (!ok) setReason("Writing the bank failed: %s");
  fileClose(&work);
  std::free(buffer);
  if (ok) {
    ok = osFileRename(work.path, file->path);
    if (!ok) setReason("The file could not be replaced: %s");
  }
  if (!ok) osFileDelete(work.path);
  return ok;
}

bool bankFileSaveAs(WinId window, Bank* bank) {
  (void)window;
  if (!bank) return false;
  FileSpec chosen;
  fileSpecClear(&chosen);
  if (appChooseFile(appDialogSave, &chosen, bankFileType) != 1) return false;
  if (!bankFileWrite(bank, &chosen)) return false;
  bank->file = chosen;
  bank->file.handle = osFileInvalid;
  bankMarkSaved(bank);
  return true;
}

bool bankFileSave(WinId window, Bank* bank) {
  if (!bank) return false;
  if (!bank->file.path[0]) return bankFileSaveAs(window, bank);
  FileSpec file = bank->file;
  file.handle = osFileInvalid;
  if (!bankFileWrite(bank, &file)) return false;
  bankMarkSaved(bank);
  return true;
}

std::uint64_t bankContentDigest(Bank* bank) {
  if (!bank) return 0;
  return digestOf([bank](FileSpec* sink, std::uint8_t* buffer) { return writeBankChunks(sink, bank, buffer); });
}

void bankMarkSaved(Bank* bank) {
  if (!bank) return;
  bank->changed = 0;
  bank->savedDigest = bankContentDigest(bank);
}

bool bankDiffersFromFile(Bank* bank) {
  // Only a bank marked changed is compared: a change undone (Store to pressed twice, a preset stored
  // back as it was) leaves nothing to save.
  return bank && bank->changed && bankContentDigest(bank) != bank->savedDigest;
}

namespace {

// What the audio thread moves by itself in a copy of the sound, set to its defaults: every field the
// file keeps but no one edits. Only the LFO records hold such fields among the chunks (their effective
// depth, rate and hold-rate factors and last output); the controller map's smoothed values, the
// velocity values, the tempo clock's position and the envelopes' play positions are not stored.
void clearRuntimeFields(Preset* sound) {
  for (Lfo& lfo : sound->lfos) {
    for (int f : {lfoFieldDepth, lfoFieldHoldRateFactor, lfoFieldRateFactor, lfoFieldDisplayValue})
      *lfoFloatFieldOf(&lfo, f) = static_cast<float>(lfoFields[f].def);
    lfo.retriggerRequest = 0;
  }
}

// The digest of the engine's sound as Store would copy it into its own slot, the sliders' values not
// applied first and the fields the audio thread moves by itself left out (0 without memory).
std::uint64_t soundDigest(Engine* engine) {
  const std::int16_t n = engine->header.slot;
  Preset* sound = presetAlloc(n);
  if (!sound) return 0;
  presetReadFromEngine(engine, sound, n);  // the engine stays untouched
  clearRuntimeFields(sound);
  const std::uint64_t digest =
      digestOf([sound, n](FileSpec* sink, std::uint8_t* buffer) { return writePreset(sink, sound, n, buffer); });
  presetFree(sound);
  return digest;
}

}  // namespace

void bankNoteSound(Bank* bank, Engine* engine) {
  if (bank && engine) bank->soundDigest = soundDigest(engine);
}

bool bankSoundDiffersFromSlot(Bank* bank, Engine* engine) {
  // Only a sound the user edited (the engine marked modified) is compared: what the audio thread
  // applies by itself (queued controller values) is no edit.
  if (!bank || !engine || bank->current < 0 || !bank->soundDigest || !engineIsModified(engine)) return false;
  const std::int16_t n = engine->header.slot;
  if (n < 0 || n >= bankSlotCount) return false;  // a sound of no slot has nowhere to be stored
  return soundDigest(engine) != bank->soundDigest;
}
