// The pixel kernels of Picture: the fill (store, or blend with weights 256 - a and a, alpha byte 0)
// and the copy (rows unchanged, or, out of a has-alpha source, a per-pixel blend with weights
// 255 - a and a). The portable routines define the results; the SSE2 routines give the same words
// four pixels at a time. Areas arrive already clipped to both pictures.
#include "UIAPicture.h"

#include <emmintrin.h>

#include <cstring>

namespace {

// One channel pair packed as 0x00RR00BB and the green channel as 0x0000GG00: each channel's sum of
// two products stays below 2^16 (at most 255 x 256), so no channel carries into its neighbour.
inline uint32_t blendFill(uint32_t d, uint32_t inv, uint32_t rbc, uint32_t gc) {
  const uint32_t rb = (((d & 0xFF00FFu) * inv + rbc) >> 8) & 0xFF00FFu;
  const uint32_t g = (((d & 0xFF00u) * inv + gc) >> 8) & 0xFF00u;
  return rb | g;
}

inline uint32_t blendCopy(uint32_t s, uint32_t d) {
  const uint32_t a = s >> 24;
  if (a == 255) return s;
  if (a == 0) return d;
  const uint32_t inv = 255 - a;
  const uint32_t rb = (((s & 0xFF00FFu) * a + (d & 0xFF00FFu) * inv) >> 8) & 0xFF00FFu;
  const uint32_t g = (((s & 0xFF00u) * a + (d & 0xFF00u) * inv) >> 8) & 0xFF00u;
  return rb | g;
}

// Rows of the area as runs: one run when the rows follow each other without a gap.
struct Runs {
  uint32_t* first;
  size_t length;  // pixels per run
  int32_t count;  // runs
  size_t stride;
};

Runs runsOf(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h) {
  Runs r;
  r.first = pixels + size_t(y) * stride + size_t(x);
  r.stride = stride;
  if (h == 1 || size_t(w) == stride) {
    r.length = size_t(w) * size_t(h);
    r.count = 1;
  } else {
    r.length = size_t(w);
    r.count = h;
  }
  return r;
}

void fillPortable(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  const uint32_t a = colour >> 24;
  if (a == 0 || w <= 0 || h <= 0) return;
  const Runs runs = runsOf(pixels, stride, x, y, w, h);
  uint32_t* row = runs.first;
  if (a == 255) {
    for (int32_t r = 0; r < runs.count; ++r, row += runs.stride)
      for (size_t i = 0; i < runs.length; ++i) row[i] = colour;
    return;
  }
  const uint32_t inv = 256 - a;
  const uint32_t rbc = (colour & 0xFF00FFu) * a;
  const uint32_t gc = (colour & 0xFF00u) * a;
  for (int32_t r = 0; r < runs.count; ++r, row += runs.stride)
    for (size_t i = 0; i < runs.length; ++i) row[i] = blendFill(row[i], inv, rbc, gc);
}

void fillSse2(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  const uint32_t a = colour >> 24;
  if (a == 0 || w <= 0 || h <= 0) return;
  const Runs runs = runsOf(pixels, stride, x, y, w, h);
  uint32_t* row = runs.first;
  if (a == 255) {
    const __m128i c = _mm_set1_epi32(int(colour));
    for (int32_t r = 0; r < runs.count; ++r, row += runs.stride) {
      size_t i = 0;
      for (; i + 8 <= runs.length; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i + 4), c);
      }
      for (; i < runs.length; ++i) row[i] = colour;
    }
    return;
  }
  const uint32_t inv = 256 - a;
  const uint32_t rbc = (colour & 0xFF00FFu) * a;
  const uint32_t gc = (colour & 0xFF00u) * a;
  const __m128i zero = _mm_setzero_si128();
  const __m128i invV = _mm_set1_epi16(short(inv));
  // colour x alpha per 16-bit channel lane (the alpha lane's product is masked off at the end)
  const __m128i cw = _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(int(colour)), zero), _mm_set1_epi16(short(a)));
  const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
  for (int32_t r = 0; r < runs.count; ++r, row += runs.stride) {
    size_t i = 0;
    for (; i + 4 <= runs.length; i += 4) {
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
      __m128i lo = _mm_unpacklo_epi8(d, zero);
      __m128i hi = _mm_unpackhi_epi8(d, zero);
      lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, invV), cw), 8);
      hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(hi, invV), cw), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_and_si128(_mm_packus_epi16(lo, hi), rgbMask));
    }
    for (; i < runs.length; ++i) row[i] = blendFill(row[i], inv, rbc, gc);
  }
}

// Whether the destination area overlaps a source area of the same buffer that lies before it, so
// that rows (and pixels of one row) must be walked from the end.
bool walkBackwards(const uint32_t* dst, const uint32_t* src, size_t stride, int32_t w, int32_t h) {
  if (dst <= src) return false;
  const uint32_t* srcEnd = src + size_t(h - 1) * stride + size_t(w);
  return dst < srcEnd;
}

void copyPortable(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h, const Picture& source,
                  int32_t sx, int32_t sy) {
  if (w <= 0 || h <= 0) return;
  const size_t sstride = source.width();
  uint32_t* dst = pixels + size_t(y) * stride + size_t(x);
  const uint32_t* src = source.pixels() + size_t(sy) * sstride + size_t(sx);
  const bool backwards = source.pixels() == pixels && walkBackwards(dst, src, stride, w, h);
  for (int32_t r = 0; r < h; ++r) {
    const int32_t row = backwards ? h - 1 - r : r;
    uint32_t* d = dst + size_t(row) * stride;
    const uint32_t* s = src + size_t(row) * sstride;
    if (!source.hasAlpha()) {
      std::memmove(d, s, size_t(w) * 4);
    } else if (backwards) {
      for (int32_t i = w - 1; i >= 0; --i) d[i] = blendCopy(s[i], d[i]);
    } else {
      for (int32_t i = 0; i < w; ++i) d[i] = blendCopy(s[i], d[i]);
    }
  }
}

void copySse2(uint32_t* pixels, size_t stride, int32_t x, int32_t y, int32_t w, int32_t h, const Picture& source,
              int32_t sx, int32_t sy) {
  if (w <= 0 || h <= 0) return;
  if (!source.hasAlpha() || source.pixels() == pixels) {
    copyPortable(pixels, stride, x, y, w, h, source, sx, sy);
    return;
  }
  const size_t sstride = source.width();
  const __m128i zero = _mm_setzero_si128();
  const __m128i all255 = _mm_set1_epi16(255);
  const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
  const __m128i opaque = _mm_set1_epi32(255);
  for (int32_t r = 0; r < h; ++r) {
    uint32_t* d = pixels + (size_t(y) + size_t(r)) * stride + size_t(x);
    const uint32_t* s = source.pixels() + (size_t(sy) + size_t(r)) * sstride + size_t(sx);
    int32_t i = 0;
    for (; i + 4 <= w; i += 4) {
      const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i alpha = _mm_srli_epi32(sv, 24);
      const __m128i isOpaque = _mm_cmpeq_epi32(alpha, opaque);
      const __m128i isClear = _mm_cmpeq_epi32(alpha, zero);
      const int opaqueBits = _mm_movemask_epi8(isOpaque);
      if (opaqueBits == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), sv);
        continue;
      }
      if (_mm_movemask_epi8(isClear) == 0xFFFF) continue;
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      __m128i slo = _mm_unpacklo_epi8(sv, zero);
      __m128i shi = _mm_unpackhi_epi8(sv, zero);
      const __m128i alo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(slo, 0xFF), 0xFF);
      const __m128i ahi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(shi, 0xFF), 0xFF);
      __m128i lo = _mm_add_epi16(_mm_mullo_epi16(slo, alo),
                                 _mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), _mm_sub_epi16(all255, alo)));
      __m128i hi = _mm_add_epi16(_mm_mullo_epi16(shi, ahi),
                                 _mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), _mm_sub_epi16(all255, ahi)));
      lo = _mm_srli_epi16(lo, 8);
      hi = _mm_srli_epi16(hi, 8);
      __m128i out = _mm_and_si128(_mm_packus_epi16(lo, hi), rgbMask);
      out = _mm_or_si128(_mm_and_si128(isOpaque, sv), _mm_andnot_si128(isOpaque, out));
      out = _mm_or_si128(_mm_and_si128(isClear, dv), _mm_andnot_si128(isClear, out));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), out);
    }
    for (; i < w; ++i) d[i] = blendCopy(s[i], d[i]);
  }
}

}  // namespace

// Variant 1 (the MMX-only processors) uses the portable routines: the program is built for SSE2.
PictureFillRoutine uiaPictureFillRoutine(int variant) { return variant >= 2 ? fillSse2 : fillPortable; }

PictureCopyRoutine uiaPictureCopyRoutine(int variant) { return variant >= 2 ? copySse2 : copyPortable; }

int uiaPictureVariantFor(uint32_t featureBits) {
  if ((featureBits & 0xBu) == 0xBu) return 3;
  if ((featureBits & 0x3u) == 0x3u) return 2;
  if (featureBits & 0x1u) return 1;
  return 0;
}
