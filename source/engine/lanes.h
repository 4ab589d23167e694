// Lanes: the vector types the sound kernels are written over, and the choice of the widest set the
// processor runs. A kernel is written once as a template over Lanes<T, W>; W = 1 is plain scalar code,
// W x sizeof(T) = 16 bytes the SSE2 vectors, 32 bytes the AVX vectors. Element-wise arithmetic is the
// same on every width (AVX alone has no fused multiply-add), so each lane's results are those of the
// scalar form, bit for bit.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

// The lane sets, narrowest first.
enum LaneSet { laneSetScalar = 0, laneSetSse2 = 1, laneSetAvx = 2 };

// The lane set the kernels use: chosen at engine set-up (lanesChoose), read by the audio thread.
extern int lanesActive;

// Sets lanesActive to the widest set this processor and build run, or to the forced set if one was
// given (lanesForce). Not for the audio thread.
void lanesChoose();
// Forces a lane set for every later lanesChoose (-1: none, the widest again); a set the processor
// cannot run is lowered to the widest it can. Returns the set now active. For tests and benchmarks
// that compare the widths on one machine.
int lanesForce(int set);
// The widest set the processor and this build run.
int lanesWidest();
// "scalar", "sse2" or "avx"; parses the same names (-1 for anything else).
const char* lanesName(int set);
int lanesParse(const char* name);

// The AVX kernels are compiled for every x86 build and only run where lanesWidest says the processor
// has AVX. The Windows builds' compiler does not keep 32-byte values spilled to the stack 32-byte
// aligned; their vector moves are all assembled unaligned (see cmake/Morvane.cmake), so that is safe.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define LANES_AVX 1
#define LANES_TARGET_AVX __attribute__((target("avx")))
#else
#define LANES_AVX 0
#define LANES_TARGET_AVX
#endif

#define LANES_INLINE inline __attribute__((always_inline))

// The helpers below are always inlined, and 32-byte lanes are only used in AVX-compiled kernels: the
// compiler's note that a 32-byte vector returned from code without AVX changes the calling
// convention does not apply to them.
// Nor do the compiler's guesses that a vector read here may be uninitialised: the kernels set every
// lane before reading a vector, which its flow analysis cannot follow lane by lane.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
#ifndef __clang__  // clang (the fuzzing build) has no such warning
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// One bit per lane of a comparison's mask (all bits set where it holds): the movemask instructions for
// the 32-byte AVX vectors and, in the 64-bit builds, two double lanes; lane by lane otherwise (the
// 32-bit build's SSE2 ladder took 60 % longer with the instruction on 16-byte vectors).
// The AVX forms are not forced inline (an AVX routine cannot be forced into the kernel templates,
// which are compiled for no particular target until they are inlined into their AVX instance); they
// are small enough to be inlined there all the same.
template <int Bytes, int Element>
struct LanesMovemask {
  template <class M>
  static LANES_INLINE unsigned of(const M& m) {
    unsigned bits = 0;
    for (int i = 0; i < Bytes / Element; ++i) bits |= (m[i] != 0 ? 1u : 0u) << i;
    return bits;
  }
};
#if defined(__GNUC__) && defined(__x86_64__)
// Two double lanes in the 64-bit builds: one movemask instead of two lane tests (each a move, a
// mask and a negation), which cost the SSE2 ladder loop a sixth of its instructions.
typedef double LanesMaskPd2 __attribute__((vector_size(16)));
template <>
struct LanesMovemask<16, 8> {
  template <class M>
  static LANES_INLINE unsigned of(const M& m) {
    return static_cast<unsigned>(__builtin_ia32_movmskpd(reinterpret_cast<const LanesMaskPd2&>(m)));
  }
};
#endif
#if LANES_AVX
typedef double LanesMaskPd4 __attribute__((vector_size(32)));
typedef float LanesMaskPs8 __attribute__((vector_size(32)));
template <>
struct LanesMovemask<32, 8> {
  template <class M>
  LANES_TARGET_AVX static inline unsigned of(const M& m) {
    return static_cast<unsigned>(__builtin_ia32_movmskpd256(reinterpret_cast<const LanesMaskPd4&>(m)));
  }
};
template <>
struct LanesMovemask<32, 4> {
  template <class M>
  LANES_TARGET_AVX static inline unsigned of(const M& m) {
    return static_cast<unsigned>(__builtin_ia32_movmskps256(reinterpret_cast<const LanesMaskPs8&>(m)));
  }
};
#endif
template <class M>
LANES_INLINE unsigned lanesMaskBits(const M& m) {
  return LanesMovemask<sizeof(M), sizeof(m[0])>::of(m);
}

// W lanes of T. Value is the vector (plain T for one lane); masks are what comparisons give.
template <class T, int W>
struct Lanes {
  static constexpr int width = W;
  typedef T Value __attribute__((vector_size(sizeof(T) * W)));
  // For float lanes (the base type is made dependent on T, or the compiler drops the vector size).
  typedef typename std::conditional<sizeof(T) != 0, std::int32_t, void>::type Int;
  typedef Int Ints __attribute__((vector_size(4 * W)));
  // Float lanes: the largest integer not above v (v within +-2^31) and what is left above it.
  // Truncation, then one less where that rounded up.
  static LANES_INLINE void floorSplit(const Value& v, Ints& whole, Value& fraction) {
    const Ints t = __builtin_convertvector(v, Ints);
    whole = t + (v < __builtin_convertvector(t, Value));  // a true comparison is -1
    fraction = v - __builtin_convertvector(whole, Value);
  }
  // |v| as a vector: the sign bit cleared (NaN stays NaN). Filled in place, as the kernels keep
  // 32-byte values out of return values.
  static LANES_INLINE void absOf(const Value& v, Value& a) {
    typedef typename std::conditional<sizeof(T) == 8, std::int64_t, std::int32_t>::type Bits;
    typedef Bits BitVec __attribute__((vector_size(sizeof(T) * W)));
    const Bits mask =
        static_cast<Bits>(~(static_cast<typename std::make_unsigned<Bits>::type>(1) << (8 * sizeof(T) - 1)));
    a = reinterpret_cast<Value>(reinterpret_cast<BitVec>(v) & mask);
  }
  // True when |v| > limit in some lane (never for NaN): one comparison where v > limit | v < -limit takes two.
  static LANES_INLINE bool anyAbsAbove(const Value& v, T limit) {
    Value a;
    absOf(v, a);
    return any(a > limit);
  }
  // Lanes with |v| < limit become +0 (-0 among them; NaN stays).
  static LANES_INLINE void zeroAbsBelow(Value& v, T limit) {
    Value a;
    absOf(v, a);
    v = a < limit ? Value{} : v;
  }
  static LANES_INLINE std::int32_t getInt(const Ints& v, int i) { return v[i]; }
  static LANES_INLINE T get(const Value& v, int i) { return v[i]; }
  static LANES_INLINE void set(Value& v, int i, T x) { v[i] = x; }
  // True when any / every lane of a comparison holds.
  template <class M>
  static LANES_INLINE bool any(const M& m) {
    return lanesMaskBits(m) != 0;
  }
  template <class M>
  static LANES_INLINE bool all(const M& m) {
    return lanesMaskBits(m) == (1u << W) - 1u;
  }
  // Lane l of v from rows[l][i], converted to T; built in registers, not element by element in memory.
  template <class R>
  static LANES_INLINE void gather(Value& v, const R* rows, int i) {
    gatherLanes(v, rows, i, std::make_index_sequence<W>());
  }
  template <class R, std::size_t... L>
  static LANES_INLINE void gatherLanes(Value& v, const R* rows, int i, std::index_sequence<L...>) {
    v = Value{static_cast<T>(rows[L][i])...};
  }
  // rows[l][i] = lane l of v converted to R: the whole vector converted at once where the result
  // fills at least 16 bytes, lane by lane otherwise (the same rounding either way).
  template <class R>
  static LANES_INLINE void scatter(const Value& v, R* const* rows, int i) {
    scatterLanes(v, rows, i, std::integral_constant<bool, (sizeof(R) * W >= 16)>());
  }
#ifdef __SSE2__
  // Two doubles to floats: one conversion of the pair (rounded as the lane-by-lane conversion).
  static LANES_INLINE void scatter(const Value& v, float* const* rows, int i) {
    scatterPair(v, rows, i, std::integral_constant<bool, (sizeof(T) == 8 && W == 2)>());
  }
  static LANES_INLINE void scatterPair(const Value& v, float* const* rows, int i, std::true_type) {
    typedef double Pd2 __attribute__((vector_size(16)));
    typedef float Ps4 __attribute__((vector_size(16)));
    const Ps4 o = __builtin_ia32_cvtpd2ps(reinterpret_cast<const Pd2&>(v));
    rows[0][i] = o[0];
    rows[1][i] = o[1];
  }
  static LANES_INLINE void scatterPair(const Value& v, float* const* rows, int i, std::false_type) {
    scatterLanes(v, rows, i, std::integral_constant<bool, (sizeof(float) * W >= 16)>());
  }
#endif
  template <class R>
  static LANES_INLINE void scatterLanes(const Value& v, R* const* rows, int i, std::true_type) {
    typedef R Out __attribute__((vector_size(sizeof(R) * W)));
    const Out o = __builtin_convertvector(v, Out);
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) rows[l][i] = o[l];
  }
  template <class R>
  static LANES_INLINE void scatterLanes(const Value& v, R* const* rows, int i, std::false_type) {
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) rows[l][i] = static_cast<R>(v[l]);
  }
};

template <class T>
struct Lanes<T, 1> {
  static constexpr int width = 1;
  typedef T Value;
  typedef std::int32_t Ints;
  static LANES_INLINE void floorSplit(const Value& v, Ints& whole, Value& fraction) {
    const Ints t = static_cast<std::int32_t>(v);
    whole = t - (v < static_cast<T>(t));
    fraction = v - static_cast<T>(whole);
  }
  static LANES_INLINE bool anyAbsAbove(const Value& v, T limit) { return std::fabs(v) > limit; }
  static LANES_INLINE void zeroAbsBelow(Value& v, T limit) { v = std::fabs(v) < limit ? static_cast<T>(0) : v; }
  static LANES_INLINE std::int32_t getInt(const Ints& v, int) { return v; }
  static LANES_INLINE T get(const Value& v, int) { return v; }
  static LANES_INLINE void set(Value& v, int, T x) { v = x; }
  template <class M>
  static LANES_INLINE bool any(const M& m) {
    return m != 0;
  }
  template <class M>
  static LANES_INLINE bool all(const M& m) {
    return m != 0;
  }
  template <class R>
  static LANES_INLINE void gather(Value& v, const R* rows, int i) {
    v = static_cast<T>(rows[0][i]);
  }
  template <class R>
  static LANES_INLINE void scatter(const Value& v, R* const* rows, int i) {
    rows[0][i] = static_cast<R>(v);
  }
};

#pragma GCC diagnostic pop

// The lanes of one set for doubles and floats: scalar 1 and 1, SSE2 2 and 4, AVX 4 and 8.
template <int Set>
struct LaneSetTypes;
template <>
struct LaneSetTypes<laneSetScalar> {
  typedef Lanes<double, 1> Doubles;
  typedef Lanes<float, 1> Floats;
};
template <>
struct LaneSetTypes<laneSetSse2> {
  typedef Lanes<double, 2> Doubles;
  typedef Lanes<float, 4> Floats;
};
template <>
struct LaneSetTypes<laneSetAvx> {
  typedef Lanes<double, 4> Doubles;
  typedef Lanes<float, 8> Floats;
};
