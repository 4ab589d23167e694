// Sample-format conversion: storage formats, value rules, layout loops and the selection of a kernel.
#include "ABSampleFormatConverter.h"

#include <cstring>

namespace {

// ---- Storage. Integers are carried as int32: 8- and 16-bit at their own scale, 24-bit in the upper
// three bytes (low byte 0), 32-bit as they are. Floats are carried as float (64-bit ones as double).

struct I8 {
  typedef int32_t T;
  static const int size = 1;
  static int32_t load(const uint8_t* p) { return static_cast<int8_t>(p[0]); }
  static void store(uint8_t* p, int32_t v) { p[0] = static_cast<uint8_t>(v); }
};

template <bool BE>
struct I16 {
  typedef int32_t T;
  static const int size = 2;
  static int32_t load(const uint8_t* p) {
    return BE ? static_cast<int16_t>((p[0] << 8) | p[1]) : static_cast<int16_t>(p[0] | (p[1] << 8));
  }
  // The low 16 bits of the value.
  static void store(uint8_t* p, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    p[BE ? 1 : 0] = static_cast<uint8_t>(u);
    p[BE ? 0 : 1] = static_cast<uint8_t>(u >> 8);
  }
};

template <bool BE>
struct I24 {
  typedef int32_t T;
  static const int size = 3;
  static int32_t load(const uint8_t* p) {
    uint32_t u = BE ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8)
                    : (uint32_t(p[2]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[0]) << 8);
    return static_cast<int32_t>(u);
  }
  // The upper three bytes of the value.
  static void store(uint8_t* p, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    p[BE ? 2 : 0] = static_cast<uint8_t>(u >> 8);
    p[1] = static_cast<uint8_t>(u >> 16);
    p[BE ? 0 : 2] = static_cast<uint8_t>(u >> 24);
  }
};

template <bool BE>
struct I32 {
  typedef int32_t T;
  static const int size = 4;
  static int32_t load(const uint8_t* p) {
    uint32_t u;
    std::memcpy(&u, p, 4);
    if (BE) u = __builtin_bswap32(u);
    return static_cast<int32_t>(u);
  }
  static void store(uint8_t* p, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    if (BE) u = __builtin_bswap32(u);
    std::memcpy(p, &u, 4);
  }
};

template <bool BE>
struct F32 {
  typedef float T;
  static const int size = 4;
  static float load(const uint8_t* p) {
    uint32_t u;
    std::memcpy(&u, p, 4);
    if (BE) u = __builtin_bswap32(u);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  }
  static void store(uint8_t* p, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    if (BE) u = __builtin_bswap32(u);
    std::memcpy(p, &u, 4);
  }
};

template <bool BE>
struct F64 {
  typedef double T;
  static const int size = 8;
  static double load(const uint8_t* p) {
    uint64_t u;
    std::memcpy(&u, p, 8);
    if (BE) u = __builtin_bswap64(u);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
  }
  static void store(uint8_t* p, double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    if (BE) u = __builtin_bswap64(u);
    std::memcpy(p, &u, 8);
  }
};

// ---- Value rules: one(sample) for one channel, mix(left, right) for stereo to mono.

// Float to a 32-bit integer of the given scale, saturated; NaN gives 0.
inline int32_t saturate(double v) {
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  if (v != v) return 0;
  return static_cast<int32_t>(v);
}

template <int SHIFT>
struct IntToFloat {  // value × 2^-SHIFT
  static float one(int32_t v) { return static_cast<float>(v) * (1.0f / static_cast<float>(1u << SHIFT)); }
  static float mix(int32_t a, int32_t b) { return (one(a) + one(b)) * 0.5f; }
};
typedef IntToFloat<7> I8ToFloat;
typedef IntToFloat<15> I16ToFloat;
typedef IntToFloat<31> I32ToFloat;  // also 24-bit, carried in the upper three bytes

struct FloatToI16 {  // × 32767, truncated toward zero, saturated
  static int32_t one(float f) { return pcm16FromFloat(f); }
  static int32_t mix(float a, float b) { return (one(a) + one(b)) / 2; }
};

struct FloatToI32 {  // × (2^31 − 256), truncated toward zero, saturated; 24-bit keeps the upper bytes
  static int32_t one(float f) { return saturate(static_cast<double>(f) * 2147483392.0); }
  static int32_t mix(float a, float b) { return one((a + b) * 0.5f); }
};

struct FloatToFloat {
  static float one(float f) { return f; }
  static float mix(float a, float b) { return (a + b) * 0.5f; }
};

struct DoubleToFloat {
  static float one(double d) { return static_cast<float>(d); }
  static float mix(double a, double b) { return static_cast<float>((a + b) * 0.5); }
};

struct FloatToDouble {
  static double one(float f) { return f; }
  static double mix(float a, float b) { return (static_cast<double>(a) + b) * 0.5; }
};

struct I8ToI16 {
  static int32_t one(int32_t v) { return v * 256; }
  static int32_t mix(int32_t a, int32_t b) { return (one(a) + one(b)) / 2; }
};

struct IntCopy {  // 16 → 16, 24 → 24
  static int32_t one(int32_t v) { return v; }
  static int32_t mix(int32_t a, int32_t b) { return static_cast<int32_t>((static_cast<int64_t>(a) + b) / 2); }
};

struct I24ToI16 {  // the upper two bytes; stereo halves each before adding
  static int32_t one(int32_t v) { return v >> 16; }
  static int32_t mix(int32_t a, int32_t b) { return one(a) / 2 + one(b) / 2; }
};

// ---- Layouts and the kernel loop.

enum Layout { MONO = 0, INTERLEAVED = 1, SEPARATE = 2 };

template <class SF, class DF, class C, int SL, int DL>
void kernel(const void* const* src, int srcOffset, void* const* dst, int dstOffset, int frames) {
  if (frames <= 0) return;
  const int ss = SF::size, ds = DF::size;
  const int sStride = SL == INTERLEAVED ? 2 * ss : ss;
  const int dStride = DL == INTERLEAVED ? 2 * ds : ds;
  const uint8_t* sl = static_cast<const uint8_t*>(src[0]) + static_cast<ptrdiff_t>(srcOffset) * sStride;
  const uint8_t* sr = SL == INTERLEAVED ? sl + ss
                      : SL == SEPARATE  ? static_cast<const uint8_t*>(src[1]) + static_cast<ptrdiff_t>(srcOffset) * ss
                                        : sl;
  uint8_t* dl = static_cast<uint8_t*>(dst[0]) + static_cast<ptrdiff_t>(dstOffset) * dStride;
  uint8_t* dr = DL == INTERLEAVED ? dl + ds
                : DL == SEPARATE  ? static_cast<uint8_t*>(dst[1]) + static_cast<ptrdiff_t>(dstOffset) * ds
                                  : dl;
  for (int f = 0; f < frames; ++f) {
    if (SL == MONO) {
      auto v = C::one(SF::load(sl));
      DF::store(dl, v);
      if (DL != MONO) DF::store(dr, v);
    } else if (DL == MONO) {
      DF::store(dl, C::mix(SF::load(sl), SF::load(sr)));
    } else {
      DF::store(dl, C::one(SF::load(sl)));
      DF::store(dr, C::one(SF::load(sr)));
    }
    sl += sStride;
    sr += sStride;
    dl += dStride;
    dr += dStride;
  }
}

// Same format and layout: whole-buffer moves.
template <int SIZE, int L>
void copyKernel(const void* const* src, int srcOffset, void* const* dst, int dstOffset, int frames) {
  if (frames <= 0) return;
  const size_t frameBytes = L == INTERLEAVED ? 2 * SIZE : SIZE;
  const int buffers = L == SEPARATE ? 2 : 1;
  for (int b = 0; b < buffers; ++b)
    std::memcpy(static_cast<uint8_t*>(dst[b]) + dstOffset * frameBytes,
                static_cast<const uint8_t*>(src[b]) + srcOffset * frameBytes, frames * frameBytes);
}

void nothing(const void* const*, int, void* const*, int, int) {}

typedef SampleFormatConverter::Kernel Kernel;

// The nine layout pairs of one format pair, indexed [source layout][destination layout].
template <class SF, class DF, class C>
struct Nine {
  static Kernel get(int sl, int dl) {
    static const Kernel table[3][3] = {
        {kernel<SF, DF, C, 0, 0>, kernel<SF, DF, C, 0, 1>, kernel<SF, DF, C, 0, 2>},
        {kernel<SF, DF, C, 1, 0>, kernel<SF, DF, C, 1, 1>, kernel<SF, DF, C, 1, 2>},
        {kernel<SF, DF, C, 2, 0>, kernel<SF, DF, C, 2, 1>, kernel<SF, DF, C, 2, 2>},
    };
    return table[sl][dl];
  }
};

// The nine pairs of a format with itself: the same layout is a plain copy.
template <class F, class C>
Kernel sameFormat(int sl, int dl) {
  if (sl == dl) {
    static const Kernel copies[3] = {copyKernel<F::size, 0>, copyKernel<F::size, 1>, copyKernel<F::size, 2>};
    return copies[sl];
  }
  return Nine<F, F, C>::get(sl, dl);
}

int layoutOf(const SampleFormat& s) { return s.channels == 1 ? MONO : s.interleaved ? INTERLEAVED : SEPARATE; }

// Mono driver-side formats (either byte order, up to 64-bit float) to and from mono 32-bit float.
template <bool BE>
Kernel toFloat(const SampleFormat& s) {
  if (s.bits == 16) return kernel<I16<BE>, F32<false>, I16ToFloat, 0, 0>;
  if (s.bits == 24) return kernel<I24<BE>, F32<false>, I32ToFloat, 0, 0>;
  if (s.bits == 32 && !s.isFloat) return kernel<I32<BE>, F32<false>, I32ToFloat, 0, 0>;
  if (s.bits == 32) return kernel<F32<BE>, F32<false>, FloatToFloat, 0, 0>;
  if (s.bits == 64 && s.isFloat) return kernel<F64<BE>, F32<false>, DoubleToFloat, 0, 0>;
  return nothing;
}

template <bool BE>
Kernel fromFloat(const SampleFormat& d) {
  if (d.bits == 16) return kernel<F32<false>, I16<BE>, FloatToI16, 0, 0>;
  if (d.bits == 24) return kernel<F32<false>, I24<BE>, FloatToI32, 0, 0>;
  if (d.bits == 32 && !d.isFloat) return kernel<F32<false>, I32<BE>, FloatToI32, 0, 0>;
  if (d.bits == 32) return kernel<F32<false>, F32<BE>, FloatToFloat, 0, 0>;
  if (d.bits == 64 && d.isFloat) return kernel<F32<false>, F64<BE>, FloatToDouble, 0, 0>;
  return nothing;
}

bool isHostFloat(const SampleFormat& s) { return s.channels == 1 && s.isFloat && s.bits == 32 && !s.bigEndian; }

// Big-endian or 64-bit sides: mono only, with mono little-endian 32-bit float on the other side.
Kernel selectDriverSide(const SampleFormat& src, const SampleFormat& dst) {
  if (src.channels != 1 || dst.channels != 1) return nothing;
  if (isHostFloat(dst)) return src.bigEndian ? toFloat<true>(src) : toFloat<false>(src);
  if (isHostFloat(src)) return dst.bigEndian ? fromFloat<true>(dst) : fromFloat<false>(dst);
  return nothing;
}

// Little-endian sides of 8 to 32 bits.
Kernel selectStandard(const SampleFormat& src, const SampleFormat& dst) {
  const int sl = layoutOf(src), dl = layoutOf(dst);
  const bool monoToMono = sl == MONO && dl == MONO;
  switch (src.bits) {
    case 8:
      if (dst.bits == 16) return Nine<I8, I16<false>, I8ToI16>::get(sl, dl);
      if (dst.bits == 32 && dst.isFloat) return Nine<I8, F32<false>, I8ToFloat>::get(sl, dl);
      return nothing;
    case 16:
      if (dst.bits == 16) return sameFormat<I16<false>, IntCopy>(sl, dl);
      if (dst.bits == 32) return Nine<I16<false>, F32<false>, I16ToFloat>::get(sl, dl);
      return nothing;
    case 24:
      if (dst.bits == 16) return Nine<I24<false>, I16<false>, I24ToI16>::get(sl, dl);
      if (dst.bits == 24) return sl == dl ? sameFormat<I24<false>, IntCopy>(sl, dl) : nothing;
      if (dst.bits == 32 && dl != INTERLEAVED) return Nine<I24<false>, F32<false>, I32ToFloat>::get(sl, dl);
      return nothing;
    case 32:
      if (!src.isFloat)
        return dst.bits == 32 && monoToMono ? kernel<I32<false>, F32<false>, I32ToFloat, 0, 0> : nothing;
      if (dst.bits == 32 && dst.isFloat) return sameFormat<F32<false>, FloatToFloat>(sl, dl);
      if (dst.bits == 32) return monoToMono ? kernel<F32<false>, I32<false>, FloatToI32, 0, 0> : nothing;
      if (dst.bits == 16) return Nine<F32<false>, I16<false>, FloatToI16>::get(sl, dl);
      if (dst.bits == 24) {
        if ((sl == MONO && (dl == MONO || dl == SEPARATE)) || (sl == SEPARATE && dl == MONO))
          return Nine<F32<false>, I24<false>, FloatToI32>::get(sl, dl);
      }
      return nothing;
    default: return nothing;
  }
}

}  // namespace

SampleFormatConverter::Kernel SampleFormatConverter::emptyKernel() { return nothing; }

SampleFormatConverter::Kernel SampleFormatConverter::select(const SampleFormat& src, const SampleFormat& dst) {
  if (src.bigEndian || dst.bigEndian || src.bits == 64 || dst.bits == 64) return selectDriverSide(src, dst);
  return selectStandard(src, dst);
}

SampleFormatConverter::SampleFormatConverter(int srcChannels, bool srcInterleaved, bool srcFloat, int srcBits,
                                             int dstChannels, bool dstInterleaved, bool dstFloat, int dstBits)
    : SampleFormatConverter(SampleFormat{srcChannels, srcInterleaved, srcFloat, srcBits, false},
                            SampleFormat{dstChannels, dstInterleaved, dstFloat, dstBits, false}) {}

SampleFormatConverter::SampleFormatConverter(const SampleFormat& src, const SampleFormat& dst)
    : kernel_(select(src, dst)) {
  converts_ = kernel_ != nothing;
}

void SampleFormatConverter::convert(const void* const* src, int srcOffset, void* const* dst, int dstOffset,
                                    int frames) {
  if (frames <= 0 || !src || !dst) return;
  kernel_(src, srcOffset, dst, dstOffset, frames);
}
