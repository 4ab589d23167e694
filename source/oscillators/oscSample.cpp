// "Sample" oscillator render. Each voice's block is read in at most eight runs: a run ends where the
// sample or the loop window ends (the next run starts again at the loop start, the overshoot
// dropped), and a jump request splits the block into a faded-out run at the old place and a
// faded-in run at the target. The increment ramps linearly over the block from the value the
// previous block ended with to the new pitch, and runs carry the ramp on where the last one stopped,
// so no increment ever lies outside the two ends: a steep pitch fall never turns the reading
// backwards. A block whose start offset moved reads at the one increment that glides it from the old
// offset's place onto the new one. Runs are cut in the same integer arithmetic the readers use, so no frame beyond the
// limit of a run (the data's end, the loop end or 65,534 frames on) is ever read.
#include "oscillators/oscSample.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscFrame.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"

namespace {

const int sampleMinFrames = 256;  // shorter samples do not sound
const int runsPerBlock = 8;
const double runSpanMax = 65534.0;  // frames one run may cover (16-bit frame index of the readers)

double incrementLimit(double inc) { return numClamp<double>(inc, 0.0, sampleIncrementMax); }

struct VoiceJob {
  const SampleInfo* info;
  bool stereo;
  double length;      // frames
  double startShare;  // "Start %" as 0..1
  float* left;
  float* right;  // null for mono
};

// Reads one voice's block (the lanes are zero on entry; what no run covers stays zero).
void renderVoice(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, const float* mod,
                 const VoiceJob& job, int n) {
  SampleVoice* sv = &state->sampleVoice;
  const double L = job.length;
  const double st = job.startShare;
  const double m0 = sv->startOffset;
  const double m = mod[modRowSampleStart];
  if (!std::isfinite(sv->position)) sv->position = 0.0;
  double base = numClamp<double>(st * L * m0 + sv->position, 0.0, L);

  const double pitchInc = incrementLimit(oscVoicePitch(engine, record, state) * job.info->rateFactor);
  double inc = pitchInc;
  double old = incrementLimit(state->incA);
  if (m != m0) {
    // The start offset moved: glide from the old offset's place to the new one over the block, at
    // the one increment that lands there; the pitch ramp goes on from the pitch next block.
    const double target = numClamp<double>(inc * n + st * L * m + sv->position, 0.0, L - 1.0);
    inc = incrementLimit((target - base) / n);
    old = inc;
  }
  state->incA = static_cast<float>(pitchInc);
  sv->startOffset = m;

  // Increment of the block's sample j: old + j x step, reaching the new value as the block ends.
  const std::int32_t incStart = static_cast<std::int32_t>(old * 65536.0);
  std::int32_t step = static_cast<std::int32_t>((inc - old) / n * 65536.0);
  if (step < 0 && incStart + static_cast<std::int64_t>(step) * (n - 1) < 0) step = n > 1 ? -(incStart / (n - 1)) : 0;

  const bool looping = job.info->looping != 0;
  const double loopStart = numClamp<double>(job.info->playStart, 0.0, L - 1.0);
  const double loopEnd = job.info->playEnd;
  const int width = job.stereo ? 2 : 1;

  int offset = 0;
  int remaining = n;
  std::int64_t runInc = incStart;  // increment of the next run's first sample
  for (int r = 0; r < runsPerBlock && remaining > 0; ++r) {
    int count = remaining;
    std::uint8_t fadeOut = 0;
    if (sv->jumpPending) {
      sv->jumpPending = 0;
      base = numClamp<double>(sv->jumpTarget, 0.0, L - 1.0);
      count = remaining / 2;
    }
    if (sv->jumpRequest) {
      sv->jumpRequest = 0;
      sv->jumpPending = 1;
      fadeOut = 1;
      count /= 2;
    }
    if (count < 1) count = 1;

    const double first = static_cast<double>(runInc) / 65536.0;
    double limit = L;
    if (looping && loopEnd < L) limit = loopEnd;
    if (!(base + first < std::fmin(limit, std::floor(base) + runSpanMax))) {
      if (!looping) break;  // the sample has ended: the rest of the block stays silent
      base = loopStart;
    }
    const double whole = std::floor(base);
    limit = std::fmin(limit, whole + runSpanMax);

    // A sample is read while the position after it stays below the limit, as at the run's start;
    // the first is read in any case. Counted in the readers' own 16.16 arithmetic.
    const std::int64_t qLimit = static_cast<std::int64_t>((limit - whole) * 65536.0);
    const std::uint32_t fraction = static_cast<std::uint32_t>((base - whole) * 65536.0);
    std::int64_t q = fraction;
    std::int64_t i = runInc;
    int taken = 0;
    do {
      q += i;
      i += step;
      ++taken;
    } while (taken < count && q + i < qLimit);

    const std::size_t at = static_cast<std::size_t>(whole) * static_cast<std::size_t>(width);
    const SampleRun run{job.info->data + at, fraction, static_cast<std::int32_t>(runInc), step, fadeOut};
    if (job.stereo)
      sampleReadStereo(&run, sv, job.left + offset, job.right + offset, static_cast<std::int16_t>(taken));
    else
      sampleReadMono(&run, sv, job.left + offset, static_cast<std::int16_t>(taken));

    const double next = whole + static_cast<double>(q) / 65536.0;
    sv->position = next - L * st * m;
    base = next;
    runInc = i;
    offset += taken;
    remaining -= taken;
  }
}

}  // namespace

void oscRenderSample(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames) {
  if (!engine || !record || frames < 1 || frames > engineBlockMax) return;
  const SampleInfo* info = sampleGetInfo(engine, channel);
  if (!info || !info->data || info->length < sampleMinFrames) {
    oscRenderSilent(engine, record, channel, frames);
    return;
  }
  const int n = frames;
  const int unit = oscRecordUnit(record, channel);
  const int lanesHeld = engineGetVoiceBufferCount(engine, channel);
  VoiceJob job;
  job.info = info;
  job.stereo = sampleDataIsStereo(info);
  job.length = info->length;
  job.startShare = numClamp<double>(info->startPosition, 0.0, 1.0);
  const int lanes = job.stereo ? 2 : 1;

  engine->voiceCursor = -1;
  std::int16_t v;
  float* buffer;
  while (OscVoiceState* state = oscNextVoice(engine, record, channel, frames, false, &v, &buffer)) {
    // Rendered apart and copied, so a stereo sample on a channel set up with one lane fills only it.
    float work[2 * engineBlockMax];
    std::memset(work, 0, sizeof(float) * static_cast<std::size_t>(lanes * n));
    job.left = work;
    job.right = job.stereo ? work + n : nullptr;
    renderVoice(engine, record, state, engine->modMultipliers[unit][v], job, n);
    sampleApplyAmplitudeLanes(engine, record, state, work, frames, lanes, true);
    const int copied = lanes < lanesHeld ? lanes : lanesHeld;
    std::memcpy(buffer, work, sizeof(float) * static_cast<std::size_t>(copied * n));
    if (lanesHeld > copied)
      std::memset(buffer + copied * n, 0, sizeof(float) * static_cast<std::size_t>((lanesHeld - copied) * n));
  }
}
