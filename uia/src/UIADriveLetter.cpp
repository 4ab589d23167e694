// The drive letter of a drive mask.
#include "UIADriveLetter.h"

char uiaDriveLetterFromMask(uint32_t mask) {
  for (int bit = 0; bit < 26; ++bit)
    if (mask & (1u << bit)) return char('A' + bit);
  return '[';
}
