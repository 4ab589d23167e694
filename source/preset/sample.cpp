// Sample slots: loading into a channel (with the pool and the finder), releasing, the loop window,
// the slot parameters, the voice reset and the error boxes.
#include "preset/sample.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscVoiceState.h"
#include "preset/chunk.h"
#include "preset/editBlock.h"
#include "preset/oscParams.h"
#include "preset/samplePool.h"
#include "preset/sampleSettings.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

namespace {

SampleBankPathFn g_bankPath = nullptr;

bool validChannel(std::int16_t channel) { return channel >= 0 && channel < engineChannels; }

// Frames of the loop window and markers must stay inside the data: the playback reads there.
std::int32_t lastFrame(const SampleInfo* slot) { return slot->length > 0 ? slot->length - 1 : 0; }

void showText(const char* text) { msgBox(0, text, 0); }

// "drive and directory" of a path: everything up to and including its last separator.
void folderOf(const char* path, char* out, std::size_t capacity) {
  out[0] = 0;
  if (!path) return;
  const char* a = std::strrchr(path, '\\');
  const char* b = std::strrchr(path, '/');
  const char* cut = a > b ? a : b;
  if (!cut) return;
  std::size_t n = static_cast<std::size_t>(cut - path) + 1;
  if (n >= capacity) return;
  std::memcpy(out, path, n);
  out[n] = 0;
}

// Tries one candidate: when it opens for reading it is closed again and handed out.
bool tryCandidate(const char* path, const char* name, FileSpec* out) {
  if (!path || !*path) return false;
  FileSpec probe;
  fileSpecClear(&probe);
  if (std::strlen(path) >= sizeof probe.path) return false;
  fileSpecSetPath(&probe, path, name);
  if (!fileOpen(&probe, fileAccessRead)) return false;
  fileClose(&probe);
  *out = probe;
  return true;
}

bool tryBeside(const char* folder, const char* name, FileSpec* out) {
  if (!folder || !*folder || !name || !*name) return false;
  char joined[600];
  std::snprintf(joined, sizeof joined, "%s%s", folder, name);
  return tryCandidate(joined, name, out);
}

void resetVoices(Engine* engine, std::int16_t channel, SampleInfo* slot) {
  ChannelOscRecord* record = engineGetChannel(engine, channel);
  int voices = engine->polyphony;
  if (voices > engineMaxVoices) voices = engineMaxVoices;
  for (int v = 0; v < voices; ++v) {
    OscVoiceState* state = engineGetOscVoiceState(engine, channel, static_cast<std::int16_t>(v));
    if (!state) continue;
    sampleVoiceInit(&state->sampleVoice);
    double inc = record ? oscVoicePitch(engine, record, state) : 0.0;
    state->incA = static_cast<float>(inc * slot->rateFactor);
  }
}

}  // namespace

void sampleSetBankPathRoutine(SampleBankPathFn routine) { g_bankPath = routine; }

SampleInfo* sampleGetInfo(Engine* engine, std::int16_t channel) {
  if (!engine || !validChannel(channel)) return nullptr;
  ChannelOscRecord* record = engineGetChannel(engine, channel);
  return record ? &record->sampleInfo : nullptr;
}

SampleInfo* sampleGetInfoRecord(Engine* engine, std::int16_t channel) { return sampleGetInfo(engine, channel); }

void sampleSetFileSpec(SampleInfo* slot, const FileSpec* file) {
  if (!slot || !file) return;
  slot->tag = sampleInfoTag;
  std::memset(slot->path, 0, sizeof slot->path);
  std::memcpy(slot->path, file->path, strnlen(file->path, sizeof slot->path - 1));
  // The name shown: the path's file name with its extension.
  const char* a = std::strrchr(file->path, '\\');
  const char* b = std::strrchr(file->path, '/');
  const char* cut = a > b ? a : b;
  const char* name = cut ? cut + 1 : file->path;
  std::memset(slot->name, 0, sizeof slot->name);
  std::memcpy(slot->name, name, strnlen(name, sizeof slot->name - 1));
}

double sampleRateFactor(double rootKey, double rate) {
  if (!(rootKey >= 1.0 && rootKey <= 127.0)) rootKey = 60.0;
  if (!(rate > 0.0) || !std::isfinite(rate)) rate = 44100.0;
  return static_cast<float>((rate / 44100.0) / pitchNoteToInc(rootKey));
}

void sampleSetFormat(SampleInfo* slot, std::int32_t frames, std::int32_t channels, double rootKey, double rate) {
  if (!slot) return;
  slot->length = frames;
  slot->channels = channels;
  slot->rootKey = static_cast<float>(rootKey);
  slot->rateFactor = static_cast<float>(sampleRateFactor(rootKey, rate));
}

void sampleUpdateLoop(SampleInfo* slot) {
  if (!slot) return;
  if (slot->loopMode < 0 || slot->loopMode > 2) slot->loopMode = 0;
  const std::int32_t last = lastFrame(slot);
  switch (slot->loopMode) {
    case 0:
      slot->looping = 0;
      slot->playStart = 0;
      slot->playEnd = 0;
      break;
    case 1:
      slot->playStart = 0;
      slot->playEnd = last;
      slot->looping = 1;
      break;
    default:
      slot->playStart = slot->loopStart;
      if (slot->loopEnd > slot->loopStart && slot->loopEnd < slot->length) {
        slot->playEnd = slot->loopEnd;
      } else {
        slot->loopEnd = last;
        slot->playEnd = last;
      }
      // A marker from the file may lie beyond a shorter sample: the window stays inside the data.
      slot->playStart = numClampHiWins<std::int32_t>(slot->playStart, 0, slot->playEnd);
      slot->looping = 1;
      break;
  }
}

void sampleSwapInfo(SampleInfo* slot) {
  if (!slot || !swapEnabled()) return;
  swap32(&slot->tag);
  swap32(&slot->channels);
  swap32(&slot->readAsMono);
  swap32(&slot->looping);
  swap32(&slot->word1);
  swap32(&slot->loopStart);
  swap32(&slot->loopEnd);
  swap32(&slot->loopMode);
  for (std::int32_t& w : slot->afterLoopMode) swap32(&w);
  swap32(&slot->rootKey);
  swap32(&slot->rateFactor);
  swap64(&slot->startPosition);
}

bool sampleFindFile(Bank* bank, SampleInfo* slot, FileSpec* out) {
  if (!slot || !out) return false;
  slot->path[sizeof slot->path - 1] = 0;
  slot->name[sizeof slot->name - 1] = 0;
  if (tryCandidate(slot->path, slot->name, out)) return true;
  char folder[600];
  folderOf(g_bankPath && bank ? g_bankPath(bank) : nullptr, folder, sizeof folder);
  if (tryBeside(folder, slot->name, out)) return true;
  char samples[600];
  sampleSettingsGet("SamplesPath", samples, sizeof samples);
  folderOf(samples, folder, sizeof folder);
  if (tryBeside(folder, slot->name, out)) return true;
  char text[400];
  std::snprintf(text, sizeof text, "A sample failed to load! Morvane could not find file: %s", slot->name);
  showText(text);
  return false;
}

void sampleRelease(Engine* engine, std::int16_t channel) {
  SampleInfo* slot = sampleGetInfo(engine, channel);
  if (!slot) return;
  if (samplePoolRelease(slot)) std::free(slot->data);
  slot->poolIndex = -1;  // the slot holds no entry any more: a second release must not count
  sampleCloseDisplayMap(engine, channel);
  slot->length = 0;
  slot->data = nullptr;
}

void sampleReleaseAll(Engine* engine) {
  for (std::int16_t ch = 0; ch < engineChannels; ++ch) sampleRelease(engine, ch);
}

std::int32_t sampleLoad(Engine* engine, std::int16_t channel, FileSpec* given) {
  SampleInfo* slot = sampleGetInfo(engine, channel);
  if (!slot) return sampleNotOpened;
  sampleRelease(engine, channel);
  FileSpec file;
  fileSpecClear(&file);
  if (given) {
    file = *given;
    file.handle = osFileInvalid;
  } else if (!sampleFindFile(engineGetBank(engine), slot, &file)) {
    return sampleFileError;
  }
  slot->length = 0;
  slot->rootKey = 60.0f;
  slot->rateFactor = 1.0f;
  slot->data = nullptr;
  std::int32_t result = sampleOk;
  const bool pooled = samplePoolAcquire(slot, &file, slot->readAsMono);
  if (!pooled) {
    if (!fileOpen(&file, fileAccessRead)) {
      char name[260];
      fileGetName(&file, name, sizeof name);
      char text[400];
      std::snprintf(text, sizeof text, "Sample load error: Morvane could not open file %s", name);
      showText(text);
      return sampleFileError;
    }
    if (sampleDetectType(&file) == chunkId("WAVE")) {
      // The reader tells what is wrong with a file it cannot take (a format not decoded here is told
      // like any other unsupported file).
      result = sampleReadWave(&file, slot);
    } else {
      showText("Load sample error: unsupported file type");
      result = sampleUnsupported;
    }
    fileClose(&file);
    if (result != sampleOk) {
      sampleUpdateLoop(slot);
      resetVoices(engine, channel, slot);
      return result;
    }
  }
  slot->loadFailed = 0;
  const std::int16_t type = oscGetType(engine, channel);
  if ((type == oscTypeSample || type == oscTypeGranular) && slot->channels == 2 && slot->readAsMono == 0) {
    engineSetVoiceBufferCount(engine, channel, 2);
    engineSetVoiceBufferCount(engine, 3, 3);
  } else {
    engineSetVoiceBufferCount(engine, channel, 1);
  }
  if (!pooled) samplePoolAdd(slot, &file, slot->readAsMono);
  sampleUpdateLoop(slot);
  resetVoices(engine, channel, slot);
  sampleBuildDisplay(slot, channel);
  return sampleOk;
}

std::int32_t sampleLoadFile(Engine* engine, std::int16_t channel, FileSpec* file) {
  return sampleLoad(engine, channel, file);
}

bool sampleLoadForChannel(int dialogKind, Engine* engine, std::int16_t channel) {
  FileSpec file;
  fileSpecClear(&file);
  const int chosen = appChooseFile(dialogKind, &file, 1);
  if (chosen == 0) return false;
  if (chosen != 1) return true;
  SampleInfo* slot = sampleGetInfo(engine, channel);
  if (!slot) return false;
  engineStopAudio(engine, 1);
  slot->loadFailed = 1;
  const std::int32_t code = sampleLoad(engine, channel, &file);
  if (code != sampleOk) slot->length = 0;
  engineRestartAudio(engine);
  sampleReportError(code);
  return code == sampleOk;
}

std::int32_t sampleReloadChannels(Engine* engine) {
  std::int32_t last = sampleOk;
  if (!engine) return last;
  for (std::int16_t ch = 0; ch < engineChannels; ++ch) {
    const std::int16_t type = oscGetType(engine, ch);
    if (type == oscTypeSample || type == oscTypeGranular) last = sampleLoad(engine, ch, nullptr);
  }
  return last;
}

void sampleReportError(std::int32_t code) {
  switch (code) {
    case sampleOutOfMemory: showText("Sample error: out of memory."); break;
    case sampleFileError: showText("Sample error: file error."); break;
    case sampleUnsupported: showText("Sample error: unsupported file type."); break;
    case sampleNotOpened: showText("Sample error: the sample was not opened."); break;
    default: break;
  }
}

// ---- loop window and parameters

std::int32_t sampleSetLoopStart(Engine* engine, std::int16_t channel, std::int32_t frames) {
  if (!engine || !validChannel(channel)) return 0;
  ChannelOscRecord* record = editBeginOsc(engine, channel);
  if (!record) return 0;
  SampleInfo& s = record->sampleInfo;
  std::int32_t limit = s.loopEnd - 64;
  if (limit < 0) {
    s.loopEnd = 64;
    limit = 0;
  }
  s.loopStart = numClamp<std::int32_t>(frames, 0, limit);
  sampleUpdateLoop(&s);
  const std::int32_t stored = s.loopStart;
  editCommit(engine, editKindOsc, channel);
  return stored;
}

std::int32_t sampleSetLoopEnd(Engine* engine, std::int16_t channel, std::int32_t frames) {
  if (!engine || !validChannel(channel)) return 0;
  ChannelOscRecord* record = editBeginOsc(engine, channel);
  if (!record) return 0;
  SampleInfo& s = record->sampleInfo;
  std::int32_t low = s.loopStart + 64;
  if (low >= s.length - 1) {
    // A sample shorter than the 64-frame minimum window keeps its start at the first frame.
    s.loopStart = s.length - 64 > 0 ? s.length - 64 : 0;
    frames = s.length - 1;
  }
  std::int32_t v = frames > low ? frames : low;
  if (v > s.length) v = s.length;
  if (v < 0) v = 0;
  s.loopEnd = v;
  sampleUpdateLoop(&s);
  const std::int32_t stored = s.loopEnd;
  editCommit(engine, editKindOsc, channel);
  return stored;
}

void sampleSetLoopMode(Engine* engine, std::int16_t channel, std::int32_t mode) {
  if (!engine || !validChannel(channel)) return;
  ChannelOscRecord* record = editBeginOsc(engine, channel);
  if (!record) return;
  record->sampleInfo.loopMode = numIndexOrZero<std::int32_t>(mode, 3);
  sampleUpdateLoop(&record->sampleInfo);
  editCommit(engine, editKindOsc, channel);
}

std::int32_t sampleGetLoopStart(Engine* engine, std::int16_t channel) {
  SampleInfo* s = sampleGetInfo(engine, channel);
  return s ? s->loopStart : 0;
}
std::int32_t sampleGetLoopEnd(Engine* engine, std::int16_t channel) {
  SampleInfo* s = sampleGetInfo(engine, channel);
  return s ? s->loopEnd : 0;
}
std::int32_t sampleGetLoopMode(Engine* engine, std::int16_t channel) {
  SampleInfo* s = sampleGetInfo(engine, channel);
  return s ? s->loopMode : 0;
}

void oscSetSampleParam(Engine* engine, std::int16_t channel, std::int16_t which, double value) {
  if (!engine || !validChannel(channel)) return;
  ChannelOscRecord* record = editBeginOsc(engine, channel);
  if (!record) return;
  if (which == 1) {
    record->sampleInfo.startPosition = numClamp(numFiniteOr(value, 0.0), 0.0, 1.0);
  } else if (which == 2) {
    record->sampleInfo.readAsMono = value > 0.001 ? 1 : 0;
  }
  editCommit(engine, editKindOsc, channel);
}

void sampleGetFileName(Engine* engine, std::int16_t channel, char* buffer, std::uint32_t capacity) {
  if (!buffer || capacity == 0) return;
  buffer[0] = 0;
  SampleInfo* s = sampleGetInfo(engine, channel);
  if (!s) return;
  std::strncpy(buffer, s->name, capacity - 1);
  buffer[capacity - 1] = 0;
}

// ---- voices

SampleVoice* sampleVoiceRecord(Engine* engine, std::int16_t channel, std::int16_t voice) {
  if (!engine || !validChannel(channel) || voice < 0 || voice >= engineMaxVoices) return nullptr;
  OscVoiceState* state = engineGetOscVoiceState(engine, channel, voice);
  return state ? &state->sampleVoice : nullptr;
}

void sampleSetPosition(Engine* engine, std::int16_t channel, std::int16_t voice, double position, double parameter) {
  SampleVoice* v = sampleVoiceRecord(engine, channel, voice);
  SampleInfo* s = sampleGetInfo(engine, channel);
  if (!v || !s) return;
  if (!std::isfinite(position) || position < 0.0) position = 0.0;
  double target = position * s->length;
  if (!(target < s->length)) target = s->length > 0 ? s->length - 1 : 0;
  v->jumpTarget = target;
  v->jumpValue = parameter;
  v->jumpRequest = 1;
}
