// The device manager: enumeration in driver order, device lookup by id, and the manager's properties.
#include "ABDeviceManager.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <new>

#include "ABAsioDevice.h"
#include "ABAsioDriverList.h"
#include "ABDeviceErrors.h"
#include "ABDirectSoundDevice.h"
#include "ABMmeDevice.h"
#include "ABPropertyNames.h"
#include "ABWinMidi.h"

DeviceManager::DeviceManager(void* systemHandle) : listenerTable(32), systemHandle(systemHandle) {}

DeviceManager::~DeviceManager() {
  // Devices first: a running device still calls back into the ring and the listener table.
  for (std::unique_ptr<AudioMidiDevice>& d : ownedDevices_) d.reset();  // in enumeration order
  ownedDevices_.clear();
  devices.clear();
  midiDevice = nullptr;
  asioDriverList_.reset();  // after the ASIO devices, which use it
  asioDrivers = nullptr;
  ring.release();
}

bool DeviceManager::create() {
  typedef DeviceManager M;
  properties.add(kPropAudioDeviceList, this, &M::audioDeviceListInfo, &M::audioDeviceList);
  properties.add(kPropMidiDeviceList, this, &M::midiDeviceListInfo, &M::midiDeviceList);
  properties.add(kPropActiveAudioDevice, this, &M::activeAudioDeviceInfo, &M::activeAudioDevice);
  properties.add(kPropActiveMidiDevice, this, &M::activeMidiDeviceInfo, &M::activeMidiDevice);
  if (!ring.allocate(MidiInputRing::kCapacity)) return false;
  enumerate();
  return true;
}

void DeviceManager::enumerate() {
  // 1. ASIO drivers of the ASIO driver list, by index; the first becomes the default device.
  asioDriverList_.reset(new (std::nothrow) AsioDriverList());
  asioDrivers = asioDriverList_.get();
  if (asioDrivers) {
    asioDrivers->build();
    for (int i = 0; i < asioDrivers->count(); ++i) {
      char name[AsioDriverList::kLoadNameBytes];
      if (asioDrivers->name(i, name, sizeof name) != ASIO_LIST_OK) continue;
      AsioDevice* asio = new (std::nothrow) AsioDevice(asioDrivers, name, systemHandle);
      const uint32_t id = addDevice(asio);
      if (id && defaultDevice == 0) defaultDevice = id;
    }
  }

  // 2. One WinMidi device, which also sends MIDI output and reaches the host's notification.
  WinMidi* midi = new (std::nothrow) WinMidi(&midiNotify);
  if (midi) {
    addDevice(midi);
    midiDevice = midi;
  }

  // 3. DirectSound output devices and capture names; the first becomes the default device when no
  //    ASIO device did.
  std::vector<DirectSoundDevice*> directSound;
  DirectSoundDevice::enumerateDevices(&directSound);
  for (DirectSoundDevice* d : directSound) {
    const uint32_t id = addDevice(d);
    if (defaultDevice == 0) defaultDevice = id;
  }

  // 4. One MME device per waveOut device, by index; MME devices never become the default.
  UINT outputs = waveOutGetNumDevs();
  for (UINT i = 0; i < outputs; ++i) {
    MmeDevice* mme = new (std::nothrow) MmeDevice(i);
    if (mme) addDevice(mme);
  }
}

uint32_t DeviceManager::addDevice(AudioMidiDevice* device) {
  if (!device) return 0;
  // Ids are sequential: addresses would collide after masking, and 0 means "none" to the host.
  device->id = nextId_++;
  device->ring = &ring;
  device->listeners = &listenerTable;
  ownedDevices_.emplace_back(device);
  devices.push_back(device);
  return device->id;
}

AudioMidiDevice* DeviceManager::findDevice(uint32_t id) const {
  if (id == 0) return nullptr;
  for (AudioMidiDevice* d : devices)
    if (d->id == id) return d;
  return nullptr;
}

void DeviceManager::callListener(const char* name, uint32_t id) {
  DeviceListener* l = static_cast<DeviceListener*>(listenerTable.find(name));
  if (l && l->function) l->function(name, id, l->word1, l->word2);
}

int DeviceManager::deviceListInfo(uint32_t kind, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_BAD_VALUE;
  uint32_t n = 0;
  for (AudioMidiDevice* d : devices)
    if (d->kind == kind) ++n;
  *size = 4 * n;
  if (changeable) *changeable = 0;
  return AB_OK;
}

int DeviceManager::deviceList(uint32_t kind, void* buffer, uint32_t* size) {
  if (!size || (*size > 0 && !buffer)) return AB_ERR_BAD_VALUE;
  uint32_t room = *size / 4, n = 0;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  for (AudioMidiDevice* d : devices) {
    if (d->kind != kind) continue;
    if (n >= room) break;
    std::memcpy(out + 4 * n, &d->id, 4);
    ++n;
  }
  *size = 4 * n;
  return AB_OK;
}

int DeviceManager::activeDeviceInfo(uint32_t kind, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_BAD_VALUE;
  *size = 0;
  for (AudioMidiDevice* d : devices)
    if (d->kind == kind && d->isOpen()) {
      *size = 4;
      break;
    }
  if (changeable) *changeable = 1;
  return AB_OK;
}

int DeviceManager::activeDevice(uint32_t kind, void* buffer, uint32_t* size) {
  if (!size || !buffer || *size < 4) return AB_ERR_BAD_VALUE;
  uint32_t id = 0;
  for (AudioMidiDevice* d : devices)
    if (d->kind == kind && d->isOpen()) {
      id = d->id;
      break;
    }
  std::memcpy(buffer, &id, 4);
  *size = id ? 4 : 0;
  return AB_OK;
}

int DeviceManager::audioDeviceListInfo(uint32_t* s, uint32_t* c) {
  return deviceListInfo(AudioMidiDevice::KIND_AUDIO, s, c);
}
int DeviceManager::audioDeviceList(void* b, uint32_t* s) { return deviceList(AudioMidiDevice::KIND_AUDIO, b, s); }
int DeviceManager::midiDeviceListInfo(uint32_t* s, uint32_t* c) {
  return deviceListInfo(AudioMidiDevice::KIND_MIDI, s, c);
}
int DeviceManager::midiDeviceList(void* b, uint32_t* s) { return deviceList(AudioMidiDevice::KIND_MIDI, b, s); }
int DeviceManager::activeAudioDeviceInfo(uint32_t* s, uint32_t* c) {
  return activeDeviceInfo(AudioMidiDevice::KIND_AUDIO, s, c);
}
int DeviceManager::activeAudioDevice(void* b, uint32_t* s) { return activeDevice(AudioMidiDevice::KIND_AUDIO, b, s); }
int DeviceManager::activeMidiDeviceInfo(uint32_t* s, uint32_t* c) {
  return activeDeviceInfo(AudioMidiDevice::KIND_MIDI, s, c);
}
int DeviceManager::activeMidiDevice(void* b, uint32_t* s) { return activeDevice(AudioMidiDevice::KIND_MIDI, b, s); }
