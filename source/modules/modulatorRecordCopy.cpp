// Copy of a channel modulator record between a preset and the engine.
#include <cmath>

#include "engine/valueFormat.h"
#include "modules/modulator.h"

void modulatorSanitizeRecord(ModulatorRecord* r) {
  if (!r) return;
  r->on = r->on ? 1 : 0;
  if (r->channel < 0 || r->channel > 2) r->channel = 0;
  if (!std::isfinite(r->ratio)) r->ratio = 1.0f;
  if (!std::isfinite(r->increment)) r->increment = static_cast<float>(pitchHzToInc(220.0));
  if (!std::isfinite(r->balance)) r->balance = 1.0f;
  r->balance = r->balance < 0.0f ? 0.0f : (r->balance > 1.0f ? 1.0f : r->balance);
  if (!std::isfinite(r->feedback)) r->feedback = 0.35f;
  r->feedback = r->feedback < 0.0f ? 0.0f : (r->feedback > 0.5f ? 0.5f : r->feedback);
  r->shiftSwitch = r->shiftSwitch ? 1 : 0;
}

void modulatorCopyRecord(Engine* engine, ModulatorRecord* source, ModulatorRecord* destination,
                         std::int16_t channel, std::uint8_t withDefaults) {
  if (channel < 0 || channel > 2 || !source || !destination) return;
  if (engine && withDefaults && destination != source) modulatorInitRecord(destination, channel);
  *destination = *source;
  destination->channel = channel;
  modulatorSanitizeRecord(destination);
}
