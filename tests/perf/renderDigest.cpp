// Prints the render digests (render/suite/renderDigests.h): one line per set-up, the format of the
// stored file tests/render/digests.txt. An optimisation that must not change the sound leaves every
// line identical; the digest test (tests/render/renderDigest_test.cpp) checks that in every build.
// Usage: renderDigest [--lanes scalar|sse2|avx] [name filter [blocks]]: the lane set the kernels use
// (default: the widest the processor has), only the set-ups whose name contains the filter, each for
// the given number of sub-blocks (a fixed workload for counting cycles, e.g. with perf stat).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/lanes.h"
#include "render/suite/renderDigests.h"

int main(int argc, char** argv) {
  int a = 1;
  if (a + 1 < argc && std::strcmp(argv[a], "--lanes") == 0) {
    const int set = lanesParse(argv[a + 1]);
    if (set < 0) {
      std::fprintf(stderr, "unknown lane set '%s' (scalar, sse2 or avx)\n", argv[a + 1]);
      return 2;
    }
    if (lanesForce(set) != set) {
      std::fprintf(stderr, "this processor cannot run the %s lanes\n", argv[a + 1]);
      return 2;
    }
    a += 2;
  }
  const char* filter = argc > a ? argv[a] : "";
  const int blocks = argc > a + 1 ? std::atoi(argv[a + 1]) : 200;
  renderDigestsRun(filter, blocks, [](const RenderDigest& d) { std::printf("%s\n", renderDigestFormat(d).c_str()); });
  return 0;
}
