// Destination kinds of an envelope slot (EnvelopeSlot::destination): what the envelope drives. The
// engine, the preset model and the editors tell them apart by these names, and by the type tests
// here and in envelopeSlot.h.
#pragma once
#include <cstdint>

enum EnvDestKind : std::int16_t {
  envDestNone = 0,
  envDestOscAmp = 1,
  envDestOscPitch = 2,
  envDestOscPhase = 3,
  envDestOscModPhase = 4,
  envDestOscModPitch = 5,
  envDestOscBalance = 6,
  envDestOscIndexBal = 7,
  envDestOscRingBal = 8,
  envDestFilterFreq = 9,
  envDestShapeInGain = 10,
  envDestShapeOutGain = 11,
  envDestShapePhase = 12,
  envDestModPitch = 13,
  envDestModBalance = 14,
  envDestFilterRes = 15,
  envDestFilterBw = 16,
  envDestSampleStart = 17,
  envDestSampleJump = 18,
  envDestGrainTime = 19,
  envDestGrainRandFreq = 20,
  envDestGrainRandTime = 21,
  envDestGrainRandAmp = 22,
  envDestGrainSize = 23,
  envDestGrainDiffusion = 24,
  envDestEffectTime = 25,
  envDestEffectFeedback = 26,
  envDestEffectFilter = 27,
  envDestPanLr = 28,
  envDestEffectWet = 29,
  envDestEffectDry = 30,
  envDestOscVol = 31,
  envDestFractDisplacement = 32,
  envDestFractDetune = 33,
  envDestFractAmount = 34,
  envDestUniTrans = 35,
  envDestUniRandTrans = 36,
  envDestPanFb = 37,
  envDestSurroundPan = 38,
  envDestLast = envDestSurroundPan  // the highest kind a slot may hold
};

// The two halves of a surround-pan pair.
inline bool envDestIsPanHalf(std::int16_t kind) { return kind == envDestPanLr || kind == envDestPanFb; }
