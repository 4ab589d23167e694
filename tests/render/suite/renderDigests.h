// Digests of whole-engine output: every oscillator mode at its heaviest settings, the heavy modes at
// 48,000 Hz and with notes and settings moving, the ladder filters with the Freq Shift modulators and
// the waveshaper on odd voice counts, the typical voice and the worst case. Each set-up is rendered
// through the audio client's sequence and digested as one 64-bit FNV-1a hash of the bits of both
// outputs. Used by the digest test (every lane set, every build against one stored file) and by the
// renderDigest tool (tests/perf).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RenderDigest {
  std::string name;
  std::uint64_t digest = 0;
  double energy = 0.0;  // sum of squares of both outputs
};

// Renders every set-up whose name contains `filter` for `blocks` sub-blocks and hands each digest on.
void renderDigestsRun(const char* filter, int blocks, const std::function<void(const RenderDigest&)>& each);

// One line of the stored file: name (up to 20 characters, padded), the digest in hexadecimal, "energy",
// the energy. renderDigestParse reads such a line back (false for anything else).
std::string renderDigestFormat(const RenderDigest& d);
bool renderDigestParse(const std::string& line, RenderDigest* d);
