// Stand-ins for the setup pages' tests: an audio device that only lists the ports a test gives it,
// and an audio client with a chosen number of named inputs and outputs.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ABAudioClient.h"
#include "ABAudioMidiDevice.h"
#include "ABDeviceErrors.h"
#include "ABPortEntry.h"

// An audio device that only lists ports: "DeviceName" and "PortDescription".
class PortsDevice : public AudioMidiDevice {
 public:
  PortsDevice(int inputs, int outputs) : AudioMidiDevice(KIND_AUDIO) {
    for (int i = 0; i < inputs; ++i) add(false, i, "In " + std::to_string(i + 1));
    for (int i = 0; i < outputs; ++i) add(true, i, "Out " + std::to_string(i + 1));
  }
  void add(bool output, int index, const std::string& name) {
    AudioPortEntry e;
    std::memset(&e, 0, sizeof e);
    e.index = index;
    e.isOutput = output ? 1 : 0;
    std::memcpy(e.name, name.data(), std::min(name.size(), sizeof e.name));  // 64 bytes: no terminator
    ports.push_back(e);
  }
  int open(bool) override { return AB_OK; }
  bool isOpen() override { return true; }
  int start(bool) override { return AB_OK; }
  bool isRunning() override { return false; }
  int getPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) override {
    if (!size) return AB_ERR_BAD_VALUE;
    if (changeable) *changeable = 0;
    if (std::strcmp(name, "DeviceName") == 0)
      *size = 6;
    else if (std::strcmp(name, "PortDescription") == 0)
      *size = uint32_t(4 + ports.size() * sizeof(AudioPortEntry));
    else
      return AB_ERR_NO_PROPERTY;
    return AB_OK;
  }
  int setProperty(const char*, const void*, uint32_t) override { return AB_ERR_NO_PROPERTY; }
  int getProperty(const char* name, void* buffer, uint32_t* size) override {
    if (!size || !buffer) return AB_ERR_BAD_VALUE;
    if (std::strcmp(name, "DeviceName") == 0) {
      if (*size < 6) return AB_ERR_BAD_VALUE;
      std::memcpy(buffer, "Ports", 6);
      return AB_OK;
    }
    if (std::strcmp(name, "PortDescription") != 0) return AB_ERR_NO_PROPERTY;
    const uint32_t need = uint32_t(4 + ports.size() * sizeof(AudioPortEntry));
    if (*size < need) return AB_ERR_BAD_VALUE;
    const uint32_t count = uint32_t(ports.size());
    std::memcpy(buffer, &count, 4);
    if (!ports.empty())
      std::memcpy(static_cast<uint8_t*>(buffer) + 4, ports.data(), ports.size() * sizeof(AudioPortEntry));
    *size = need;
    return AB_OK;
  }
  std::vector<AudioPortEntry> ports;
};

class TestClient : public AudioHostClient {
 public:
  TestClient(int inputs, int outputs) : inputs_(inputs), outputs_(outputs) {}
  void process(float**, float**, int, int, int) override {}
  bool supportsRate(float) override { return true; }
  void inputName(int index, std::string* name) override { *name = "Input " + std::to_string(index + 1); }
  void outputName(int index, std::string* name) override { *name = "Output " + std::to_string(index + 1); }
  int inputCount() override { return inputs_; }
  int outputCount() override { return outputs_; }
  void setSampleRate(float) override {}

 private:
  int inputs_, outputs_;
};
