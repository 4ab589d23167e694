// The ASIO device: open and close around the host, the block handed to the host's callback on the
// driver's thread, and the named properties.
#include "ABAsioDevice.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "ABDeviceErrors.h"
#include "ABPortEntry.h"
#include "ABPropertyNames.h"
#include "ABPropertyValues.h"

namespace {

// The last positive output latency any ASIO device saw, in samples.
std::atomic<int32_t> g_lastLatency{0};

const SampleFormat kHostFloat{1, false, true, 32, false};

// Float samples from a driver, into the block's range: NaN, infinities and denormals become 0, the
// rest is clamped to [-1, 1].
void sanitize(float* b, int frames) {
  for (int f = 0; f < frames; ++f) {
    const float v = b[f];
    const float a = std::fabs(v);
    const float c = v > 1.0f ? 1.0f : v < -1.0f ? -1.0f : v;
    b[f] = a >= 1e-30f && a <= 3.0e38f ? c : 0.0f;
  }
}

}  // namespace

bool AsioDevice::driverFormat(int32_t type, SampleFormat* f) {
  *f = SampleFormat{1, false, false, 0, false};
  switch (type) {
    case ASIO_INT16_LE: f->bits = 16; break;
    case ASIO_INT24_LE: f->bits = 24; break;
    case ASIO_INT32_LE: f->bits = 32; break;
    case ASIO_FLOAT32_LE:
      f->bits = 32;
      f->isFloat = true;
      break;
    case ASIO_FLOAT64_LE:
      f->bits = 64;
      f->isFloat = true;
      break;
    case ASIO_INT16_BE:
      f->bits = 16;
      f->bigEndian = true;
      break;
    case ASIO_INT24_BE:
      f->bits = 24;
      f->bigEndian = true;
      break;
    case ASIO_INT32_BE:
      f->bits = 32;
      f->bigEndian = true;
      break;
    case ASIO_FLOAT32_BE:
      f->bits = 32;
      f->isFloat = true;
      f->bigEndian = true;
      break;
    case ASIO_FLOAT64_BE:
      f->bits = 64;
      f->isFloat = true;
      f->bigEndian = true;
      break;
    // The 32-bit containers of 16 to 24 bits are taken as 32-bit integers.
    case ASIO_INT32_LE16:
    case ASIO_INT32_LE18:
    case ASIO_INT32_LE20:
    case ASIO_INT32_LE24: f->bits = 32; break;
    case ASIO_INT32_BE16:
    case ASIO_INT32_BE18:
    case ASIO_INT32_BE20:
    case ASIO_INT32_BE24:
      f->bits = 32;
      f->bigEndian = true;
      break;
    default: return false;
  }
  return true;
}

AsioDevice::AsioDevice(AsioDriverList* list, const char* name, void* systemReference)
    : AudioDriverDevice(name ? name : ""), AsioHost(list, name, systemReference) {
  std::memset(&block, 0, sizeof block);
  typedef AsioDevice A;
  DevicePropertyMaps<AsioDevice>& p = properties_;
  p.add(kPropDeviceName, this, &A::nameInfo, &A::nameCountedGet);
  p.add(kPropPortDescription, this, &A::portInfo, &A::portGet, &A::portSet);
  p.add(kPropStreamDescription, this, &A::streamInfo, &A::streamGet);
  p.add(kPropEnableAudioPort, this, &A::openStateInfo, &A::openStateGet, &A::enableSet);
  p.add(kPropActiveAudioPort, this, &A::openStateInfo, &A::openStateGet, &A::activeSet);
  p.add(kPropSampleRateList, this, &A::rateListInfo, &A::rateListGet);
  p.add(kPropSampleRate, this, nullptr, &A::rateGet, &A::rateSet);
  p.add(kPropClockList, this, &A::clockListInfo, &A::clockListGet);
  p.add(kPropClock, this, &A::clockInfo, &A::clockGet, &A::clockSet);
  p.add(kPropBufferSize, this, &A::bufferSizeInfo, &A::bufferSizeGet);
  p.add(kPropControlPanel, this, &A::controlPanelInfo, &A::controlPanelGet);
  p.add(kPropDeviceDescription, this, nullptr, &A::descriptionGet);
  p.add(kPropLatency, this, &A::latencyInfo, &A::latencyGet);
}

AsioDevice::~AsioDevice() {
  // Closed here, while process() is still this class's.
  if (isHostOpen()) open(false);
  freeBlock();
}

int AsioDevice::setClient(AudioDeviceClient* newClient) {
  client = newClient;
  setClientListener(newClient);
  return AB_OK;
}

// ---- open and close

void AsioDevice::freeBlock() {
  inConverter_.reset();
  outConverter_.reset();
  std::memset(&block, 0, sizeof block);
  inBlock_.release();
  outBlock_.release();
  inBlockIds_.reset();
  outBlockIds_.reset();
  inChannelCount_ = outChannelCount_ = 0;
  frames_ = 0;
  floatInput_ = false;
}

int AsioDevice::open(bool on) {
  if (!on) {
    if (!isHostOpen()) return AB_ERR_NOT_OPEN;
    hostOpen(false);
    freeBlock();
    return AB_OK;
  }
  if (isHostOpen()) return AB_OK;
  int r = hostOpen(true);
  if (r != AB_OK) return r;
  AsioHost::setSampleRate(static_cast<int>(requestedRate_));

  const int frames = bufferSize();
  if (frames <= 0 || frames > kMaxBufferFrames) {
    // No usable buffer size: the device cannot stream.
    hostOpen(false);
    return AB_ERR_OPEN_FAILED;
  }
  frames_ = frames;
  inChannelCount_ = inputCount();
  outChannelCount_ = outputCount();
  block.frames = frames;
  block.sampleRate = sampleRate();
  block.input.frames = frames;
  block.output.frames = frames;
  inBlock_.allocate(inChannelCount_, frames);
  outBlock_.allocate(outChannelCount_, frames);
  inBlockIds_.reset(new (std::nothrow) int32_t[inChannelCount_ + 1]());
  outBlockIds_.reset(new (std::nothrow) int32_t[outChannelCount_ + 1]());
  block.input.buffers = inBlock_.list();
  block.output.buffers = outBlock_.list();
  block.input.channelIds = inBlockIds_.get();
  block.output.channelIds = outBlockIds_.get();
  if (!block.input.buffers || !block.output.buffers || !block.input.channelIds || !block.output.channelIds) {
    hostOpen(false);
    freeBlock();
    return AB_ERR_OPEN_FAILED;
  }
  block.input.channelCount = 0;
  block.output.channelCount = 0;

  // Converters from the driver's sample type (each direction's channel 0) to float and back; a type
  // without a conversion leaves that direction unconverted (silent).
  int32_t type = 0;
  SampleFormat f;
  if (sampleType(INPUT, &type) && driverFormat(type, &f)) {
    inConverter_.reset(new (std::nothrow) SampleFormatConverter(f, kHostFloat));
    floatInput_ = f.isFloat;
  }
  if (sampleType(OUTPUT, &type) && driverFormat(type, &f))
    outConverter_.reset(new (std::nothrow) SampleFormatConverter(kHostFloat, f));
  return AB_OK;
}

// ---- driver thread

void AsioDevice::process(void* const* inputs, int inputCount, const int32_t* inputChannels, void* const* outputs,
                         int outputCount, const int32_t* outputChannels, uint64_t) {
  const int ins = std::min(inputCount, inChannelCount_);
  const int outs = std::min(outputCount, outChannelCount_);
  block.input.channelCount = ins;
  block.output.channelCount = outs;
  for (int i = 0; i < ins; ++i) block.input.channelIds[i] = inputChannels[i];
  for (int i = 0; i < outs; ++i) block.output.channelIds[i] = outputChannels[i];
  if (ring) {
    block.ring = ring;
    ring->blockTime = static_cast<uint64_t>(timeGetTime()) * 1000u;
  } else {
    block.ring = nullptr;
  }
  if (inConverter_) {
    for (int i = 0; i < ins; ++i) {
      void* to = block.input.buffers[i];
      inConverter_->convert(&inputs[i], 0, &to, 0, frames_);
      if (floatInput_) sanitize(block.input.buffers[i], frames_);
    }
  }
  if (callback) callback(&block, 0, callbackUser2, callbackUser1);
  if (outConverter_) {
    for (int i = 0; i < outs; ++i) {
      const void* from = block.output.buffers[i];
      outConverter_->convert(&from, 0, &outputs[i], 0, frames_);
    }
  }
}

// ---- properties

int AsioDevice::nameCountedGet(void* buffer, uint32_t* size) {
  const bool fits = size && *size > deviceName().size();
  const int r = textPropertyGet(deviceName(), buffer, size);
  if (r == AB_OK && fits) *size += 1;
  return r;
}

int AsioDevice::portGet(void* buffer, uint32_t* size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < kRecordCountBytes) return AB_ERR_BAD_VALUE;
  const uint32_t ports = static_cast<uint32_t>(inputCount() + outputCount());
  if (*size == audioPortDescriptionBytes(ports)) {
    writeU32(buffer, 0, ports);
    size_t k = 0;
    for (int dir = INPUT; dir >= OUTPUT; --dir) {
      const Direction d = static_cast<Direction>(dir);
      const int n = d == INPUT ? inputCount() : outputCount();
      for (int c = 0; c < n; ++c) {
        const int flags = channelFlags(d, c);
        AudioPortEntry e = makePortEntry(c, d == OUTPUT, (flags & ACTIVE) != 0, (flags & ENABLED) != 0);
        char name[32];
        channelName(d, c, name);
        std::memcpy(e.name, name, sizeof name);
        putPortEntry(buffer, k++, e);
      }
    }
    return AB_OK;
  }
  if (isSinglePortRecord(buffer, *size)) {
    return answerPortRecord(buffer, [this](const AudioPortEntry& e, uint8_t* active, uint8_t* enabled) {
      const int flags = channelFlags(e.isOutput ? OUTPUT : INPUT, e.index);
      *active = (flags & ACTIVE) ? 1 : 0;
      *enabled = (flags & ENABLED) ? 1 : 0;
      return flags >= 0;
    });
  }
  writeU32(buffer, 0, 0);
  return AB_OK;
}

void AsioDevice::portRecordList(const void* value, bool active, bool enabled) {
  forEachPortEntry(value, [&](const AudioPortEntry& e) {
    const Direction d = e.isOutput ? OUTPUT : INPUT;
    if (channelFlags(d, e.index) < 0) return;  // beyond the channels
    if (active) setChannelActive(d, e.index, e.active != 0);
    if (enabled) setChannelEnabled(d, e.index, e.enabled != 0);
  });
}

// Takes the records with the streams stopped (the driver's buffers follow the active channels).
int AsioDevice::portRecordsStopped(const void* value, uint32_t size, bool active, bool enabled) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!isRecordList(value, size)) return AB_ERR_BAD_VALUE;
  const bool wasRunning = isHostRunning();
  if (wasRunning) hostStart(false);
  portRecordList(value, active, enabled);
  return wasRunning ? hostStart(true) : AB_OK;
}

int AsioDevice::portSet(const void* value, uint32_t size) { return portRecordsStopped(value, size, true, true); }

// Sized with room for one entry more than there are listed ports.
uint32_t AsioDevice::streamBytes() const {
  return static_cast<uint32_t>(streamDescriptionBytes(static_cast<uint32_t>(activeEnabledCount()) + 1u));
}

int AsioDevice::streamInfo(uint32_t* size, uint32_t* changeable) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(streamBytes(), true, size, changeable);
}

// The stream lists the channels both active and enabled, inputs first.
int AsioDevice::streamGet(void* buffer, uint32_t* size) {
  const uint32_t listed = static_cast<uint32_t>(activeEnabledCount());
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size != streamBytes()) return AB_ERR_BAD_VALUE;
  std::memset(buffer, 0, *size);
  const int frames = bufferSize();
  writeStreamHeader(buffer, listed, frames > 0 ? static_cast<uint32_t>(frames) : 0,
                    static_cast<uint32_t>(sampleRate()));
  size_t at = kStreamHeaderBytes;
  for (int dir = INPUT; dir >= OUTPUT; --dir) {
    const Direction d = static_cast<Direction>(dir);
    const int n = d == INPUT ? inputCount() : outputCount();
    uint32_t channel = 0;
    for (int c = 0; c < n; ++c)
      if ((channelFlags(d, c) & (ACTIVE | ENABLED)) == (ACTIVE | ENABLED))
        at = writeStreamEntry(buffer, at, d == OUTPUT, channel++, static_cast<uint32_t>(c));
  }
  return AB_OK;
}

int AsioDevice::enableSet(const void* value, uint32_t size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!isRecordList(value, size)) return AB_ERR_BAD_VALUE;
  portRecordList(value, false, true);
  resetHandler();
  return AB_OK;
}

int AsioDevice::activeSet(const void* value, uint32_t size) { return portRecordsStopped(value, size, true, false); }

int AsioDevice::rateListGet(void* buffer, uint32_t* size) {
  int32_t rates[kMaxListedRates];
  const int n = isHostOpen() ? supportedRates(rates) : 0;
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size != rateListBytes(n)) return AB_ERR_BAD_VALUE;
  std::memset(buffer, 0, *size);
  writeRateList(buffer, rates, n);
  return AB_OK;
}

int AsioDevice::rateSet(const void* value, uint32_t size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!isWordValue(value, size)) return AB_ERR_BAD_VALUE;
  const int32_t rate = static_cast<int32_t>(readU32(value, 0));
  if (rate <= 0) return AB_ERR_BAD_VALUE;  // not a rate
  requestedRate_ = static_cast<uint32_t>(rate);
  const int r = AsioHost::setSampleRate(rate);
  block.sampleRate = sampleRate();
  return r;
}

int AsioDevice::clockListInfo(uint32_t* size, uint32_t* changeable) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size) return AB_ERR_BAD_VALUE;
  AsioClockSource table[kMaxClockSources];
  const int n = clockSources(table);
  if (n < 0) return AB_ERR_CLOCK_QUERY;
  *size = static_cast<uint32_t>(kRecordCountBytes + kClockEntryBytes * static_cast<uint32_t>(n));
  if (changeable) *changeable = n >= 2 ? 1 : 0;
  return AB_OK;
}

int AsioDevice::clockListGet(void* buffer, uint32_t* size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer) return AB_ERR_BAD_VALUE;
  AsioClockSource table[kMaxClockSources];
  const int n = clockSources(table);
  if (n < 0) return AB_ERR_CLOCK_QUERY;
  if (*size < kRecordCountBytes) return AB_ERR_BAD_VALUE;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  writeU32(out, 0, static_cast<uint32_t>(n));
  // As many whole entries as the buffer holds.
  for (int i = 0; i < n && kRecordCountBytes + kClockEntryBytes * (static_cast<uint64_t>(i) + 1) <= *size; ++i) {
    uint8_t* e = out + kRecordCountBytes + kClockEntryBytes * static_cast<size_t>(i);
    std::memset(e, 0, kClockEntryBytes);
    writeU32(e, 0, static_cast<uint32_t>(i));
    std::memcpy(e + 4, table[i].name, sizeof table[i].name);
  }
  return AB_OK;
}

int AsioDevice::clockInfo(uint32_t* size, uint32_t* changeable) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (size) *size = 0;
  if (changeable) *changeable = 0;
  return AB_OK;
}

int AsioDevice::clockGet(void* buffer, uint32_t* size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < 4) return AB_ERR_BAD_VALUE;
  AsioClockSource table[kMaxClockSources];
  const int n = clockSources(table);
  if (n < 0) return AB_ERR_CLOCK_QUERY;
  int current = -1;
  for (int i = 0; i < n; ++i)
    if (table[i].isCurrent) {
      current = i;
      break;
    }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  writeU32(out, 0, static_cast<uint32_t>(current));
  if (*size > 4) {
    const uint32_t room = std::min<uint32_t>(*size - 4, 32);
    std::memset(out + 4, 0, room);
    if (current >= 0) std::memcpy(out + 4, table[current].name, room);
    out[4 + room - 1] = 0;
  }
  return AB_OK;
}

int AsioDevice::clockSet(const void* value, uint32_t size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!value || size != 4) return AB_ERR_BAD_VALUE;
  setClockSource(static_cast<int32_t>(readU32(value, 0)));
  return AB_OK;
}

// The driver's preferred buffer size, 0 when it cannot be read.
uint32_t AsioDevice::currentBlockFrames() {
  const int frames = bufferSize();
  return frames > 0 ? static_cast<uint32_t>(frames) : 0;
}

int AsioDevice::controlPanelInfo(uint32_t* size, uint32_t* changeable) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(sizeof(uint32_t), true, size, changeable);
}

int AsioDevice::controlPanelGet(void* buffer, uint32_t* size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < 4) return AB_ERR_BAD_VALUE;
  const bool wasRunning = isHostRunning();
  if (wasRunning) hostStart(false);
  const int rateBefore = sampleRate();
  // The channel flags survive the reopen for the channels that still exist.
  uint8_t flags[2][kMaxChannels];
  int counts[2] = {outputCount(), inputCount()};
  for (int d = 0; d < 2; ++d)
    for (int c = 0; c < counts[d]; ++c) flags[d][c] = static_cast<uint8_t>(channelFlags(static_cast<Direction>(d), c));
  const int result = controlPanel();
  writeU32(buffer, 0, static_cast<uint32_t>(result));
  *size = 4;
  // Buffer size and channels may have changed.
  open(false);
  const int r = open(true);
  if (r != AB_OK) return r;
  for (int d = 0; d < 2; ++d) {
    const Direction dir = static_cast<Direction>(d);
    const int n = std::min(counts[d], dir == INPUT ? inputCount() : outputCount());
    for (int c = 0; c < n; ++c) {
      setChannelActive(dir, c, (flags[d][c] & ACTIVE) != 0);
      setChannelEnabled(dir, c, (flags[d][c] & ENABLED) != 0);
    }
  }
  if (listeners && sampleRate() != rateBefore) {
    DeviceListener* l = static_cast<DeviceListener*>(listeners->find(kPropSampleRate));
    if (l && l->function) l->function(kPropSampleRate, id, l->word1, l->word2);
  }
  if (wasRunning) hostStart(true);
  return AB_OK;
}

int AsioDevice::descriptionGet(void* buffer, uint32_t* size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < kDeviceDescriptionBytes) return AB_ERR_BAD_VALUE;
  writeDeviceDescription(buffer, kind, AB_DRIVER_ASIO);
  return AB_OK;
}

int AsioDevice::latencyInfo(uint32_t* size, uint32_t* changeable) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(sizeof(uint32_t), false, size, changeable);
}

int AsioDevice::latencyGet(void* buffer, uint32_t* size) {
  if (!isHostOpen()) return AB_ERR_NOT_OPEN;
  if (!isWordBuffer(buffer, size)) return AB_ERR_BAD_VALUE;
  int32_t input = 0, output = 0;
  latencies(&input, &output);
  if (output > 0)
    g_lastLatency.store(output);
  else
    output = g_lastLatency.load();
  const int rate = sampleRate();
  const uint32_t ms = rate > 0 && output > 0 ? static_cast<uint32_t>(output * (1.0 / rate) * 1000.0) : 0;
  writeU32(buffer, 0, ms);
  return AB_OK;
}
