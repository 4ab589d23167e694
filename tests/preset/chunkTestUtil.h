// Helpers of the chunk-layer tests: files written with the program's own writers, and an independent
// description of every chunk layout that turns a little-endian file into its big-endian twin.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "preset/chunk.h"

namespace chunktest {

typedef std::vector<std::uint8_t> Bytes;

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

// Creates the file, writes a little-endian "Clam" container (version 1) unless `container` is false,
// then runs `body`; returns the file's bytes.
Bytes writeChunks(const std::string& path, const std::function<void(FileSpec*)>& body, bool container = true);

// Opens the file and reads its first chunk (the container); the caller then walks with
// fileReadNextChunk. The FileSpec must be closed by the caller.
bool openAndReadFirst(FileSpec* file, const std::string& path);

// Slot layout of a chunk's data, one letter per slot: b byte in a 4-byte slot, h 16-bit in a 4-byte
// slot, w 32-bit, d 64-bit, sN a raw block of N bytes. Empty when the id and size are unknown.
std::string layoutOf(std::uint32_t id, std::uint32_t size);
std::uint32_t layoutBytes(const std::string& layout);
// The slot layout of a chunk by id and size ("?" when unknown; empty for no data).
using LayoutFor = std::function<std::string(std::uint32_t id, std::uint32_t size)>;
// Reverses every header word and every multi-byte field of a little-endian file image, each chunk's
// data by the layout `layout` gives (layoutOf by default). Fails the current test when a chunk's
// layout is unknown or does not fill the chunk.
Bytes toBigEndian(const Bytes& littleEndian, const LayoutFor& layout = layoutOf);

// Installs the standard check, a fresh 65,535-byte reader, a clear swap flag and the message capture.
void setUpChunkLayer();
void tearDownChunkLayer();

}  // namespace chunktest
