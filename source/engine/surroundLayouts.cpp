// Speaker layouts and the output settings: the 14 layouts with their speaker angles, the channel map
// from speakers (and the LFE) to device outputs, and the accessors of the output set-up page.
#include <atomic>
#include <cmath>
#include <cstring>

#include "engine/numeric.h"
#include "engine/surround.h"

namespace {

SpeakerLayout layouts[surroundLayoutCount];
std::atomic<bool> layoutsBuilt{false};

const char* const layoutNames[surroundLayoutCount] = {
    "2 Stereo",      "2 Stereo Wide", "3 Surround",   "3 Front",  "4 Surround", "4 Quadraphonic", "5 Music",
    "5 Pentaphonic", "6 Music",       "6 Hexaphonic", "7 Cinema", "7 Music",    "7 Heptaphonic",  "8 Ocotphonic"};

bool validLayout(int layout) { return layout >= 0 && layout < surroundLayoutCount; }

}  // namespace

void surroundDefineLayout(int layout, int speakers, const double* degrees) {
  if (!validLayout(layout) || !degrees) return;
  SpeakerLayout& l = layouts[layout];
  speakers = numClamp<int>(speakers, 0, surroundMaxOutputs);
  for (int k = 0; k < 8; ++k)
    l.angles[k] = k < speakers ? static_cast<std::uint16_t>(std::trunc(degrees[k] * (1.0 / 360.0) * 1024.0)) : 0;
  l.speakers = static_cast<std::uint16_t>(speakers);
}

void surroundBuildLayouts() {
  if (layoutsBuilt.load()) return;
  static const double d[surroundLayoutCount][8] = {{315, 45},
                                                   {270, 90},
                                                   {330, 30, 180},
                                                   {330, 30, 0},
                                                   {330, 30, 180, 0},
                                                   {315, 45, 225, 135},
                                                   {330, 30, 250, 110, 0},
                                                   {288, 72, 216, 144, 0},
                                                   {330, 30, 180, 250, 110, 0},
                                                   {300, 60, 180, 240, 120, 0},
                                                   {315, 45, 250, 110, 337.5, 0, 22.5},
                                                   {330, 30, 250, 110, 210, 0, 150},
                                                   {308.5, 51.5, 257, 103, 206, 0, 154.5},
                                                   {270, 90, 180, 225, 135, 315, 0, 45}};
  static const int speakers[surroundLayoutCount] = {2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8};
  for (int i = 0; i < surroundLayoutCount; ++i) surroundDefineLayout(i, speakers[i], d[i]);
  layoutsBuilt.store(true);
}

const SpeakerLayout* surroundGetLayout(int layout) {
  if (!validLayout(layout)) return nullptr;
  surroundBuildLayouts();
  return &layouts[layout];
}

void surroundGetModeName(int layout, char* text, int size) {
  if (!text || size < 1) return;
  text[0] = 0;
  if (!validLayout(layout)) return;
  std::strncpy(text, layoutNames[layout], static_cast<std::size_t>(size - 1));
  text[size - 1] = 0;
}

void surroundResetChannelMap(SurroundSettings* s) {
  if (!s) return;
  for (int k = 0; k < 8; ++k) s->channelMap[k] = static_cast<std::uint16_t>(k);
}

void surroundClearMapSlot(SurroundSettings* s, int slot) {
  if (s && slot >= 0 && slot <= 8) s->channelMap[slot] = 0;
}

void surroundApplyMode(SurroundSettings* s) {
  if (!s || !validLayout(s->layout)) return;
  const SpeakerLayout* l = surroundGetLayout(s->layout);
  int total = l->speakers + (s->lfeOn ? 1 : 0);
  if (total > surroundMaxOutputs) total = surroundMaxOutputs;
  // Eight outputs are recorded like any other count; an LFE slot exists only while the layout leaves
  // one of the eight outputs free for it.
  s->outputsUsed = static_cast<std::uint16_t>(total);
  surroundResetChannelMap(s);
  if (l->speakers < surroundMaxOutputs) s->lfeSlot = l->speakers;
}

void surroundInitSettings(SurroundSettings* s) {
  if (!s) return;
  surroundBuildLayouts();
  s->fieldMode = 1;
  s->layout = 0;
  s->outputsUsed = 2;
  s->lfeOn = 0;
  s->lfeSlot = 0;
  s->lfeFrequency = 80.0f;
  s->lfeGain = 0.25f;
  for (int k = 0; k < 8; ++k) surroundClearMapSlot(s, k);
  s->channelMap[8] = 0;
  s->layout = 1;
  surroundApplyMode(s);
}

void surroundSetModeAndClamp(SurroundSettings* s, std::int16_t layout) {
  if (!s || !validLayout(layout)) return;
  s->layout = static_cast<std::uint16_t>(layout);
  surroundApplyMode(s);
}

std::uint16_t surroundGetModeWord(const SurroundSettings* s) { return s ? s->layout : 0; }
std::uint16_t surroundGetOutputsUsed(const SurroundSettings* s) { return s ? s->outputsUsed : 2; }

void surroundSetChannelMap(SurroundSettings* s, std::int16_t slot, std::int16_t output) {
  if (!s || slot < 0 || slot > 8 || output < 0 || output > 8) return;
  s->channelMap[slot] = static_cast<std::uint16_t>(output);
}

std::uint16_t surroundGetChannelMap(const SurroundSettings* s, std::int16_t slot) {
  if (!s || slot < 0 || slot > 8) return 0;
  return s->channelMap[slot];
}

void surroundSetLfeOn(SurroundSettings* s, std::uint8_t on) {
  if (s) s->lfeOn = on ? 1 : 0;
}
std::uint8_t surroundGetLfeOn(const SurroundSettings* s) { return s ? s->lfeOn : 0; }

void surroundSetLfeChannel(SurroundSettings* s, std::int16_t slot) {
  if (s && slot >= 0 && slot <= 8) s->lfeSlot = static_cast<std::uint16_t>(slot);
}
std::uint16_t surroundGetLfeChannel(const SurroundSettings* s) { return s ? s->lfeSlot : 0; }

void surroundSetLfeFreq(SurroundSettings* s, float hz) {
  if (s && std::isfinite(hz)) s->lfeFrequency = hz;
}
float surroundGetLfeFreq(const SurroundSettings* s) { return s ? s->lfeFrequency : 80.0f; }

void surroundSetLfeGainDb(SurroundSettings* s, float db) {
  if (!s || !std::isfinite(db)) return;
  // Kept where the gain stays a normal float and the decode cannot overflow: -600..+96 dB.
  db = numClamp(db, -600.0f, 96.0f);
  s->lfeGain = static_cast<float>(std::exp2(static_cast<double>(db) / 6.0));
}

float surroundGetLfeGainDb(const SurroundSettings* s) {
  if (!s) return -12.0f;
  return static_cast<float>(6.0 * std::log2(static_cast<double>(s->lfeGain)));
}
