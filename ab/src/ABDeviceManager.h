// The device manager: one per process. It enumerates every driver's devices at creation, owns them and
// the MIDI input ring, and answers its own named properties.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "ABAudioMidiDevice.h"
#include "ABMidiInputRing.h"
#include "ABPropertyTable.h"

class AsioDriverList;

class DeviceManager {
 public:
  explicit DeviceManager(void* systemHandle);
  virtual ~DeviceManager();  // deletes every device
  DeviceManager(const DeviceManager&) = delete;
  DeviceManager& operator=(const DeviceManager&) = delete;

  // Registers the manager's properties, allocates the ring and enumerates the devices.
  virtual bool create();
  // Gives the device the next id, the ring and the listener table, and appends it. Returns the id.
  // Takes ownership of the device.
  uint32_t addDevice(AudioMidiDevice* device);
  // The device with the id, or null.
  AudioMidiDevice* findDevice(uint32_t id) const;
  // Calls the listener registered under the name, if any, with (name, id, its two words).
  void callListener(const char* name, uint32_t id);

  // The manager's properties.
  int audioDeviceListInfo(uint32_t* size, uint32_t* changeable);
  int audioDeviceList(void* buffer, uint32_t* size);
  int midiDeviceListInfo(uint32_t* size, uint32_t* changeable);
  int midiDeviceList(void* buffer, uint32_t* size);
  int activeAudioDeviceInfo(uint32_t* size, uint32_t* changeable);
  int activeAudioDevice(void* buffer, uint32_t* size);
  int activeMidiDeviceInfo(uint32_t* size, uint32_t* changeable);
  int activeMidiDevice(void* buffer, uint32_t* size);

  std::atomic<AbMidiNotify> midiNotify{nullptr};  // read on the MIDI thread
  DevicePropertyMaps<DeviceManager> properties;   // the manager's own (information and get)
  PropertyTable listenerTable;
  uint32_t defaultDevice = 0;
  MidiInputRing ring;
  AudioMidiDevice* midiDevice = nullptr;  // the WinMidi device that sends MIDI output
  void* systemHandle;
  std::vector<AudioMidiDevice*> devices;  // in enumeration order
  AudioDeviceClient* client = nullptr;
  AsioDriverList* asioDrivers = nullptr;  // the installed ASIO drivers, shared by the ASIO devices

 private:
  int deviceListInfo(uint32_t kind, uint32_t* size, uint32_t* changeable);
  int deviceList(uint32_t kind, void* buffer, uint32_t* size);
  int activeDeviceInfo(uint32_t kind, uint32_t* size, uint32_t* changeable);
  int activeDevice(uint32_t kind, void* buffer, uint32_t* size);
  void enumerate();

  uint32_t nextId_ = 1;
  std::vector<std::unique_ptr<AudioMidiDevice>> ownedDevices_;  // what `devices` lists
  std::unique_ptr<AsioDriverList> asioDriverList_;              // what `asioDrivers` points to
};
