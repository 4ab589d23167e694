// Note curves in the engine: lookup, flat defaults and the copies between preset and engine.
#include <cmath>

#include "engine/engine.h"
#include "engine/noteCurveRuntime.h"
#include "engine/numeric.h"

namespace {

int curveIndex(std::uint32_t family, std::uint32_t slot) {
  if ((family == 1 || family == 2) && slot <= 2) return static_cast<int>((family - 1) * 3 + slot);
  if (family == 3 && slot <= 3) return static_cast<int>(6 + slot);
  return -1;
}

void copyValues(const float* source, float* target) {
  for (int n = 0; n < 128; ++n) target[n] = noteCurveClampValue(source[n]);
}

bool inUse(const NoteCurve& c) {
  for (float x : c.values)
    if (x < 0.9999999f) return true;
  return false;
}

}  // namespace

float noteCurveClampValue(float x) { return numClampOr(x, 0.0f, 1.0f, 1.0f); }

bool noteCurveIsValid(std::uint32_t family, std::uint32_t slot) { return curveIndex(family, slot) >= 0; }

NoteCurve* noteCurveGet(Engine* engine, std::uint32_t family, std::uint32_t slot) {
  const int i = curveIndex(family, slot);
  return engine && i >= 0 ? &engine->noteCurves.curves[i] : nullptr;
}

float* noteCurveGetTable(Engine* engine, std::uint32_t family, std::uint32_t slot) {
  NoteCurve* c = noteCurveGet(engine, family, slot);
  return c ? c->values : nullptr;
}

void noteCurveInit(NoteCurve* r, std::uint32_t family, std::uint32_t slot) {
  if (!r) return;
  r->family = family;
  r->slot = slot;
  for (float& x : r->values) x = 1.0f;
}

void noteCurvesInitEngine(Engine* engine) {
  if (!engine) return;
  for (int i = 0; i < noteCurveCount; ++i)
    noteCurveInit(&engine->noteCurves.curves[i], i < 3 ? 1u : (i < 6 ? 2u : 3u),
                  static_cast<std::uint32_t>(i < 6 ? i % 3 : i - 6));
}

void noteCurveCopy(const NoteCurve* s, NoteCurve* t) {
  if (!s || !t) return;
  const bool valid = noteCurveIsValid(s->family, s->slot);
  t->family = valid ? s->family : 0;
  t->slot = valid ? s->slot : 0;
  copyValues(s->values, t->values);
}

void noteCurvesCopyToEngine(Engine* engine, const NoteCurve* array, std::int16_t count) {
  if (!engine || !array) return;
  for (int j = 0; j < count; ++j) {
    NoteCurve* target = noteCurveGet(engine, array[j].family, array[j].slot);
    if (!target) continue;
    target->family = array[j].family;
    target->slot = array[j].slot;
    copyValues(array[j].values, target->values);
  }
}

void noteCurvesCopyFromEngine(Engine* engine, NoteCurve* array, std::int16_t count) {
  if (!engine || !array) return;
  int j = 0;
  for (int i = 0; i < noteCurveCount && j < count; ++i) {
    const NoteCurve& c = engine->noteCurves.curves[i];
    if (!inUse(c)) continue;
    array[j].family = c.family;
    array[j].slot = c.slot;
    copyValues(c.values, array[j].values);
    ++j;
  }
}

std::int16_t noteCurvesCountUsed(Engine* engine) {
  if (!engine) return 0;
  std::int16_t n = 0;
  for (const NoteCurve& c : engine->noteCurves.curves)
    if (inUse(c)) ++n;
  return n;
}

float noteCurveValue(Engine* engine, std::uint32_t family, std::uint32_t slot, std::int32_t note) {
  const float* t = noteCurveGetTable(engine, family, slot);
  return t && note >= 0 && note <= 127 ? t[note] : 1.0f;
}
