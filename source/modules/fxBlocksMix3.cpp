#include "modules/fxBlocksMix3.h"

#include <cstring>

int mix3Init(Mix3State* mix) {
  if (!mix) return 0;
  mix3SetMatrix(mix, static_cast<float>(2.0 / 3.0), static_cast<float>(-1.0 / 3.0), static_cast<float>(2.0 / 3.0));
  mix3Clear(mix);
  return 1;
}

void mix3SetMatrix(Mix3State* mix, float d, float a, float b) {
  if (!mix) return;
  const float m[9] = {d, a, b, b, d, a, a, b, d};
  std::memcpy(mix->matrix, m, sizeof m);
}

void mix3Clear(Mix3State* mix) {
  if (mix) std::memset(mix->work, 0, sizeof mix->work);
}
