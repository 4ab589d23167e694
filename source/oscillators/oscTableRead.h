// Interpolated reading of a 1024-sample wave at a 16.16 fixed-point phase, one sample at a time or
// four consecutive samples at once (SSE2). Both give exactly the same values: the integer part picks
// table[i] and table[(i + 1) mod 1024], bits 8..15 of the phase give the weight w = f / 256, and the
// value is a + (b - a) x w, each step a single-precision operation in the same order.
//
// A phase ramp in 16.16: p advances by inc, inc by step each sample; all in 32-bit wrapping
// arithmetic, the phase kept below 2^26 (the table position uses bits 8..25 only, so the wrapping
// of the four-sample form, reduced the same way, lands on the same positions).
#pragma once
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define OSC_TABLE_READ_SSE2 1
#include <emmintrin.h>
#endif

const std::uint32_t oscPhaseMask = 0x3FFFFFFu;  // phases are kept below 1024 x 65536

inline float oscTableRead(const float* table, std::uint32_t p) {
  const std::uint32_t i = (p >> 16) & 1023u;
  const float a = table[i];
  const float w = static_cast<float>((p >> 8) & 0xFFu) * 0.00390625f;
  return a + (table[(i + 1) & 1023u] - a) * w;
}

// A phase ramp: the phase and increment of the next sample.
struct OscPhaseRamp {
  std::uint32_t p;
  std::uint32_t inc;
  std::uint32_t step;
  std::uint32_t next() {  // the phase of this sample; moves on by one sample
    const std::uint32_t now = p;
    p = (p + inc) & oscPhaseMask;
    inc += step;
    return now;
  }
};

#ifdef OSC_TABLE_READ_SSE2
// Four consecutive samples of a phase ramp: lane m holds sample j + m. Moving on by four samples
// adds 4 x inc + 6 x step to each lane's phase (inc that lane's increment), and that sum itself
// grows by 16 x step: two additions per step, all modulo 2^32 like the plain ramp. The increment
// of lane 0 is needed only at the end (scalar): the first one plus 4 x step per step taken.
struct OscPhaseRamp4 {
  __m128i p;            // phases (not reduced: only bits 8..25 are read)
  __m128i move;         // 4 x inc + 6 x step of each lane: added at the next step
  __m128i move16;       // 16 x step
  std::uint32_t inc0;   // increment of lane 0 at the start
  std::uint32_t steps;  // steps of four samples taken
  explicit OscPhaseRamp4(const OscPhaseRamp& r) {
    const std::uint32_t s = r.step;
    std::uint32_t q[4], m[4];
    std::uint32_t pp = r.p, ii = r.inc;
    for (int k = 0; k < 4; ++k) {
      q[k] = pp;
      m[k] = 4u * ii + 6u * s;
      pp += ii;
      ii += s;
    }
    p = _mm_setr_epi32(static_cast<int>(q[0]), static_cast<int>(q[1]), static_cast<int>(q[2]), static_cast<int>(q[3]));
    move =
        _mm_setr_epi32(static_cast<int>(m[0]), static_cast<int>(m[1]), static_cast<int>(m[2]), static_cast<int>(m[3]));
    move16 = _mm_set1_epi32(static_cast<int>(16u * s));
    inc0 = r.inc;
    steps = 0;
  }
  void advance() {
    p = _mm_add_epi32(p, move);
    move = _mm_add_epi32(move, move16);
    ++steps;
  }
  // The scalar ramp at lane 0 (the next sample after the four-sample steps done).
  OscPhaseRamp scalar(std::uint32_t step) const {
    OscPhaseRamp r;
    r.p = static_cast<std::uint32_t>(_mm_cvtsi128_si32(p)) & oscPhaseMask;
    r.inc = inc0 + 4u * steps * step;
    r.step = step;
    return r;
  }
};

// table[i] and table[(i + 1) mod 1024] for the four indices (each below 1024) of i0.
inline void oscTableGather4(const float* table, __m128i i0, __m128& a, __m128& b) {
  // Indices are below 1024: the low 16 bits of each lane hold them.
  const int a0 = _mm_cvtsi128_si32(i0);
  const int a1 = _mm_extract_epi16(i0, 2);
  const int a2 = _mm_extract_epi16(i0, 4);
  const int a3 = _mm_extract_epi16(i0, 6);
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(i0, _mm_set1_epi32(1023))) == 0) {
    // No lane at the last sample: table[i] and table[i + 1] lie side by side, one 64-bit load each.
    const __m128 q01 = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + a0))),
                                    reinterpret_cast<const __m64*>(table + a1));
    const __m128 q23 = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(table + a2))),
                                    reinterpret_cast<const __m64*>(table + a3));
    a = _mm_shuffle_ps(q01, q23, _MM_SHUFFLE(2, 0, 2, 0));
    b = _mm_shuffle_ps(q01, q23, _MM_SHUFFLE(3, 1, 3, 1));
  } else {
    a = _mm_setr_ps(table[a0], table[a1], table[a2], table[a3]);
    b = _mm_setr_ps(table[(a0 + 1) & 1023], table[(a1 + 1) & 1023], table[(a2 + 1) & 1023], table[(a3 + 1) & 1023]);
  }
}

inline __m128 oscTableRead4(const float* table, __m128i p) {
  const __m128i i0 = _mm_and_si128(_mm_srli_epi32(p, 16), _mm_set1_epi32(1023));
  const __m128 w =
      _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(p, 8), _mm_set1_epi32(0xFF))), _mm_set1_ps(0.00390625f));
  __m128 a, b;
  oscTableGather4(table, i0, a, b);
  return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), w));
}
#endif
