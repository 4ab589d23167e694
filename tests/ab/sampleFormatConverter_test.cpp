// The sample-format converters: value rules, layouts, the selection table (pairs that convert nothing)
// and frame counts of 0, in one table of cases. Each case converts into a destination pre-filled with
// 0xAA bytes, so bytes a kernel must not write stay visible.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ABSampleFormatConverter.h"

namespace {

typedef std::vector<uint8_t> Bytes;

template <class T>
Bytes raw(std::initializer_list<T> values) {
  Bytes b;
  for (T v : values) {
    uint8_t x[sizeof(T)];
    std::memcpy(x, &v, sizeof(T));
    b.insert(b.end(), x, x + sizeof(T));
  }
  return b;
}
Bytes i8(std::initializer_list<int8_t> v) { return raw(v); }
Bytes i16(std::initializer_list<int16_t> v) { return raw(v); }
Bytes i32(std::initializer_list<int32_t> v) { return raw(v); }
Bytes f32(std::initializer_list<float> v) { return raw(v); }
Bytes f64(std::initializer_list<double> v) { return raw(v); }
Bytes i24(std::initializer_list<int32_t> values)  // packed 3 bytes, least significant first
{
  Bytes b;
  for (int32_t v : values)
    for (int k = 0; k < 3; ++k) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k)));
  return b;
}
Bytes reversed(Bytes b, size_t size)  // each sample's bytes swapped: the big-endian form
{
  for (size_t i = 0; i + size <= b.size(); i += size)
    for (size_t k = 0; k < size / 2; ++k) std::swap(b[i + k], b[i + size - 1 - k]);
  return b;
}
Bytes poison(size_t n) { return Bytes(n, 0xAA); }
Bytes withPoison(Bytes b, size_t before, size_t after) {
  b.insert(b.begin(), before, 0xAA);
  b.insert(b.end(), after, 0xAA);
  return b;
}

const SampleFormat MONO16{1, false, false, 16, false}, MONO24{1, false, false, 24, false},
    MONO32{1, false, false, 32, false}, MONO8{1, false, false, 8, false}, MONOF{1, false, true, 32, false},
    INTER16{2, true, false, 16, false}, SEP16{2, false, false, 16, false}, INTER24{2, true, false, 24, false},
    SEP24{2, false, false, 24, false}, INTERF{2, true, true, 32, false}, SEPF{2, false, true, 32, false},
    INTER32{2, true, false, 32, false}, MONO16BE{1, false, false, 16, true}, MONO24BE{1, false, false, 24, true},
    MONO32BE{1, false, false, 32, true}, MONOFBE{1, false, true, 32, true}, MONOD{1, false, true, 64, false},
    MONODBE{1, false, true, 64, true}, MONO12{1, false, false, 12, false}, INTER8{2, true, false, 8, false};

struct Case {
  const char* what;
  SampleFormat src, dst;
  std::vector<Bytes> in;  // one buffer, or two for separate stereo
  int srcOffset, dstOffset, frames;
  std::vector<Bytes> expected;  // each destination buffer in full, 0xAA where nothing is written
  bool converts;
};

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

std::vector<Case> cases() {
  return {
      // Value rules, mono to mono.
      {"16 to float",
       MONO16,
       MONOF,
       {i16({-32768, 16384, 0, 32767})},
       0,
       0,
       4,
       {f32({-1.0f, 0.5f, 0.0f, 32767.0f / 32768.0f})},
       true},
      {"float to 16 truncates and saturates",
       MONOF,
       MONO16,
       {f32({1.0f, -1.0f, 0.5f, -0.5f, 2.0f, -2.0f, kNan, kInf})},
       0,
       0,
       8,
       {i16({32767, -32767, 16383, -16383, 32767, -32768, 0, 32767})},
       true},
      {"float to 24: scale 2^31-256, saturating",
       MONOF,
       MONO24,
       {f32({1.0f, -1.0f, 4.0f, -4.0f, kNan})},
       0,
       0,
       5,
       {i24({8388607, -8388607, 8388607, -8388608, 0})},
       true},
      {"float to 32 integer saturates",
       MONOF,
       MONO32,
       {f32({1.0f, -1.0f, 3.0f, -3.0f, 0.5f})},
       0,
       0,
       5,
       {i32({2147483392, -2147483392, 2147483647, -2147483647 - 1, 1073741696})},
       true},
      {"24 to float: upper three bytes",
       MONO24,
       MONOF,
       {i24({-8388608, 4194304, 1})},
       0,
       0,
       3,
       {f32({-1.0f, 0.5f, 256.0f / 2147483648.0f})},
       true},
      {"32 integer to float", MONO32, MONOF, {i32({-2147483647 - 1, 1073741824})}, 0, 0, 2, {f32({-1.0f, 0.5f})}, true},
      {"8 to 16 shifts left", MONO8, MONO16, {i8({-128, 1, 127})}, 0, 0, 3, {i16({-32768, 256, 32512})}, true},
      {"8 to float", MONO8, MONOF, {i8({-128, 64})}, 0, 0, 2, {f32({-1.0f, 0.5f})}, true},
      {"24 to 16 keeps the upper two bytes", MONO24, MONO16, {i24({0x123456, -1})}, 0, 0, 2, {i16({0x1234, -1})}, true},
      {"24 to 24 copies", MONO24, MONO24, {i24({0x123456, -5})}, 0, 0, 2, {i24({0x123456, -5})}, true},
      {"float to float copies", MONOF, MONOF, {f32({0.25f, -7.0f})}, 0, 0, 2, {f32({0.25f, -7.0f})}, true},
      // Layouts.
      {"stereo 16 (-3, 0) to mono halves toward zero",
       SEP16,
       MONO16,
       {i16({-3}), i16({0})},
       0,
       0,
       1,
       {i16({-1})},
       true},
      {"24 interleaved to mono 16 halves each channel",
       INTER24,
       MONO16,
       {i24({0x000100, 0x000100})},
       0,
       0,
       1,
       {i16({0})},
       true},
      {"float stereo to mono averages", SEPF, MONOF, {f32({0.5f}), f32({0.25f})}, 0, 0, 1, {f32({0.375f})}, true},
      {"float separate to mono 24 averages in float",
       SEPF,
       MONO24,
       {f32({1.0f}), f32({0.0f})},
       0,
       0,
       1,
       {i24({4194303})},
       true},
      {"float interleaved to mono 16 adds converted values",
       INTERF,
       MONO16,
       {f32({1.0f, 0.0f})},
       0,
       0,
       1,
       {i16({16383})},
       true},
      {"mono 16 to interleaved writes both", MONO16, INTER16, {i16({5, -6})}, 0, 0, 2, {i16({5, 5, -6, -6})}, true},
      {"mono float to separate 24", MONOF, SEP24, {f32({1.0f})}, 0, 0, 1, {i24({8388607}), i24({8388607})}, true},
      {"interleaved float to separate",
       INTERF,
       SEPF,
       {f32({1.0f, 2.0f, 3.0f, 4.0f})},
       0,
       0,
       2,
       {f32({1.0f, 3.0f}), f32({2.0f, 4.0f})},
       true},
      {"separate 16 to interleaved", SEP16, INTER16, {i16({1, 3}), i16({2, 4})}, 0, 0, 2, {i16({1, 2, 3, 4})}, true},
      {"interleaved 8 to separate float", INTER8, SEPF, {i8({-128, 64})}, 0, 0, 1, {f32({-1.0f}), f32({0.5f})}, true},
      {"offsets in frames on both sides",
       INTER16,
       INTER16,
       {i16({1, 2, 3, 4, 5, 6})},
       1,
       2,
       2,
       {withPoison(i16({3, 4, 5, 6}), 8, 0)},
       true},
      // Frame counts of 0 write nothing.
      {"0 frames", MONOF, MONO16, {f32({1.0f})}, 0, 0, 0, {poison(2)}, true},
      {"0 frames, copy", SEPF, SEPF, {f32({1.0f}), f32({1.0f})}, 0, 0, 0, {poison(4), poison(4)}, true},
      // Pairs outside the selection table convert nothing.
      {"24 to interleaved float", MONO24, INTERF, {i24({1})}, 0, 0, 1, {poison(8)}, false},
      {"8 to 32 integer", MONO8, MONO32, {i8({1})}, 0, 0, 1, {poison(4)}, false},
      {"24 interleaved to 24 separate", INTER24, SEP24, {i24({1, 2})}, 0, 0, 1, {poison(3), poison(3)}, false},
      {"float interleaved to 24", INTERF, MONO24, {f32({1.0f, 1.0f})}, 0, 0, 1, {poison(3)}, false},
      {"32 integer interleaved to float", INTER32, INTERF, {i32({1, 2})}, 0, 0, 1, {poison(8)}, false},
      {"12-bit source", MONO12, MONOF, {i16({1})}, 0, 0, 1, {poison(4)}, false},
      {"float to 8-bit", MONOF, MONO8, {f32({1.0f})}, 0, 0, 1, {poison(1)}, false},
      {"big-endian stereo", INTER16, {2, true, false, 16, true}, {i16({1, 2})}, 0, 0, 1, {poison(4)}, false},
      {"64-bit float to 16", MONOD, MONO16, {f64({1.0})}, 0, 0, 1, {poison(2)}, false},
      // Driver-side formats: big-endian and 64-bit float, to and from mono float.
      {"16 big-endian to float",
       MONO16BE,
       MONOF,
       {reversed(i16({-32768, 16384}), 2)},
       0,
       0,
       2,
       {f32({-1.0f, 0.5f})},
       true},
      {"float to 16 big-endian",
       MONOF,
       MONO16BE,
       {f32({1.0f, -2.0f})},
       0,
       0,
       2,
       {reversed(i16({32767, -32768}), 2)},
       true},
      {"24 big-endian to float", MONO24BE, MONOF, {reversed(i24({-8388608}), 3)}, 0, 0, 1, {f32({-1.0f})}, true},
      {"float to 24 big-endian", MONOF, MONO24BE, {f32({1.0f})}, 0, 0, 1, {reversed(i24({8388607}), 3)}, true},
      {"32 big-endian to float", MONO32BE, MONOF, {reversed(i32({1073741824}), 4)}, 0, 0, 1, {f32({0.5f})}, true},
      {"float to 32 big-endian", MONOF, MONO32BE, {f32({1.0f})}, 0, 0, 1, {reversed(i32({2147483392}), 4)}, true},
      {"float big-endian to float", MONOFBE, MONOF, {reversed(f32({0.75f}), 4)}, 0, 0, 1, {f32({0.75f})}, true},
      {"float to float big-endian", MONOF, MONOFBE, {f32({-0.75f})}, 0, 0, 1, {reversed(f32({-0.75f}), 4)}, true},
      {"64-bit float to float", MONOD, MONOF, {f64({0.125, -1.0})}, 0, 0, 2, {f32({0.125f, -1.0f})}, true},
      {"float to 64-bit float big-endian", MONOF, MONODBE, {f32({0.5f})}, 0, 0, 1, {reversed(f64({0.5}), 8)}, true},
      {"64-bit big-endian to float", MONODBE, MONOF, {reversed(f64({-0.5}), 8)}, 0, 0, 1, {f32({-0.5f})}, true},
  };
}

std::string hex(const Bytes& b) {
  std::string s;
  char t[4];
  for (uint8_t x : b) {
    std::snprintf(t, sizeof t, "%02x ", x);
    s += t;
  }
  return s;
}

}  // namespace

TEST(SampleFormatConverter, TableOfRulesLayoutsAndSelection) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.what);
    SampleFormatConverter conv(c.src, c.dst);
    EXPECT_EQ(conv.converts(), c.converts);
    std::vector<Bytes> out;
    for (const Bytes& e : c.expected) out.push_back(poison(e.size()));
    const void* src[2] = {c.in[0].data(), c.in.size() > 1 ? c.in[1].data() : nullptr};
    void* dst[2] = {out[0].data(), out.size() > 1 ? out[1].data() : nullptr};
    conv.convert(src, c.srcOffset, dst, c.dstOffset, c.frames);
    for (size_t k = 0; k < out.size(); ++k) EXPECT_EQ(hex(out[k]), hex(c.expected[k])) << "buffer " << k;
  }
}

TEST(SampleFormatConverter, DeviceDescriptionsPickTheKernelBySampleSize) {
  // The eight-value form as the ASIO device builds it: driver sample sizes of 2, 3 and 4 bytes
  // convert, any other size gives the empty kernel.
  for (int bits : {16, 24, 32}) {
    EXPECT_TRUE(SampleFormatConverter(1, false, false, bits, 1, false, true, 32).converts()) << bits;
    EXPECT_TRUE(SampleFormatConverter(1, false, true, 32, 1, false, false, bits).converts()) << bits;
  }
  for (int bits : {0, 8, 64, -8}) {
    EXPECT_FALSE(SampleFormatConverter(1, false, true, 32, 1, false, false, bits).converts()) << bits;
  }
}
