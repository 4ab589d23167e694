// Start and end of the form library, with its version handshake.
#pragma once

#include <cstdint>

constexpr uint32_t NGL_VERSION = 0x3000004;
constexpr uint32_t NGL_BUILD = 0x60031;  // build 49 in the low 16 bits, series 6 in the high

// Once per process, after uiaInit: checks the words of gp, uia and the caller's (a mismatch, or a
// second call, is fatal) and takes the region node pool. An exception on the way undoes everything
// through nglExit and answers false.
bool nglInit(uint32_t version, uint32_t build);
// Frees the widget registry and gives the region node pool back.
void nglExit();
uint32_t nglVersion();
