// Process-wide linear congruential random numbers shared by the oscillator voice start and the
// three-unit effect; audio thread only. Starts at 220,153 and is never reseeded by the program.
#pragma once
#include <cstdint>

extern std::uint32_t dspRandomState;
// Steps dspRandomState (x 196314165 + 907633515, modulo 2^32) and returns (state AND 0xFFFF) / 65535.
float dspRandomNext();
