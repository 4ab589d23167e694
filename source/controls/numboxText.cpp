// The number box's value text and typed-text parser.
#include "controls/numboxText.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/valueFormat.h"

bool numboxFormatText(double value, int decimals, char* out) {
  if (!out) return false;
  if (decimals > 6) return false;
  out[0] = 0;
  if (decimals < 1) decimals = 0;
  static const double bias[7] = {0, 0.049, 0.0049, 0.00049, 0.000049, 0.0000049, 0.00000049};
  const double shown = decimals ? value + bias[decimals] : value;
  // Fewer decimals before a cut text: the integer part always shows whole.
  for (int d = decimals; d >= 0; --d) {
    const int n = std::snprintf(out, numboxTextSize, "%1.*f", d, shown);
    if (n >= 0 && n < numboxTextSize) {
      textDropMinusZero(out);
      return true;
    }
  }
  std::snprintf(out, numboxTextSize, "%.6e", value);
  return true;
}

double numboxParseText(const char* text) {
  if (!text) return 0.0;
  const size_t len = strnlen(text, numboxParseLimit);
  double mantissa = 0.0, scale = 1.0, divisor = 1.0;
  bool negative = false;
  for (size_t i = len; i-- > 0;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= '0' && c <= '9') {
      mantissa += (c - '0') * scale;
      scale *= 10.0;
    } else if (c == '-') {
      negative = true;
    } else if (c == '.' || c == ',') {
      // Walking backwards, the last separator met is the leftmost one and wins.
      divisor = std::pow(10.0, static_cast<double>(len - 1 - i));
    }
  }
  const double result = mantissa / divisor;
  return negative ? -result : result;
}
