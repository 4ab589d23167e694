// Picture::readTga: uncompressed true-colour TGA images of 16, 24 or 32 bits per pixel. The header is
// checked against the stream before the picture is touched, and the pixel data is read in pieces no
// larger than what the stream delivers, so a damaged file can neither make the picture allocate for
// data that is not there nor read past its end.
#include "UIAPicture.h"

#include "GPBinaryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {

constexpr uint8_t kTypeTrueColour = 2;        // uncompressed, no colour map
constexpr uint8_t kDescriptorTopLeft = 0x20;  // rows stored top first
constexpr size_t kReadPiece = size_t(1) << 20;

bool streamFailed(const BinaryStream& in) {
  const Stream* s = in.stream();
  return !s || s->state() == kStreamFailed || s->state() == kStreamClosed;
}

// Bytes between the stream's position and its end, or -1 when the stream cannot say.
int64_t bytesAhead(Stream& s) {
  const int32_t here = s.tell();
  if (here < 0) return -1;
  s.seek(0, kSeekEnd);
  const int32_t end = s.tell();
  s.seek(here, kSeekStart);
  if (s.tell() != here || s.state() == kStreamFailed) return -1;
  return end >= here ? int64_t(end) - here : -1;
}

// Reads exactly `count` bytes, growing the buffer only as data arrives.
bool readExactly(BinaryStream& in, std::vector<uint8_t>& data, uint64_t count) {
  try {
    data.clear();
    while (data.size() < count) {
      const size_t piece = size_t(std::min<uint64_t>(kReadPiece, count - data.size()));
      const size_t at = data.size();
      data.resize(at + piece);
      if (in.readBytes(data.data() + at, int32_t(piece)) != int32_t(piece)) return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

bool Picture::readTga(BinaryStream& in, bool detectAlpha) {
  Stream* stream = in.stream();
  if (!stream) return false;
  const uint8_t idLength = in.readU8();
  const uint8_t colourMapType = in.readU8();
  const uint8_t imageType = in.readU8();
  in.readU16();  // colour map: first index
  in.readU16();  // length
  in.readU8();   // entry size
  in.readU16();  // x origin
  in.readU16();  // y origin
  const uint32_t width = in.readU16();
  const uint32_t height = in.readU16();
  const uint8_t depth = in.readU8();
  const uint8_t descriptor = in.readU8();
  if (streamFailed(in)) return false;
  if (colourMapType != 0 || imageType != kTypeTrueColour) return false;
  if (depth != 16 && depth != 24 && depth != 32) return false;
  if (idLength) {
    uint8_t id[255];
    if (in.readBytes(id, idLength) != idLength) return false;
  }

  const uint32_t bytesPerPixel = depth / 8u;
  const uint64_t count = uint64_t(width) * height;
  const uint64_t bytes = count * bytesPerPixel;
  if (bytes > uint64_t(std::numeric_limits<int32_t>::max())) return false;  // more than a stream holds
  const int64_t ahead = bytesAhead(*stream);
  if (ahead >= 0 && uint64_t(ahead) < bytes) return false;

  std::vector<uint8_t> data;
  if (!readExactly(in, data, bytes)) return false;
  if (!setSize(width, height, false)) return false;
  if (detectAlpha) setHasAlpha(false);

  const bool swap = in.byteOrder() != 1;
  const uint8_t* p = data.data();
  uint32_t* out = pixels();
  if (depth == 16) {
    bool clear = false;
    for (uint64_t i = 0; i < count; ++i, p += 2) {
      uint16_t v = uint16_t(p[0] | (p[1] << 8));
      if (swap) v = uint16_t((v >> 8) | (v << 8));
      if (v == 0) {
        out[i] = 0;
        clear = true;
      } else {
        out[i] =
            0xFF000000u | ((uint32_t(v) & 0x7C00u) << 9) | ((uint32_t(v) & 0x3E0u) << 6) | ((uint32_t(v) & 0x1Fu) << 3);
      }
    }
    if (detectAlpha && clear) setHasAlpha(true);
  } else if (depth == 24) {
    for (uint64_t i = 0; i < count; ++i, p += 3)
      out[i] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
  } else {
    bool translucent = false;
    for (uint64_t i = 0; i < count; ++i, p += 4) {
      uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
      if (swap) v = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
      out[i] = v;
      if ((v >> 24) < 255) translucent = true;
    }
    if (detectAlpha && translucent) setHasAlpha(true);
  }

  if (!(descriptor & kDescriptorTopLeft)) {
    const size_t rowWords = width;
    for (uint32_t i = 0; i < height / 2; ++i)
      std::swap_ranges(out + size_t(i) * rowWords, out + size_t(i + 1) * rowWords,
                       out + size_t(height - 1 - i) * rowWords);
  }
  return true;
}
