// Start-up and shut-down of the platform library and the version handshake every in-house library
// performs against it.
#pragma once

#include <cstdint>

// The library's version word and build word (build number in the low 16 bits, series in the high).
constexpr uint32_t GP_VERSION = 0x01030001;
constexpr uint32_t GP_BUILD = 0x00060031;

// Once per process, before any other library: checks the words, reads the system information,
// installs the out-of-memory handler, creates the global block pool, the main-thread object and the
// standard file types. A second call without gpExit, or wrong words, is a fatal error. Returns false
// when a step failed and the start-up was undone.
bool gpInit(uint32_t version, uint32_t build);

// Ends the library in reverse order and frees everything gpInit made. Returns true.
bool gpExit();

// Fatal error unless the words are this library's own.
void gpCheckVersion(uint32_t version, uint32_t build);

// True between a successful gpInit and gpExit.
bool gpIsInitialised();
