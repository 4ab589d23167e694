// The records that devices and the host exchange through the port and input-device properties.
#pragma once

#include <cstdint>

// One port (channel) of a direction; the same layout is a "PortDescription" entry. A single-entry
// record is the count 1 followed by one entry (80 bytes); a record list is the count followed by
// that many entries (4 + 76 x count bytes).
#pragma pack(push, 1)
struct AudioPortEntry {
  int32_t index;     // within its direction
  uint8_t isOutput;  // 1 output, 0 input
  uint8_t active;
  uint8_t enabled;
  uint8_t unused[5];
  char name[64];  // zero-terminated
};
#pragma pack(pop)
static_assert(sizeof(AudioPortEntry) == 76, "port entries are 76 bytes");

// An "AudioInDeviceList" / "AudioInDevice" / "ActiveAudioInDevice" entry.
#pragma pack(push, 1)
struct AudioInDeviceEntry {
  int32_t index;  // the driver's index of the input device, -1 for "no device"
  char name[64];
};
#pragma pack(pop)
static_assert(sizeof(AudioInDeviceEntry) == 68, "input device entries are 68 bytes");

// The count word that starts a port record, a record list and a "StreamDescription".
const uint32_t kRecordCountBytes = sizeof(uint32_t);
// A single-entry port record: the count 1 and one entry (80 bytes).
const uint32_t kPortRecordBytes = kRecordCountBytes + sizeof(AudioPortEntry);

// A port record list of count entries.
inline uint64_t portListBytes(uint64_t count) { return kRecordCountBytes + sizeof(AudioPortEntry) * count; }
// What an audio driver's "PortDescription" information gives and its full read expects: the count
// word and a single-entry record's size per port (the entries themselves stand at 76-byte steps).
inline uint64_t audioPortDescriptionBytes(uint64_t ports) { return kRecordCountBytes + kPortRecordBytes * ports; }
// An "AudioInDeviceList" of count system devices: the "no device" entry, then one entry each.
inline uint64_t inDeviceListBytes(uint64_t count) { return sizeof(AudioInDeviceEntry) * (count + 1); }

// The driver type, the second word of "DeviceDescription" (the first is the device's kind).
enum ABDriverType { AB_DRIVER_ASIO = 1, AB_DRIVER_MME = 2, AB_DRIVER_DIRECTSOUND = 3 };
