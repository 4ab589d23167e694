// Start-up and end of the signal library with its version handshake.
#pragma once

#include <cstdint>

// The library's version word; the build word is the platform library's (build 49, series 6).
constexpr uint32_t DSP_VERSION = 0x00070002;
constexpr uint32_t DSP_BUILD = 0x00060031;

// Once per process, after the platform library: a second call without dspExit, or words other than
// the library's own, end the process with a fatal error. Returns 1.
int Init_DSP(unsigned version, unsigned build);

// Clears the started flag; Init_DSP may then be called again.
void dspExit();

// True between Init_DSP and dspExit.
bool dspIsInitialised();

// The version word this library was built as (the host checks it before starting the library).
uint32_t dspLibraryVersion();
