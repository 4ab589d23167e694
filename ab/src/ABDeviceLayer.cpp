// Opening and closing the device layer, the sample-rate change and the manager's device client.
#include "ABAudioManager.h"

#include "ABDeviceAccessors.h"
#include "ABPropertyNames.h"

#include <atomic>

namespace {

std::atomic<bool> g_hostRunning{false};

}  // namespace

bool abHostRunning() { return g_hostRunning.load(std::memory_order_acquire); }

int AudioManager::openDeviceLayer(void* systemHandle) {
  // A second manager finds the device layer made: it uses it and leaves its destruction to the first.
  ownsDeviceLayer = abDevCreate(0x10001, systemHandle) == 0;
  if (!rateTimer) rateTimer = std::make_unique<AudioRateTimer>(this);
  abDevSetClient(rateTimer.get());
  abSetMidiNotify(abMidiNotify);
  listAudioDevices(&audioDevices);
  listMidiDevices(&midiDevices);
  audioDevice = -1;
  for (int i = 0; i < AB_MAX_CHANNELS; ++i) {
    inputRoutes[i] = outputRoutes[i] = -1;
    inputDisabled[i] = outputDisabled[i] = 0;
    midiInPorts[i] = midiOutPorts[i] = 0;
  }
  if (!midiDevices.empty() && instance == 0) {
    midiDevice = static_cast<int32_t>(midiDevices[0]);
    abDevOpen(midiDevices[0], true);
    abDevSetCallback(midiDevices[0], abAudioCallback, this, this);
    abDevStart(midiDevices[0], true);
  }
  layerOpen = true;
  g_hostRunning.store(true, std::memory_order_release);
  return 1;
}

void AudioManager::closeDeviceLayer() {
  abDevSetClient(nullptr);
  // The devices stop before the client goes: a driver thread may still be asking it for a reset.
  if (audioDevice != -1) {
    abDevStart(static_cast<uint32_t>(audioDevice), false);
    abDevOpen(static_cast<uint32_t>(audioDevice), false);
    audioDevice = -1;
  }
  if (midiDevice != -1) {
    abDevStart(static_cast<uint32_t>(midiDevice), false);
    abDevOpen(static_cast<uint32_t>(midiDevice), false);
    midiDevice = -1;
  }
  rateTimer.reset();
  layerOpen = false;
  if (ownsDeviceLayer) {
    g_hostRunning.store(false, std::memory_order_release);
    abDevDestroy();
  }
  ownsDeviceLayer = false;
}

void AudioManager::setSampleRate(uint32_t deviceId, int rate) {
  setDeviceRate(rate);
  if (rate <= 0) return;  // refused: neither the clock nor the device takes it
  midiClock.setRate(rate);
  int32_t value = rate;
  abDevSetProperty(kPropSampleRate, deviceId, &value, 4);
}
