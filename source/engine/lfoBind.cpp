// Binding of the module states to the LFO outputs: after every rebuild each voice's oscillator,
// filter and modulator states point at the outputs of the LFOs that modulate them, or at constants,
// so the units read the LFOs without looking them up.
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "modules/filterVoiceState.h"
#include "modules/modulator.h"
#include "oscillators/oscVoiceState.h"

const float lfoLinkOne = 1.0f;

namespace {

const Lfo* routed(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice) {
  if (!engine || lfo < 0 || lfo >= lfoCount || channel < 0 || channel >= engineChannels || voice < 0 ||
      voice >= engineMaxVoices)
    return nullptr;
  const Lfo* record = &engine->lfos[lfo];
  return record->on ? record : nullptr;
}

}  // namespace

const float* lfoOscPitchLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice) {
  const Lfo* r = routed(engine, lfo, channel, voice);
  return r && r->pitchTarget[channel] ? &lfoFollowedState(engine, lfo, voice)->pitchFactor : &lfoLinkOne;
}

const float* lfoOscGainLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice) {
  const Lfo* r = routed(engine, lfo, channel, voice);
  return r && r->ampTarget[channel] ? &lfoFollowedState(engine, lfo, voice)->ampMultiplier : &lfoLinkOne;
}

const float* lfoOscFmIndexLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice) {
  const Lfo* r = routed(engine, lfo, channel, voice);
  return r && r->channelTarget[channel] ? &lfoFollowedState(engine, lfo, voice)->channelMultiplier : &lfoLinkOne;
}

const float* lfoModulatorPitchLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice) {
  return lfoOscPitchLink(engine, lfo, channel, voice);
}

void lfoBindVoices(Engine* engine) {
  if (!engine) return;
  for (std::int16_t i = 0; i < lfoCount; ++i) {
    const Lfo& lfo = engine->lfos[i];
    for (std::int16_t v = 0; v < engineMaxVoices; ++v) {
      LfoVoiceState* s = lfoFollowedState(engine, i, v);
      // Filters 0..2 (channels) and 3 (master), every lane.
      for (int f = 0; f < 4; ++f) {
        const bool on = lfo.on && lfo.filterTarget[f];
        for (int lane = 0; lane < engineLanesMax; ++lane) {
          FilterVoiceState& fs = engine->filterStates[f][v][lane];
          fs.lfoFactorLinks[i] = on ? &s->filterFactor : &filterLinkOne;
          fs.lfoOffsetLinks[i] = on ? &s->filterIndexOffset : &filterLinkZero;
        }
      }
      // Oscillators of channels 0..2: pitch, gain and FM index/balance (the third multiplier).
      for (std::int16_t c = 0; c < engineChannels; ++c) {
        OscVoiceState& os = engine->channelBlocks[c].voices[v];
        const bool on = lfo.on != 0;
        os.lfoPitch[i] = on && lfo.pitchTarget[c] ? &s->pitchFactor : &oscLfoNeutral;
        os.lfoGain[i] = on && lfo.ampTarget[c] ? &s->ampMultiplier : &oscLfoNeutral;
        os.lfoFmIndex[i] = on && lfo.channelTarget[c] ? &s->channelMultiplier : &oscLfoNeutral;
      }
    }
  }
  // The channel modulators' pitch links, every voice and lane (lfoModulatorPitchLink).
  modulatorBindLinks(engine);
}
