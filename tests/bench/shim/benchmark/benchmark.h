// A small stand-in for the part of Google Benchmark's interface our benchmarks use, for the Windows
// build (the library is only packaged natively). Same source files, same names; simpler statistics:
// each benchmark runs until about MORVANE_BENCH_MIN_TIME seconds (default 0.5) have been timed.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

class Counter {
 public:
  enum Flags {
    kDefaults = 0,
    kIsRate = 1,
    kAvgThreads = 2,
    kAvgThreadsRate = 3,
    kIsIterationInvariant = 4,
    kIsIterationInvariantRate = 5,
    kAvgIterations = 8,
    kAvgIterationsRate = 9,
    kInvert = 16
  };
  Counter(double v = 0.0, Flags f = kDefaults) : value(v), flags(f) {}
  operator double() const { return value; }
  double value;
  Flags flags;
};

class State {
 public:
  State(std::int64_t maxIterations, std::vector<std::int64_t> args) : max_(maxIterations), args_(std::move(args)) {}
  struct Iterator {
    State* s;
    std::int64_t left;
    bool operator!=(const Iterator&) const {
      if (left > 0) return true;
      s->finish();
      return false;
    }
    void operator++() { --left; }
    // The loop variable (`for (auto _ : state)`) is never read: its type says so to the compiler.
    struct __attribute__((unused)) Value {};
    Value operator*() const { return {}; }
  };
  Iterator begin() {
    start_ = Clock::now();
    running_ = true;
    return Iterator{this, max_};
  }
  Iterator end() { return Iterator{this, 0}; }
  bool KeepRunning() {
    if (!started_) {
      started_ = true;
      left_ = max_;
      start_ = Clock::now();
      running_ = true;
    }
    if (left_-- > 0) return true;
    finish();
    return false;
  }
  void PauseTiming() {
    if (running_) elapsed_ += Clock::now() - start_;
    running_ = false;
  }
  void ResumeTiming() {
    start_ = Clock::now();
    running_ = true;
  }
  std::int64_t range(std::size_t i = 0) const { return i < args_.size() ? args_[i] : 0; }
  std::int64_t iterations() const { return max_; }
  void SetItemsProcessed(std::int64_t n) { items_ = n; }
  void SetBytesProcessed(std::int64_t n) { bytes_ = n; }
  void SetLabel(const std::string& l) { label_ = l; }
  void SkipWithError(const char* msg) { error_ = msg ? msg : "error"; }
  double seconds() const { return std::chrono::duration<double>(elapsed_).count(); }

  std::map<std::string, Counter> counters;
  std::int64_t items_ = 0, bytes_ = 0;
  std::string label_, error_;

 private:
  using Clock = std::chrono::steady_clock;
  void finish() {
    if (running_) elapsed_ += Clock::now() - start_;
    running_ = false;
  }
  std::int64_t max_, left_ = 0;
  bool started_ = false, running_ = false;
  std::vector<std::int64_t> args_;
  Clock::time_point start_;
  Clock::duration elapsed_{};
};

namespace internal {
class Benchmark {
 public:
  Benchmark(const char* name, std::function<void(State&)> fn) : name_(name), fn_(std::move(fn)) {}
  Benchmark* Arg(std::int64_t a) {
    args_.push_back({a});
    return this;
  }
  Benchmark* Args(std::initializer_list<std::int64_t> a) {
    args_.push_back(std::vector<std::int64_t>(a));
    return this;
  }
  Benchmark* DenseRange(std::int64_t lo, std::int64_t hi, std::int64_t step = 1) {
    for (std::int64_t v = lo; v <= hi; v += step) Arg(v);
    return this;
  }
  Benchmark* Range(std::int64_t lo, std::int64_t hi) {
    for (std::int64_t v = lo; v < hi; v *= 8) Arg(v);
    return Arg(hi);
  }
  Benchmark* Unit(TimeUnit u) {
    unit_ = u;
    return this;
  }
  Benchmark* Iterations(std::int64_t n) {
    fixed_ = n;
    return this;
  }
  Benchmark* MinTime(double) { return this; }
  Benchmark* UseRealTime() { return this; }
  Benchmark* Name(const std::string& n) {
    name_ = n;
    return this;
  }

  std::string name_;
  std::function<void(State&)> fn_;
  std::vector<std::vector<std::int64_t>> args_;
  TimeUnit unit_ = kNanosecond;
  std::int64_t fixed_ = 0;
};
Benchmark* RegisterBenchmarkInternal(Benchmark* b);
int InitializeStreams();
}  // namespace internal

template <class T>
inline void DoNotOptimize(T const& value) {
  asm volatile("" : : "m"(value) : "memory");
}
template <class T>
inline void DoNotOptimize(T& value) {
  asm volatile("" : "+m"(value) : : "memory");
}
inline void ClobberMemory() { asm volatile("" : : : "memory"); }

void Initialize(int* argc, char** argv);
void RunSpecifiedBenchmarks();
void Shutdown();
}  // namespace benchmark

#define MORVANE_BENCH_CAT2(a, b) a##b
#define MORVANE_BENCH_CAT(a, b) MORVANE_BENCH_CAT2(a, b)
#define BENCHMARK(fn)                                                            \
  static ::benchmark::internal::Benchmark* MORVANE_BENCH_CAT(bench_, __LINE__) = \
      ::benchmark::internal::RegisterBenchmarkInternal(new ::benchmark::internal::Benchmark(#fn, fn))
#define BENCHMARK_MAIN()                   \
  int main(int argc, char** argv) {        \
    ::benchmark::Initialize(&argc, argv);  \
    ::benchmark::RunSpecifiedBenchmarks(); \
    ::benchmark::Shutdown();               \
    return 0;                              \
  }
