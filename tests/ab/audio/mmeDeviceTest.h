// The fixture of the tests on the real MME device: the device layer created, message boxes recorded
// instead of shown, and the first MME device's id.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "GPError.h"

class MmeDeviceTest : public ::testing::Test {
 protected:
  // The texts of the message boxes shown since the test began.
  static std::vector<std::string>& boxes() {
    static std::vector<std::string> texts;
    return texts;
  }
  static int recordBox(const char*, const char* text, unsigned) {
    boxes().push_back(text);
    return IDOK;
  }

  void SetUp() override {
    boxes().clear();
    gpSetMessageBoxHook(recordBox);
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    std::vector<uint32_t> audio;
    ASSERT_EQ(listAudioDevices(&audio), 0);
    for (uint32_t a : audio) {
      std::string name;
      ASSERT_EQ(deviceName(a, &name), 0);
      if (name.compare(0, 4, "MME ") == 0 && !id) id = a;
    }
    ASSERT_NE(id, 0u) << "no MME device";
  }
  void TearDown() override {
    abDevDestroy();
    gpSetMessageBoxHook(nullptr);
  }

  // A 32-bit property of the device (the read must succeed), and setting one.
  uint32_t getU32(const char* name) {
    uint32_t v = 0xDEADBEEFu, size = 4;
    EXPECT_EQ(abDevGetProperty(name, id, &v, &size), 0) << name;
    return v;
  }
  int setU32(const char* name, uint32_t v) { return abDevSetProperty(name, id, &v, 4); }
  // A property's whole value, sized by its information (both calls must succeed).
  std::vector<uint8_t> value(const char* name) {
    uint32_t size = 0;
    EXPECT_EQ(abDevGetPropertyInfo(name, id, &size, nullptr), 0) << name;
    std::vector<uint8_t> b(size);
    EXPECT_EQ(abDevGetProperty(name, id, b.data(), &size), 0) << name;
    return b;
  }

  uint32_t id = 0;
};
