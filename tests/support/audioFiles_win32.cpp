// Paths of the ALSA file devices that the Wine test environment points the audio devices at.
#include "support/audioFiles.h"

#include <cstdlib>

std::string audioOutputFile(int rate, int channels, const char* format) {
  const char* env = std::getenv("MORVANE_AUDIO_OUT");
  if (!env) return std::string();
  std::string s = env, out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 1 < s.size()) {
      char c = s[++i];
      if (c == 'r')
        out += std::to_string(rate);
      else if (c == 'c')
        out += std::to_string(channels);
      else if (c == 'f')
        out += format;
      else
        out += c;
    } else {
      out += s[i];
    }
  }
  return "Z:" + out;
}

std::string audioInputFile() {
  const char* env = std::getenv("MORVANE_AUDIO_IN");
  return env ? "Z:" + std::string(env) : std::string();
}
