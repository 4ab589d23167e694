// Field slots of chunk data, the byte-order flag and the standard chunk-header check.
#include <cstring>

#include "preset/chunk.h"
#include "uiSeams/msgBox.h"

namespace {
bool g_swap = false;
}

// ---- byte order

void swapReset() { g_swap = false; }
void swapToggle() { g_swap = !g_swap; }
bool swapEnabled() { return g_swap; }

void swap16(void* value) {
  if (!value) return;
  std::uint8_t* b = static_cast<std::uint8_t*>(value);
  std::uint8_t t = b[0];
  b[0] = b[1];
  b[1] = t;
}

void swap32(void* value) {
  if (!value) return;
  std::uint8_t* b = static_cast<std::uint8_t*>(value);
  for (int i = 0; i < 2; ++i) {
    std::uint8_t t = b[i];
    b[i] = b[3 - i];
    b[3 - i] = t;
  }
}

void swap64(void* value) {
  if (!value) return;
  std::uint8_t* b = static_cast<std::uint8_t*>(value);
  for (int i = 0; i < 4; ++i) {
    std::uint8_t t = b[i];
    b[i] = b[7 - i];
    b[7 - i] = t;
  }
}

// ---- field transfer

bool bufTransferBytes(std::uint8_t* buffer, void* field, std::uint32_t fieldSize, std::uint32_t slotSize,
                      std::uint32_t* cursor, std::uint32_t limit, int direction) {
  if (!buffer || !field || !cursor || fieldSize > slotSize) return false;
  std::uint64_t end = std::uint64_t(*cursor) + slotSize;
  if (end >= limit) return false;
  std::uint8_t* slot = buffer + *cursor;
  if (direction == chunkRead) {
    std::memcpy(field, slot, fieldSize);
  } else {
    std::memcpy(slot, field, fieldSize);
    if (slotSize > fieldSize) std::memset(slot + fieldSize, 0, slotSize - fieldSize);
  }
  *cursor += slotSize;
  return true;
}

static bool transferSwapped(std::uint8_t* buffer, void* field, std::uint32_t n, std::uint32_t s, std::uint32_t* cursor,
                            std::uint32_t limit, int direction) {
  if (!bufTransferBytes(buffer, field, n, s, cursor, limit, direction)) return false;
  if (direction == chunkRead && swapEnabled()) {
    if (n == 2)
      swap16(field);
    else if (n == 4)
      swap32(field);
    else if (n == 8)
      swap64(field);
  }
  return true;
}

bool bufTransferInt8(std::uint8_t* buffer, void* field, std::uint32_t* cursor, std::uint32_t limit, int direction) {
  return bufTransferBytes(buffer, field, 1, 4, cursor, limit, direction);
}
bool bufTransferInt16(std::uint8_t* buffer, void* field, std::uint32_t* cursor, std::uint32_t limit, int direction) {
  return transferSwapped(buffer, field, 2, 4, cursor, limit, direction);
}
bool bufTransferInt32(std::uint8_t* buffer, void* field, std::uint32_t* cursor, std::uint32_t limit, int direction) {
  return transferSwapped(buffer, field, 4, 4, cursor, limit, direction);
}
bool bufTransferFloat32(std::uint8_t* buffer, float* field, std::uint32_t* cursor, std::uint32_t limit, int direction) {
  return transferSwapped(buffer, field, 4, 4, cursor, limit, direction);
}
bool bufTransferDouble(std::uint8_t* buffer, double* field, std::uint32_t* cursor, std::uint32_t limit, int direction) {
  return transferSwapped(buffer, field, 8, 8, cursor, limit, direction);
}

// ---- the standard header check

namespace {

const char kNewerVersion[] =
    "File error! I can't open this file, it was created with a more recent version of Morvane.";

// Ids accepted when their version is at most 10.
const std::uint32_t kVersion10[] = {chunkId("Prst"), chunkId("ocil"), chunkId("filt"), chunkId("mod "), chunkId("wshp"),
                                    chunkId("pipe"), chunkId("mCmb"), chunkId("mTap"), chunkId("cc  "), chunkId("stCC"),
                                    chunkId("vel "), chunkId("ptch"), chunkId("Ntmp"), chunkId("env "), chunkId("env2"),
                                    chunkId("1Wav"), chunkId("pan "), chunkId("lfo "), chunkId("Wave")};

// Ids accepted whatever their version.
const std::uint32_t kAnyVersion[] = {
    chunkId("env3"), chunkId("1env"), chunkId("cc2 "), chunkId("lfo2"), chunkId("mCm2"), chunkId("mTa2"),
    chunkId("osc2"), chunkId("pLug"), chunkId("pip2"), chunkId("ptc2"), chunkId("ptc3"), chunkId("tune"),
    chunkId("clam"), chunkId("eco3"), chunkId("mod3"), chunkId("osc3"), chunkId("ptc4"), chunkId("rev3"),
    chunkId("pLnp"), chunkId("zzzz"), chunkId("pEnd"), chunkId("tmpo"), chunkId("stC3"), chunkId("stD3"),
    chunkId("CLaM"), chunkId("cntl"), chunkId("efct"), chunkId("envp"), chunkId("fBro"), chunkId("ntmp"),
    chunkId("pLmp"), chunkId("prst"), chunkId("tail"), chunkId("wave")};

bool inList(std::uint32_t id, const std::uint32_t* list, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (list[i] == id) return true;
  return false;
}

int containerVersionRule(std::uint32_t version) {
  if (std::int32_t(version) <= 1) return 0;
  msgBox(0, kNewerVersion, 0);
  return 2;
}

}  // namespace

int chunkHeaderCheck(std::uint32_t* words) {
  if (!words) return 1;
  const std::uint32_t asCame = words[0];
  ChunkHeader h{words[0], words[1], words[2]};
  chunkHeaderSwap(&h);
  int result;
  if (h.id == chunkId("ClaM")) {
    result = 0;
  } else if (h.id == chunkId("Clam")) {
    result = containerVersionRule(h.version);
  } else if (inList(h.id, kVersion10, sizeof kVersion10 / sizeof kVersion10[0])) {
    result = std::int32_t(h.version) <= 10 ? 0 : 2;
  } else if (inList(h.id, kAnyVersion, sizeof kAnyVersion / sizeof kAnyVersion[0])) {
    result = 0;
  } else {
    std::uint32_t reversed = asCame;
    swap32(&reversed);
    if (swapEnabled() || (reversed != chunkId("Clam") && reversed != chunkId("ClaM") && reversed != chunkId("clam"))) {
      // With the flag already set a reversed container id is just another unknown id.
      diagMessage("bad chunk type");
      words[0] = h.id;
      words[1] = h.size;
      words[2] = h.version;
      return 1;
    }
    // A container whose id reads backwards: the file is of the other byte order.
    swapToggle();
    h = ChunkHeader{words[0], words[1], words[2]};
    chunkHeaderSwap(&h);
    result = containerVersionRule(h.version);
  }
  words[0] = h.id;
  words[1] = h.size;
  words[2] = h.version;
  return result;
}
