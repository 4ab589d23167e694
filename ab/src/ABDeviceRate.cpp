// The device rate and the client rate that serves it: the device's own rate when the client accepts
// it, else an integer ratio of it (converted by the polyphase kernels), else the fixed
// 44,100 / 48,000 Hz pair (converted by the cubic interpolator).
#include "ABAudioEngine.h"

#include "ABAudioClient.h"
#include "GPTimer.h"

#include <cmath>

namespace {

// (P, Q): client rate = device rate x P / Q; then the same pairs the other way round.
const int kPairs[][2] = {{1, 1}, {1, 2}, {2, 3}, {3, 4}, {1, 3}, {1, 4}};

const double kRatio44From48 = 0.918749988079071;
const double kRatio48From44 = 1.088435411453247;

// The first integer pair whose client rate the client accepts; false when none.
bool findIntegerPair(AudioHostClient* client, int rate, int* p, int* q) {
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& pair : kPairs) {
      const int P = pass == 0 ? pair[0] : pair[1];
      const int Q = pass == 0 ? pair[1] : pair[0];
      const int candidate = static_cast<int>(static_cast<double>(rate) * P / Q);
      if (client->supportsRate(static_cast<float>(candidate))) {
        *p = P;
        *q = Q;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

void AudioEngine::setDeviceRate(int rate) {
  beginChange();
  enabled = false;
  if (rate <= 0 || !clientPointer) {
    // A rate that cannot be divided by (the MIDI offsets and the load factor do): refused.
    rateUsable_ = false;
    endChange();
    return;
  }
  deviceRate = rate;
  const uint32_t frequency = gpCounterFrequency();
  loadFactor = frequency ? static_cast<float>(static_cast<double>(rate) * 110.0 / frequency) : 0.0f;
  int chosen = 0;
  if (clientPointer->supportsRate(static_cast<float>(rate))) {
    if (forceRatio && forcedP != forcedQ && forcedP > 0 && forcedQ > 0) {
      ratioP = forcedP;
      ratioQ = forcedQ;
      chosen = static_cast<int>(std::lround(static_cast<double>(rate) * ratioP / ratioQ));
      converterIn.setRates(ratioQ, ratioP, true);
      converterOut.setRates(ratioP, ratioQ, true);
      converterIn.reset();
      converterOut.reset();
    } else {
      ratioP = ratioQ = 1;
      chosen = rate;
    }
    integerRatio = true;
  } else {
    integerRatio = true;
    int P = 1, Q = 1;
    if (findIntegerPair(clientPointer, rate, &P, &Q)) {
      ratioP = P;
      ratioQ = Q;
      chosen = static_cast<int>(static_cast<double>(rate) * P / Q);
      converterIn.setRates(Q, P, true);
      converterOut.setRates(P, Q, true);
      converterIn.reset();
      converterOut.reset();
    } else {
      integerRatio = false;
      ratioP = ratioQ = 1;
      if (clientPointer->supportsRate(44100.0f) && rate == 48000) {
        chosen = 44100;
        frameRatio = kRatio44From48;
        inverseFrameRatio = kRatio48From44;
      } else if (clientPointer->supportsRate(48000.0f) && rate == 44100) {
        chosen = 48000;
        frameRatio = kRatio48From44;
        inverseFrameRatio = kRatio44From48;
      }
    }
  }
  if (chosen <= 0) {
    rateUsable_ = false;
    endChange();
    return;
  }
  rateUsable_ = true;
  clientRate = chosen;
  clientPointer->setSampleRate(static_cast<float>(chosen));
  rebuildBuffers();  // sets `enabled` when the pair and its buffers are usable
  endChange();
}

bool AudioEngine::canUseDeviceRate(int rate) {
  if (rate <= 0 || !clientPointer) return false;
  if (clientPointer->supportsRate(static_cast<float>(rate))) return true;
  if (!resample) return false;
  int P, Q;
  if (findIntegerPair(clientPointer, rate, &P, &Q)) return true;
  return (clientPointer->supportsRate(44100.0f) && rate == 48000) ||
         (clientPointer->supportsRate(48000.0f) && rate == 44100);
}
