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
      {-2.7f, 0, "-2"},      {2.7f, 0, "2"},           {3.14159f, 2, "3.14"}, {0.5f, 1, "0.5"},   {-0.25f, 3, "-0.250"},
      {1.0f, 6, "1.000000"}, {1e30f, 0, "2147483647"}, {-0.04f, 1, "0.0"},    {-0.0f, 2, "0.00"},
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

// A level that rounds to zero reads "0.0 dB", as every other level does, whichever side of zero it
// lies; the whole-number snap keeps its 0.199 band.
TEST(ValueFormat, LevelTextsNeverReadMinusZero) {
  const struct {
    double db;
    const char* text;
  } levels[] = {{0.0, "0.0 dB"},    {-0.0, "0.0 dB"},       {-0.01, "0.0 dB"}, {-0.049, "0.0 dB"},
                {-0.06, "-0.1 dB"}, {0.04, "0.0 dB"},       {-6.0, "-6.0 dB"}, {-96.0, "-96.0 dB"},
                {12.3, "12.3 dB"},  {-100.04, "-100.0 dB"}, {-0.5, "-0.5 dB"}};
  for (const auto& c : levels) {
    char text[32];
    std::memset(text, 'x', sizeof text);
    formatDb(text, sizeof text, c.db);
    EXPECT_STREQ(text, c.text) << c.db;
  }
  char tight[4];
  formatDb(tight, sizeof tight, -0.01);  // cut to the buffer, still terminated
  EXPECT_STREQ(tight, "0.");
  const struct {
    double db, shown;
  } snaps[] = {{-0.1, 0.0}, {-0.198, 0.0}, {-0.2, -0.2}, {-5.9, -5.9}, {-6.1, -6.0}, {-12.19, -12.0}, {0.15, 0.0}};
  for (const auto& c : snaps) EXPECT_DOUBLE_EQ(dbSnapWhole(c.db), c.shown) << c.db;
  // The sign rule on its own: padded texts keep their width; anything but a zero keeps its sign.
  const struct {
    const char* in;
    const char* out;
  } texts[] = {{"-0.0", "0.0"},    {"  -0.00", "   0.00"}, {"-0", "0"},
               {"-0.01", "-0.01"}, {"-0.0 dB", "0.0 dB"},  {"-1.0 dB", "-1.0 dB"},
               {"-nan", "-nan"},   {"-inf", "-inf"},       {"-", "-"},
               {"-.", "-."},       {"0.0", "0.0"},         {"-0.000000e+00", "-0.000000e+00"}};
  for (const auto& c : texts) {
    char text[32];
    std::strcpy(text, c.in);
    textDropMinusZero(text);
    EXPECT_STREQ(text, c.out) << c.in;
  }
  textDropMinusZero(nullptr);
}

}  // namespace
