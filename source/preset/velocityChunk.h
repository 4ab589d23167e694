// Stored layout of the velocity settings: "vel " (160 bytes, version 10): per entry family, slot,
// base and direction in 4-byte slots; the running value is not stored. A base outside 0..1 is kept
// as read and acts as its clamped value in the tables and on the page.
#pragma once
#include <cstdint>

#include "engine/velocitySettings.h"
#include "preset/chunk.h"

bool velocityReadWriteChunk(FileSpec* file, VelocitySettings* record, std::uint8_t* buffer, std::uint8_t read);
