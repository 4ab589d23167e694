// The "Audio In" oscillator (type 7): every playing voice of the channel carries the current block
// of one device input ("In 1") or two ("In 2" into the second lane, when the channel plays stereo),
// shaped by the voice's amplitude envelope and the channel's input gain.
#pragma once
#include <cstdint>

struct Engine;
struct ChannelOscRecord;

void oscRenderAudioIn(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
