// The engine a sound-core test starts from: the configuration at its defaults (44,100 Hz) and one
// engine made before and destroyed after each test, after which the configuration is put back to its
// defaults (a test that changes the rate leaves no other rate behind). A fixture that needs more
// calls EngineFixture::SetUp first and adds its own steps; one whose tests call the engine `e` binds
// that name to `engine`.
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
    engineCfgInitDefaults();
  }
};
