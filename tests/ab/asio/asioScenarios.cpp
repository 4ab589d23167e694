// Scenarios shared by the injected and the COM tests of the ASIO device.
#include "asioScenarios.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "ABDeviceErrors.h"

float sineValue(int channel, int n) {
  const float v = 0.5f * static_cast<float>(std::sin(2.0 * 3.14159265358979 * 440.0 * n / 44100.0));
  return channel % 2 ? -v : v;
}

void AsioSineClient::callback(AudioBlock* block, int, void* user2, void*) {
  AsioSineClient* self = static_cast<AsioSineClient*>(user2);
  const int start = self->frames.load();
  for (int i = 0; i < block->output.channelCount; ++i) {
    const int ch = block->output.channelIds[i];
    for (int f = 0; f < block->frames; ++f) block->output.buffers[i][f] = sineValue(ch, start + f);
  }
  for (int f = 0; f < block->frames && start + f < kKeep; ++f) self->written[start + f] = sineValue(0, start + f);
  bool half = block->input.channelCount > 0;
  for (int i = 0; i < block->input.channelCount; ++i)
    for (int f = 0; f < block->frames; ++f)
      if (block->input.buffers[i][f] != 0.5f) half = false;
  if (half) self->inputsAtHalf.fetch_add(1);
  self->lastOutputCount.store(block->output.channelCount);
  self->lastInputCount.store(block->input.channelCount);
  self->frames.store(start + block->frames);
  self->blocks.fetch_add(1);
  if (self->spinMicroseconds > 0) {
    LARGE_INTEGER q, a, b;
    QueryPerformanceFrequency(&q);
    QueryPerformanceCounter(&a);
    do QueryPerformanceCounter(&b);
    while ((b.QuadPart - a.QuadPart) * 1000000 / q.QuadPart < self->spinMicroseconds);
  }
}

void AsioSineClient::attach(AudioMidiDevice* device) {
  device->callback = &AsioSineClient::callback;
  device->callbackUser2 = this;
  device->callbackUser1 = nullptr;
}

std::vector<uint8_t> portRecords(bool isOutput, const std::vector<int>& channels, bool active, bool enabled) {
  std::vector<uint8_t> v(4 + 76 * channels.size(), 0);
  const uint32_t n = static_cast<uint32_t>(channels.size());
  std::memcpy(v.data(), &n, 4);
  for (size_t i = 0; i < channels.size(); ++i) {
    uint8_t* e = v.data() + 4 + 76 * i;
    const int32_t index = channels[i];
    std::memcpy(e, &index, 4);
    e[4] = isOutput ? 1 : 0;
    e[5] = active ? 1 : 0;
    e[6] = enabled ? 1 : 0;
  }
  return v;
}

std::vector<uint8_t> expectedSample(int32_t type, float value) {
  auto sat = [](double v) -> int32_t {
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
  };
  std::vector<uint8_t> b;
  auto push = [&b](uint64_t bits, int bytes, bool be) {
    for (int k = 0; k < bytes; ++k) {
      const int shift = 8 * (be ? bytes - 1 - k : k);
      b.push_back(static_cast<uint8_t>(bits >> shift));
    }
  };
  const bool be = type >= ASIO_INT16_BE;
  switch (type) {
    case ASIO_INT16_LE:
    case ASIO_INT16_BE: {
      float s = value * 32767.0f;
      int32_t v = s >= 32767.0f ? 32767 : s <= -32768.0f ? -32768 : static_cast<int32_t>(s);
      push(static_cast<uint16_t>(v), 2, be);
      break;
    }
    case ASIO_INT24_LE:
    case ASIO_INT24_BE: push(static_cast<uint32_t>(sat(value * 2147483392.0)) >> 8, 3, be); break;
    case ASIO_INT32_LE:
    case ASIO_INT32_BE: push(static_cast<uint32_t>(sat(value * 2147483392.0)), 4, be); break;
    case ASIO_FLOAT32_LE:
    case ASIO_FLOAT32_BE: {
      uint32_t u;
      std::memcpy(&u, &value, 4);
      push(u, 4, be);
      break;
    }
    case ASIO_FLOAT64_LE:
    case ASIO_FLOAT64_BE: {
      const double d = value;
      uint64_t u;
      std::memcpy(&u, &d, 8);
      push(u, 8, be);
      break;
    }
    default: break;
  }
  return b;
}

void checkSineReachesDriver(AudioMidiDevice* device, FakeAsioState* fake, int32_t type) {
  SCOPED_TRACE(testing::Message() << "sample type " << type);
  fake->config.inputType = type;
  fake->config.outputType = type;
  AsioSineClient client;
  client.attach(device);
  ASSERT_EQ(device->open(true), AB_OK);
  std::vector<uint8_t> outs = portRecords(true, {0, 1}, true, true);
  std::vector<uint8_t> ins = portRecords(false, {0, 1}, true, true);
  ASSERT_EQ(device->setProperty("EnableAudioPort", outs.data(), static_cast<uint32_t>(outs.size())), AB_OK);
  ASSERT_EQ(device->setProperty("EnableAudioPort", ins.data(), static_cast<uint32_t>(ins.size())), AB_OK);
  ASSERT_EQ(device->start(true), AB_OK);
  const int want = 2048;
  EXPECT_TRUE(waitFor([&] { return fake->record.capturedFrames.load() >= want; }));
  EXPECT_EQ(device->start(false), AB_OK);
  EXPECT_GT(client.inputsAtHalf.load(), 0) << "the driver's half-scale inputs arrive as 0.5";
  ASSERT_EQ(fake->record.captureChannel[0], 0);
  ASSERT_EQ(fake->record.captureChannel[1], 1);
  const int bytes = fakeAsioBytes(type);
  int mismatches = 0;
  for (int c = 0; c < 2; ++c)
    for (int n = 0; n < want && mismatches < 5; ++n) {
      const std::vector<uint8_t> e = expectedSample(type, c ? -client.written[n] : client.written[n]);
      if (std::memcmp(e.data(), fake->record.capture[c] + n * bytes, static_cast<size_t>(bytes)) != 0) {
        ++mismatches;
        ADD_FAILURE() << "channel " << c << " frame " << n << " differs";
      }
    }
  EXPECT_EQ(fake->record.violations.load(), 0);
  device->open(false);
}

void checkStereoPair(AudioMidiDevice* device, FakeAsioState* fake) {
  ASSERT_EQ(device->open(true), AB_OK);
  std::vector<uint8_t> off = portRecords(true, {0}, false, false);
  ASSERT_EQ(device->setProperty("ActiveAudioPort", off.data(), static_cast<uint32_t>(off.size())), AB_OK);
  ASSERT_EQ(device->start(true), AB_OK);
  // Inputs 0 and 1 first, then output 1, then output 0 for the pair.
  ASSERT_EQ(fake->record.createdCount, 4);
  EXPECT_EQ(fake->record.createdIsInput[2], 0);
  EXPECT_EQ(fake->record.createdChannel[2], 1);
  EXPECT_EQ(fake->record.createdIsInput[3], 0);
  EXPECT_EQ(fake->record.createdChannel[3], 0);
  device->start(false);
  device->open(false);
}

void checkEnableAtNextSwitch(AudioMidiDevice* device, FakeAsioState* fake) {
  AsioSineClient client;
  client.attach(device);
  ASSERT_EQ(device->open(true), AB_OK);
  ASSERT_EQ(device->start(true), AB_OK);
  ASSERT_TRUE(waitFor([&] { return client.blocks.load() >= 3; }));
  EXPECT_EQ(client.lastOutputCount.load(), 0);
  std::vector<uint8_t> on = portRecords(true, {0}, true, true);
  ASSERT_EQ(device->setProperty("EnableAudioPort", on.data(), static_cast<uint32_t>(on.size())), AB_OK);
  EXPECT_TRUE(waitFor([&] { return client.lastOutputCount.load() == 1; }));
  EXPECT_TRUE(waitFor([&] { return fake->record.capturedFrames.load() >= 2048; }));
  EXPECT_EQ(fake->record.starts.load(), 1) << "no restart";
  EXPECT_EQ(fake->record.creates.load(), 1);
  device->start(false);
  // Output 1 was created (active) but never enabled: cleared and never written.
  const int bytes = fakeAsioBytes(fake->config.outputType);
  bool silent = true, sounding = false;
  for (int n = 0; n < 2048 * bytes; ++n) {
    if (fake->record.capture[1][n] != 0) silent = false;
    if (fake->record.capture[0][n] != 0) sounding = true;
  }
  EXPECT_TRUE(silent);
  EXPECT_TRUE(sounding);
  device->open(false);
}

void checkControlPanelKeepsRunning(AudioMidiDevice* device, FakeAsioState* fake) {
  AsioSineClient client;
  client.attach(device);
  fake->config.controlPanelResult = 0;
  fake->config.panelBufferSize = 128;
  ASSERT_EQ(device->open(true), AB_OK);
  std::vector<uint8_t> on = portRecords(true, {0}, true, true);
  ASSERT_EQ(device->setProperty("EnableAudioPort", on.data(), static_cast<uint32_t>(on.size())), AB_OK);
  ASSERT_EQ(device->start(true), AB_OK);
  ASSERT_TRUE(waitFor([&] { return client.blocks.load() >= 2; }));
  uint32_t size = 0, changeable = 0;
  EXPECT_EQ(device->getPropertyInfo("ControlPanel", &size, &changeable), AB_OK);
  EXPECT_EQ(size, 4u);
  int32_t value = -1;
  size = 4;
  EXPECT_EQ(device->getProperty("ControlPanel", &value, &size), AB_OK);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(fake->record.controlPanels.load(), 1);
  EXPECT_TRUE(device->isRunning());
  EXPECT_EQ(fake->record.creates.load(), 2);
  EXPECT_EQ(fake->record.createdSize, 128);
  const int before = client.blocks.load();
  EXPECT_TRUE(waitFor([&] { return client.blocks.load() >= before + 3; }));
  EXPECT_EQ(client.lastOutputCount.load(), 1) << "the enabled channel stays enabled";
  int32_t frames = 0;
  size = 4;
  EXPECT_EQ(device->getProperty("BufferSize", &frames, &size), AB_OK);
  EXPECT_EQ(frames, 128);
  device->start(false);
  EXPECT_EQ(fake->record.violations.load(), 0);
  device->open(false);
}

void checkStartStopCycles(AudioMidiDevice* device, FakeAsioState* fake, int cycles) {
  AsioSineClient client;
  client.spinMicroseconds = 100;
  client.attach(device);
  fake->config.periodMs = 0;
  fake->config.slowCallbackUs = 200;
  fake->config.lateSwitches = 1;
  ASSERT_EQ(device->open(true), AB_OK);
  std::vector<uint8_t> on = portRecords(true, {0, 1}, true, true);
  ASSERT_EQ(device->setProperty("EnableAudioPort", on.data(), static_cast<uint32_t>(on.size())), AB_OK);
  for (int i = 0; i < cycles; ++i) {
    ASSERT_EQ(device->start(true), AB_OK) << "cycle " << i;
    // Every other cycle waits for a callback, so stops land both before and during callbacks.
    if (i % 2) {
      const int b = client.blocks.load();
      waitFor([&] { return client.blocks.load() > b; }, 1000);
    }
    ASSERT_EQ(device->start(false), AB_OK) << "cycle " << i;
    // Some stops are followed by a pause, in which a lagging driver calls back once more.
    if (i % 3 == 0) Sleep(1);
  }
  EXPECT_EQ(fake->record.starts.load(), cycles);
  EXPECT_EQ(fake->record.disposes.load(), cycles);
  EXPECT_GT(client.blocks.load(), cycles / 2);
  device->open(false);
  EXPECT_GT(fake->record.lateCallbacks.load(), 0) << "some callbacks raced a stop";
  std::printf("%d start/stop cycles: %d blocks, %d callbacks after the driver's stop\n", cycles, client.blocks.load(),
              fake->record.lateCallbacks.load());
  EXPECT_EQ(fake->record.violations.load(), 0);
}
