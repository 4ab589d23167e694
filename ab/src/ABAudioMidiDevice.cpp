// The device base: defaults shared by every driver.
#include "ABAudioMidiDevice.h"

#include <cstring>

AudioMidiDevice::AudioMidiDevice(uint32_t kind) : kind(kind) { std::memset(&block, 0, sizeof block); }

AudioMidiDevice::~AudioMidiDevice() = default;

int AudioMidiDevice::sendMidi(const MidiRingSlot*) { return 0; }

int AudioMidiDevice::setClient(AudioDeviceClient* newClient) {
  client = newClient;
  return 0;
}
