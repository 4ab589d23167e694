// Sound-field positions of the mix sources and the speaker layout settings of the output decode.
#pragma once
#include <cstdint>

struct PanPosition {
  std::int32_t flag;  // 1; not read by the decode
  float x;            // -1 left .. +1 right
  float y;            // -1 rear .. +1 front
};

struct PanState {
  double baseX, baseY;        // position as last read
  double currentX, currentY;  // smoothed position the gains were last computed for
  double smoothing;           // 0.25
  double modX, modY;          // -1..1, written by the field panner
  PanPosition* position;
};

struct SurroundSettings {
  std::uint16_t fieldMode;    // 1: three-bus field everywhere
  std::uint16_t layout;       // 0..13
  std::uint16_t outputsUsed;  // speakers of the layout, plus 1 with the LFE on
  std::uint8_t lfeOn;
  std::uint16_t lfeSlot;        // channel-map slot of the LFE, 0..8
  float lfeFrequency;           // Hz, for the set-up page only
  float lfeGain;                // linear (0.25 = -12 dB in 6-per-doubling units)
  std::uint16_t channelMap[9];  // slot -> device output index
};

struct Engine;

const int surroundLayoutCount = 14;
const int surroundMaxOutputs = 8;

struct SpeakerLayout {
  std::uint16_t angles[8];  // clockwise from the front in 1024ths of a turn (256 = right)
  std::uint16_t speakers;
};

// ---- layouts and settings (creation, then the user-interface thread) ----
void surroundBuildLayouts();  // once per process
void surroundDefineLayout(int layout, int speakers, const double* degrees);
const SpeakerLayout* surroundGetLayout(int layout);               // null outside 0..13
void surroundGetModeName(int layout, char* text, int size = 32);  // empty outside 0..13
void surroundInitSettings(SurroundSettings* s);
// Applies the layout: outputs used = its speakers (+1 with the LFE, at most 8), the channel map
// reset to 0..7 and the LFE slot after the speakers.
void surroundApplyMode(SurroundSettings* s);
void surroundResetChannelMap(SurroundSettings* s);
void surroundClearMapSlot(SurroundSettings* s, int slot);
void surroundSetModeAndClamp(SurroundSettings* s, std::int16_t layout);
std::uint16_t surroundGetModeWord(const SurroundSettings* s);
std::uint16_t surroundGetOutputsUsed(const SurroundSettings* s);
void surroundSetChannelMap(SurroundSettings* s, std::int16_t slot, std::int16_t output);
std::uint16_t surroundGetChannelMap(const SurroundSettings* s, std::int16_t slot);
void surroundSetLfeOn(SurroundSettings* s, std::uint8_t on);
std::uint8_t surroundGetLfeOn(const SurroundSettings* s);
void surroundSetLfeChannel(SurroundSettings* s, std::int16_t slot);
std::uint16_t surroundGetLfeChannel(const SurroundSettings* s);
void surroundSetLfeFreq(SurroundSettings* s, float hz);
float surroundGetLfeFreq(const SurroundSettings* s);
void surroundSetLfeGainDb(SurroundSettings* s, float db);  // gain = 2^(dB / 6)
float surroundGetLfeGainDb(const SurroundSettings* s);     // 6 x log2(gain)

// ---- pan positions (user-interface thread) ----
void panPositionInit(PanPosition* position);
void panStateInit(PanState* state, PanPosition* position);
void panStateReset(PanState* state);  // start at the position, no glide
// Position of source 0..2 (channels) or 3 (master): x, y limited to -1..1 (not a number: 0).
void panSetPosition(Engine* engine, std::int16_t source, float x, float y);
float panGetPosition(Engine* engine, std::int16_t source, std::int16_t which);  // 0.5 for another source
// The same position as a coordinate pair, for the preset header and the Patch page.
void surroundSetChannelPair(Engine* engine, std::int16_t channel, float a, float b);
float surroundGetChannelPair(Engine* engine, std::int16_t channel, std::int16_t which);

// ---- audio thread ----
// Pans a source of a voice into the three field lanes of dst (lanes at stride n): source 0..2 a
// channel, 3 the master; 4 and above nothing. outputForm 1 with one input lane only adds src to dst.
void panToField(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                int outputForm, float* dst, std::int16_t n);
// The same into three separate lanes.
void panToFieldLanes(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                     float* lane0, float* lane1, float* lane2, std::int16_t n);
// Which pan axes of a source follow an envelope the source (a channel) owns. The slots only change
// between blocks, so a mix looks them up once per source and block and passes them to the calls below.
struct PanEnvelopes {
  bool x, y;
};
PanEnvelopes panFindEnvelopes(Engine* engine, std::int16_t source);
void panToFieldWith(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                    int outputForm, float* dst, std::int16_t n, PanEnvelopes envelopes);
void panToFieldLanesWith(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                         float* lane0, float* lane1, float* lane2, std::int16_t n, PanEnvelopes envelopes);
void fieldPanMono(PanState* state, const float* src, float* lane0, float* lane1, float* lane2, std::int16_t n,
                  bool twoSpeakerLayout);
void fieldPanStereo(PanState* state, const float* srcLeft, const float* srcRight, float* lane0, float* lane1,
                    float* lane2, std::int16_t n);
// Decodes the buses (B1, B2 at n and 2n floats after B0) into the device outputs of the layout.
void surroundMix(Engine* engine, SurroundSettings* s, const float* buses, float* const* outputs, int outputCount,
                 int offset, float gain, std::int16_t n);
