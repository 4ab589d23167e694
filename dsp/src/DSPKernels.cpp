// The converter's kernels. Each ratio is one group routine (a complete group of inputs to its outputs,
// updating the history); one driver per mode feeds it from the input, buffering a group that a call
// leaves incomplete. Coefficients are single-precision values, the arithmetic runs in double
// precision and the outputs are stored as floats.
#include "DSPKernels.h"

namespace {

// State layout: [0..5] history (d0, d1, ...), [4..6] the inputs of an incomplete group (only kernels
// whose history ends before index 4 have groups longer than one input), [7] their count.
constexpr int kPartial = 4;
constexpr int kCount = 7;

inline double c(float value) { return static_cast<double>(value); }

struct Ratio11 {
  static constexpr int in = 1, out = 1;
  static void group(const double* x, double* y, float*) { y[0] = x[0]; }
};

struct Ratio21 {
  static constexpr int in = 2, out = 1;
  static void group(const double* x, double* y, float* d) {
    y[0] = 0.5 * (x[0] + 0.5 * (c(d[1]) + x[1]));
    d[0] = static_cast<float>(x[0]);
    d[1] = static_cast<float>(x[1]);
  }
};

struct Ratio12 {
  static constexpr int in = 1, out = 2;
  static void group(const double* x, double* y, float* d) {
    y[0] = c(0.5625f) * (c(d[4]) + c(d[2])) - c(0.0625f) * (c(d[0]) + x[0]);
    y[1] = d[3];
    for (int i = 0; i < 5; ++i) d[i] = d[i + 1];
    d[5] = static_cast<float>(x[0]);
  }
};

struct Ratio31 {
  static constexpr int in = 3, out = 1;
  static void group(const double* x, double* y, float* d) {
    y[0] = c(0.3333f) * (x[1] + x[0] + 0.5 * (c(d[2]) + x[2]));
    d[1] = static_cast<float>(x[0]);
    d[0] = static_cast<float>(x[1]);
    d[2] = static_cast<float>(x[2]);
  }
};

struct Ratio13 {
  static constexpr int in = 1, out = 3;
  static void group(const double* x, double* y, float* d) {
    const double d0 = d[0];
    y[0] = 0.75 * d0 + 0.25 * x[0];
    y[1] = 0.5 * (d0 + x[0]);
    y[2] = 0.25 * d0 + 0.75 * x[0];
    d[0] = static_cast<float>(x[0]);
  }
};

struct Ratio32 {
  static constexpr int in = 3, out = 2;
  static void group(const double* x, double* y, float* d) {
    y[0] = 0.5 * (c(d[2]) + x[0]);
    y[1] = c(0.6667f) * (x[1] + 0.25 * (x[0] + x[2]));
    d[1] = static_cast<float>(x[0]);
    d[0] = static_cast<float>(x[1]);
    d[2] = static_cast<float>(x[2]);
  }
};

struct Ratio23 {
  static constexpr int in = 2, out = 3;
  static void group(const double* x, double* y, float* d) {
    y[0] = 0.5 * (c(d[0]) + x[0]);
    y[1] = 0.75 * x[0] + 0.25 * x[1];
    y[2] = 0.75 * x[1] + 0.25 * x[0];
    d[0] = static_cast<float>(x[1]);
  }
};

struct Ratio41 {
  static constexpr int in = 4, out = 1;
  static void group(const double* x, double* y, float* d) {
    y[0] = 0.25 * x[0] + c(0.20775f) * (c(d[2]) + x[1]) + 0.125 * (c(d[1]) + x[2]) + c(0.04225f) * (c(d[0]) + x[3]);
    d[0] = static_cast<float>(x[1]);
    d[1] = static_cast<float>(x[2]);
    d[2] = static_cast<float>(x[3]);
  }
};

struct Ratio14 {
  static constexpr int in = 1, out = 4;
  static void group(const double* x, double* y, float* d) {
    const double d0 = d[0];
    y[0] = c(0.899f) * d0 + c(0.101f) * x[0];
    y[1] = c(0.6612f) * d0 + c(0.3388f) * x[0];
    y[2] = c(0.3388f) * d0 + c(0.6612f) * x[0];
    y[3] = c(0.101f) * d0 + c(0.899f) * x[0];
    d[0] = static_cast<float>(x[0]);
  }
};

struct Ratio34 {
  static constexpr int in = 3, out = 4;
  static void group(const double* x, double* y, float* d) {
    y[0] = c(0.2266f) * c(d[2]) + c(0.8672f) * c(d[1]) - c(0.0234f) * x[0] - c(0.0703f) * c(d[0]);
    d[0] = static_cast<float>(x[0]);
    y[1] = d[2];
    y[2] = -c(0.0234f) * c(d[1]) + c(0.2266f) * c(d[2]) - c(0.0703f) * x[1] + c(0.8672f) * x[0];
    y[3] = c(0.5625f) * (x[1] + x[0]) - c(0.0625f) * (c(d[2]) + x[2]);
    d[1] = static_cast<float>(x[1]);
    d[2] = static_cast<float>(x[2]);
  }
};

struct Ratio43 {
  static constexpr int in = 4, out = 3;
  static void group(const double* x, double* y, float* d) {
    y[0] = c(0.3333f) * c(d[3]) - c(0.0741f) * c(d[1]) + c(0.7778f) * c(d[2]) - c(0.037f) * x[0];
    d[0] = static_cast<float>(x[0]);
    y[1] = c(0.7778f) * x[0] - c(0.037f) * c(d[2]) + c(0.3333f) * c(d[3]) - c(0.0741f) * x[1];
    y[2] = x[1];
    d[1] = static_cast<float>(x[1]);
    d[2] = static_cast<float>(x[2]);
    d[3] = static_cast<float>(x[3]);
  }
};

template <class R, bool Write>
void runKernel(const float* in, float* out, int inFrames, float* state) {
  static_assert(R::in == 1 || R::in <= 4, "incomplete groups are kept in three floats");
  double x[R::in];
  double y[R::out];
  int count = R::in > 1 ? static_cast<int>(state[kCount]) : 0;
  if (count < 0 || count >= R::in) count = 0;  // a state never written by this kernel
  int i = 0;
  while (i < inFrames) {
    if (count == 0 && inFrames - i >= R::in) {
      for (int k = 0; k < R::in; ++k) x[k] = in[i + k];
      i += R::in;
    } else {
      state[kPartial + count] = in[i++];
      if (++count < R::in) continue;
      for (int k = 0; k < R::in; ++k) x[k] = state[kPartial + k];
      count = 0;
    }
    R::group(x, y, state);
    for (int k = 0; k < R::out; ++k) {
      if (Write)
        out[k] = static_cast<float>(y[k]);
      else
        out[k] = static_cast<float>(static_cast<double>(out[k]) + y[k]);
    }
    out += R::out;
  }
  if (R::in > 1) state[kCount] = static_cast<float>(count);
}

struct KernelEntry {
  int num, den, groupIn, groupOut;
  DSPKernel write, add;
};

template <class R>
constexpr KernelEntry entry(int num, int den) {
  return {num, den, R::in, R::out, &runKernel<R, true>, &runKernel<R, false>};
}

const KernelEntry kKernels[] = {
    entry<Ratio11>(1, 1), entry<Ratio21>(2, 1), entry<Ratio12>(1, 2), entry<Ratio31>(3, 1),
    entry<Ratio13>(1, 3), entry<Ratio32>(3, 2), entry<Ratio23>(2, 3), entry<Ratio41>(4, 1),
    entry<Ratio14>(1, 4), entry<Ratio34>(3, 4), entry<Ratio43>(4, 3),
};

const KernelEntry* findKernel(int num, int den) {
  for (const KernelEntry& e : kKernels)
    if (e.num == num && e.den == den) return &e;
  return nullptr;
}

}  // namespace

DSPKernel dspKernel(int num, int den, bool mode) {
  const KernelEntry* e = findKernel(num, den);
  if (!e) return nullptr;
  return mode ? e->write : e->add;
}

void dspKernelGroup(int num, int den, int* groupIn, int* groupOut) {
  const KernelEntry* e = findKernel(num, den);
  *groupIn = e ? e->groupIn : 1;
  *groupOut = e ? e->groupOut : 1;
}
