// The pad byte of an odd-sized RIFF chunk, as both WAV readers (the sample loader and the Wave page's
// Extract from WAV) pass it. The format pads an odd-sized chunk with one byte, but some writers leave
// it out; such a file is read as common readers do: when the padded offset holds no chunk id but the
// unpadded one does, the next chunk starts at the unpadded offset.
#pragma once
#include <cstdint>

// Reads the four bytes at `at` of the file behind `source`; false when they cannot be read.
typedef bool (*RiffPeekFn)(void* source, std::int64_t at, std::uint8_t* bytes);

// Whether four bytes could be a chunk id: printable characters only.
bool riffIsChunkId(const std::uint8_t* bytes);

// The offset of the chunk that follows one whose data ends at `end` (its data offset plus its size);
// `odd` tells that size is odd. A file that ends where the pad byte would be gives `end`.
std::int64_t riffNextChunkAt(std::int64_t end, bool odd, std::int64_t fileSize, RiffPeekFn peek, void* source);
