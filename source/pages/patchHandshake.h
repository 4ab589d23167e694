// The Patch page's structural edits go through these two steps, so that the engine's stop and
// restart handshake is one seam: a spy (tests) sees each step with the engine as it is right then.
#pragma once
#include <cstdint>

struct Engine;

typedef void (*PatchHandshakeSpy)(void* context, const char* step, Engine* engine);
void patchSetHandshakeSpy(PatchHandshakeSpy spy, void* context);   // null: none
void patchStopAudio(Engine* engine, std::uint8_t fade);
void patchApplyChange(Engine* engine, std::uint8_t reinit);

// The wave editor's "show this preset wave" (installed by the wave page; none: nothing happens).
typedef void (*PatchWaveEditShow)(std::int16_t window, std::int16_t waveIndex);
void patchSetWaveEditRoutine(PatchWaveEditShow routine);
