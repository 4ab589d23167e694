#include "chunkTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "uiSeams/msgBox.h"

namespace chunktest {

Bytes readFile(const std::string& path) {
  Bytes out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  std::uint8_t buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

void writeFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

Bytes writeChunks(const std::string& path, const std::function<void(FileSpec*)>& body, bool container) {
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  EXPECT_TRUE(fileCreate(&file));
  if (container) {
    ChunkHeader h;
    chunkHeaderSet(&h, chunkId("Clam"), 0, 1);
    EXPECT_TRUE(fileWriteChunk(&file, &h, nullptr));
  }
  body(&file);
  fileClose(&file);
  return readFile(path);
}

bool openAndReadFirst(FileSpec* file, const std::string& path) {
  fileSpecClear(file);
  fileSpecSetPath(file, path.c_str(), nullptr);
  swapReset();
  if (!fileOpen(file, fileAccessRead)) return false;
  ChunkHeader h;
  return fileReadChunk(file, &h);
}

namespace {

std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// clang-format off
const std::string kOscSampleBlock = "w" "wwwwwww" "wwwwww" "wwww" "ww" "d" "w" "s256" "s260" "s252";
// clang-format on
const std::string kOldHead = "hwhhhh";
const std::string kNewHead = "hwhhhhh";

}  // namespace

std::string layoutOf(std::uint32_t id, std::uint32_t size) {
  // clang-format off
  const std::string ptch = "hhwwwdwh" "s34";
  const std::string ptc3 = "hhwwwdwh" "d" "s34" "hhhh" "www";
  const std::string ocil = repeat("w", 17) + "b";
  const std::string osc2 = ocil + "ww";
  const std::string osc3 = osc2 + "b" "www" "hh" "wwww";
  const std::string pipeBody = "bww" "www" "wwww" "w" "www" "bbb";
  const std::string combBody = repeat("bb" "wwwwww", 6);
  const std::string tapBody = repeat("bb" "wwww", 3);
  struct Entry { const char* id; std::uint32_t size; std::string layout; };
  const Entry table[] = {
      {"ptch", 70, ptch},
      {"ptc2", 98, ptch + "hhhh" "www"},
      {"ptc3", 106, ptc3},
      {"ptc4", 130, ptc3 + "wwwwww"},
      {"ocil", 72, ocil},
      {"osc2", 80, osc2},
      {"osc2", 940, osc2 + kOscSampleBlock},
      {"osc3", 120, osc3},
      {"osc3", 980, osc3 + kOscSampleBlock},
      {"filt", 48, "bbhh" + repeat("w", 8)},
      {"mod ", 32, "bhhh" "ww" "h" "w"},
      {"mod3", 40, "bhhh" "ww" "h" "w" "w" "b"},
      {"wshp", 24, "bb" "h" "www"},
      {"pipe", 92, kOldHead + pipeBody},
      {"pip2", 104, kNewHead + pipeBody + "d"},
      {"mCmb", 244, kOldHead + "bww" "h" "w" "ww" + combBody},
      {"mCm2", 256, kNewHead + "bww" "h" "w" "d" "ww" + combBody},
      {"mTap", 140, kOldHead + "bww" "hbbw" "wwww" + tapBody},
      {"mTa2", 152, kNewHead + "bww" "hbbw" "d" "wwww" + tapBody},
      {"eco3", 276, kNewHead + "bww" "ddw" + repeat("ddbwww" "bdddbbb", 3)},
      {"rev3", 272, kNewHead + "bww" "dwdbbdw" + repeat("dddbdddbbw", 3)},
  };
  // clang-format on
  for (const Entry& e : table) {
    std::uint32_t eid = (std::uint32_t(std::uint8_t(e.id[0])) << 24) | (std::uint32_t(std::uint8_t(e.id[1])) << 16) |
                        (std::uint32_t(std::uint8_t(e.id[2])) << 8) | std::uint32_t(std::uint8_t(e.id[3]));
    if (eid == id && e.size == size) return e.layout;
  }
  if (size == 0) return "";
  return "?";
}

std::uint32_t layoutBytes(const std::string& layout) {
  std::uint32_t n = 0;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    char c = layout[i];
    if (c == 'b' || c == 'h' || c == 'w')
      n += 4;
    else if (c == 'd')
      n += 8;
    else if (c == 's') {
      std::size_t j = i + 1;
      std::uint32_t k = 0;
      while (j < layout.size() && layout[j] >= '0' && layout[j] <= '9') k = k * 10 + (layout[j++] - '0');
      n += k;
      i = j - 1;
    }
  }
  return n;
}

static void reverse(std::uint8_t* p, int n) {
  for (int i = 0; i < n / 2; ++i) std::swap(p[i], p[n - 1 - i]);
}

Bytes toBigEndian(const Bytes& le, const LayoutFor& layoutFor) {
  Bytes be = le;
  std::size_t pos = 0;
  while (pos + 12 <= be.size()) {
    std::uint32_t id, size;
    std::memcpy(&id, &le[pos], 4);
    std::memcpy(&size, &le[pos + 4], 4);
    for (int w = 0; w < 3; ++w) reverse(&be[pos + 4 * w], 4);
    const std::string layout = layoutFor(id, size);
    EXPECT_NE(layout, "?") << "no layout for chunk " << std::hex << id << std::dec << " of " << size << " bytes";
    if (layout == "?") return be;
    EXPECT_EQ(layoutBytes(layout), size) << std::hex << id;
    std::uint8_t* data = &be[pos + 12];
    std::size_t at = 0;
    for (std::size_t i = 0; i < layout.size(); ++i) {
      char c = layout[i];
      if (c == 'b')
        at += 4;
      else if (c == 'h') {
        reverse(data + at, 2);
        at += 4;
      } else if (c == 'w') {
        reverse(data + at, 4);
        at += 4;
      } else if (c == 'd') {
        reverse(data + at, 8);
        at += 8;
      } else if (c == 's') {
        std::size_t j = i + 1;
        std::uint32_t k = 0;
        while (j < layout.size() && layout[j] >= '0' && layout[j] <= '9') k = k * 10 + (layout[j++] - '0');
        at += k;
        i = j - 1;
      }
    }
    pos += 12 + size;
  }
  return be;
}

void setUpChunkLayer() {
  ASSERT_TRUE(chunkBufferInit(chunkCapacity));
  fileSetChunkTypeCallback(chunkHeaderCheck);
  swapReset();
  diagReset();
  msgBoxCaptureBegin(msgAnswerOk);
}

void tearDownChunkLayer() {
  msgBoxCaptureEnd();
  diagReset();
  swapReset();
  fileSetChunkTypeCallback(nullptr);
  chunkBufferFree();
}

}  // namespace chunktest
