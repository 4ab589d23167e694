// Single-cycle waves: the record, the wave id scheme and the global table of built-in waves.
// A wave id is index + 256 x bank: bank 0 is the global table (64 waves), bank 127 the engine's
// 8 preset-local waves (ids 0x7F00..0x7F07).
#pragma once
#include <cstddef>
#include <cstdint>

enum {
    waveLength = 1024,          // samples of one cycle
    waveNameSize = 32,          // bytes of a wave name (terminated unless 32 characters long)
    waveGlobalCount = 64,       // waves of the global table (bank 0)
    waveLocalCount = 8,         // preset-local waves of the engine (bank 127)
    waveBankGlobal = 0,
    waveBankLocal = 127,
    waveLocalIdBase = 0x7F00,   // id of local wave 0
    waveFactoryTableCount = 37  // built-in tables behind the named waves
};

enum { waveStateFree = 0, waveStateBuiltIn = 1, waveStateLocal = 2 };

struct WaveRecord {
    float samples[waveLength];  // one cycle, nominally -1..1
    std::uint16_t id;           // low byte index in its bank, high byte bank
    std::uint16_t state;        // waveState*
    std::uint16_t waveAux1;     // stored, 0 when filled
    std::uint16_t waveAux2;     // stored, 0 when filled
    std::uint32_t waveAux3;     // stored, 0 when filled
    char name[waveNameSize];    // zero-terminated unless 32 characters long
};

static_assert(sizeof(WaveRecord) == 4096 + 12 + 32, "WaveRecord layout");
