// The audio manager's life, its disabled channels and the client's going away.
#include "ABAudioManager.h"

#include "ABAudioClient.h"

#include <windows.h>

#include <cstring>

namespace {
int g_managersCreated = 0;
}

AudioManager::AudioManager(AudioHostClient* owner) {
  clientPointer = owner;
  instance = g_managersCreated++;
  for (int i = 0; i < AB_MAX_CHANNELS; ++i) {
    inputRoutes[i] = outputRoutes[i] = -1;
    blockInputIds[i] = blockOutputIds[i] = -1;
  }
  std::memset(midiInPorts, 0, sizeof midiInPorts);
  std::memset(midiOutPorts, 0, sizeof midiOutPorts);
  std::memset(outputDisabled, 0, sizeof outputDisabled);
  std::memset(inputDisabled, 0, sizeof inputDisabled);
}

AudioManager::~AudioManager() {
  if (layerOpen) closeDeviceLayer();
  if (clientPointer && clientPointer->ownedManager.get() == this) clientPointer->ownedManager.release();
}

void AudioManager::detachClient() {
  midiDetached_.store(true);
  while (midiForwards_.load() != 0) Sleep(1);  // a MIDI notification is still in the client
  beginChange();
  clientPointer = nullptr;
  endChange();
}

bool AudioManager::isChannelDisabled(bool isOutput, int index) {
  if (index < 0 || index >= AB_MAX_CHANNELS) return true;
  return (isOutput ? outputDisabled : inputDisabled)[index] != 0;
}

void AudioManager::setChannelDisabled(bool isOutput, int index, bool disabled) {
  if (index < 0 || index >= AB_MAX_CHANNELS) return;
  (isOutput ? outputDisabled : inputDisabled)[index] = disabled ? 1 : 0;
}

bool AudioManager::isRunning() {
  if (!AudioEngine::isRunning() || audioDevice < 0) return false;
  return abDevIsOpen(static_cast<uint32_t>(audioDevice)) == 1 &&
         abDevIsRunning(static_cast<uint32_t>(audioDevice)) == 1;
}

AudioTimeInfo* AudioManager::getTimeInfo() { return midiClock.timeRecord(); }
bool AudioManager::spareTrue1() { return true; }
bool AudioManager::spareTrue2() { return true; }
void AudioManager::spare5() {}
const int32_t* AudioManager::inputChannelIds() { return blockInputIds; }
const int32_t* AudioManager::outputChannelIds() { return blockOutputIds; }
