// Value formatting, the 6-dB-per-doubling level unit and the pitch conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "engine/valueFormat.h"

namespace {

struct Conversion {
  const char* name;
  std::function<double(double)> f;
  double in;
  double expected;
  double tolerance;
};

TEST(ValueFormat, ConversionTable) {
  const Conversion cases[] = {
      {"pitchNoteToHz(69)", pitchNoteToHz, 69.0, 440.0, 1e-3},
      {"pitchNoteToHz(60)", pitchNoteToHz, 60.0, 261.6256, 1e-4},
      {"pitchNoteToHz(0)", pitchNoteToHz, 0.0, 8.175798, 1e-9},
      {"pitchHzToInc(440)", pitchHzToInc, 440.0, 10.21678, 1e-5},
      {"pitchHzToInc(220)", pitchHzToInc, 220.0, 5.10839, 1e-5},
      {"pitchHzToInc(44100/1024)", pitchHzToInc, 44100.0 / 1024.0, 1.0, 1e-12},
      {"pitchIncToHz(1)", pitchIncToHz, 1.0, 43.06640625, 1e-12},
      {"pitchNoteToInc(69)", pitchNoteToInc, 69.0, 10.21678, 1e-4},
      {"pitchHzToNote(440)", pitchHzToNote, 440.0, 69.0, 1e-4},
      {"gainToDb6(0)", gainToDb6, 0.0, -159.45, 0.01},
      {"gainToDb6(1)", gainToDb6, 1.0, 0.0, 1e-12},
      {"gainToDb6(2)", gainToDb6, 2.0, 6.0, 1e-12},
      {"gainToDb6(0.5)", gainToDb6, 0.5, -6.0, 1e-12},
      {"gainToDb6(-1)", gainToDb6, -1.0, -159.45, 0.01},
      {"db6ToGain(6)", db6ToGain, 6.0, 2.0, 1e-12},
      {"db6ToGain(-12)", db6ToGain, -12.0, 0.25, 1e-12},
      {"pitchSemisToRatio(12)", pitchSemisToRatio, 12.0, 2.0, 1e-12},
      {"pitchSemisToRatio(0)", pitchSemisToRatio, 0.0, 1.0, 0.0},
      {"pitchSemisToRatioOrZero(0)", pitchSemisToRatioOrZero, 0.0, 0.0, 0.0},
      {"pitchSemisToRatioOrZero(12)", pitchSemisToRatioOrZero, 12.0, 2.0, 1e-12},
      {"pitchRatioToSemis(2)", pitchRatioToSemis, 2.0, 12.0, 1e-8},
  };
  for (const Conversion& c : cases) EXPECT_NEAR(c.f(c.in), c.expected, c.tolerance) << c.name;
}

TEST(ValueFormat, FormatValueCases) {
  struct Case {
    float value;
    std::uint16_t decimals;
    const char* text;
  };
  const Case cases[] = {
      {-2.7f, 0, "-2"},      {2.7f, 0, "2"},        {3.14159f, 2, "3.14"},    {0.5f, 1, "0.5"},
      {-0.25f, 3, "-0.250"}, {1.0f, 6, "1.000000"}, {1e30f, 0, "2147483647"},
  };
  for (const Case& c : cases) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    formatValue(text, c.value, c.decimals);
    EXPECT_STREQ(text, c.text) << c.value << " / " << c.decimals;
  }
  char text[64] = "unchanged";
  formatValue(text, 1.0f, 7);
  EXPECT_STREQ(text, "unchanged");
  char wide[64];
  formatValue(wide, 3.4e38f, 6);  // the longest text fits the documented buffer
  EXPECT_LT(std::strlen(wide), 48u);
}

}  // namespace
