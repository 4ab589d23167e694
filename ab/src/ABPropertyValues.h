// Helpers the drivers share for reading and writing property values: unaligned 32-bit words in a
// caller's buffer, the port record list check, a read-only text property (the device name) and the
// per-channel float buffers of a block.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "ABDeviceErrors.h"

inline uint32_t readU32(const void* p, size_t offset)
{
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, 4);
    return v;
}

inline void writeU32(void* p, size_t offset, uint32_t v)
{
    std::memcpy(static_cast<uint8_t*>(p) + offset, &v, 4);
}

// A port record list: at least one record, and exactly 4 + 76 × count bytes.
inline bool isRecordList(const void* value, uint32_t size)
{
    if (!value || size < 80) return false;
    return size == 4 + 76 * static_cast<uint64_t>(readU32(value, 0));
}

// A read-only text: its size with the terminator.
inline int textPropertyInfo(const std::string& text, uint32_t* size, uint32_t* changeable)
{
    if (!size) return AB_ERR_NOT_OPEN;
    *size = static_cast<uint32_t>(text.size() + 1);
    if (changeable) *changeable = 0;
    return AB_OK;
}

// A read-only text into the caller's buffer: with room, the text and its terminator, and the size
// becomes the text's length; without room for the terminator, exactly the given number of bytes.
inline int textPropertyGet(const std::string& text, void* buffer, uint32_t* size)
{
    if (!size || (*size > 0 && !buffer)) return AB_ERR_NOT_OPEN;
    const uint32_t len = static_cast<uint32_t>(text.size());
    if (*size <= len) {
        std::memcpy(buffer, text.data(), *size);
        return AB_OK;
    }
    std::memcpy(buffer, text.c_str(), len + 1);
    *size = len;
    return AB_OK;
}

// One zeroed buffer of frames per channel, the list ended by a null entry; null when memory runs
// out (nothing is left allocated then).
inline float** newChannelBuffers(int channels, uint32_t frames)
{
    float** b = new (std::nothrow) float*[channels + 1]();
    if (!b) return nullptr;
    for (int c = 0; c < channels; ++c) {
        b[c] = new (std::nothrow) float[frames]();
        if (!b[c]) {
            for (int k = 0; k < c; ++k) delete[] b[k];
            delete[] b;
            return nullptr;
        }
    }
    return b;
}

inline void deleteChannelBuffers(float** b, int channels)
{
    if (!b) return;
    for (int c = 0; c < channels; ++c) delete[] b[c];
    delete[] b;
}
