// Copy of a channel modulator record between a preset and the engine.
#include <cmath>

#include "modules/modulator.h"
#include "preset/fieldTables.h"

void modulatorSanitizeRecord(ModulatorRecord* r) {
  if (!r) return;
  r->on = r->on ? 1 : 0;
  if (r->channel < 0 || r->channel > 2) r->channel = 0;
  for (int f = 0; f < modulatorFieldCount; ++f) fieldLoad(modulatorFields[f], *modulatorFieldOf(r, f));
  r->shiftSwitch = r->shiftSwitch ? 1 : 0;
}

void modulatorCopyRecord(Engine* engine, ModulatorRecord* source, ModulatorRecord* destination, std::int16_t channel,
                         std::uint8_t withDefaults) {
  if (channel < 0 || channel > 2 || !source || !destination) return;
  if (engine && withDefaults && destination != source) modulatorInitRecord(destination, channel);
  *destination = *source;
  destination->channel = channel;
  modulatorSanitizeRecord(destination);
}
