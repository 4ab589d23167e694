#include "support/stereoFile.h"

#include <cstdio>

Stereo readStereo(const std::string& path) {
  Stereo s;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return s;
  short pair[2];
  while (std::fread(pair, sizeof(short), 2, f) == 2) {
    s.left.push_back(pair[0] / 32768.0f);
    s.right.push_back(pair[1] / 32768.0f);
  }
  std::fclose(f);
  return s;
}

Stereo withoutSilentFrames(const Stereo& s) {
  Stereo kept;
  for (size_t i = 0; i < s.left.size() && i < s.right.size(); ++i)
    if (s.left[i] != 0.0f || s.right[i] != 0.0f) {
      kept.left.push_back(s.left[i]);
      kept.right.push_back(s.right[i]);
    }
  return kept;
}

std::vector<float> readLeft(const std::string& path) { return readStereo(path).left; }
