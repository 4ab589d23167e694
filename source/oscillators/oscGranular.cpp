// "Granular" oscillator render: per voice, the scan position of the block, every grain's samples
// (a grain whose life ends inside the block is followed at once by a new one taken at the scan
// position of that sample), then the amplitude stage over the voice's lanes.
#include "oscillators/oscGranular.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscSample.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"

namespace {

// A scan position as whole frames within the data (one before its start counts as its start).
std::int32_t scanFrame(double x, double length) { return static_cast<std::int32_t>(numClamp<double>(x, 0.0, length)); }

}  // namespace

void oscRenderGranular(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || frames < 1 || frames > engineBlockMax) return;
  const SampleInfo* info = sampleGetInfo(engine, channel);
  if (!info || !info->data || info->length < 1) {
    oscRenderSilent(engine, record, channel, frames);
    return;
  }
  const int n = frames;
  const double L = info->length;
  const double st = numClamp<double>(info->startPosition, 0.0, 1.0);
  const bool stereo = sampleDataIsStereo(info);
  const int lanes = stereo ? 2 : 1;
  const int lanesHeld = engineGetVoiceBufferCount(engine, channel);
  const OscSubRecord* G = &record->subRecord;
  const int count = grainCount(G);
  const int modUnit = G->channel >= 0 && G->channel < engineChannels ? G->channel : oscRecordUnit(record, channel);
  float scratch[engineBlockMax];

  engine->voiceCursor = -1;
  std::int16_t v;
  float* buffer;
  while (OscVoiceState* state = oscNextVoice(engine, record, channel, frames, false, &v, &buffer)) {
    SampleVoice* s = &state->sampleVoice;
    GrainBlock* B = &state->grainBlock;
    B->voice = static_cast<std::uint32_t>(v);
    const float* mod = engine->modMultipliers[modUnit][v];

    // Scan position of the block: held at the last block of frames, a place before the start at 0.
    if (!std::isfinite(s->position)) s->position = 0.0;
    double p = std::trunc(numClamp<double>(st * L * mod[modRowSampleStart] + s->position, -1e18, 1e18));
    if (p > L - n)
      p = L - n;
    else if (p < 0.0)
      p = 0.0;
    double rate = static_cast<double>(G->time) * mod[modRowGrainTime];
    if (!std::isfinite(rate)) rate = 0.0;

    oscClearVoiceBuffer(engine, channel, v, frames);
    if (oscVoiceSilent(engine, record, v)) continue;
    if (L < n) continue;  // a sample shorter than one block stays silent

    const double pitch =
        numClamp<double>(oscVoicePitch(engine, record, state) * info->rateFactor, 0.0, grainIncrementMax);
    float work[2 * engineBlockMax];
    std::memset(work, 0, sizeof(float) * static_cast<std::size_t>(lanes * n));
    for (int k = 0; k < count; ++k) {
      GrainSlot* g = &B->slots[k];
      if (g->stereo != (stereo ? 1 : 0)) g->life = 0;  // started on data of another layout
      int left = n;
      // A new grain lives at least 256 samples, so one restart covers the rest of any block.
      for (int pass = 0; pass < 3; ++pass) {
        const int r = grainRender(g, info->data, static_cast<std::uint32_t>(info->length), pitch, scratch,
                                  work + (n - left), static_cast<std::int16_t>(left), static_cast<std::int16_t>(n));
        if (r <= 0) break;
        grainStart(engine, G, B, g, scanFrame(p + (n - r) * rate, L), 0);
        left = r;
      }
    }
    sampleApplyAmplitudeLanes(engine, record, state, work, frames, lanes, false);
    const int copied = lanes < lanesHeld ? lanes : lanesHeld;
    std::memcpy(buffer, work, sizeof(float) * static_cast<std::size_t>(copied * n));
    s->position = std::trunc(p + rate * n) - st * L * mod[modRowSampleStart];
  }
}
