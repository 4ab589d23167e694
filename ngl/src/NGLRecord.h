// Helpers of the library's record readers and writers.
#pragma once

#include <cstdint>
#include <string>

class BinaryStream;

// Bytes left between the position and the end of the data (0 when unknown).
int64_t nglBytesLeft(const BinaryStream& stream);
// A u32 length and that many characters; fails (false) when the length passes the end of the data,
// without taking memory for it.
bool nglReadString(BinaryStream& stream, std::string& out);
// A u8 length and that many characters, skipped.
bool nglSkipByteString(BinaryStream& stream);
// A u8 length and that many characters.
bool nglReadByteString(BinaryStream& stream, std::string& out);
