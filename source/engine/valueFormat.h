// Text form of numbers, the pages' level unit and the pitch conversions shared by the whole program.
// Levels are "dB" of 6 per doubling of the linear gain (6 x log2 gain). Increments are steps through
// a 1024-sample table per output sample at 44,100 Hz (increment = Hz x 1024 / 44,100).
#pragma once
#include <cstddef>
#include <cstdint>

// decimals 0: "%d" of the value truncated toward zero; 1..6: "%1.Nf"; any other count writes nothing.
// The buffer must hold at least 48 bytes.
void formatValue(char* text, float value, std::uint16_t decimals);

// A number's text that rounds to zero carries no minus sign: "-0.0 dB" becomes "0.0 dB" in place, and
// a text padded to a width ("  -0.00") keeps it ("   0.00"). Any other text (a digit other than 0, an
// exponent, no number at all) is left as it is.
inline void textDropMinusZero(char* text) {
  if (!text) return;
  char* sign = text;
  while (*sign == ' ') ++sign;
  if (*sign != '-') return;
  const char* c = sign + 1;
  bool zero = false;
  for (; (*c >= '0' && *c <= '9') || *c == '.'; ++c) {
    if (*c != '0' && *c != '.') return;
    zero = zero || *c == '0';
  }
  if (!zero || *c == 'e' || *c == 'E') return;
  if (sign != text) {
    *sign = ' ';
    return;
  }
  for (char* p = text; *p; ++p) p[0] = p[1];
}

// Every level text of the pages: "%1.1f dB" of a level in dB, one that rounds to zero read "0.0 dB".
void formatDb(char* out, std::size_t capacity, double db);
// A level within 0.199 dB of its whole number (cut toward zero) is shown as that whole number.
double dbSnapWhole(double db);

double gainToDb6(double gain);       // 6 x log2(gain); 0 or less is taken as 1e-08 (-159.45)
double db6ToGain(double level);      // 2^(level / 6)
double pitchNoteToHz(double note);   // 8.175798 x 1.0594630964^note
double pitchNoteToInc(double note);  // the note's increment
double pitchHzToNote(double hz);
double pitchSemisToRatio(double semis);  // 2^(semis / 12)
double pitchRatioToSemis(double ratio);
double pitchHzToInc(double hz);                // hz x 1024 / 44,100
double pitchIncToHz(double inc);               // inc x 44,100 / 1024
double pitchSemisToRatioOrZero(double semis);  // 0.0 for exactly 0 semitones, else 2^(semis / 12)
inline double semisToRatioClamped(double semis) { return pitchSemisToRatio(semis); }
