#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "benchmark/benchmark.h"

namespace benchmark {
namespace {
std::vector<std::unique_ptr<internal::Benchmark>>& registry() {
  static std::vector<std::unique_ptr<internal::Benchmark>> r;
  return r;
}
const char* filter = nullptr;

// Whether the name holds one of the filter's parts (separated by '|', as in a regular expression).
bool matches(const std::string& name, const std::string& filter) {
  for (std::size_t from = 0;;) {
    const std::size_t bar = filter.find('|', from);
    if (name.find(filter.substr(from, bar - from)) != std::string::npos) return true;
    if (bar == std::string::npos) return false;
    from = bar + 1;
  }
}

double unitScale(TimeUnit u, const char** name) {
  switch (u) {
    case kMicrosecond: *name = "us"; return 1e6;
    case kMillisecond: *name = "ms"; return 1e3;
    case kSecond: *name = "s"; return 1.0;
    default: *name = "ns"; return 1e9;
  }
}

void runOne(internal::Benchmark& b, const std::vector<std::int64_t>& args) {
  std::string name = b.name_;
  for (auto a : args) name += "/" + std::to_string(a);
  if (filter && !matches(name, filter)) return;
  double minTime = 0.5;
  if (const char* e = std::getenv("MORVANE_BENCH_MIN_TIME")) minTime = std::atof(e);
  std::int64_t n = b.fixed_ ? b.fixed_ : 1;
  State* last = nullptr;
  std::unique_ptr<State> st;
  for (;;) {
    st.reset(new State(n, args));
    b.fn_(*st);
    last = st.get();
    if (b.fixed_ || last->seconds() >= minTime || n >= (std::int64_t(1) << 40)) break;
    double s = last->seconds();
    std::int64_t next = s > 1e-6 ? static_cast<std::int64_t>(n * (minTime * 1.4 / s)) : n * 10;
    n = next > n * 10 ? n * 10 : (next <= n ? n + 1 : next);
  }
  const char* unit;
  double per = last->seconds() / static_cast<double>(n) * unitScale(b.unit_, &unit);
  std::printf("%-48s %12.3f %s %12lld", name.c_str(), per, unit, static_cast<long long>(n));
  for (auto& kv : last->counters) {
    double v = kv.second.value;
    if (kv.second.flags & Counter::kAvgIterations) v /= static_cast<double>(n);
    if ((kv.second.flags & Counter::kIsRate) && last->seconds() > 0) v /= last->seconds();
    if (kv.second.flags & Counter::kInvert) v = v != 0 ? 1.0 / v : 0.0;
    std::printf(" %s=%g", kv.first.c_str(), v);
  }
  if (!last->error_.empty()) std::printf(" ERROR: %s", last->error_.c_str());
  if (!last->label_.empty()) std::printf(" %s", last->label_.c_str());
  std::printf("\n");
  std::fflush(stdout);
}
}  // namespace

namespace internal {
Benchmark* RegisterBenchmarkInternal(Benchmark* b) {
  registry().emplace_back(b);
  return b;
}
}  // namespace internal

void Initialize(int* argc, char** argv) {
  for (int i = 1; i < *argc; ++i)
    if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0) filter = argv[i] + 19;
}

void RunSpecifiedBenchmarks() {
  std::printf("%-48s %15s %12s\n", "Benchmark", "Time", "Iterations");
  for (auto& b : registry()) {
    if (b->args_.empty()) runOne(*b, {});
    for (auto& a : b->args_) runOne(*b, a);
  }
}

void Shutdown() {}
}  // namespace benchmark

BENCHMARK_MAIN();
