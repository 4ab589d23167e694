// Stored layouts of the controller map: "cc2 " (120 bytes, version 10) and the older "cc  " (96 bytes,
// its first 24 slots; reading it leaves the glide settings and the spares as they were). The sustain
// controller, the front-back source and the running values are not stored. Hostile values are limited
// when read.
#pragma once
#include <cstdint>

#include "engine/controllerSettings.h"
#include "preset/chunk.h"

bool ccMapReadWriteChunk(FileSpec* file, ControllerSettings* record, std::uint8_t* buffer, std::uint8_t read);
bool ccMapReadWriteChunkV1(FileSpec* file, ControllerSettings* record, std::uint8_t* buffer, std::uint8_t read);
