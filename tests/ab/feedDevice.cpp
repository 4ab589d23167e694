// The test device that feeds the block callback given blocks.
#include "feedDevice.h"

#include <algorithm>
#include <cstring>

#include "ABDeviceErrors.h"

FeedDevice::FeedDevice(int inputs, int outputs, int sampleRate, int maxFrames, const char* name)
    : AudioMidiDevice(KIND_AUDIO),
      m_maxFrames(maxFrames),
      m_name(name),
      m_in(inputs, std::vector<float>(maxFrames > 0 ? maxFrames : 1)),
      m_out(outputs, std::vector<float>(maxFrames > 0 ? maxFrames : 1)) {
  for (int c = 0; c < inputs; ++c) {
    m_inPtr.push_back(m_in[c].data());
    m_inIds.push_back(c);
  }
  for (int c = 0; c < outputs; ++c) {
    m_outPtr.push_back(m_out[c].data());
    m_outIds.push_back(c);
  }
  block.sampleRate = sampleRate;
  block.input.channelCount = inputs;
  block.input.buffers = inputs ? m_inPtr.data() : nullptr;
  block.input.channelIds = inputs ? m_inIds.data() : nullptr;
  block.output.channelCount = outputs;
  block.output.buffers = outputs ? m_outPtr.data() : nullptr;
  block.output.channelIds = outputs ? m_outIds.data() : nullptr;
}

int FeedDevice::open(bool on) {
  if (!on && !m_open) return AB_ERR_NOT_OPEN;
  if (!on) m_running = false;
  m_open = on;
  return AB_OK;
}

int FeedDevice::start(bool on) {
  if (on && !m_open) return AB_ERR_NOT_OPEN;
  m_running = on;
  return AB_OK;
}

int FeedDevice::getPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_BAD_VALUE;
  if (std::strcmp(name, "DeviceName") == 0) {
    *size = static_cast<uint32_t>(m_name.size() + 1);
  } else if (std::strcmp(name, "SampleRate") == 0) {
    *size = 4;
  } else {
    return AB_ERR_NO_PROPERTY;
  }
  if (changeable) *changeable = 0;
  return AB_OK;
}

int FeedDevice::setProperty(const char* name, const void* value, uint32_t size) {
  if (std::strcmp(name, "SampleRate") != 0) return AB_ERR_NO_PROPERTY;
  if (!value || size != 4) return AB_ERR_BAD_VALUE;
  std::memcpy(&block.sampleRate, value, 4);
  return AB_OK;
}

int FeedDevice::getProperty(const char* name, void* buffer, uint32_t* size) {
  if (!size || !buffer) return AB_ERR_BAD_VALUE;
  if (std::strcmp(name, "DeviceName") == 0) {
    uint32_t len = static_cast<uint32_t>(m_name.size());
    if (*size <= len) {
      std::memcpy(buffer, m_name.data(), *size);
    } else {
      std::memcpy(buffer, m_name.c_str(), len + 1);
      *size = len;
    }
    return AB_OK;
  }
  if (std::strcmp(name, "SampleRate") == 0) {
    if (*size != 4) return AB_ERR_BAD_VALUE;
    std::memcpy(buffer, &block.sampleRate, 4);
    return AB_OK;
  }
  return AB_ERR_NO_PROPERTY;
}

bool FeedDevice::feed(int frames, const float* const* inputs, uint64_t blockTimeUs) {
  if (!m_running || frames < 0 || frames > m_maxFrames) return false;
  block.frames = block.input.frames = block.output.frames = frames;
  for (size_t c = 0; c < m_in.size(); ++c) {
    if (inputs && inputs[c])
      std::copy(inputs[c], inputs[c] + frames, m_in[c].begin());
    else
      std::fill(m_in[c].begin(), m_in[c].end(), 0.0f);
  }
  for (auto& o : m_out) std::fill(o.begin(), o.end(), 0.0f);
  block.ring = ring;
  if (ring) ring->blockTime = blockTimeUs;
  ++feeds;
  if (callback) callback(&block, 0, callbackUser2, callbackUser1);
  return true;
}
