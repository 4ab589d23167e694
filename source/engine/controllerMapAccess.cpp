// Accessors of the controller map for the Midi page. Each setter changes the edit copy and commits
// editKindControllers; the running values stay the engine's.
#include <cmath>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "preset/editBlock.h"

namespace {

const ControllerSettings* live(Engine* engine) { return engine ? &engine->controllers : nullptr; }

template <typename F>
void edit(Engine* engine, F change) {
  ControllerSettings* copy = editBeginControllers(engine);
  if (!copy) return;
  change(copy);
  editCommit(engine, editKindControllers, 0);
}

double clampPercent(double d) { return numClamp(d, 0.0, 100.0); }

// Smoothing: the page shows a time t in blocks with c = 1 / (t + 1).
double timeOf(float c) { return c > 0.0f ? 1.0 / c - 1.0 : 0.0; }
float coefficientOf(double t) {
  if (!(t >= 0.0)) t = 0.0;
  return static_cast<float>(1.0 / (t + 1.0));
}

}  // namespace

double ccMapGetPitchBendRangeF(Engine* engine) { return live(engine) ? live(engine)->bendRange : 0.0; }
void ccMapSetPitchBendRange(Engine* engine, double v) {
  v = numClamp(v, 0.0, 72.0);
  edit(engine, [&](ControllerSettings* c) { c->bendRange = static_cast<float>(v); });
}

double ccMapGetPositionWidth(Engine* engine) { return live(engine) ? 100.0 * live(engine)->positionWidth : 0.0; }
void ccMapSetPositionWidth(Engine* engine, double d) {
  edit(engine, [&](ControllerSettings* c) { c->positionWidth = static_cast<float>(clampPercent(d) * 0.01); });
}

double ccMapGetFilterDepth(Engine* engine) { return live(engine) ? (1.0 - live(engine)->filterDepth) * 100.0 : 0.0; }
void ccMapSetFilterDepth(Engine* engine, double d) {
  edit(engine, [&](ControllerSettings* c) { c->filterDepth = static_cast<float>(1.0 - clampPercent(d) * 0.01); });
}

double ccMapGetOscLevelDepth(Engine* engine) {
  return live(engine) ? (1.0 - live(engine)->oscLevelDepth) * 100.0 : 0.0;
}
void ccMapSetOscLevelDepth(Engine* engine, double d) {
  edit(engine, [&](ControllerSettings* c) { c->oscLevelDepth = static_cast<float>(1.0 - clampPercent(d) * 0.01); });
}

double ccMapGetEffectDepth(Engine* engine) { return live(engine) ? 100.0 * live(engine)->effectDepth : 0.0; }
void ccMapSetEffectDepth(Engine* engine, double d) {
  edit(engine, [&](ControllerSettings* c) { c->effectDepth = static_cast<float>(clampPercent(d) * 0.01); });
}

#define CC_SMOOTHING(Name, field)                                                                    \
  double ccMapGet##Name(Engine* engine) { return live(engine) ? timeOf(live(engine)->field) : 0.0; } \
  void ccMapSet##Name(Engine* engine, double t) {                                                    \
    edit(engine, [&](ControllerSettings* c) { c->field = coefficientOf(t); });                       \
  }

CC_SMOOTHING(BendSmoothing, bendSmoothing)
CC_SMOOTHING(PositionSmoothing, positionSmoothing)
CC_SMOOTHING(VolumeSmoothing, volumeSmoothing)
CC_SMOOTHING(FilterSmoothing, filterSmoothing)
CC_SMOOTHING(OscLevelSmoothing, oscLevelSmoothing)
CC_SMOOTHING(EffectSmoothing, effectSmoothing)
#undef CC_SMOOTHING

float ccMapGetCoefficient(Engine* engine, std::int16_t i) {
  if (!engine || i < 0 || i > 2) return 1.0f;
  return engine->controllers.timeCoefficients[i];
}

double ccMapGetCoefficientTime(Engine* engine, std::int16_t i) {
  const float c = ccMapGetCoefficient(engine, i);
  return c == 1.0f ? 0.0 : timeOf(c);
}
void ccMapSetCoefficientTime(Engine* engine, std::int16_t i, double t) {
  if (i < 0 || i > 2) return;
  edit(engine, [&](ControllerSettings* c) { c->timeCoefficients[i] = t >= 1.0 ? coefficientOf(t) : 1.0f; });
}

static std::int16_t* controlSource(ControllerSettings* c, std::int16_t k) {
  switch (k) {
    case 2: return &c->volumeSource;
    case 3: return &c->filterSource;
    case 4: return &c->oscLevelSource;
    case 5: return &c->positionLrSource;
    case 6: return &c->effectSource;
    case 7: return &c->positionFbSource;
    default: return nullptr;
  }
}

std::int16_t ccMapGetControllerNumber(Engine* engine, std::int16_t k) {
  if (!engine) return 0;
  const std::int16_t* f = controlSource(&engine->controllers, k);
  return f ? *f : 0;
}
void ccMapSetControllerNumber(Engine* engine, std::int16_t k, std::int16_t source) {
  if (k < 2 || k > 7 || source < -1 || source > 128) return;
  edit(engine, [&](ControllerSettings* c) { *controlSource(c, k) = source; });
}

std::uint8_t ccMapGetChannelFlag(Engine* engine, std::int16_t ch) {
  return engine && ch >= 0 && ch < 3 ? engine->controllers.oscSwitches[ch] : 0;
}
void ccMapSetChannelFlag(Engine* engine, std::int16_t ch, std::uint8_t flag) {
  if (ch < 0 || ch >= 3) return;
  edit(engine, [&](ControllerSettings* c) { c->oscSwitches[ch] = flag; });
}

std::uint8_t ccMapGetFilterSwitch(Engine* engine, std::int16_t f) {
  return engine && f >= 0 && f < 4 ? engine->controllers.filterSwitches[f] : 0;
}
void ccMapSetFilterSwitch(Engine* engine, std::int16_t f, std::uint8_t flag) {
  if (f < 0 || f >= 4) return;
  edit(engine, [&](ControllerSettings* c) { c->filterSwitches[f] = flag; });
}

std::int16_t ccMapGetGlideMode(Engine* engine) { return engine ? engine->controllers.glideMode : 0; }
void ccMapSetGlideMode(Engine* engine, std::int16_t mode) {
  edit(engine, [&](ControllerSettings* c) {
    if (mode >= 0 && mode <= 2) c->glideMode = mode;
  });
}
