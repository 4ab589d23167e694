// 16-bit stereo files as the ALSA file devices write them, read back as floats.
#pragma once
#include <string>
#include <vector>

// The two channels of a 16-bit stereo file, as floats.
struct Stereo {
  std::vector<float> left, right;
};
Stereo readStereo(const std::string& path);
// The frames that are not exact silence on both channels. Where the stream runs dry (the program late
// on a loaded machine) the system pads the file with silent frames of its own; without them the file
// holds the program's frames one for one, however late they came.
Stereo withoutSilentFrames(const Stereo& s);
std::vector<float> readLeft(const std::string& path);
