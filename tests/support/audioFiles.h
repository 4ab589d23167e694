// Paths of the ALSA file devices that the Wine test environment points the audio devices at.
// Tests that use them take the ctest resource lock "alsa_files".
#pragma once
#include <string>

// The file the output device writes for a stream format ($MORVANE_AUDIO_OUT with %r rate, %c channels
// and %f ALSA format such as "S16_LE" filled in), as a Windows path; empty outside the test harness.
std::string audioOutputFile(int rate, int channels, const char* format);
// The raw file the capture device reads ($MORVANE_AUDIO_IN), as a Windows path; empty outside the harness.
std::string audioInputFile();
