// The number box's text forms: the value text it shows (and seeds in-place entry with) and the parser
// of typed text. Platform-free, so the native build measures and checks them too.
#pragma once
#include <cstddef>

enum { numboxTextSize = 16, numboxParseLimit = 256 };

// Writes the value's text for 0..6 decimals into out (numboxTextSize bytes, always terminated):
// "%1.0f" below one decimal, else "%1.<d>f" of value + 0.49 x 10^-d. A text that would not fit in 15
// characters drops decimals until it does; beyond that the value is written as "%.6e". With more than
// 6 decimals nothing is written (false).
bool numboxFormatText(double value, int decimals, char* out);

// Parses typed text from its last character back: digits make the mantissa, a '-' anywhere makes the
// result negative, the leftmost '.' or ',' sets the divisor to 10^(characters after it), every other
// byte is ignored. Only the first numboxParseLimit characters are read, so the result is always finite.
double numboxParseText(const char* text);
