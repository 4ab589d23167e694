#include "engine/lanes.h"

#include <cstring>

int lanesActive = laneSetSse2;

namespace {
int forced = -1;
}

int lanesWidest() {
#if LANES_AVX
  // The compiler's own probe also asks the system whether it saves the AVX registers (XGETBV).
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx")) return laneSetAvx;
#endif
  return laneSetSse2;  // every build requires SSE2
}

void lanesChoose() {
  const int widest = lanesWidest();
  lanesActive = forced >= 0 && forced < widest ? forced : widest;
}

int lanesForce(int set) {
  forced = set >= laneSetScalar && set <= laneSetAvx ? set : -1;
  lanesChoose();
  return lanesActive;
}

const char* lanesName(int set) {
  switch (set) {
    case laneSetScalar: return "scalar";
    case laneSetSse2: return "sse2";
    case laneSetAvx: return "avx";
    default: return "none";
  }
}

int lanesParse(const char* name) {
  if (!name) return -1;
  for (int s = laneSetScalar; s <= laneSetAvx; ++s)
    if (std::strcmp(name, lanesName(s)) == 0) return s;
  return -1;
}
