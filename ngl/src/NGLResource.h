// Opening the executable's resources (by type name and id number or name) as little-endian binary
// streams: the framework's module instance when there is one, else the executable itself.
#pragma once

#include <cstdint>
#include <memory>

class BinaryStream;

// A new stream over the resource, or null when it is missing.
std::unique_ptr<BinaryStream> nglOpenResource(uint32_t id, const char* type);
std::unique_ptr<BinaryStream> nglOpenNamedResource(const char* name, const char* type);
