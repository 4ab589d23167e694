// Test helpers for chunk round trips in both byte orders. A chunk written by a serialiser is read back
// as it stands (little-endian) and again after a byte-reversing rewrite: every header word and every
// multi-byte field (from a layout map built independently of the code under test) reversed in its
// slot, after a big-endian "Clam" container, as a big-endian machine would have written it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "preset/chunk.h"
#include "support/tempDir.h"

namespace chunktest {

// Multi-byte fields of a chunk's data: offset and width (2, 4 or 8; width 0 = bytes left alone).
struct LayoutMap {
  std::vector<std::pair<std::uint32_t, int>> fields;
  std::uint32_t size = 0;
  void i8() { size += 4; }
  void i16() {
    fields.push_back({size, 2});
    size += 4;
  }
  void i32() {
    fields.push_back({size, 4});
    size += 4;
  }
  void f64() {
    fields.push_back({size, 8});
    size += 8;
  }
  void bytes(std::uint32_t n) { size += n; }
};

inline std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

inline void putWord(std::vector<std::uint8_t>& out, std::uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(big ? v >> (24 - 8 * i) : v >> (8 * i)));
}

struct RawChunk {
  std::uint32_t id, size, version;
  std::vector<std::uint8_t> data;
};

// The chunks of a little-endian file written by this program.
inline std::vector<RawChunk> parseLittle(const std::vector<std::uint8_t>& file) {
  std::vector<RawChunk> chunks;
  std::size_t pos = 0;
  while (pos + 12 <= file.size()) {
    RawChunk c{le32(&file[pos]), le32(&file[pos + 4]), le32(&file[pos + 8]), {}};
    c.data.assign(file.begin() + long(pos + 12), file.begin() + long(pos + 12 + c.size));
    chunks.push_back(c);
    pos += 12 + c.size;
  }
  return chunks;
}

// Rewrites a little-endian file big-endian; `mapFor` gives each chunk's field map by id.
template <typename MapFor>
std::vector<std::uint8_t> toBigEndianByMap(const std::vector<std::uint8_t>& file, MapFor mapFor) {
  std::vector<std::uint8_t> out;
  for (const RawChunk& c : parseLittle(file)) {
    putWord(out, c.id, true);
    putWord(out, c.size, true);
    putWord(out, c.version, true);
    std::vector<std::uint8_t> data = c.data;
    for (const auto& f : mapFor(c).fields)
      if (f.first + std::uint32_t(f.second) <= data.size())
        std::reverse(data.begin() + f.first, data.begin() + f.first + f.second);
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

// Fixture: the chunk buffer and the standard header check for every test.
struct ChunkFixture : ::testing::Test {
  FileSpec file{};
  std::uint8_t* buffer = nullptr;
  void SetUp() override {
    fileSpecClear(&file);
    chunkBufferInit(chunkCapacity);
    fileSetChunkTypeCallback(chunkHeaderCheck);
    buffer = new std::uint8_t[chunkCapacity];
    std::memset(buffer, 0, chunkCapacity);
  }
  void TearDown() override {
    fileClose(&file);
    swapReset();
    delete[] buffer;
    chunkBufferFree();
  }
  // Opens `path` for writing and writes the container chunk first.
  void beginWrite(const std::string& path) {
    fileSpecClear(&file);
    fileSpecSetPath(&file, path.c_str(), nullptr);
    ASSERT_TRUE(fileCreate(&file));
    ChunkHeader container;
    chunkHeaderSet(&container, chunkId("Clam"), 0, 1);
    ASSERT_TRUE(fileWriteChunk(&file, &container, nullptr));
  }
  void endWrite() { fileClose(&file); }
  // Opens `path`, reads the container and then chunk number `index` after it (0 = the first).
  // The file stays open so the serialiser's read limit is the chunk's size.
  void openAt(const std::string& path, int index, ChunkHeader* header) {
    fileClose(&file);
    swapReset();
    fileSpecClear(&file);
    fileSpecSetPath(&file, path.c_str(), nullptr);
    ASSERT_TRUE(fileOpen(&file, fileAccessRead));
    ASSERT_TRUE(fileReadChunk(&file, header));
    for (int i = 0; i <= index; ++i) ASSERT_TRUE(fileReadNextChunk(&file, header));
  }
};

}  // namespace chunktest
