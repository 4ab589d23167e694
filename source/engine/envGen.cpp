// The envelope kernel: one instance by one block, one level per block with a ramp length that tells
// the consumers how to glide to it. All arithmetic in double precision; the table takes f32.
#include "engine/envGen.h"

#include <cmath>
#include <cstdint>

#include "engine/envGenShared.h"
#include "engine/envNote.h"
#include "preset/sample.h"
#include "preset/wave.h"

using namespace envgen;

namespace envgen {

double lfoFactor(Engine* engine, const EnvelopeSlot* s, EnvelopeInstance* inst, int a, int b, double w, int frames,
                 bool decideByB) {
  if (decideByB) {
    if (b < 0) return 1.0;
    if (a < 0) a = b;
  } else if (a < 0) {
    return 1.0;
  }
  const Breakpoint& A = bpAt(s, a);
  const Breakpoint& B = bpAt(s, b < 0 ? a : b);
  const double sr = engineSampleRate() > 0.0f ? engineSampleRate() : 44100.0;
  const double depth = A.lfoDepth * (1.0 - w) + B.lfoDepth * w;
  double period = A.lfoSeconds * (1.0 - w) + B.lfoSeconds * w;
  if (!(period >= 0.001)) period = 0.001;  // 0, negative or NaN from a record written directly
  double hold = (A.shSeconds * (1.0 - w) + B.shSeconds * w) * sr;
  if (!(hold >= 1.0)) hold = 1.0;

  // Phase in a 1024-sample wave; wrapped by floor, whatever the step.
  double phase = inst->lfoPhase + (frames / 44100.0) * (44100.0 / sr) * 1024.0 / period;
  if (!std::isfinite(phase)) phase = 0.0;
  phase -= 1024.0 * std::floor(phase * (1.0 / 1024.0));
  if (!(phase >= 0.0 && phase < 1024.0)) phase = 0.0;
  inst->lfoPhase = phase;

  if (s->sampleHoldOn) {
    double n = inst->holdCounter + frames;
    if (!std::isfinite(n) || n < 0.0) n = 0.0;
    if (n < hold) {
      inst->holdCounter = n;
      return inst->lfoFactor;
    }
    n -= hold;
    if (n >= hold) n -= hold * std::floor(n / hold);
    inst->holdCounter = n;
  }

  const WaveRecord* wave = waveGet(engine, static_cast<std::int16_t>(s->lfoWave));
  int i = static_cast<int>(phase);
  i = clampIndex(i, 1023);
  double sample = wave ? wave->samples[i] : 0.0;
  if (!(sample >= -1.0 && sample <= 1.0)) sample = sample > 1.0 ? 1.0 : (sample < -1.0 ? -1.0 : 0.0);
  double factor;
  if (s->pitchScale) {
    double d = depth;
    if (1.0 - depth < 0.0039062) d = 0.99609381;
    double base = 1.0 / (1.0 - d);
    if (!(base >= 1.0 / 256.0)) base = 1.0 / 256.0;
    factor = std::pow(base, sample);
  } else {
    factor = (1.0 - depth) + depth * (0.5 + 0.5 * sample);
  }
  inst->lfoFactor = static_cast<float>(factor);
  return factor;
}

}  // namespace envgen

namespace {

// Play position for the editor: the breakpoint being approached and the samples left to it.
void display(Engine* engine, EnvelopeSlot* s, const EnvelopeInstance* inst, int voice, int st, double d) {
  if (!(voice == engine->displayVoice || s->global) || st == 2) return;
  s->displayIndex =
      static_cast<std::int16_t>(((inst->segmentTarget % envBreakpointCount) + envBreakpointCount) % envBreakpointCount);
  s->displayPosition = d - inst->elapsed;
}

std::int32_t toElapsed(double e) {
  if (!(e > 0.0)) return 0;
  return e >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(e);
}

}  // namespace

void envStepInstance(Engine* engine, EnvelopeSlot* own, EnvelopeInstance* inst, std::int16_t voice,
                     std::int16_t frames) {
  if (!engine || !own || !inst || frames < 1) return;
  const int F = frames;
  const int vi = voiceIndex(voice);

  // 1 Link: the master's shape with this slot's percentages, destination and table entry.
  EnvelopeSlot* S = own;
  double aS = 1.0, aO = 0.0, tS = 1.0, sS = 1.0;
  if (isLinked(own)) {
    aS = own->ampPercent;
    aO = own->ampOffset;
    tS = own->timePercent;
    sS = own->slopePercent;
    S = shapeOf(engine, own);
    if (S->mode == envModeControl) return;
  }
  // 2 Tempo.
  if (S->tempoSync || S->mode == envModeRetrigger) tS *= tempoGetRatio(engine);
  if (!(tS >= 0.0)) tS = 1.0;
  // 3 A voice that is free runs nothing.
  if (!S->global && engine->voices[vi].state == voiceStateFree) return;
  // 4 Handshake.
  if (!handshakeAdmit(S)) return;

  // 5, 6
  const double cap = S->pitchScale ? 64.0 : 1.0;
  const int last = lastIndexOf(S);
  const bool amplitude = own->destination == envDestOscAmp;
  int nx = inst->segmentTarget, cu = inst->segmentStart, st = inst->state;
  // The segment's length; a holding or ended instance needs it only for the display.
  auto currentLength = [&]() {
    double d = segmentLength(engine, S, bpAt(S, nx), vi, tS);
    if (cu == S->releaseIndex && nx > cu) d *= inst->releaseFactor > 0.0f ? inst->releaseFactor : 1.0f;
    return d;
  };
  const bool shown = vi == engine->displayVoice || S->global;

  // 7 Dispatch.
  if (st == 2) {
    // Hold at the sustain point.
    double L = bpAt(S, cu).level;
    inst->startLevel = static_cast<float>(L);
    L = ampControl(engine, S, bpAt(S, cu), vi, L);
    double out = aO + aS * L;
    inst->output = static_cast<float>(out);
    if (S->lfoOn) out *= lfoFactor(engine, S, inst, cu, cu, 1.0, F, false);
    if (!S->bypass) multiplyInto(engine, own, inst->voice, out);
    inst->rampLength = static_cast<float>(F);
    return;  // no display move while holding
  }
  if (st != 1 && st != 3) {
    if (st == 0) multiplyInto(engine, own, inst->voice, bpAt(S, last).level);
    if (shown) display(engine, S, inst, vi, st, currentLength());
    return;
  }
  double D = currentLength();
  double E = inst->elapsed;

  // Run. 1 Segment end.
  double storedElapsed = E;
  if (E >= D) {
    E -= D;
    inst->lastReached = static_cast<std::int16_t>(nx);
    cu = nx;
    nx = nx + 1;
    int ns = st;
    if (cu == S->sustainIndex)
      ns = 2;
    else if (cu == S->releaseIndex)
      ns = 1;
    else if (cu >= last)
      ns = 0;
    if (S->mode == envModeRelease && ns == 2) ns = 1;

    if (ns == 0) {
      inst->state = envStateEnded;
      if (amplitude) voiceSetStateFromEnvelopes(engine, static_cast<std::int16_t>(vi));
      inst->output = 0.0f;
      multiplyInto(engine, own, inst->voice, bpAt(S, last).level);
      return;
    }
    if (ns == 2 && S->mode != envModeLoop) {
      inst->state = envStateHolding;
      inst->segmentTarget = static_cast<std::int16_t>(nx);
      inst->segmentStart = static_cast<std::int16_t>(cu);
      inst->rampLength = static_cast<float>(F);
      double L = bpAt(S, cu).level;
      inst->startLevel = static_cast<float>(L);
      L = ampControl(engine, S, bpAt(S, cu), vi, L);
      double out = aO + aS * L;
      inst->output = static_cast<float>(out);
      if (S->lfoOn) out *= lfoFactor(engine, S, inst, cu, cu, 1.0, F, false);
      multiplyInto(engine, own, inst->voice, out);
      if (vi == engine->displayVoice || S->global) {
        S->displayPosition = 0.0;
        S->displayIndex = static_cast<std::int16_t>(clampIndex(S->sustainIndex, 0x7FFF) % envBreakpointCount);
      }
      return;
    }
    if (ns == 2) {
      // Loop: back to the loop start over that breakpoint's time; the state stays.
      nx = S->loopStart;
      st = 2;
    } else {
      inst->state = static_cast<std::int16_t>(ns);
      st = ns;
      if (ns == 1 && amplitude) voiceSetStateFromEnvelopes(engine, static_cast<std::int16_t>(vi));
      inst->elapsed = 0;
    }
    // A segment starts in this block: its ramp is measured from the block start.
    storedElapsed = 0.0;
    D = segmentLength(engine, S, bpAt(S, nx), vi, tS);
    inst->startLevel = bpAt(S, cu).level;
  }

  // 2 Time.
  double Ls = inst->startLevel;
  if (D < 1.0) D = 1.0;
  if (amplitude) {
    E = (D - E < F) ? D : E + F;
  } else {
    E += F;
    if (D < F) D = F;
  }
  double x = (E > 1.0 ? E : 1.0) / D;
  if (x > 1.0) x = 1.0;  // never past the segment's end level

  // 3 Level.
  const Breakpoint& bN = bpAt(S, nx);
  const Breakpoint& bC = bpAt(S, cu);
  double out;
  if (!bN.step && own->destination != envDestSampleJump) {
    double Ln = bN.level;
    if (!(Ls >= tiny)) Ls = 0.0;
    if (!(Ln >= tiny)) Ln = 0.0;
    Ln = ampControl(engine, S, bN, vi, Ln);
    if (st != 1) Ls = ampControl(engine, S, bC, vi, Ls);
    const double Ts = aO + aS * Ls;
    const double Tn = aO + aS * Ln;
    const double slope = bN.slope * sS;
    double p = 1.0;
    if (Tn == Ts && !S->lfoOn) {
      out = Ts;  // a flat segment needs no curve
    } else {
      p = slope == 1.0 ? x : std::pow(x, slope);
      out = Ts + (Tn - Ts) * p;
    }
    inst->output = static_cast<float>(out);
    if (S->lfoOn) out *= lfoFactor(engine, S, inst, inst->lastReached, nx, p, F, true);
  } else {
    double L;
    if (E < D) {
      L = Ls;
      if (!(L >= tiny)) L = 0.0;
      inst->startLevel = static_cast<float>(L);
      if (st != 1) L = ampControl(engine, S, bC, vi, L);
    } else {
      L = bN.level;
      if (!(L >= tiny)) L = 0.0;
      inst->startLevel = static_cast<float>(L);
      L = ampControl(engine, S, bN, vi, L);
    }
    out = aO + aS * L;
    inst->output = static_cast<float>(out);
    if (S->lfoOn) out *= lfoFactor(engine, S, inst, inst->lastReached, nx, 0.0, F, false);
    if (own->destination == envDestSampleJump) sampleSetPosition(engine, S->owner, inst->voice, out, 0.0);
  }

  // 4 Clamp and apply.
  double r = out;
  if (r > cap) r = cap;
  if (!(r >= tiny)) r = 0.0;
  if (!S->bypass) multiplyInto(engine, own, inst->voice, r);

  // 5 Store.
  const double rest = D - storedElapsed;
  inst->segmentTarget = static_cast<std::int16_t>(nx);
  inst->segmentStart = static_cast<std::int16_t>(cu);
  if (amplitude && rest < F)
    inst->rampLength = static_cast<float>(rest > 0.0 ? rest : 0.0);
  else
    inst->rampLength = static_cast<float>(F);
  // Stored whole: a segment that reached its end keeps it reached (a fractional length truncated would
  // leave an amplitude segment short of its end for ever).
  inst->elapsed = toElapsed(E >= D ? std::ceil(E) : E);
  display(engine, S, inst, vi, st, D);
}
