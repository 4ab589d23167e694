// The engine a sound-core test starts from: the configuration at its defaults (44,100 Hz) and one
// engine made before and destroyed after each test. A fixture that needs more calls
// EngineFixture::SetUp first and adds its own steps.
#pragma once
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/engineConfig.h"

struct EngineFixture : ::testing::Test {
  Engine* engine = nullptr;
  void SetUp() override {
    engineCfgInitDefaults();
    engine = engineCreate();
    ASSERT_NE(engine, nullptr);
  }
  void TearDown() override {
    engineDestroy(engine);
    engine = nullptr;
  }
};
