// The flat interface of the device layer: the host reaches the device manager and every device
// through these functions, by device id (1, 2, ... in enumeration order; 0 means none). All run on
// the user-interface thread and answer 0 and do nothing when no manager exists, unless stated.
#pragma once

#include <cstdint>

#include "ABAudioBlock.h"
#include "ABAudioMidiDevice.h"
#include "ABDeviceErrors.h"
#include "ABMidiInputRing.h"

class DeviceManager;

// Creates the manager and enumerates the devices (the version word is ignored); AB_ERR_MANAGER_EXISTS
// when one exists.
int abDevCreate(uint32_t version, void* systemHandle);
// Deletes every device, the property objects, the ring and the tables.
int abDevDestroy();
// Stores the device client and hands it to every open audio device.
int abDevSetClient(AudioDeviceClient* client);
// A device's property calls; AB_ERR_NO_DEVICE for an unknown id.
int abDevGetPropertyInfo(const char* name, uint32_t id, uint32_t* size, uint32_t* changeable);
int abDevSetProperty(const char* name, uint32_t id, const void* value, uint32_t size);
int abDevGetProperty(const char* name, uint32_t id, void* buffer, uint32_t* size);
// The manager's properties "AudioDeviceList", "MIDIDeviceList", "ActiveAudioDevice",
// "ActiveMIDIDevice"; AB_ERR_NO_PROPERTY for another name.
int abGetPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable);
int abGetProperty(const char* name, void* buffer, uint32_t* size);
// Opens or closes a device, then gives it the manager's client; returns the device's result.
int abDevOpen(uint32_t id, bool on);
int abDevIsOpen(uint32_t id);  // 0 or 1
int abDevStart(uint32_t id, bool on);
int abDevIsRunning(uint32_t id);  // 0 or 1
// Stores the block callback and its two user words in the device.
int abDevSetCallback(uint32_t id, AbBlockCallback callback, void* user2, void* user1);
// Sends a short message through the MIDI device; AB_ERR_NO_DEVICE when there is none.
int abSendMidi(const MidiRingSlot* slot);
// Stores the host's MIDI notification (called on the MIDI callback thread).
int abSetMidiNotify(AbMidiNotify notify);
// The default device id (0: none).
int abGetDefaultDevice(uint32_t* id);

// For tests: adds a device to the running manager as the enumeration would (next id, the ring, the
// listener table) and takes ownership of it. Returns its id, or 0 (and deletes it) without a manager.
uint32_t abDevAddTestDevice(AudioMidiDevice* device);
// For tests: the manager, or null.
DeviceManager* abDeviceManager();
