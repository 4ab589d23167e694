// Helpers of the host's settings tests: the libraries started once per process with a settings object
// of this process's own program name, the registry values read straight from the key, and a client
// that plays a sine on its first output.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "ABAudioClient.h"

class AudioManager;

// gpInit once, and the settings object opened with a program name of this process.
void startHostSettings();
// This process's program name ("MorvaneAbTest" and the process id) and its user key path.
std::string settingsProgram();
std::string settingsUserPath();
// Removes every value of the program's user key.
void clearSettings();
// The stored values, read with the registry functions; false when missing.
bool storedInt(const std::string& name, int32_t* value);
bool storedText(const std::string& name, std::string* value);
// Values written by hand (bypassing the settings object).
void storeInt(const std::string& name, int32_t value);
void storeText(const std::string& name, const std::string& value);

// The first enumerated MME device (found by name: the MME device describes itself only while open),
// 0 when none.
uint32_t firstMme(AudioManager* m);

// A client of 2 inputs and 2 outputs accepting rates up to 48,100 Hz: a 440 Hz sine at half scale on
// output 0, silence on output 1.
class SineClient : public AudioHostClient {
 public:
  void process(float** in, float** out, int nIn, int nOut, int frames) override;
  bool supportsRate(float rate) override { return rate > 0.0f && rate <= 48100.0f; }
  void inputName(int index, std::string* name) override { *name = "In " + std::to_string(index + 1); }
  void outputName(int index, std::string* name) override { *name = "Out " + std::to_string(index + 1); }
  int inputCount() override { return 2; }
  int outputCount() override { return 2; }
  void setSampleRate(float rate) override { clientRate.store(static_cast<int>(rate)); }

  std::atomic<int> clientRate{0};
  std::atomic<int> blocks{0};
  double phase = 0.0;
};
