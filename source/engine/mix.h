// The voice and channel mix: each voice's channels come together in its master buffer (a plain sum,
// or each channel panned into the three field lanes), stolen and ended voices fade out, and the voices
// reach the output buses B0..B2 directly or through the voice sum of the after-the-mix stages.
// Audio thread, inside the block render; n is the block length (1..128).
#pragma once
#include <cstdint>

struct Engine;

// Lanes of a voice's master buffer on the field path: any master count above 1 uses three.
int mixMasterLanes(Engine* engine);
void engineSumChannelsToVoices(Engine* engine, std::int16_t n);
void engineMixChannelsToVoices(Engine* engine, std::int16_t n);
void engineSumVoices(Engine* engine, std::int16_t n);
void engineSumVoiceLanes(Engine* engine, std::int16_t n);
void engineMixSumToBuses(Engine* engine, std::int16_t n);
void engineMixVoicesToBuses(Engine* engine, std::int16_t n);
void engineAddVoiceLanesToBuses(Engine* engine, std::int16_t n);
// The fade of a stolen (state -2, 127 frames) or ended (state 6, 128 frames) voice over `lanes`
// lanes of its buffer; other states pass unchanged.
void mixFadeVoice(Engine* engine, std::int16_t voice, float* buffer, int lanes, std::int16_t n);
