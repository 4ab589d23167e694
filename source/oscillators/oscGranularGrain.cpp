// Grains of the "Granular" oscillator: their start with random deviations of length, start, pitch,
// amplitude and allpass sweep, their raised-cosine envelope and their reading.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/freqTable.h"
#include "engine/numeric.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscGranular.h"
#include "oscillators/oscSample.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"

std::uint32_t grainRandomState = grainRandomSeed;

float grainRandomNext() {
  grainRandomState = grainRandomState * 196314165u + 907633515u;
  return static_cast<float>((grainRandomState & 0xFFFFu) / 65535.0);
}

namespace {

const int grainLengthMin = 256;
const int grainLengthMax = 20000;
const double allpassIndexMin = 20.0;
const double allpassIndexMax = 479.0;
const float recursionGuard = 1e-24f;  // keeps the allpass memories out of the denormal range

int unitOf(const OscSubRecord* params) {
  return params->channel >= 0 && params->channel < engineChannels ? params->channel : 0;
}

int voiceOf(const GrainBlock* block) {
  return block->voice < static_cast<std::uint32_t>(engineMaxVoices) ? static_cast<int>(block->voice) : 0;
}

// (1 - depth) + depth x r with a fresh draw: between 1 - depth and 1.
double randomDepth(double depth) { return (1.0 - depth) + depth * grainRandomNext(); }

// A depth 1 - field, times its modulation, held within 0..1.
double depthOf(float field, float modulation) { return numClamp<double>((1.0 - field) * modulation, 0.0, 1.0); }

double grainSize(const OscSubRecord* params) { return std::trunc(numClamp<double>(params->size, 128.0, 10000.0)); }

}  // namespace

int grainCount(const OscSubRecord* params) {
  const std::int32_t n = params ? params->count : 1;
  return numClamp<std::int32_t>(n, 1, oscGrainSlots);
}

void grainStart(Engine* engine, const OscSubRecord* params, GrainBlock* block, GrainSlot* g, std::int32_t scan,
                std::int32_t lead) {
  if (!engine || !params || !block || !g) return;
  const int unit = unitOf(params);
  const float* mod = engine->modMultipliers[unit][voiceOf(block)];
  const SampleInfo* info = sampleGetInfo(engine, static_cast<std::int16_t>(unit));
  const bool stereo = sampleDataIsStereo(info);
  g->stereo = stereo ? 1 : 0;
  const double S = grainSize(params);
  const double rt = depthOf(params->randTime, mod[modRowGrainRandTime]);
  const double rf = depthOf(params->randFreq, mod[modRowGrainRandFreq]);
  const double ra = depthOf(params->randAmp, mod[modRowGrainRandAmp]);
  const double diffusion = depthOf(params->diffusion, mod[modRowGrainDiffusion]);
  const double p = scan > 0 ? scan : 0;  // a scan position before the data counts as its start

  const double length =
      numClamp<double>(lead * randomDepth(rt) + S * mod[modRowGrainSize], grainLengthMin, grainLengthMax);
  const std::int32_t L = static_cast<std::int32_t>(length);

  const double offset = S * rt * (1.0 - grainRandomNext());
  double start = stereo ? 2.0 * p + 2.0 * offset : p + offset;
  start = numClamp<double>(start, 0.0, 2147483646.0);
  std::int32_t first = static_cast<std::int32_t>(start);
  if (stereo) first &= ~1;  // a stereo grain starts on a left value, so its lanes keep their sides
  g->start = first;

  g->readPosition = 0.0;
  g->envelopePosition = 0;
  g->envelopeStage = 0;
  g->length = L;
  g->life = L;
  g->release = static_cast<std::int32_t>(L * 0.25);
  g->sustainEnd = L - g->release;
  g->attack = 2 * g->release < L ? g->release : L - g->release - 1;
  g->lastGain = 0.0f;

  g->pitchFactor = static_cast<float>(randomDepth(rf));
  g->amplitude = static_cast<float>(randomDepth(ra) * std::sqrt(1.0 / grainCount(params)));

  const double i0 = numClamp<double>(480.0 * randomDepth(diffusion), allpassIndexMin, allpassIndexMax);
  g->diffusionIndex = static_cast<float>(i0);
  const double c0 = dspTableLookupLerp(static_cast<float>(i0));
  g->startCoefficient = static_cast<float>(c0);
  g->coefficient = static_cast<float>(c0);
  const double i1 = numClamp<double>(i0 * randomDepth(diffusion), allpassIndexMin, allpassIndexMax);
  const double c1 = dspTableLookupLerp(static_cast<float>(i1));
  g->coefficientStep = static_cast<float>((c1 - c0) / L);
  g->feedback = 0.0f;
  std::memset(g->allpassMemory, 0, sizeof g->allpassMemory);

  block->releasePosition =
      static_cast<std::int32_t>(numClamp<double>(g->start + g->sustainEnd + g->release * 0.25, 0.0, 2147483646.0));
  block->endPosition = static_cast<std::int32_t>(numClamp<double>(g->start + L + g->attack * 0.25, 0.0, 2147483646.0));
}

void grainStartArgs(Engine* engine, const OscSubRecord* params, GrainBlock* block, GrainSlot* grain, std::int32_t scan,
                    std::int32_t lead) {
  grainStart(engine, params, block, grain, scan, lead);
}

void grainSetup(Engine* engine, const OscSubRecord* params, GrainBlock* block) {
  if (!engine || !params || !block) return;
  const int count = grainCount(params);
  const std::int32_t spacing = static_cast<std::int32_t>(grainSize(params) / count);
  const int unit = unitOf(params);
  const SampleInfo* info = sampleGetInfo(engine, static_cast<std::int16_t>(unit));
  std::int32_t s0 = 0;
  if (info && info->length >= 256) {
    const double share = numClamp<double>(info->startPosition, 0.0, 1.0);
    const double m = engine->modMultipliers[unit][voiceOf(block)][modRowSampleStart];
    s0 = static_cast<std::int32_t>(numClamp<double>(info->length * share * m, 0.0, info->length));
  }
  block->releasePosition = 0;
  block->endPosition = 0;
  for (int k = 0; k < count; ++k) grainStart(engine, params, block, &block->slots[k], s0, k * spacing);
}

void grainEnvelope(GrainSlot* g, std::int16_t count, float* out) {
  const int n = count > 0 ? count : 0;
  std::memset(out, 0, sizeof(float) * static_cast<std::size_t>(n));
  int i = 0;
  std::int32_t pos = g->envelopePosition;
  // Every pass of the loop either fills samples or moves to a later stage, so it always ends.
  while (i < n) {
    if (g->envelopeStage == 0) {
      const std::int32_t attack = g->attack;
      const std::int32_t m = attack - pos < n - i ? attack - pos : n - i;
      if (attack > 0 && m > 0) {
        const double step = 512.0 / attack;
        double x = pos * step;
        for (std::int32_t j = 0; j < m; ++j) {
          out[i + j] = oscGrainWindow[static_cast<std::int32_t>(x) & 1023];
          x += step;
        }
        pos += m;
        i += m;
      }
      if (pos >= attack || m <= 0) g->envelopeStage = 1;
    } else if (g->envelopeStage == 1) {
      const std::int32_t m = g->sustainEnd - pos < n - i ? g->sustainEnd - pos : n - i;
      if (m > 0) {
        for (std::int32_t j = 0; j < m; ++j) out[i + j] = 1.0f;
        pos += m;
        i += m;
      }
      if (pos >= g->sustainEnd || m <= 0) g->envelopeStage = 2;
    } else if (g->envelopeStage == 2) {
      const std::int32_t release = g->release;
      const std::int32_t end = g->sustainEnd + release;
      const std::int32_t m = end - pos < n - i ? end - pos : n - i;
      if (release > 0 && m > 0) {
        const double step = 512.0 / release;
        double x = (pos - g->sustainEnd) * step;
        for (std::int32_t j = 0; j < m; ++j) {
          out[i + j] = 1.0f - oscGrainWindow[static_cast<std::int32_t>(x) & 1023];
          x += step;
        }
        pos += m;
        i += m;
      }
      if (pos >= g->length || release <= 0 || m <= 0) g->envelopeStage = 3;
    } else {
      break;  // done (or a stage no grain start writes): zeros
    }
  }
  g->envelopePosition = pos;
}

void grainEnvelopeArgs(GrainSlot* grain, std::int16_t count, float* out) { grainEnvelope(grain, count, out); }

std::int16_t grainRender(GrainSlot* g, const float* data, std::uint32_t length, double pitch, float* scratch,
                         float* out, std::int16_t count, std::int16_t stride) {
  const int requested = count > 0 ? count : 0;
  int n = requested;
  if (g->life < n) {
    n = g->life > 0 ? g->life : 0;
    g->life = 0;
  } else {
    g->life -= n;
  }
  const int width = g->stereo ? 2 : 1;
  const double limit = static_cast<double>(length) * width;
  const double inc = numClamp<double>(pitch * g->pitchFactor, 0.0, grainIncrementMax);
  // A grain whose life is over asks for its successor at once, wherever it stood.
  if (n == 0) return static_cast<std::int16_t>(requested);
  if (!std::isfinite(g->readPosition) || g->readPosition < 0.0) g->readPosition = 0.0;
  // The values this block reads, from the grain's start and its read position on: all within the data.
  const double whole = std::floor(g->readPosition);
  if (g->start < 0 || g->start + width * (g->readPosition + n * inc) > limit) return 0;

  grainEnvelope(g, static_cast<std::int16_t>(n), scratch);
  const float* v = data + g->start + static_cast<std::size_t>(whole) * width;
  std::uint32_t pos = static_cast<std::uint32_t>((g->readPosition - whole) * 65536.0);
  const std::uint32_t step = static_cast<std::uint32_t>(inc * 65536.0);
  const float* weights = oscFractionRamp;
  const float amplitude = g->amplitude;
  float c = g->coefficient;
  const float dc = g->coefficientStep;
  float* mem = g->allpassMemory;
  float e = 0.0f;
  if (width == 1) {
    float x1 = mem[0], y1 = mem[1];
    for (int i = 0; i < n; ++i) {
      e = scratch[i] * amplitude;
      const std::uint32_t k = pos >> 16;
      const float w = weights[(pos >> 8) & 0xFFu];
      const float x = v[k] + (v[k + 1] - v[k]) * w;
      const float y = c * (x - y1) + x1 + recursionGuard;
      x1 = x;
      y1 = y;
      out[i] += y * e;
      c += dc;
      pos += step;
    }
    mem[0] = x1;
    mem[1] = y1;
  } else {
    float xl = mem[0], yl = mem[1], xr = mem[2], yr = mem[3];
    float* right = out + stride;
    for (int i = 0; i < n; ++i) {
      e = scratch[i] * amplitude;
      const std::uint32_t k = (pos >> 16) * 2u;
      const float w = weights[(pos >> 8) & 0xFFu];
      const float l = v[k] + (v[k + 2] - v[k]) * w;
      const float r = v[k + 1] + (v[k + 3] - v[k + 1]) * w;
      const float a = c * (l - yl) + xl + recursionGuard;
      const float b = c * (r - yr) + xr + recursionGuard;
      xl = l;
      yl = a;
      xr = r;
      yr = b;
      out[i] += a * e;
      right[i] += b * e;
      c += dc;
      pos += step;
    }
    mem[0] = xl;
    mem[1] = yl;
    mem[2] = xr;
    mem[3] = yr;
  }
  g->coefficient = c;
  g->readPosition = whole + static_cast<double>(pos) / 65536.0;
  g->lastGain = e;
  return static_cast<std::int16_t>(requested - n);
}

std::int16_t grainRenderArgs(GrainSlot* grain, const float* data, std::uint32_t length, double pitch, float* scratch,
                             float* out, std::int16_t count, std::int16_t stride) {
  return grainRender(grain, data, length, pitch, scratch, out, count, stride);
}
