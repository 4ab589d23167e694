// Lanes: the vector types the sound kernels are written over, and the choice of the widest set the
// processor runs. A kernel is written once as a template over Lanes<T, W>; W = 1 is plain scalar code,
// W x sizeof(T) = 16 bytes the SSE2 vectors, 32 bytes the AVX vectors. Element-wise arithmetic is the
// same on every width (AVX alone has no fused multiply-add), so each lane's results are those of the
// scalar form, bit for bit.
#pragma once

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
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Any / every lane of a comparison's mask (all bits set where it holds), folded in halves within the
// vector into every lane (no trip through memory, and no instruction beyond the kernel's own target).
template <class M, int N = sizeof(M) / sizeof(M{}[0])>
struct LanesFold;
template <class M>
struct LanesFold<M, 2> {
  static LANES_INLINE void any(M& m) { m |= __builtin_shufflevector(m, m, 1, 0); }
  static LANES_INLINE void all(M& m) { m &= __builtin_shufflevector(m, m, 1, 0); }
};
template <class M>
struct LanesFold<M, 4> {
  static LANES_INLINE void any(M& m) {
    m |= __builtin_shufflevector(m, m, 2, 3, 0, 1);
    m |= __builtin_shufflevector(m, m, 1, 0, 3, 2);
  }
  static LANES_INLINE void all(M& m) {
    m &= __builtin_shufflevector(m, m, 2, 3, 0, 1);
    m &= __builtin_shufflevector(m, m, 1, 0, 3, 2);
  }
};
template <class M>
struct LanesFold<M, 8> {
  static LANES_INLINE void any(M& m) {
    m |= __builtin_shufflevector(m, m, 4, 5, 6, 7, 0, 1, 2, 3);
    m |= __builtin_shufflevector(m, m, 2, 3, 0, 1, 6, 7, 4, 5);
    m |= __builtin_shufflevector(m, m, 1, 0, 3, 2, 5, 4, 7, 6);
  }
  static LANES_INLINE void all(M& m) {
    m &= __builtin_shufflevector(m, m, 4, 5, 6, 7, 0, 1, 2, 3);
    m &= __builtin_shufflevector(m, m, 2, 3, 0, 1, 6, 7, 4, 5);
    m &= __builtin_shufflevector(m, m, 1, 0, 3, 2, 5, 4, 7, 6);
  }
};

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
    whole = t + (v < __builtin_convertvector(t, Value));   // a true comparison is -1
    fraction = v - __builtin_convertvector(whole, Value);
  }
  static LANES_INLINE std::int32_t getInt(const Ints& v, int i) { return v[i]; }
  static LANES_INLINE T get(const Value& v, int i) { return v[i]; }
  static LANES_INLINE void set(Value& v, int i, T x) { v[i] = x; }
  // True when any / every lane of a comparison holds.
  template <class M>
  static LANES_INLINE bool any(const M& m) {
    M t = m;
    LanesFold<M>::any(t);
    return t[0] != 0;
  }
  template <class M>
  static LANES_INLINE bool all(const M& m) {
    M t = m;
    LanesFold<M>::all(t);
    return t[0] != 0;
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
  static LANES_INLINE std::int32_t getInt(const Ints& v, int) { return v; }
  static LANES_INLINE T get(const Value& v, int) { return v; }
  static LANES_INLINE void set(Value& v, int, T x) { v = x; }
  template <class M>
  static LANES_INLINE bool any(const M& m) { return m != 0; }
  template <class M>
  static LANES_INLINE bool all(const M& m) { return m != 0; }
  template <class R>
  static LANES_INLINE void gather(Value& v, const R* rows, int i) { v = static_cast<T>(rows[0][i]); }
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
