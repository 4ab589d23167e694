#include "rtSetters.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "engine/surround.h"
#include "engine/velocityRuntime.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "modules/threeUnitEffect.h"
#include "modules/waveshaper.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/presetHeader.h"
#include "preset/sample.h"
#include "preset/tuning.h"

namespace {

std::int16_t I(int i) { return static_cast<std::int16_t>(i); }

// A double as the float a page would hand over: beyond the float range it is infinite.
float F(double v) {
  if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// A double saturated to an integer type (not a number: 0).
template <typename T>
T S(double v) {
  if (std::isnan(v)) return 0;
  if (v <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (v >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

}  // namespace

const std::vector<RtSetter>& rtSetters() {
  static const std::vector<RtSetter> table = {
      {"oscSetPitch", 3, [](Engine* e, int i, double v) { oscSetPitch(e, I(i), F(v)); }, true},
      {"oscSetPitchB", 3, [](Engine* e, int i, double v) { oscSetPitchB(e, I(i), F(v)); }, true},
      {"oscSetInputGain", 3, [](Engine* e, int i, double v) { oscSetInputGain(e, I(i), F(v)); }, true},
      {"oscSetLevel", 3, [](Engine* e, int i, double v) { oscSetLevel(e, I(i), F(v)); }, true},
      {"oscSetBalance", 3, [](Engine* e, int i, double v) { oscSetBalance(e, I(i), F(v)); }, true},
      {"oscSetFmIndex", 3, [](Engine* e, int i, double v) { oscSetFmIndex(e, I(i), F(v)); }, true},
      {"oscSetPhaseA", 3, [](Engine* e, int i, double v) { oscSetPhaseA(e, I(i), F(v)); }, true},
      {"oscSetPhaseB", 3, [](Engine* e, int i, double v) { oscSetPhaseB(e, I(i), F(v)); }, true},
      {"oscSetTrans", 3, [](Engine* e, int i, double v) { oscSetTrans(e, I(i), v); }, true},
      {"oscSetRandTrans", 3, [](Engine* e, int i, double v) { oscSetRandTrans(e, I(i), v); }, true},
      {"oscSetWaveA", 3, [](Engine* e, int i, double v) { oscSetWaveA(e, I(i), S<std::int16_t>(v)); }, false},
      {"oscSetWaveB", 3, [](Engine* e, int i, double v) { oscSetWaveB(e, I(i), S<std::int16_t>(v)); }, false},
      {"oscSetNumVoices", 3, [](Engine* e, int i, double v) { oscSetNumVoices(e, I(i), S<std::int16_t>(v)); }, false},
      {"oscSetFreqMode", 3, [](Engine* e, int i, double v) { oscSetFreqMode(e, I(i), S<std::int16_t>(v)); }, false},
      {"oscSetFreqModeB", 3, [](Engine* e, int i, double v) { oscSetFreqModeB(e, I(i), S<std::int16_t>(v)); }, false},
      {"oscSetOn", 3, [](Engine* e, int i, double v) { oscSetOn(e, I(i), S<std::uint8_t>(v)); }, false},
      {"oscSetAuxSwitch", 3, [](Engine* e, int i, double v) { oscSetAuxSwitch(e, I(i), S<std::uint8_t>(v)); }, false},
      {"oscSetPhaseReset", 3, [](Engine* e, int i, double v) { oscSetPhaseReset(e, I(i), S<std::uint8_t>(v)); }, false},
      {"oscSetBandLimited", 3, [](Engine* e, int i, double v) { oscSetBandLimited(e, I(i), S<std::uint8_t>(v)); }, false},
      {"oscSetType", 3, [](Engine* e, int i, double v) { oscSetType(e, static_cast<std::uint16_t>(i), S<std::uint16_t>(v)); }, false},
      {"oscSetAudioInput", 6, [](Engine* e, int i, double v) { oscSetAudioInput(e, I(i % 3), I(i / 3), S<std::int16_t>(v)); }, false},
      {"oscSetSampleParam", 6, [](Engine* e, int i, double v) { oscSetSampleParam(e, I(i % 3), I(1 + i / 3), v); }, true},
      {"sampleSetLoopStart", 3, [](Engine* e, int i, double v) { sampleSetLoopStart(e, I(i), S<std::int32_t>(v)); }, false},
      {"sampleSetLoopEnd", 3, [](Engine* e, int i, double v) { sampleSetLoopEnd(e, I(i), S<std::int32_t>(v)); }, false},
      {"sampleSetLoopMode", 3, [](Engine* e, int i, double v) { sampleSetLoopMode(e, I(i), S<std::int32_t>(v)); }, false},
      {"filterSetFrequency", 4, [](Engine* e, int i, double v) { filterSetFrequency(e, I(i), v); }, true},
      {"filterSetResonance", 4, [](Engine* e, int i, double v) { filterSetResonance(e, I(i), v); }, true},
      {"filterSetGainDb", 4, [](Engine* e, int i, double v) { filterSetGainDb(e, I(i), v); }, true},
      {"filterSetWidth", 4, [](Engine* e, int i, double v) { filterSetWidth(e, I(i), v); }, true},
      {"filterSetType", 4, [](Engine* e, int i, double v) { filterSetType(e, I(i), S<std::int16_t>(v)); }, false},
      {"filterSetOn", 4, [](Engine* e, int i, double v) { filterSetOn(e, I(i), S<std::uint8_t>(v)); }, false},
      {"filterSetPostMix", 4, [](Engine* e, int i, double v) { filterSetPostMix(e, I(i), S<std::uint8_t>(v)); }, false},
      {"modulatorSetFrequency", 3, [](Engine* e, int i, double v) { modulatorSetFrequency(e, I(i), v); }, true},
      {"modulatorSetBalance", 3, [](Engine* e, int i, double v) { modulatorSetBalance(e, I(i), v); }, true},
      {"modulatorSetFeedback", 3, [](Engine* e, int i, double v) { modulatorSetFeedback(e, I(i), v); }, true},
      {"modulatorSetFreqMode", 3, [](Engine* e, int i, double v) { modulatorSetFreqMode(e, I(i), S<std::int16_t>(v)); }, false},
      {"modulatorSetWave", 3, [](Engine* e, int i, double v) { modulatorSetWave(e, I(i), S<std::int16_t>(v)); }, false},
      {"modulatorSetType", 3, [](Engine* e, int i, double v) { modulatorSetType(e, I(i), S<std::uint16_t>(v)); }, false},
      {"modulatorSetOn", 3, [](Engine* e, int i, double v) { modulatorSetOn(e, I(i), S<std::uint8_t>(v)); }, false},
      {"modulatorSetShiftFlag", 3, [](Engine* e, int i, double v) { modulatorSetShiftFlag(e, I(i), S<std::uint8_t>(v)); }, false},
      {"waveshaperSetInGainDb", 1, [](Engine* e, int i, double v) { waveshaperSetInGainDb(e, v); }, true},
      {"waveshaperSetOutGainDb", 1, [](Engine* e, int i, double v) { waveshaperSetOutGainDb(e, v); }, true},
      {"waveshaperSetPhase", 1, [](Engine* e, int i, double v) { waveshaperSetPhase(e, v); }, true},
      {"waveshaperSetWave", 1, [](Engine* e, int i, double v) { waveshaperSetWave(e, S<std::int32_t>(v)); }, false},
      {"waveshaperSetOn", 1, [](Engine* e, int i, double v) { waveshaperSetOn(e, S<std::uint8_t>(v)); }, false},
      {"waveshaperSetPostMix", 1, [](Engine* e, int i, double v) { waveshaperSetPostMix(e, S<std::uint8_t>(v)); }, false},
      {"lfoSetOn", 3, [](Engine* e, int i, double v) { lfoSetOn(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetPerVoice", 3, [](Engine* e, int i, double v) { lfoSetPerVoice(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetSampleHold", 3, [](Engine* e, int i, double v) { lfoSetSampleHold(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetRetrigger", 3, [](Engine* e, int i, double v) { lfoSetRetrigger(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetPitchPolarity", 3, [](Engine* e, int i, double v) { lfoSetPitchPolarity(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetAmpPolarity", 3, [](Engine* e, int i, double v) { lfoSetAmpPolarity(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetFilterPolarity", 3, [](Engine* e, int i, double v) { lfoSetFilterPolarity(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetChannelPolarity", 3, [](Engine* e, int i, double v) { lfoSetChannelPolarity(e, I(i), S<std::uint8_t>(v)); }, false},
      {"lfoSetPitchTarget", 9, [](Engine* e, int i, double v) { lfoSetPitchTarget(e, I(i % 3), I(i / 3), S<std::uint8_t>(v)); }, false},
      {"lfoSetAmpTarget", 9, [](Engine* e, int i, double v) { lfoSetAmpTarget(e, I(i % 3), I(i / 3), S<std::uint8_t>(v)); }, false},
      {"lfoSetChannelTarget", 9, [](Engine* e, int i, double v) { lfoSetChannelTarget(e, I(i % 3), I(i / 3), S<std::uint8_t>(v)); }, false},
      {"lfoSetFilterTarget", 12, [](Engine* e, int i, double v) { lfoSetFilterTarget(e, I(i % 3), I(i / 3), S<std::uint8_t>(v)); }, false},
      {"lfoSetPitchDepth", 3, [](Engine* e, int i, double v) { lfoSetPitchDepth(e, I(i), v); }, true},
      {"lfoSetAmpDepth", 3, [](Engine* e, int i, double v) { lfoSetAmpDepth(e, I(i), v); }, true},
      {"lfoSetFieldDepth", 3, [](Engine* e, int i, double v) { lfoSetFieldDepth(e, I(i), v); }, true},
      {"lfoSetFilterRange", 3, [](Engine* e, int i, double v) { lfoSetFilterRange(e, I(i), v); }, true},
      {"lfoSetChannelDepth", 3, [](Engine* e, int i, double v) { lfoSetChannelDepth(e, I(i), v); }, true},
      {"lfoSetPercentSetting", 3, [](Engine* e, int i, double v) { lfoSetPercentSetting(e, I(i), v); }, true},
      {"lfoSetPeriodSeconds", 3, [](Engine* e, int i, double v) { lfoSetPeriodSeconds(e, I(i), v); }, true},
      {"lfoSetStartPhase", 3, [](Engine* e, int i, double v) { lfoSetStartPhase(e, I(i), v); }, true},
      {"lfoSetHoldSeconds", 3, [](Engine* e, int i, double v) { lfoSetHoldSeconds(e, I(i), v); }, true},
      {"lfoSetRateRange", 3, [](Engine* e, int i, double v) { lfoSetRateRange(e, I(i), v); }, true},
      {"lfoSetDepthAmount", 3, [](Engine* e, int i, double v) { lfoSetDepthAmount(e, I(i), v); }, true},
      {"lfoSetHoldRateRange", 3, [](Engine* e, int i, double v) { lfoSetHoldRateRange(e, I(i), v); }, true},
      {"lfoSetPeriodBeats", 3, [](Engine* e, int i, double v) { lfoSetPeriodBeats(e, I(i), v); }, true},
      {"lfoSetHoldBeats", 3, [](Engine* e, int i, double v) { lfoSetHoldBeats(e, I(i), v); }, true},
      {"lfoSetWaveId", 3, [](Engine* e, int i, double v) { lfoSetWaveId(e, I(i), S<std::int16_t>(v)); }, false},
      {"lfoSetPeriodSync", 3, [](Engine* e, int i, double v) { lfoSetPeriodSync(e, I(i), S<std::int16_t>(v)); }, false},
      {"lfoSetHoldSync", 3, [](Engine* e, int i, double v) { lfoSetHoldSync(e, I(i), S<std::int16_t>(v)); }, false},
      {"lfoSetControllerSource", 12, [](Engine* e, int i, double v) { lfoSetControllerSource(e, I(i % 3), I(i / 3), S<std::int16_t>(v)); }, false},
      {"envSetMode", 28, [](Engine* e, int i, double v) { envSetMode(e, I(i), S<std::uint16_t>(v)); }, false},
      {"envSetSyncFlag", 28, [](Engine* e, int i, double v) { envSetSyncFlag(e, I(i), S<std::uint8_t>(v)); }, false},
      {"envSetBypass", 28, [](Engine* e, int i, double v) { envSetBypass(e, I(i), S<std::uint8_t>(v)); }, false},
      {"envSetCcScaleOn", 28, [](Engine* e, int i, double v) { envSetCcScaleOn(e, I(i), S<std::uint8_t>(v)); }, false},
      {"envSetLfoOn", 28, [](Engine* e, int i, double v) { envSetLfoOn(e, I(i), S<std::uint8_t>(v)); }, false},
      {"envSetLfoFlag", 28, [](Engine* e, int i, double v) { envSetLfoFlag(e, I(i), S<std::uint8_t>(v)); }, false},
      {"envSetLinked", 28, [](Engine* e, int i, double v) { envSetLinked(e, I(i), S<std::uint8_t>(v)); }, false},
      {"envSetControlSource", 28, [](Engine* e, int i, double v) { envSetControlSource(e, I(i), S<std::int16_t>(v)); }, false},
      {"envSetLfoWave", 28, [](Engine* e, int i, double v) { envSetLfoWave(e, I(i), S<std::int16_t>(v)); }, false},
      {"envSetLinkMaster", 28, [](Engine* e, int i, double v) { envSetLinkMaster(e, I(i), S<std::int16_t>(v)); }, false},
      {"envSetLfoPhase", 28, [](Engine* e, int i, double v) { envSetLfoPhase(e, I(i), F(v)); }, true},
      {"envSetAmpPercent", 28, [](Engine* e, int i, double v) { envSetAmpPercent(e, I(i), F(v)); }, true},
      {"envSetAmpOffset", 28, [](Engine* e, int i, double v) { envSetAmpOffset(e, I(i), F(v)); }, true},
      {"envSetTimePercent", 28, [](Engine* e, int i, double v) { envSetTimePercent(e, I(i), F(v)); }, true},
      {"envSetSlopePercent", 28, [](Engine* e, int i, double v) { envSetSlopePercent(e, I(i), F(v)); }, true},
      {"envSetBpTime", 112, [](Engine* e, int i, double v) { envSetBpTime(e, I(i % 28), I(i / 28 - (i / 28 == 3 ? 4 : 0)), v); }, true},
      {"envSetBpLevel", 112, [](Engine* e, int i, double v) { envSetBpLevel(e, I(i % 28), I(i / 28 - (i / 28 == 3 ? 4 : 0)), v); }, true},
      {"envSetBpSlope", 112, [](Engine* e, int i, double v) { envSetBpSlope(e, I(i % 28), I(i / 28 - (i / 28 == 3 ? 4 : 0)), v); }, true},
      {"envSetBpAmpScale", 112, [](Engine* e, int i, double v) { envSetBpAmpScale(e, I(i % 28), I(i / 28 - (i / 28 == 3 ? 4 : 0)), v); }, true},
      {"envSetBpTimeScale", 112, [](Engine* e, int i, double v) { envSetBpTimeScale(e, I(i % 28), I(i / 28 - (i / 28 == 3 ? 4 : 0)), v); }, true},
      {"envSetBpStepFlag", 112, [](Engine* e, int i, double v) { envSetBpStepFlag(e, I(i % 28), I(i / 28), S<std::uint32_t>(v)); }, false},
      {"envSetBpAmpCc", 112, [](Engine* e, int i, double v) { envSetBpAmpCc(e, I(i % 28), I(i / 28), S<std::int16_t>(v)); }, false},
      {"envSetBpTimeCc", 112, [](Engine* e, int i, double v) { envSetBpTimeCc(e, I(i % 28), I(i / 28), S<std::int16_t>(v)); }, false},
      {"envSetBpDepth", 112, [](Engine* e, int i, double v) { envSetBpDepth(e, I(i % 28), I(i / 28), F(v)); }, true},
      {"envSetBpLfoSec", 112, [](Engine* e, int i, double v) { envSetBpLfoSec(e, I(i % 28), I(i / 28), F(v)); }, true},
      {"envSetBpShSec", 112, [](Engine* e, int i, double v) { envSetBpShSec(e, I(i % 28), I(i / 28), F(v)); }, true},
      {"effectSetType", 1, [](Engine* e, int i, double v) { effectSetType(e, S<std::uint16_t>(v)); }, false},
      {"effectSetOn", 1, [](Engine* e, int i, double v) { effectSetOn(e, S<std::uint8_t>(v)); }, false},
      {"effectSetLevelA", 1, [](Engine* e, int i, double v) { effectSetLevelA(e, F(v)); }, true},
      {"effectSetLevelB", 1, [](Engine* e, int i, double v) { effectSetLevelB(e, F(v)); }, true},
      {"effectSetTimeUnit", 5, [](Engine* e, int i, double v) { effectSetTimeUnit(e, static_cast<std::uint16_t>(1 + i), S<std::uint16_t>(v)); }, false},
      {"effectSetTime", 5, [](Engine* e, int i, double v) { effectSetTime(e, static_cast<std::uint16_t>(1 + i), v); }, true},
      {"effectPipeSetDelay", 1, [](Engine* e, int i, double v) { effectPipeSetDelay(e, v); }, true},
      {"effectPipeSetFeedback", 1, [](Engine* e, int i, double v) { effectPipeSetFeedback(e, v); }, true},
      {"effectPipeSetInputPos", 1, [](Engine* e, int i, double v) { effectPipeSetInputPos(e, v); }, true},
      {"effectPipeSetFilterFreq", 1, [](Engine* e, int i, double v) { effectPipeSetFilterFreq(e, v); }, true},
      {"effectPipeSetLengthMod", 1, [](Engine* e, int i, double v) { effectPipeSetLengthMod(e, v); }, true},
      {"effectPipeSetLengthModInvert", 1, [](Engine* e, int i, double v) { effectPipeSetLengthModInvert(e, S<std::uint8_t>(v)); }, false},
      {"effectPipeSetPickupPos", 2, [](Engine* e, int i, double v) { effectPipeSetPickupPos(e, I(i), v); }, true},
      {"effectPipeSetPickupMod", 2, [](Engine* e, int i, double v) { effectPipeSetPickupMod(e, I(i), v); }, true},
      {"effectPipeSetPickupModInvert", 2, [](Engine* e, int i, double v) { effectPipeSetPickupModInvert(e, I(i), S<std::uint8_t>(v)); }, false},
      {"effectCombSetDelay", 1, [](Engine* e, int i, double v) { effectCombSetDelay(e, v); }, true},
      {"effectCombSetFeedback", 1, [](Engine* e, int i, double v) { effectCombSetFeedback(e, v); }, true},
      {"effectCombSetFilterFreq", 1, [](Engine* e, int i, double v) { effectCombSetFilterFreq(e, v); }, true},
      {"effectCombSetOnDirect", 3, [](Engine* e, int i, double v) { effectCombSetOnDirect(e, I(i), S<std::uint8_t>(v)); }, false},
      {"effectCombSetModInvert", 3, [](Engine* e, int i, double v) { effectCombSetModInvert(e, I(i), S<std::uint8_t>(v)); }, false},
      {"effectCombSetDelayFactor", 3, [](Engine* e, int i, double v) { effectCombSetDelayFactor(e, I(i), v); }, true},
      {"effectCombSetFeedbackFactor", 3, [](Engine* e, int i, double v) { effectCombSetFeedbackFactor(e, I(i), v); }, true},
      {"effectCombSetLevel", 3, [](Engine* e, int i, double v) { effectCombSetLevel(e, I(i), v); }, true},
      {"effectCombSetModAmount", 3, [](Engine* e, int i, double v) { effectCombSetModAmount(e, I(i), v); }, true},
      {"effectCombSetPan", 3, [](Engine* e, int i, double v) { effectCombSetPan(e, I(i), v); }, true},
      {"effectCombSetFilterFactor", 3, [](Engine* e, int i, double v) { effectCombSetFilterFactor(e, I(i), v); }, true},
      {"effectTapSetFeedback", 1, [](Engine* e, int i, double v) { effectTapSetFeedback(e, v); }, true},
      {"effectTapSetFilterFreq", 1, [](Engine* e, int i, double v) { effectTapSetFilterFreq(e, v); }, true},
      {"effectTapSetTime", 1, [](Engine* e, int i, double v) { effectTapSetTime(e, v); }, true},
      {"effectTapSetModInvert", 3, [](Engine* e, int i, double v) { effectTapSetModInvert(e, I(i), S<std::uint8_t>(v)); }, false},
      {"effectTapSetModAmount", 3, [](Engine* e, int i, double v) { effectTapSetModAmount(e, I(i), v); }, true},
      {"effectTapSetTimeFactor", 3, [](Engine* e, int i, double v) { effectTapSetTimeFactor(e, I(i), v); }, true},
      {"effectTapSetLevel", 3, [](Engine* e, int i, double v) { effectTapSetLevel(e, I(i), v); }, true},
      {"effectTapSetPan", 3, [](Engine* e, int i, double v) { effectTapSetPan(e, I(i), v); }, true},
      {"effectEchoSetBaseTime", 1, [](Engine* e, int i, double v) { effectEchoSetBaseTime(e, v); }, true},
      {"effectEchoSetBeatTime", 1, [](Engine* e, int i, double v) { effectEchoSetBeatTime(e, v); }, true},
      {"effectEchoSetSync", 1, [](Engine* e, int i, double v) { effectEchoSetSync(e, S<std::uint16_t>(v)); }, false},
      {"effectEchoSetFeedback", 1, [](Engine* e, int i, double v) { effectEchoSetFeedback(e, F(v)); }, true},
      {"effectEchoSetLineTimeFactor", 2, [](Engine* e, int i, double v) { effectEchoSetLineTimeFactor(e, i, v); }, true},
      {"effectEchoSetLineModAmount", 2, [](Engine* e, int i, double v) { effectEchoSetLineModAmount(e, i, v); }, true},
      {"effectEchoSetLineLevel", 2, [](Engine* e, int i, double v) { effectEchoSetLineLevel(e, i, v); }, true},
      {"effectEchoSetLowPassFreq", 2, [](Engine* e, int i, double v) { effectEchoSetLowPassFreq(e, i, v); }, true},
      {"effectEchoSetHighPassFreq", 2, [](Engine* e, int i, double v) { effectEchoSetHighPassFreq(e, i, v); }, true},
      {"effectEchoSetAllpassFreq", 2, [](Engine* e, int i, double v) { effectEchoSetAllpassFreq(e, i, v); }, true},
      {"effectEchoSetLinePan", 2, [](Engine* e, int i, double v) { effectEchoSetLinePan(e, i, F(v)); }, true},
      {"effectEchoSetLineFeedback", 2, [](Engine* e, int i, double v) { effectEchoSetLineFeedback(e, i, F(v)); }, true},
      {"effectEchoSetLineModInvert", 2, [](Engine* e, int i, double v) { effectEchoSetLineModInvert(e, i, S<std::uint8_t>(v)); }, false},
      {"effectEchoSetLowPassOn", 2, [](Engine* e, int i, double v) { effectEchoSetLowPassOn(e, i, S<std::uint8_t>(v)); }, false},
      {"effectEchoSetHighPassOn", 2, [](Engine* e, int i, double v) { effectEchoSetHighPassOn(e, i, S<std::uint8_t>(v)); }, false},
      {"effectEchoSetAllpassOn", 2, [](Engine* e, int i, double v) { effectEchoSetAllpassOn(e, i, S<std::uint8_t>(v)); }, false},
      {"effectEchoSetLineOn", 2, [](Engine* e, int i, double v) { effectEchoSetLineOn(e, i, S<std::uint8_t>(v)); }, false},
      {"effectRevSetSize", 1, [](Engine* e, int i, double v) { effectRevSetSize(e, v); }, true},
      {"effectRevSetBrightness", 1, [](Engine* e, int i, double v) { effectRevSetBrightness(e, v); }, true},
      {"effectRevSetFeedback", 1, [](Engine* e, int i, double v) { effectRevSetFeedback(e, v); }, true},
      {"effectRevSetPreDelay", 1, [](Engine* e, int i, double v) { effectRevSetPreDelay(e, v); }, true},
      {"effectRevSetJitter", 1, [](Engine* e, int i, double v) { effectRevSetJitter(e, v); }, true},
      {"effectRevSetEarlyTapsOn", 1, [](Engine* e, int i, double v) { effectRevSetEarlyTapsOn(e, S<std::uint8_t>(v)); }, false},
      {"effectRevSetUnitOn", 3, [](Engine* e, int i, double v) { effectRevSetUnitOn(e, i, S<std::uint8_t>(v)); }, false},
      {"effectRevSetTimeModInvert", 3, [](Engine* e, int i, double v) { effectRevSetTimeModInvert(e, i, S<std::uint8_t>(v)); }, false},
      {"effectRevSetBrightModInvert", 3, [](Engine* e, int i, double v) { effectRevSetBrightModInvert(e, i, S<std::uint8_t>(v)); }, false},
      {"effectRevSetUnitMode", 3, [](Engine* e, int i, double v) { effectRevSetUnitMode(e, i, S<std::uint32_t>(v)); }, false},
      {"effectRevSetUnitScale", 3, [](Engine* e, int i, double v) { effectRevSetUnitScale(e, i, v); }, true},
      {"effectRevSetLaneSpread", 3, [](Engine* e, int i, double v) { effectRevSetLaneSpread(e, i, v); }, true},
      {"effectRevSetTimeModDepth", 3, [](Engine* e, int i, double v) { effectRevSetTimeModDepth(e, i, v); }, true},
      {"effectRevSetUnitBrightness", 3, [](Engine* e, int i, double v) { effectRevSetUnitBrightness(e, i, v); }, true},
      {"effectRevSetLaneBrightSpread", 3, [](Engine* e, int i, double v) { effectRevSetLaneBrightSpread(e, i, v); }, true},
      {"effectRevSetBrightModDepth", 3, [](Engine* e, int i, double v) { effectRevSetBrightModDepth(e, i, v); }, true},
      {"patchSetPolyphony", 1, [](Engine* e, int i, double v) { patchSetPolyphony(e, S<std::int32_t>(v)); }, false},
      {"patchSetGain", 1, [](Engine* e, int i, double v) { patchSetGain(e, F(v)); }, true},
      {"patchSetTranspose", 1, [](Engine* e, int i, double v) { patchSetTranspose(e, v); }, true},
      {"patchSetPan", 1, [](Engine* e, int i, double v) { patchSetPan(e, F(v)); }, true},
      {"ccMapSetPitchBendRange", 1, [](Engine* e, int i, double v) { ccMapSetPitchBendRange(e, v); }, true},
      {"ccMapSetPositionWidth", 1, [](Engine* e, int i, double v) { ccMapSetPositionWidth(e, v); }, true},
      {"ccMapSetFilterDepth", 1, [](Engine* e, int i, double v) { ccMapSetFilterDepth(e, v); }, true},
      {"ccMapSetOscLevelDepth", 1, [](Engine* e, int i, double v) { ccMapSetOscLevelDepth(e, v); }, true},
      {"ccMapSetEffectDepth", 1, [](Engine* e, int i, double v) { ccMapSetEffectDepth(e, v); }, true},
      {"ccMapSetBendSmoothing", 1, [](Engine* e, int i, double v) { ccMapSetBendSmoothing(e, v); }, true},
      {"ccMapSetPositionSmoothing", 1, [](Engine* e, int i, double v) { ccMapSetPositionSmoothing(e, v); }, true},
      {"ccMapSetVolumeSmoothing", 1, [](Engine* e, int i, double v) { ccMapSetVolumeSmoothing(e, v); }, true},
      {"ccMapSetFilterSmoothing", 1, [](Engine* e, int i, double v) { ccMapSetFilterSmoothing(e, v); }, true},
      {"ccMapSetOscLevelSmoothing", 1, [](Engine* e, int i, double v) { ccMapSetOscLevelSmoothing(e, v); }, true},
      {"ccMapSetEffectSmoothing", 1, [](Engine* e, int i, double v) { ccMapSetEffectSmoothing(e, v); }, true},
      {"ccMapSetCoefficientTime", 3, [](Engine* e, int i, double v) { ccMapSetCoefficientTime(e, I(i), v); }, true},
      {"ccMapSetControllerNumber", 6, [](Engine* e, int i, double v) { ccMapSetControllerNumber(e, I(2 + i), S<std::int16_t>(v)); }, false},
      {"ccMapSetChannelFlag", 3, [](Engine* e, int i, double v) { ccMapSetChannelFlag(e, I(i), S<std::uint8_t>(v)); }, false},
      {"ccMapSetFilterSwitch", 4, [](Engine* e, int i, double v) { ccMapSetFilterSwitch(e, I(i), S<std::uint8_t>(v)); }, false},
      {"ccMapSetGlideMode", 1, [](Engine* e, int i, double v) { ccMapSetGlideMode(e, S<std::int16_t>(v)); }, false},
      {"velocitySetOn", 10, [](Engine* e, int i, double v) { velocitySetOn(e, 1 + (i < 3 ? 0 : i < 6 ? 1 : 2), i < 3 ? i : i < 6 ? i - 3 : i - 6, S<std::uint8_t>(v)); }, false},
      {"velocitySetAmountB", 10, [](Engine* e, int i, double v) { velocitySetAmountB(e, 1 + (i < 3 ? 0 : i < 6 ? 1 : 2), i < 3 ? i : i < 6 ? i - 3 : i - 6, F(v)); }, true},
      {"tuningSetKey", 128, [](Engine* e, int i, double v) { tuningSetKey(e, e->bank, i, v); }, true},
      {"tuningSetOctaveInterval", 1, [](Engine* e, int i, double v) { tuningSetOctaveInterval(e, e->bank, v); tuningApplyToEngine(e); }, true},
      {"tuningSetKeysPerOctave", 1, [](Engine* e, int i, double v) { tuningSetKeysPerOctave(e, e->bank, S<std::uint32_t>(v)); tuningApplyToEngine(e); }, false},
      {"tempoSetBpm", 1, [](Engine* e, int i, double v) { tempoSetBpm(e, v); }, true},
      {"engineSetTempoPercent", 1, [](Engine* e, int i, double v) { engineSetTempoPercent(e, v); }, true},
      {"panSetPosition", 8, [](Engine* e, int i, double v) { panSetPosition(e, I(i % 4), i < 4 ? F(v) : 0.3f, i < 4 ? -0.2f : F(v)); }, true},
      {"surroundSetChannelPair", 6, [](Engine* e, int i, double v) { surroundSetChannelPair(e, I(i % 3), i < 3 ? F(v) : 0.5f, i < 3 ? 0.5f : F(v)); }, true},
      {"surroundSetLfeFreq", 1, [](Engine* e, int i, double v) { surroundSetLfeFreq(&e->surround, F(v)); }, true},
      {"surroundSetLfeGainDb", 1, [](Engine* e, int i, double v) { surroundSetLfeGainDb(&e->surround, F(v)); }, true},
      {"surroundSetLfeOn", 1, [](Engine* e, int i, double v) { surroundSetLfeOn(&e->surround, S<std::uint8_t>(v)); }, false},
  };
  return table;
}

const std::vector<double>& rtHostileValues() {
  static const std::vector<double> values = {std::numeric_limits<double>::quiet_NaN(),
                                             std::numeric_limits<double>::infinity(),
                                             -std::numeric_limits<double>::infinity(),
                                             -1e300,
                                             -1e30,
                                             -70000.0,
                                             -1.0,
                                             -1e-310,
                                             -1e-40,
                                             0.0,
                                             1e-40,
                                             1e-310,
                                             1e-3,
                                             0.5,
                                             1.0,
                                             2.0,
                                             7.0,
                                             127.0,
                                             1000.0,
                                             65536.0,
                                             4.5e9,
                                             1e30,
                                             1e300};
  return values;
}
