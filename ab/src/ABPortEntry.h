// The records that devices and the host exchange through the port and input-device properties.
#pragma once

#include <cstdint>

// One port (channel) of a direction; the same layout is a "PortDescription" entry. A single-entry
// record is the count 1 followed by one entry (80 bytes); a record list is the count followed by
// that many entries (4 + 76 x count bytes).
#pragma pack(push, 1)
struct AudioPortEntry {
    int32_t index;        // within its direction
    uint8_t isOutput;     // 1 output, 0 input
    uint8_t active;
    uint8_t enabled;
    uint8_t unused[5];
    char name[64];        // zero-terminated
};
#pragma pack(pop)
static_assert(sizeof(AudioPortEntry) == 76, "port entries are 76 bytes");

// An "AudioInDeviceList" / "AudioInDevice" / "ActiveAudioInDevice" entry.
#pragma pack(push, 1)
struct AudioInDeviceEntry {
    int32_t index;        // the driver's index of the input device, -1 for "no device"
    char name[64];
};
#pragma pack(pop)
static_assert(sizeof(AudioInDeviceEntry) == 68, "input device entries are 68 bytes");
