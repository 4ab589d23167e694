#include "preset/sampleInfo.h"

#include <cmath>
#include <cstring>

void sampleInfoClear(SampleInfo* info) {
  if (!info) return;
  std::memset(info->name, 0, sizeof info->name);
  std::memset(info->path, 0, sizeof info->path);
  std::memset(info->pathRest, 0, sizeof info->pathRest);
  info->displayMapped = 0;
  info->displayMapping = nullptr;
  std::memset(info->displayName, 0, sizeof info->displayName);
  std::strcpy(info->name, "(none)");
  info->tag = sampleInfoTag;
}

void sampleInfoInit(SampleInfo* info) {
  if (!info) return;
  sampleInfoClear(info);
  info->length = 0;
  info->channels = 1;
  info->readAsMono = 1;
  info->loopStart = 0;
  info->loopEnd = 1024;
  for (std::int32_t& w : info->spare) w = 0;
  info->loopMode = 0;
  info->loadFailed = 0;
  info->rootKey = 60.0f;
  info->rateFactor = 1.0f;
  info->poolIndex = -1;
  info->startPosition = 0.0;
}

void sampleInfoSanitize(SampleInfo* info) {
  if (!info) return;
  info->tag = sampleInfoTag;
  info->name[sizeof info->name - 1] = 0;
  info->path[sizeof info->path - 1] = 0;
  if (info->channels != 1 && info->channels != 2) info->channels = 1;
  info->readAsMono = info->readAsMono ? 1 : 0;
  info->looping = info->looping ? 1 : 0;
  if (info->loopStart < 0) info->loopStart = 0;
  if (info->loopEnd < 0) info->loopEnd = 0;
  if (info->loopMode < 0 || info->loopMode > 2) info->loopMode = 0;
  if (!std::isfinite(info->rootKey) || info->rootKey < 0.0f || info->rootKey > 127.0f) info->rootKey = 60.0f;
  if (!std::isfinite(info->rateFactor)) info->rateFactor = 1.0f;
  if (!std::isfinite(info->startPosition) || info->startPosition < 0.0) info->startPosition = 0.0;
  if (info->startPosition > 1.0) info->startPosition = 1.0;
}
