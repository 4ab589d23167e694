// Fuzzes the WAVE reader over whole file images: the type check, the chunk walk, the decoders with
// normalising and the DC filter, and the loop window over the result. Whatever the file says, the
// decoded data must be finite and readable up to the end of its zero tail. Its values stay within
// [-1.99, 1.99]: normalised to 0.995, the DC blocker can at most double a step.
#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzzScratch.h"
#include "preset/chunk.h"
#include "preset/sample.h"
#include "uiSeams/msgBox.h"

namespace {

int silentBox(void*, int, const char*, int) { return 0; }

void require(bool ok) {
  if (!ok) __builtin_trap();
}

const std::string& scratchPath() { return fuzzScratchPath("waveReader_fuzz", ""); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  msgBoxSetHook(silentBox, nullptr);
  FILE* out = std::fopen(scratchPath().c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  static SampleInfo slot;
  std::memset(&slot, 0, sizeof slot);
  sampleInfoInit(&slot);
  slot.data = nullptr;
  // The last byte picks the mono setting and the loop markers the window is tried with.
  const std::uint8_t knob = size ? data[size - 1] : 0;
  slot.readAsMono = knob & 1;
  slot.loopMode = (knob >> 1) % 3;
  slot.loopStart = (knob & 0x80) ? 5000 : 10;
  slot.loopEnd = (knob & 0x40) ? 0x7FFFFFFF : 200;

  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, scratchPath().c_str(), "fuzz.wav");
  if (!fileOpen(&file, fileAccessRead)) return 0;
  std::int32_t code = sampleNotOpened;
  if (sampleDetectType(&file) == chunkId("WAVE")) code = sampleReadWave(&file, &slot);
  fileClose(&file);

  if (code == sampleOk) {
    require(slot.length >= 0);
    require(slot.channels == 1 || slot.channels == 2);
    require(std::isfinite(slot.rateFactor) && slot.rateFactor > 0.0f);
    const int out = slot.channels == 2 && !slot.readAsMono ? 2 : 1;
    require(slot.data != nullptr);
    const std::size_t values = std::size_t(slot.length) * out;
    for (std::size_t i = 0; i < values; ++i) require(std::isfinite(slot.data[i]) && std::fabs(slot.data[i]) <= 1.991f);
    // The zero tail after the frames is part of the allocation.
    require(slot.data[values + sampleTailBytes / sizeof(float) - 1] == 0.0f);
    sampleUpdateLoop(&slot);
    const std::int32_t last = slot.length > 0 ? slot.length - 1 : 0;
    require(slot.playStart >= 0 && slot.playStart <= last);
    require(slot.playEnd >= 0 && slot.playEnd <= last);
    std::free(slot.data);
  } else {
    require(slot.data == nullptr);
  }
  msgBoxSetHook(nullptr, nullptr);
  return 0;
}
