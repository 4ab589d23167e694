// Destination kinds of an envelope slot that the Envelope page's fields, drags and level units tell
// apart, and the type tests they share.
#pragma once
#include <cstdint>

enum EnvDestKind : std::int16_t {
  envDestOscAmp = 1,
  envDestOscPitch = 2,
  envDestOscPhase = 3,
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
  envDestSampleJump = 18,
  envDestEffectTime = 25,
  envDestEffectFeedback = 26,
  envDestEffectFilter = 27,
  envDestPanLr = 28,
  envDestEffectWet = 29,
  envDestEffectDry = 30,
  envDestOscVol = 31,
  envDestPanFb = 37
};

// The two halves of a surround-pan pair.
inline bool envDestIsPanHalf(std::int16_t kind) { return kind == envDestPanLr || kind == envDestPanFb; }
