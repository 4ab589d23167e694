// Play position marker arithmetic.
#include "envelope/envMarkerMath.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "preset/presetHeader.h"

bool envMarkerSeconds(const EnvelopeSlot* slot, double* seconds) {
  if (!slot || slot->displayIndex < 0 || slot->displayIndex >= envBreakpointCount) return false;
  double sum = 0.0;
  for (int k = 0; k <= slot->displayIndex; ++k) sum += slot->breakpoints[k].time;
  const double t = (sum - slot->displayPosition) / 44100.0;
  if (!std::isfinite(t)) return false;
  *seconds = t;
  return true;
}

EnvMarkerLook envMarkerLookFor(Engine* engine, const EnvelopeSlot* slot) {
  const EnvMarkerLook steady{envMarkerRed, envMarkerGreen, envMarkerBlue, 1.0};
  if (!engine || !slot) return steady;
  if ((!slot->tempoSync && slot->mode != envModeRetrigger) || slot->displayIndex >= slot->lastIndex) return steady;
  const PatchHeader* h = engineGetPatchHeader(engine);
  if (!h || !(h->length > 0.0) || !(h->beats > 0.0f)) return steady;
  const double period = 2.0 * (h->length / 44100.0) / h->beats;
  const double pos = h->tempo.position / 44100.0;
  if (!std::isfinite(period) || !(period > 0.0) || !std::isfinite(pos)) return steady;
  const double phase = std::fmod(pos, period);
  const double d = 0.5 + std::fabs(0.5 - phase / period);
  const std::uint8_t b = static_cast<std::uint8_t>(static_cast<int>(48000.0 * d / 256.0));
  double f = (2.0 * d - 1.0) * 0.236029032 + 0.763970968;
  f = numClampPassNaN(f, 0.0, 1.0);
  return EnvMarkerLook{b, b, envMarkerBlue, f};
}
