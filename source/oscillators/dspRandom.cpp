#include "oscillators/dspRandom.h"

std::uint32_t dspRandomState = 220153u;

float dspRandomNext() {
  dspRandomState = dspRandomState * 196314165u + 907633515u;
  return static_cast<float>((dspRandomState & 0xFFFFu) / 65535.0);
}
