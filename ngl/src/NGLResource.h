// Opening the executable's resources (by type name and id number or name) as little-endian binary
// streams: the framework's module instance when there is one, else the executable itself.
#pragma once

#include <cstdint>

class BinaryStream;

// A new stream over the resource (owned by the caller, who deletes it), or null when it is missing.
BinaryStream* nglOpenResource(uint32_t id, const char* type);
BinaryStream* nglOpenNamedResource(const char* name, const char* type);
