#include "engine/valueFormat.h"

#include <cmath>
#include <cstdio>

void formatValue(char* text, float value, std::uint16_t decimals) {
  if (!text) return;
  if (decimals == 0) {
    // Truncated toward zero; a value outside the range of an int is limited to it.
    double v = std::trunc(static_cast<double>(value));
    long long n = 0;
    if (v >= 2147483647.0)
      n = 2147483647LL;
    else if (v <= -2147483648.0)
      n = -2147483648LL;
    else if (v == v)
      n = static_cast<long long>(v);
    std::snprintf(text, 48, "%d", static_cast<int>(n));
    return;
  }
  if (decimals > 6) return;
  char fmt[8] = "%1.0f";
  fmt[3] = static_cast<char>('0' + decimals);
  // Enough for any float with six decimals: 39 digits, sign, point, six decimals and the zero.
  std::snprintf(text, 48, fmt, static_cast<double>(value));
  textDropMinusZero(text);
}

void formatDb(char* out, std::size_t capacity, double db) {
  if (!out || capacity == 0) return;
  std::snprintf(out, capacity, "%1.1f dB", db);
  textDropMinusZero(out);
}

double dbSnapWhole(double db) {
  const double whole = std::trunc(db);
  return db - whole > -0.199 && db - whole < 0.199 ? whole : db;
}

double gainToDb6(double gain) {
  if (!(gain > 0.0)) gain = 1e-08;  // 0 (and a negative gain, which has no level) reads as 1e-08
  return -6.0 * std::log(1.0 / gain) / std::log(2.0);
}

double db6ToGain(double level) { return 1.0 / std::pow(2.0, level * -0.16666666666666666); }

double pitchNoteToHz(double note) { return std::pow(1.0594630964, note) * 8.175798; }

double pitchNoteToInc(double note) { return std::pow(1.0594630964, note) * 8.175798 * 0.023219954648526078; }

double pitchHzToNote(double hz) { return std::log(hz * 0.12231221955336959) * 17.312339914210263; }

double pitchSemisToRatio(double semis) { return std::pow(2.0, semis * 0.08333333333333333); }

double pitchRatioToSemis(double ratio) { return std::log(ratio) * 17.3123404907; }

double pitchHzToInc(double hz) { return hz * 0.023219954648526078; }

double pitchIncToHz(double inc) { return inc * 43.06640625; }

double pitchSemisToRatioOrZero(double semis) { return semis == 0.0 ? 0.0 : std::pow(2.0, semis * 0.08333333333333333); }
