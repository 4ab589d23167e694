// The value step rules and the number box's text forms, as plain functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "controls/numboxText.h"
#include "controls/stepRules.h"

namespace {

struct RuleCase {
  const char* name;
  ValueStepRule rule;
  double start;
  int16_t steps;
  uint16_t mode;
  double expected;
};

}  // namespace

TEST(ControlStepRules, EachRuleInEachModeIncludingNegativeSteps) {
  const double semitone = std::exp2(1.0 / 12.0);
  const RuleCase cases[] = {
      {"default coarse", numboxStepDefault, 0.23, 5, 1, 5.23},
      {"default fine", numboxStepDefault, 1, -7, 2, 0.93},
      {"default finest", numboxStepDefault, 1, 3, 3, 1.003},
      {"unit", stepUnit, 0, 3, 1, 3},
      {"unit fine", stepUnit, 0, -3, 2, -0.03},
      {"unit finest", stepUnit, 0, 3, 3, 0.0003},
      {"count 1 pixel", stepCount, 4, 1, 1, 4},
      {"count 3 pixels", stepCount, 4, 3, 1, 5},
      {"count -3 pixels", stepCount, 4, -3, 1, 3},
      {"count fine", stepCount, 4, 3, 2, 4.3},
      {"count finest", stepCount, 4, -3, 3, 3.997},
      {"quarter", stepQuarter, 0, 4, 1, 1},
      {"quarter fine", stepQuarter, 0, -2, 2, -0.25},
      {"quarter finest", stepQuarter, 0, 2, 3, 0.002},
      {"tenth", stepTenth, 0, 5, 1, 0.5},
      {"tenth fine", stepTenth, 0, 5, 2, 0.05},
      {"tenth finest", stepTenth, 0, -5, 3, -0.0005},
      {"hundredth", stepHundredth, 0, 5, 1, 0.05},
      {"hundredth fine", stepHundredth, 0, 5, 2, 0.005},
      {"hundredth finest", stepHundredth, 0, 5, 3, 0.0005},
      {"hundredth-fine finest", stepHundredthFine, 0, 5, 3, 0.00005},
      {"thousand", stepThousand, 0, -2, 1, -2000},
      {"thousand fine", stepThousand, 0, 2, 2, 20},
      {"thousand finest", stepThousand, 0, 2, 3, 2},
      {"half", stepHalf, 0, 3, 1, 1.5},
      {"half fine", stepHalf, 0, 3, 2, 0.375},
      {"eighth", stepEighth, 0, 8, 1, 1},
      {"eighth fine", stepEighth, 0, 8, 2, 0.008},
      {"accelerated 10", stepAccelerated, 0, 10, 1, 10},
      {"accelerated 11", stepAccelerated, 0, 11, 1, 12.1},
      {"accelerated -11", stepAccelerated, 0, -11, 1, -12.1},
      {"accelerated 20", stepAccelerated, 0, 20, 1, 40},
      {"accelerated 30", stepAccelerated, 0, 30, 1, 90},
      {"accelerated fine", stepAccelerated, 0, 30, 2, 30},
      {"accelerated finest", stepAccelerated, 0, 30, 3, 0.3},
      {"exp time", stepExpTime, 1, 40, 1, 2},
      {"exp time fine", stepExpTime, 1, -2000, 2, 0.5},
      {"exp time finest", stepExpTime, 1, 3, 3, 1.0003},
      {"exp time from 0", stepExpTime, 0, 40, 1, 0},
      {"exp time from 0 fine", stepExpTime, 0, 40, 2, 0},
      {"exp time from 0 finest", stepExpTime, 0, 40, 3, 0.004},
      {"semitone", stepSemitoneRatio, 1, 12, 1, 2},
      {"semitone down", stepSemitoneRatio, 1, -1, 1, 1 / semitone},
      {"cent", stepSemitoneRatio, 1, 1200, 2, 2},
      {"tenth cent", stepSemitoneRatio, 1, -12000 / 2, 3, std::sqrt(0.5)},
      {"semitone from 0", stepSemitoneRatio, 0, 12, 1, 0.0002},
      {"semitone from 0 fine", stepSemitoneRatio, 0, 12, 2, 0},
      {"semitone from 0 finest", stepSemitoneRatio, 0, 12, 3, 0},
      {"exp eighth", stepExpEighth, 1, 8, 1, 2},
      {"exp eighth fine", stepExpEighth, 1, 10, 2, 1.11},
      {"exp eighth finest", stepExpEighth, 1, -10, 3, 0.999},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(c.rule(nullptr, c.start, c.steps, c.mode), c.expected, 1e-9 * (1 + std::fabs(c.expected)));
  }
  // A drag back to the press point restores the start exactly for the additive rules.
  for (ValueStepRule r : {numboxStepDefault, stepUnit, stepCount, stepQuarter, stepTenth, stepHundredth,
                          stepHundredthFine, stepThousand, stepHalf, stepEighth})
    for (uint16_t mode = 1; mode <= 3; ++mode) EXPECT_EQ(r(nullptr, 0.37, 0, mode), 0.37);
}

TEST(ControlStepRules, ModesOutsideOneToThreeReturnTheStart) {
  for (ValueStepRule r :
       {numboxStepDefault, stepUnit, stepCount, stepQuarter, stepTenth, stepHundredth, stepHundredthFine, stepThousand,
        stepHalf, stepEighth, stepAccelerated, stepExpTime, stepSemitoneRatio, stepExpEighth})
    for (uint16_t mode : {0, 4, 65535})
      for (int16_t steps : {-32768, -5, 0, 7, 32767}) EXPECT_EQ(r(nullptr, 0.25, steps, mode), 0.25);
}

TEST(ControlNumberText, TypedTextIsParsedBackwardsWithTheLeftmostSeparator) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"1e3", 13},
      {"-.5", -0.5},
      {"2,5", 2.5},
      {"1.2.3", 0.123},
      {"", 0},
      {"--5", -5},
      {".", 0},
      {"1e308", 1308},
      {"nan", 0},
      {"inf", 0},
      {"5-", -5},
      {"1,2.3", 0.123},
      {"abc12x", 12},
      {"\xe9"
       "7\xff",
       7},
      {"0.000", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(numboxParseText(c.text), c.value);
  }
  EXPECT_EQ(numboxParseText(nullptr), 0.0);
  // Only the first 256 characters are read, so a long run of digits stays finite.
  std::string nines(400, '9');
  const double big = numboxParseText(nines.c_str());
  EXPECT_TRUE(std::isfinite(big));
  EXPECT_GT(big, 9e255);
  std::string tiny = "." + std::string(399, '0') + "1";
  EXPECT_EQ(numboxParseText(tiny.c_str()), 0.0);
}

TEST(ControlNumberText, ValueTextRoundsUpAHundredthOfTheLastDigit) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {0.21, 1, "0.3"},
      {0.2, 1, "0.2"},
      {0.125, 2, "0.13"},
      {0.1211, 2, "0.13"},
      {0.12, 2, "0.12"},
      {1.0, 3, "1.000"},
      {0.0011, 3, "0.002"},
      {-0.5, 4, "-0.5000"},
      {-0.50006, 4, "-0.5000"},
      {0.5, 5, "0.50000"},
      {1.0, 6, "1.000000"},
      {-0.001, 2, "0.00"},
      {-0.09, 1, "0.0"},  // rounds to zero: no minus sign
      {-0.0009, 3, "0.000"},
      {123456789.0, 6, "123456789.00000"},
      {1e14, 3, "100000000000000"},
      {-1e15, 2, "-1.000000e+15"},
      {1e300, 6, "1.000000e+300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.value) + " " + std::to_string(c.decimals));
    char out[numboxTextSize + 4];
    std::memset(out, 'x', sizeof out);
    ASSERT_TRUE(numboxFormatText(c.value, c.decimals, out));
    EXPECT_STREQ(out, c.text);
    EXPECT_EQ(out[numboxTextSize], 'x') << "nothing written past 16 bytes";
  }
  // Below one decimal the text is whatever "%1.0f" makes of the value, halves included.
  for (double v : {2.5, 3.5, -2.5, 0.49}) {
    char expected[32], out[numboxTextSize];
    std::snprintf(expected, sizeof expected, "%1.0f", v);
    ASSERT_TRUE(numboxFormatText(v, 0, out));
    EXPECT_STREQ(out, expected);
    ASSERT_TRUE(numboxFormatText(v, -3, out));
    EXPECT_STREQ(out, expected);
  }
  char out[numboxTextSize] = "keep";
  EXPECT_FALSE(numboxFormatText(1.0, 7, out));
  EXPECT_STREQ(out, "keep");
}
