// Small accessors over the devices' named properties, as the host and its setup dialog use them: each
// reaches a device only through the flat device interface. Values of variable size are read in two
// steps (the information call gives the size, then the value is read).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ABPortEntry.h"

class AudioEngine;

// Empties the list, then appends the id of each audio device whose "DeviceName" can be read. Returns
// the last error code met, AB_ERR_DEVICE_QUERY when there is no audio device, else 0.
int listAudioDevices(std::vector<uint32_t>* list);
// The same for MIDI devices.
int listMidiDevices(std::vector<uint32_t>* list);
// The device's "DeviceName" into the string (emptied first); the error code, 0 on success.
int deviceName(uint32_t id, std::string* name);

// The driver kind (the second word of "DeviceDescription"), or the (negative) error code.
int deviceKind(uint32_t id);
// Number of ports of that direction in "PortDescription"; 0 on any error.
int portCount(uint32_t id, bool isOutput);
// The name of the index-th port of that direction (the string is emptied first); true when found.
bool portName(uint32_t id, bool isOutput, int index, std::string* name);
// Single-entry port records through "PortDescription", "ActiveAudioPort" and "EnableAudioPort".
int setPortDescription(uint32_t id, int index, bool isOutput, bool enabled, bool active);
int setPortActive(uint32_t id, int index, bool isOutput, bool on);
int setPortEnabled(uint32_t id, int index, bool isOutput, bool on);
// The device's rates that the engine can serve (every rate when engine is null); the error code.
int listSampleRates(uint32_t id, std::vector<int>* list, AudioEngine* engine);
// The range words of "Latency" / "SetInLatency" (only when the value carries one: 12 bytes or more).
bool latencyRange(uint32_t id, int* low, int* high);
bool inputLatencyRange(uint32_t id, int* low, int* high);
// The entries of "AudioInDeviceList"; the error code.
int listInputDevices(uint32_t id, std::vector<AudioInDeviceEntry>* list);
// The device's "SampleRate", 44100 when it cannot be read or is not above 0.
int deviceSampleRate(uint32_t id);
// "Latency" and "SetInLatency" in ms, "BufferSize" in frames; 0 on error.
int deviceLatency(uint32_t id);
int deviceInputLatency(uint32_t id);
int deviceBufferSize(uint32_t id);
// Whether the device knows "ControlPanel", and whether it reads as non-zero.
bool hasControlPanel(uint32_t id);
bool controlPanelSet(uint32_t id);
// Whether the device knows "Latency" / "SetInLatency" / "BufferSize" (and whether it can be changed).
bool hasLatency(uint32_t id, bool* changeable);
bool hasInputLatency(uint32_t id, bool* changeable);
bool hasBufferSize(uint32_t id);
// Writes "SetInLatency" (4 bytes); the error code.
int setInputLatency(uint32_t id, int ms);
// "ActiveAudioInDevice" (read) and "AudioInDevice" (written) as one 68-byte entry; the error code.
int activeInputDevice(uint32_t id, AudioInDeviceEntry* entry);
int selectInputDevice(uint32_t id, const AudioInDeviceEntry* entry);
// The device layer's default device, -1 when there is none.
int defaultDevice();
