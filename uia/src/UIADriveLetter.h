// The drive letter of a drive mask (bit 0 'A' ... bit 25 'Z').
#pragma once

#include <cstdint>

// The letter of the lowest set bit of 0..25; '[' when none of them is set.
char uiaDriveLetterFromMask(uint32_t mask);
