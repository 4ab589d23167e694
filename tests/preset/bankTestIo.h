// Helpers of the bank tests: a bank of varied presets with random values in their valid ranges, file
// images, and the byte-reversed (big-endian) twin of a bank file from independent slot layouts.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "preset/bank.h"

namespace banktest {

typedef std::vector<std::uint8_t> Bytes;

// Fills every slot of the bank with a preset of its own (128 presets): random header, channels,
// filters, modulators, waveshaper, an effect of kind slot % 6 (0 none), controllers, sliders, curves,
// LFOs, up to 28 envelopes, up to 8 waves; and bank tunings in every ninth slot, random plug data.
void fillRandomBank(Bank* bank, std::uint32_t seed);

// Slot layout of a bank chunk: one letter per slot (b byte, h 16-bit, w 32-bit in 4-byte slots, d 64
// bits, sN N raw bytes); "?" when unknown.
std::string bankLayout(std::uint32_t id, std::uint32_t size);
// Reverses every header word and every multi-byte field of a little-endian bank file.
Bytes bankToBigEndian(const Bytes& littleEndian);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

// Writes the bank to `path` (bankFileWrite) and returns the file's bytes.
Bytes saveBank(Bank* bank, const std::string& path);
// Opens `path` into the bank (bankFileOpen).
bool openBank(Bank* bank, const std::string& path);

}  // namespace banktest
