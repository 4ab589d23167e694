// A created engine with its master effect switched on and neutral modulation, driven block by block
// through effectRender alone, so a test hears nothing but the effect.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"

class EffectTest : public EngineFixture {
 protected:
  Engine*& e = engine;

  void SetUp() override {
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    setMod(1.0f);
    e->effectOn = 1;            // the routing flag effectRender tests
    e->surround.fieldMode = 0;  // two-bus layout unless a test asks for the field
    tempoAdvance(e, 0);         // beat lengths from the preset tempo (120 BPM)
  }
  // Every entry of the master unit's modulation row (the effects read 25..30).
  void setMod(float v) {
    for (int k = 0; k < engineModParams; ++k) e->modMultipliers[3][0][k] = v;
  }
  EffectRuntime* rt() { return effectRuntime(e); }

  // Selects a type the way the Effect page does (type, on switch, reset) and starts its glides.
  void select(std::uint16_t type) {
    effectSetType(e, type);
    effectSetOn(e, 1);
    effectReset(e);
    rt()->prevWet = 1.0f;
  }

  // Runs `input` through the effect in 128-frame blocks. Two-bus layout: the input goes into B0 (the
  // pipe's input, and B0 + B1 for the others). Field layout: into B2. Returns the three buses.
  struct Out {
    std::vector<float> b[3];
  };
  Out run(const std::vector<float>& input) {
    Out out;
    for (auto& v : out.b) v.assign(input.size(), 0.0f);
    const bool field = e->surround.fieldMode == 1;
    for (size_t i = 0; i < input.size(); i += 128) {
      const int n = static_cast<int>(std::min<size_t>(128, input.size() - i));
      std::memset(e->buses, 0, sizeof e->buses);
      for (int j = 0; j < n; ++j) e->buses[field ? 2 : 0][j] = input[i + j];
      effectRender(e, static_cast<std::int16_t>(n));
      for (int b = 0; b < 3; ++b)
        for (int j = 0; j < n; ++j) out.b[b][i + j] = e->buses[b][j];
    }
    return out;
  }
  std::vector<float> silence(size_t n) { return std::vector<float>(n, 0.0f); }
  std::vector<float> impulse(size_t n, size_t at, float v = 1.0f) {
    std::vector<float> x(n, 0.0f);
    x[at] = v;
    return x;
  }
};
