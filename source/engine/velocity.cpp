// Velocity settings: defaults, the tables built from them, the note-start lookup and the accessors.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/velocityRuntime.h"
#include "preset/editBlock.h"

namespace {

std::uint32_t familyOf(int i) { return i < 3 ? 1u : (i < 6 ? 2u : 3u); }
std::uint32_t slotOf(int i) { return static_cast<std::uint32_t>(i < 6 ? i % 3 : i - 6); }

double clampBase(float base) { return numClampOr(base, 0.0f, 1.0f, 1.0f); }

const VelocityEntry* entryOf(Engine* engine, std::int32_t family, std::int32_t slot) {
  const int i = velocityEntryIndex(family, slot);
  return engine && i >= 0 ? &engine->velocity.entries[i] : nullptr;
}

template <typename F>
void edit(Engine* engine, std::int32_t family, std::int32_t slot, F change) {
  const int i = velocityEntryIndex(family, slot);
  if (!engine || i < 0) return;
  VelocityTable* tables = nullptr;
  VelocitySettings* copy = editBeginVelocity(engine, &tables);
  if (!copy || !tables) return;
  change(&copy->entries[i]);
  velocityBuildTable(&copy->entries[i], familyOf(i), &tables[i]);
  engine->edit.family = static_cast<std::int16_t>(family);
  editCommit(engine, editKindVelocity, static_cast<std::int16_t>(slot));
}

}  // namespace

int velocityEntryIndex(std::int32_t family, std::int32_t slot) {
  if ((family == 1 || family == 2) && slot >= 0 && slot <= 2) return (family - 1) * 3 + slot;
  if (family == 3 && slot >= 0 && slot <= 3) return 6 + slot;
  return -1;
}

void velocityInitEntry(VelocityEntry* e, std::uint32_t family, std::uint32_t slot, float base,
                       std::uint32_t direction) {
  if (!e) return;
  std::memset(e, 0, sizeof *e);
  e->family = family;
  e->slot = slot;
  e->base = base;
  e->direction = direction;
  e->value = 1.0f;
}

void velocityDefaults(VelocitySettings* r) {
  if (!r) return;
  std::memset(r, 0, sizeof *r);
  for (int i = 0; i < velocityEntryCount; ++i) velocityInitEntry(&r->entries[i], familyOf(i), slotOf(i), 1.0f, 1u);
}

void velocityBuildTable(const VelocityEntry* e, std::uint32_t family, VelocityTable* table) {
  if (!e || !table) return;
  const float* curve = velocityCurveTable();
  const double a = clampBase(e->base);
  for (int v = 0; v < 128; ++v) {
    const double c = e->direction == 1 ? curve[v] : curve[127 - v];
    const double value = family == 3 ? std::pow(a, 1.0 - c) : a + (1.0 - a) * c;
    table->values[v] = static_cast<float>(value);
  }
}

void velocityBuildTables(Engine* engine) {
  if (!engine) return;
  for (int i = 0; i < velocityEntryCount; ++i)
    velocityBuildTable(&engine->velocity.entries[i], familyOf(i), &engine->noteCurves.velocityTables[i]);
}

void velocityCopy(Engine* engine, const VelocitySettings* source, VelocitySettings* target, bool rebuild) {
  if (!source || !target) return;
  if (source != target) *target = *source;
  if (rebuild) velocityBuildTables(engine);
}

void velocityNoteStart(Engine* engine, std::int32_t velocity) {
  if (!engine) return;
  const int v = numClamp<int>(velocity, 0, 127);
  for (int i = 0; i < velocityEntryCount; ++i)
    engine->velocity.entries[i].value = engine->noteCurves.velocityTables[i].values[v];
}

double velocityGetAmount(Engine* engine, std::int32_t family, std::int32_t slot) {
  const VelocityEntry* e = entryOf(engine, family, slot);
  if (!e) return 1.0;
  const float x = e->value;
  if (!(x >= 0.0f)) return 0.0;
  return x > 1.0f ? 1.0 : x;
}

double velocityGetAmountB(Engine* engine, std::int32_t family, std::int32_t slot) {
  const VelocityEntry* e = entryOf(engine, family, slot);
  return e ? (1.0 - clampBase(e->base)) * 100.0 : 0.0;
}

// The tables rise only for direction 1 (any other value mirrors them), so the page shows exactly that.
bool velocityIsRising(Engine* engine, std::int32_t family, std::int32_t slot) {
  const VelocityEntry* e = entryOf(engine, family, slot);
  return e && e->direction == 1;
}

std::uint8_t velocityIsOn(Engine* engine, std::int32_t family, std::int32_t slot) {
  return velocityIsRising(engine, family, slot) ? 1 : 0;
}

void velocitySetOn(Engine* engine, std::int32_t family, std::int32_t slot, std::uint8_t on) {
  edit(engine, family, slot, [&](VelocityEntry* e) { e->direction = on ? 1u : 0u; });
}

void velocitySetAmountB(Engine* engine, std::int32_t family, std::int32_t slot, float percent) {
  double v = percent;
  v = numClamp(v, 0.0, 99.999);
  edit(engine, family, slot, [&](VelocityEntry* e) { e->base = static_cast<float>(1.0 - v * 0.01); });
}
