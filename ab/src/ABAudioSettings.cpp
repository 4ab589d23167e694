// The host's registry settings: the audio device, its input device, the channel routes, the sample
// rate, the latencies and the MIDI ports, read at start-up (and after a reset) and written back; and
// the two steps of a device reset.
#include "ABAudioManager.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ABDeviceAccessors.h"
#include "ABPropertyNames.h"
#include "GPClamp.h"
#include "GPRegistryKey.h"

namespace {

const int kReadScope = 2;   // the user key, then the machine key
const int kWriteScope = 0;  // the user key
const size_t kNameCompare = 20;
const int kMaxPorts = 256;    // ports of one direction that the routes are applied to
const int kFirstOutputs = 2;  // the outputs routed when the settings route none: left and right

bool sameName(const std::string& a, const std::string& b) {
  return a.compare(0, kNameCompare, b, 0, kNameCompare) == 0;
}

// Rates a device that lists none may be asked for.
const int kLowestRate = 8000;
const int kHighestRate = 384000;

// Whether a stored rate is one the device offers (any rate of the plain range when it lists none).
bool rateOffered(uint32_t id, int rate) {
  std::vector<int> rates;
  if (listSampleRates(id, &rates, nullptr) == AB_OK && !rates.empty()) {
    for (int offered : rates)
      if (offered == rate) return true;
    return false;
  }
  return rate >= kLowestRate && rate <= kHighestRate;
}

// A stored route: -1 (not routed) up to the last channel; true when the stored value was inside.
bool routeInRange(int32_t value) { return value >= -1 && value < AB_MAX_CHANNELS; }

}  // namespace

std::string AudioManager::settingName(const char* key) const {
  char name[160];
  if (instance == 0)
    std::snprintf(name, sizeof name, "%s %s", "AB", key);
  else
    std::snprintf(name, sizeof name, "%s %d %s", "AB", instance, key);
  return name;
}

void AudioManager::updateClockLatency(uint32_t deviceId) {
  const int ms = deviceLatency(deviceId);
  const int rate = deviceRate > 0 ? deviceRate : 44100;
  midiClock.latencySamples =
      ms != 0 ? static_cast<int32_t>(std::lround(ms * rate * 0.001)) : deviceBufferSize(deviceId);
}

bool AudioManager::restartDevice(uint32_t deviceId, bool start) {
  updateClockLatency(deviceId);
  samplePosition = 0;
  return abDevStart(deviceId, start) == AB_OK;
}

bool AudioManager::switchDevice(uint32_t deviceId, bool open) {
  if (abDevOpen(deviceId, open) != AB_OK) return false;
  if (open) {
    abDevSetClient(rateTimer.get());
    abDevSetCallback(deviceId, abAudioCallback, this, this);
  }
  audioDevice = static_cast<int32_t>(deviceId);
  return true;
}

int AudioManager::setLatency(uint32_t deviceId, int ms) {
  latencyMs = ms;
  const int32_t value = ms;
  return abDevSetProperty(kPropLatency, deviceId, &value, 4);
}

int AudioManager::loadSettings() {
  // 1. Nothing open, nothing routed.
  if (audioDevice != -1) {
    const uint32_t current = static_cast<uint32_t>(audioDevice);
    if (abDevIsRunning(current) == 1) abDevStart(current, false);
    if (abDevIsOpen(current) == 1) abDevOpen(current, false);
  }
  audioDevice = -1;
  for (int i = 0; i < AB_MAX_CHANNELS; ++i) {
    inputRoutes[i] = outputRoutes[i] = -1;
    midiInPorts[i] = midiOutPorts[i] = 0;
  }
  RegistryKey* settings = gpSettings();
  if (!settings) return 0;

  // 2.-3. The device of that name (on its first 20 characters).
  std::string wanted;
  settings->getString(settingName("AudioDevice").c_str(), "", wanted, kReadScope);
  if (wanted.empty()) return 0;
  int32_t found = -1;
  for (uint32_t id : audioDevices) {
    std::string name;
    if (deviceName(id, &name) == AB_OK && sameName(name, wanted)) {
      found = static_cast<int32_t>(id);
      break;
    }
  }
  if (found == -1) return 0;
  const uint32_t id = static_cast<uint32_t>(found);

  // 4.-5. Open it and give it the block callback.
  if (abDevOpen(id, true) != AB_OK) return 0;
  audioDevice = found;
  abDevSetCallback(id, abAudioCallback, this, this);

  // 6. The input device of that name, when one is stored.
  std::string input;
  settings->getString(settingName("AudioInputDevice").c_str(), "", input, kReadScope);
  if (!input.empty()) {
    std::vector<AudioInDeviceEntry> inputs;
    listInputDevices(id, &inputs);
    for (const AudioInDeviceEntry& e : inputs) {
      if (sameName(e.name, input)) {
        selectInputDevice(id, &e);
        break;
      }
    }
  }

  // Stored values outside their ranges never reach the device: the default is used instead, and the
  // answer is 0, so that the "Audio Setup" dialog opens as for a missing device (the device plays
  // meanwhile with the defaults).
  bool refused = false;

  // 7. Routes; anything outside -1..31 reads as "not routed" and is refused.
  char key[40];
  bool refusedOutput = false;
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
    int32_t v = -1;
    std::snprintf(key, sizeof key, "OutputChannel %d", n);
    settings->getInt(settingName(key).c_str(), -1, v, kReadScope);
    refusedOutput = refusedOutput || !routeInRange(v);
    outputRoutes[n] = routeInRange(v) ? v : -1;
    v = -1;
    std::snprintf(key, sizeof key, "InputChannel %d", n);
    settings->getInt(settingName(key).c_str(), -1, v, kReadScope);
    refused = refused || !routeInRange(v);
    inputRoutes[n] = routeInRange(v) ? v : -1;
  }

  // No output routed at all (the routes missing, or stored as texts, which count as missing): the
  // device would play nothing and say nothing, so the client's first outputs go to the device's first
  // outputs, as a user expects to hear them.
  // (A route refused for its range opens the "Audio Setup" dialog instead, where the user routes.)
  refused = refused || refusedOutput;
  bool anyOutput = false;
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) anyOutput = anyOutput || outputRoutes[n] != -1;
  if (!anyOutput && !refusedOutput)
    for (int n = 0; n < kFirstOutputs; ++n) outputRoutes[n] = n;  // a port the device lacks stays off

  // 8. The rate; one that is not above 0 is ignored (the device keeps its own), one the device does
  //    not offer is refused (44,100 Hz instead). When the device does not take the rate, its own is
  //    used.
  int32_t rate = 44100;
  settings->getInt(settingName("SampleRate").c_str(), 44100, rate, kReadScope);
  if (rate <= 0) {
    rate = ::deviceSampleRate(id);
  } else if (!rateOffered(id, rate)) {
    refused = true;
    rate = 44100;
  }
  setSampleRate(id, rate);
  int32_t actual = 0;
  uint32_t size = 4;
  if (abDevGetProperty(kPropSampleRate, id, &actual, &size) == AB_OK && actual > 0 && actual != rate)
    setSampleRate(id, actual);

  // 9. Latencies in the device's range when it gives one, else in 1..10,000 ms; one outside it is
  //    refused (the default 10 ms, brought into the range).
  int low = 0, high = 0;
  auto boundLatency = [&](int32_t stored, bool hasRange) {
    if (!hasRange || low > high) {
      low = 1;
      high = 10000;
    }
    if (stored < low || stored > high) {
      refused = true;
      stored = gpClamp(10, low, high);
    }
    return stored;
  };
  int32_t latency = 10;
  settings->getInt(settingName("Latency").c_str(), 10, latency, kReadScope);
  latency = boundLatency(latency, latencyRange(id, &low, &high));
  setLatency(id, latency);
  // A device without an input latency is saved with 0: nothing of it reaches that device anyway.
  int32_t inputLatency = 10;
  settings->getInt(settingName("InputLatency").c_str(), 10, inputLatency, kReadScope);
  bool changeable = false;
  if (hasInputLatency(id, &changeable)) inputLatency = boundLatency(inputLatency, inputLatencyRange(id, &low, &high));
  setInputLatency(id, inputLatency);

  // 10. The latency in frames for the MIDI clock.
  updateClockLatency(id);

  // 11. MIDI port switches.
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
    int32_t v = 0;
    std::snprintf(key, sizeof key, "MidiOutPort %d", n);
    settings->getInt(settingName(key).c_str(), 0, v, kReadScope);
    midiOutPorts[n] = v != 0 ? 1 : 0;
    v = 0;
    std::snprintf(key, sizeof key, "MidiInPort %d", n);
    settings->getInt(settingName(key).c_str(), 0, v, kReadScope);
    midiInPorts[n] = v != 0 ? 1 : 0;
  }

  // 12. Each port is on exactly when some route names it; the MIDI ports as their switches say.
  applyRoutes(false, inputRoutes);
  applyRoutes(true, outputRoutes);
  applyMidiPorts(false, midiInPorts);
  applyMidiPorts(true, midiOutPorts);

  // 13. Play.
  restartDevice(id, true);
  return refused ? 0 : 1;
}

void AudioManager::applyRoutes(bool isOutput, const int32_t* routes) {
  int32_t* own = isOutput ? outputRoutes : inputRoutes;
  if (routes != own)
    for (int n = 0; n < AB_MAX_CHANNELS; ++n)
      own[n] = (routes[n] >= -1 && routes[n] < AB_MAX_CHANNELS) ? routes[n] : -1;
  if (audioDevice == -1) return;
  const uint32_t id = static_cast<uint32_t>(audioDevice);
  int ports = portCount(id, isOutput);
  if (ports > kMaxPorts) ports = kMaxPorts;
  for (int p = 0; p < ports; ++p) {
    bool on = false;
    for (int n = 0; n < AB_MAX_CHANNELS; ++n) on = on || own[n] == p;
    setPortEnabled(id, p, isOutput, on);
    setPortActive(id, p, isOutput, on);
  }
}

void AudioManager::applyMidiPorts(bool isOutput, const uint8_t* switches) {
  uint8_t* own = isOutput ? midiOutPorts : midiInPorts;
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) own[n] = switches[n] != 0 ? 1 : 0;
  if (midiDevice == -1) return;
  for (int n = 0; n < AB_MAX_CHANNELS; ++n)
    setPortDescription(static_cast<uint32_t>(midiDevice), n, isOutput, own[n] != 0, own[n] != 0);
}

void AudioManager::saveSettings() {
  RegistryKey* settings = gpSettings();
  if (audioDevice == -1 || !settings) return;
  const uint32_t id = static_cast<uint32_t>(audioDevice);
  std::string name;
  deviceName(id, &name);
  settings->setString(settingName("AudioDevice").c_str(), name.c_str(), kWriteScope);
  char key[40];
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
    std::snprintf(key, sizeof key, "OutputChannel %d", n);
    settings->setInt(settingName(key).c_str(), outputRoutes[n], kWriteScope);
    std::snprintf(key, sizeof key, "InputChannel %d", n);
    settings->setInt(settingName(key).c_str(), inputRoutes[n], kWriteScope);
  }
  settings->setInt(settingName("SampleRate").c_str(), ::deviceSampleRate(id), kWriteScope);
  settings->setInt(settingName("Latency").c_str(), latencyMs, kWriteScope);
  settings->setInt(settingName("InputLatency").c_str(), deviceInputLatency(id), kWriteScope);
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
    std::snprintf(key, sizeof key, "MidiOutPort %d", n);
    settings->setInt(settingName(key).c_str(), midiOutPorts[n], kWriteScope);
    std::snprintf(key, sizeof key, "MidiInPort %d", n);
    settings->setInt(settingName(key).c_str(), midiInPorts[n], kWriteScope);
  }
  AudioInDeviceEntry input;
  const bool hasInput = activeInputDevice(id, &input) == AB_OK;
  settings->setString(settingName("AudioInputDevice").c_str(), hasInput ? input.name : "", kWriteScope);
}
