// The three-unit effect's 3x3 mixing block: a matrix in row order and two work arrays of 384
// samples (three 128-sample lanes each).
#pragma once
#include <cstdint>

const int mix3WorkSize = 384;

struct Mix3State {
  std::uint32_t word;  // left to the owner; the operations here never touch it
  float matrix[9];     // rows (d, a, b), (b, d, a), (a, b, d)
  float work[2][mix3WorkSize];
};

// Matrix with d = 2/3, a = -1/3, b = 2/3 (an orthogonal circulant), arrays cleared; returns 1.
int mix3Init(Mix3State* mix);
void mix3SetMatrix(Mix3State* mix, float d, float a, float b);
void mix3Clear(Mix3State* mix);
