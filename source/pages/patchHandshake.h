// The Patch page's structural edits go through these two steps, so that the engine's stop and
// restart handshake is one seam: a spy (tests) sees each step with the engine as it is right then.
#pragma once
#include <cstdint>

struct Engine;

typedef void (*PatchHandshakeSpy)(void* context, const char* step, Engine* engine);
void patchSetHandshakeSpy(PatchHandshakeSpy spy, void* context);  // null: none
void patchStopAudio(Engine* engine, std::uint8_t fade);
void patchApplyChange(Engine* engine, std::uint8_t reinit);
