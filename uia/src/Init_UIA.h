// Start and end of the UI framework, with its version handshake.
#pragma once

#include <cstdint>

constexpr uint32_t UIA_VERSION = 0x2010003;
constexpr uint32_t UIA_BUILD = 0x60031;  // build 49 in the low 16 bits, series 6 in the high

// Once per process, after gpInit: checks the words (a mismatch is fatal), then builds the keyboard
// table, the fonts, the memory device context, the window classes and the cursors. A failing step
// undoes everything through uiaExit and answers false.
bool uiaInit(uint32_t version, uint32_t build);
// Frees what uiaInit made, in reverse.
void uiaExit();
// Fatal error unless the words are this library's own.
void uiaCheckVersion(uint32_t version, uint32_t build);
