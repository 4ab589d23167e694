// Device lists and names read through the flat device interface, as the host and its setup dialog use
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Empties the list, then appends the id of each audio device whose "DeviceName" can be read. Returns
// the last error code met, AB_ERR_DEVICE_QUERY when there is no audio device, else 0.
int listAudioDevices(std::vector<uint32_t>* list);
// The same for MIDI devices.
int listMidiDevices(std::vector<uint32_t>* list);
// The device's "DeviceName" into the string (emptied first); the error code, 0 on success.
int deviceName(uint32_t id, std::string* name);
