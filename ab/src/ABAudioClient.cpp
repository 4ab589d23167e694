// The audio client base classes: channel mapping and the forwards to the manager.
#include "ABAudioClient.h"

#include "ABAudioManager.h"
#include "ABSetupLists.h"
#include "GPClamp.h"

AudioClientBase::AudioClientBase() {
  for (int i = 0; i < 32; ++i) inputMap[i] = outputMap[i] = nullptr;
}

AudioClientBase::~AudioClientBase() = default;

bool AudioClientBase::acceptsCall(int) { return true; }
void AudioClientBase::close() {}
void AudioClientBase::rewindMidi() {
  if (manager) manager->rewindMidi();
}
bool AudioClientBase::setOverloadGuard(bool on, int thresholdPercent) {
  return manager ? manager->setOverloadGuard(on, thresholdPercent) : on;
}
void AudioClientBase::notify(int, int, int) {}
bool AudioClientBase::overloadDecision() { return false; }
void AudioClientBase::sysEx(MidiEventRecord*) {}
void AudioClientBase::shortMidi(MidiEventRecord*) {}
void AudioClientBase::spareHook1(int) {}
int AudioClientBase::spareHook2() { return 0; }
int AudioClientBase::spareHook3() { return 0; }
int AudioClientBase::managerHook() { return manager ? manager->managerHook() : 0; }

float** AudioClientBase::mapSequential(bool isOutput, float** buffers, int count) {
  float** map = isOutput ? outputMap : inputMap;
  int channels = isOutput ? outputCount() : inputCount();
  if (channels > 32) channels = 32;
  if (count > 32) count = 32;
  if (!buffers) count = 0;
  int next = 0;
  for (int i = 0; i < channels; ++i) {
    map[i] = nullptr;
    if (manager && manager->isChannelDisabled(isOutput, i)) continue;
    if (next < count) map[i] = buffers[next++];
  }
  return map;
}

float** AudioClientBase::mapOutputs(float** deviceOutputs, int count) {
  return mapSequential(true, deviceOutputs, count);
}

float** AudioClientBase::mapInputs(float** deviceInputs, int count) {
  return mapSequential(false, deviceInputs, count);
}

AudioHostClient::AudioHostClient(AudioManager* given) {
  for (bool& k : driverKinds) k = true;
  ownedManager.reset(given ? given : new AudioManager(this));
  manager = ownedManager.get();
}

AudioHostClient::~AudioHostClient() {
  if (manager) {
    manager->setMuted(true);
    manager->detachClient();
  }
  ownedManager.reset();
  manager = nullptr;
}

void AudioHostClient::close() {
  if (manager) manager->closeDeviceLayer();
}

void AudioHostClient::rewindMidi() {
  if (manager) manager->rewindMidi();
}

float** AudioHostClient::mapRouted(bool isOutput, float** buffers, int count) {
  float** map = isOutput ? outputMap : inputMap;
  int channels = isOutput ? outputCount() : inputCount();
  channels = gpClamp(channels, 0, 32);
  if (count > 32) count = 32;
  if (!buffers) count = 0;
  const int* ids = manager ? (isOutput ? manager->outputChannelIds() : manager->inputChannelIds()) : nullptr;
  for (int i = 0; i < channels; ++i) {
    map[i] = nullptr;
    if (!manager || !ids) continue;
    const int route = isOutput ? manager->outputRoutes[i] : manager->inputRoutes[i];
    if (route == -1 || manager->isChannelDisabled(isOutput, i)) continue;
    for (int j = 0; j < count; ++j)
      if (ids[j] == route) map[i] = buffers[j];  // a later match wins
  }
  return map;
}

float** AudioHostClient::mapOutputs(float** deviceOutputs, int count) { return mapRouted(true, deviceOutputs, count); }

float** AudioHostClient::mapInputs(float** deviceInputs, int count) { return mapRouted(false, deviceInputs, count); }

bool AudioHostClient::setOverloadGuard(bool on, int thresholdPercent) {
  return manager ? manager->setOverloadGuard(on, thresholdPercent) : on;
}

int AudioHostClient::managerHook() { return manager ? manager->managerHook() : 0; }

bool AudioHostClient::open(void* systemHandle) {
  if (manager) manager->openDeviceLayer(systemHandle);
  // The setup dialog's list classes, once per process.
  static bool listsRegistered = false;
  if (!listsRegistered) {
    abRegisterSetupLists();
    listsRegistered = true;
  }
  return true;
}

int AudioHostClient::loadSettings() { return manager ? manager->loadSettings() : 0; }

void AudioHostClient::setResampling(bool on) {
  if (manager) manager->setResampling(on);
}

void AudioHostClient::setBlockMode(bool on, int blockSize, bool allowMultiples) {
  if (manager) manager->setBlockMode(on, blockSize, allowMultiples);
}

void AudioHostClient::setMuted(bool on) {
  if (manager) manager->setMuted(on);
}

bool AudioHostClient::nextMidiEvent(int offset, MidiEventRecord* event, int* nextOffset) {
  if (!manager) {
    if (nextOffset) *nextOffset = -1;
    return false;
  }
  return manager->nextMidiEvent(offset, event, MIDI_EVENT_SHORT, nextOffset);
}

const int* AudioHostClient::inputChannelIds() { return manager ? manager->inputChannelIds() : nullptr; }

const int* AudioHostClient::outputChannelIds() { return manager ? manager->outputChannelIds() : nullptr; }

void AudioHostClient::setClipOutput(bool on) {
  if (manager) manager->setClipOutput(on);
}

float AudioHostClient::cpuLoad() { return manager ? manager->cpuLoad() : 0.0f; }

bool AudioHostClient::queryOption(bool isOutput, int index) {
  return manager ? manager->queryOption(isOutput, index) : true;
}
