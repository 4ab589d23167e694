// The names of the device layer's properties, the keys of the drivers' and the manager's property
// tables (and of the listener table, which also holds the calls made after an open and a start).
#pragma once

// The manager's properties.
const char* const kPropAudioDeviceList = "AudioDeviceList";
const char* const kPropMidiDeviceList = "MIDIDeviceList";
const char* const kPropActiveAudioDevice = "ActiveAudioDevice";
const char* const kPropActiveMidiDevice = "ActiveMIDIDevice";

// The devices' properties.
const char* const kPropDeviceName = "DeviceName";
const char* const kPropDeviceDescription = "DeviceDescription";
const char* const kPropPortDescription = "PortDescription";
const char* const kPropStreamDescription = "StreamDescription";
const char* const kPropEnableAudioPort = "EnableAudioPort";
const char* const kPropActiveAudioPort = "ActiveAudioPort";
const char* const kPropSampleRateList = "SampleRateList";
const char* const kPropSampleRate = "SampleRate";
const char* const kPropBufferSize = "BufferSize";
const char* const kPropInBufferSize = "InBufferSize";
const char* const kPropAudioInDeviceList = "AudioInDeviceList";
const char* const kPropAudioInDevice = "AudioInDevice";
const char* const kPropActiveAudioInDevice = "ActiveAudioInDevice";
const char* const kPropLatency = "Latency";
const char* const kPropSetInLatency = "SetInLatency";
const char* const kPropPlayPosition = "PlayPosition";
const char* const kPropClockList = "ClockList";
const char* const kPropClock = "Clock";
const char* const kPropControlPanel = "ControlPanel";

// The listener calls after an open ("Acquire") and after a start ("Prime").
const char* const kListenerAcquire = "Acquire";
const char* const kListenerPrime = "Prime";
