// The waveform overview of a loaded slot, published in a named shared-memory section, and the three
// display buffers pages copy it into.
#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "os/osFile.h"
#include "preset/sample.h"

namespace {

float g_displays[3][sampleDisplayPoints];
const std::uint32_t kSectionBytes = sampleDisplayPoints * sizeof(float);

}  // namespace

void sampleCloseDisplayMap(Engine* engine, std::int16_t channel) {
  SampleInfo* slot = sampleGetInfo(engine, channel);
  if (!slot || !slot->displayMapped) return;
  if (slot->displayMapping) osSharedClose(slot->displayMapping);
  slot->displayMapping = nullptr;
  slot->displayMapped = 0;
}

void sampleBuildDisplay(SampleInfo* slot, std::int16_t channel) {
  if (!slot) return;
  std::memset(slot->displayName, 0, sizeof slot->displayName);
  std::snprintf(slot->displayName, sizeof slot->displayName, "%s%d", sampleDisplayPrefix, channel);
  if (OsShared other = osSharedOpen(slot->displayName)) {
    // Another slot owns the section of this name.
    osSharedClose(other);
    slot->displayMapped = 0;
    return;
  }
  OsShared section = osSharedCreate(slot->displayName, kSectionBytes);
  float* view = section ? static_cast<float*>(osSharedMap(section, kSectionBytes, true)) : nullptr;
  if (!view) {
    if (section) osSharedClose(section);
    slot->displayMapped = 0;
    return;
  }
  slot->displayMapped = 1;
  slot->displayMapping = section;
  std::memset(view, 0, kSectionBytes);
  const std::int32_t stride = slot->channels == 2 && !slot->readAsMono ? 2 : 1;
  const float* data = slot->data;
  std::int32_t point = 0;
  for (std::int32_t start = 0; data && start < slot->length && point < sampleDisplayPoints;
       start += sampleDisplayBlock) {
    const std::int32_t end = slot->length - start < sampleDisplayBlock ? slot->length : start + sampleDisplayBlock;
    float hi = 0.0f, lo = 0.0f;
    for (std::int32_t f = start; f < end; ++f) {
      const float v = data[static_cast<std::size_t>(f) * stride];
      if (v > hi) hi = v;
      if (v < lo) lo = v;
    }
    float p = (lo < 0.0f ? -lo : lo) < hi ? hi : lo;
    p = numClampPassNaN(p, -0.999f, 0.999f);
    view[point++] = p;
  }
  osSharedUnmap(view);
}

float* sampleDisplayBuffer(std::int16_t channel) { return channel >= 0 && channel < 3 ? g_displays[channel] : nullptr; }

void sampleClearDisplays() { std::memset(g_displays, 0, sizeof g_displays); }

void sampleRefreshDisplay(Engine* engine, std::int16_t channel) {
  if (float* buffer = sampleDisplayBuffer(channel)) sampleReadDisplay(engine, channel, buffer);
}

void sampleReadDisplay(Engine* engine, std::int16_t channel, float* destination) {
  if (!destination) return;
  std::memset(destination, 0, kSectionBytes);
  SampleInfo* slot = sampleGetInfo(engine, channel);
  if (!slot || !slot->displayMapped) return;
  OsShared section = osSharedOpen(slot->displayName);
  if (!section) return;
  if (const void* view = osSharedMap(section, kSectionBytes, false)) {
    std::memcpy(destination, view, kSectionBytes);
    osSharedUnmap(const_cast<void*>(view));
  }
  osSharedClose(section);
}
