// Writes 32-bit 0x00RRGGBB pixels (top row first) as an RGB PNG, so a person can look at what a test saw.
#pragma once
#include <cstdint>
#include <string>

bool pngWrite(const std::string& path, const std::uint32_t* pixels, int width, int height);
