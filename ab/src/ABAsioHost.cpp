// The ASIO host: driver life cycle, buffer creation, the three buffer handlers and the driver
// callbacks. Buffer switches arrive on the driver's thread; everything else runs on the user-interface
// thread. The two meet through the handler word, swapped whole, the callback-pending flag that a stop
// waits on, and a count of callbacks in progress that must reach 0 before buffers are disposed.
#include "ABAsioHost.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "ABAudioMidiDevice.h"
#include "ABDeviceErrors.h"
#include "GPClamp.h"

namespace {

std::atomic<AsioHost*> g_currentHost{nullptr};
// Driver callbacks that have begun and not yet returned (counted before the current host is read).
std::atomic<int> g_inCallback{0};

const int kProbeRates[6] = {11025, 22050, 44100, 48000, 88200, 96000};

struct CallbackScope {
  CallbackScope() { g_inCallback.fetch_add(1); }
  ~CallbackScope() { g_inCallback.fetch_sub(1); }
};

void copyText(char* to, size_t room, const char* from) { std::snprintf(to, room, "%s", from); }

}  // namespace

AsioHost::AsioHost(AsioDriverList* list, const char* driverName, void* systemReference)
    : list_(list), driverName_(driverName ? driverName : "") {
  std::memset(&info_, 0, sizeof info_);
  info_.systemReference = systemReference;
  callbacks_.bufferSwitch = &AsioHost::bufferSwitch;
  callbacks_.sampleRateDidChange = &AsioHost::sampleRateChanged;
  callbacks_.message = &AsioHost::message;
  callbacks_.bufferSwitchTimeInfo = &AsioHost::bufferSwitchTimeInfo;
}

AsioHost::~AsioHost() {
  if (open_) hostOpen(false);
  freeArrays();
}

void AsioHost::process(void* const*, int, const int32_t*, void* const*, int, const int32_t*, uint64_t) {}

// ---- host calls

IAsioDriver* AsioHost::ownDriver() const {
  if (!list_ || list_->currentIndex() < 0 || list_->loadCount() != load_) return nullptr;
  return AsioDriverList::driver();
}

int AsioHost::driverInit() {
  copyText(info_.name, sizeof info_.name, "No ASIO Driver");
  info_.version = 0;
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;
  if (d->init(info_.systemReference) != ASIO_OK) {
    char text[124] = {0};
    d->getErrorMessage(text);
    text[123] = 0;
    copyText(info_.errorMessage, sizeof info_.errorMessage, text);
    list_->closeCurrent();
    return ASIO_ERR_NOT_PRESENT;
  }
  copyText(info_.errorMessage, sizeof info_.errorMessage, "No ASIO Driver Error");
  char name[32] = {0};
  d->getDriverName(name);
  name[31] = 0;
  copyText(info_.name, sizeof info_.name, name);
  info_.version = d->getDriverVersion();
  return ASIO_OK;
}

void AsioHost::driverExit() { AsioDriverList::forgetDriver(); }

// ---- open and close

int AsioHost::hostOpen(bool on) {
  if (on == open_) return AB_OK;
  if (!on) {
    if (running_) stop();
    // A driver that another host has loaded since is left alone.
    const bool owned = ownDriver() != nullptr;
    if (initialised_ && owned) driverExit();
    initialised_ = false;
    AsioHost* self = this;
    g_currentHost.compare_exchange_strong(self, nullptr);
    waitForCallbacks(2000);  // a late callback may still hold the old current host
    if (owned) list_->closeCurrent();
    freeArrays();
    open_ = false;
    return AB_OK;
  }
  if (!list_ || !list_->loadDriver(driverName_.c_str())) return ASIO_ERR_NOT_PRESENT;
  load_ = list_->loadCount();
  int r = driverInit();
  if (r != ASIO_OK) {
    list_->closeCurrent();
    return r;
  }
  initialised_ = true;
  int32_t inputs = 0, outputs = 0;
  IAsioDriver* d = ownDriver();
  r = d ? d->getChannels(&inputs, &outputs) : ASIO_ERR_NOT_PRESENT;
  if (r != ASIO_OK) {
    driverExit();
    initialised_ = false;
    list_->closeCurrent();
    return r;
  }
  // Counts from the driver are bounded before they size anything.
  inputs_ = gpClamp<int>(inputs, 0, kMaxChannels);
  outputs_ = gpClamp<int>(outputs, 0, kMaxChannels);
  const size_t total = static_cast<size_t>(inputs_ + outputs_);
  flags_[INPUT].reset(new (std::nothrow) uint8_t[inputs_ + 1]());
  flags_[OUTPUT].reset(new (std::nothrow) uint8_t[outputs_ + 1]());
  bufferInfos_.reset(new (std::nothrow) AsioBufferInfo[total + 1]());
  for (int h = 0; h < 2; ++h) {
    inBuffers_[h].reset(new (std::nothrow) void*[inputs_ + 1]());
    outBuffers_[h].reset(new (std::nothrow) void*[outputs_ + 1]());
  }
  inChannels_.reset(new (std::nothrow) int32_t[inputs_ + 1]());
  outChannels_.reset(new (std::nothrow) int32_t[outputs_ + 1]());
  if (!flags_[INPUT] || !flags_[OUTPUT] || !bufferInfos_ || !inBuffers_[0] || !inBuffers_[1] || !outBuffers_[0] ||
      !outBuffers_[1] || !inChannels_ || !outChannels_) {
    driverExit();
    initialised_ = false;
    list_->closeCurrent();
    freeArrays();
    return ASIO_ERR_NO_MEMORY;
  }
  for (int c = 0; c < 2 && c < outputs_; ++c) flags_[OUTPUT][c] = ACTIVE;
  for (int c = 0; c < 2 && c < inputs_; ++c) flags_[INPUT][c] = ACTIVE;
  g_currentHost.store(this);
  open_ = true;
  return AB_OK;
}

void AsioHost::freeArrays() {
  flags_[0].reset();
  flags_[1].reset();
  bufferInfos_.reset();
  for (int h = 0; h < 2; ++h) {
    inBuffers_[h].reset();
    outBuffers_[h].reset();
  }
  inChannels_.reset();
  outChannels_.reset();
  inputs_ = outputs_ = 0;
  bufferCount_ = inCount_ = outCount_ = 0;
  inBytes_ = outBytes_ = 0;
}

// ---- start and stop

int AsioHost::hostStart(bool on) {
  if (!on) return running_ ? stop() : AB_OK;
  if (running_) return AB_OK;
  if (!open_) return AB_ERR_NOT_OPEN;
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;

  int n = 0;
  for (int c = 0; c < inputs_; ++c)
    if (flags_[INPUT][c] & ACTIVE) bufferInfos_[n++] = AsioBufferInfo{1, c, {nullptr, nullptr}};
  const int firstOutput = n;
  for (int c = 0; c < outputs_; ++c)
    if (flags_[OUTPUT][c] & ACTIVE) bufferInfos_[n++] = AsioBufferInfo{0, c, {nullptr, nullptr}};
  // Stereo pair: with two outputs and only one of them active, the other gets a buffer too.
  if (outputs_ == 2 && n - firstOutput == 1) {
    const int32_t other = bufferInfos_[n - 1].channel == 0 ? 1 : 0;
    bufferInfos_[n++] = AsioBufferInfo{0, other, {nullptr, nullptr}};
  }

  const int frames = bufferSize();
  if (frames <= 0 || frames > kMaxBufferFrames) return frames < 0 ? frames : AB_ERR_OPEN_FAILED;
  int r = d->createBuffers(bufferInfos_.get(), n, frames, &callbacks_);
  bool filled = true;
  for (int i = 0; i < n && r == ASIO_OK; ++i)
    if (!bufferInfos_[i].buffers[0] || !bufferInfos_[i].buffers[1]) filled = false;
  if (r != ASIO_OK || !filled) {
    d->disposeBuffers();
    return r != ASIO_OK ? r : ASIO_ERR_HARDWARE;
  }
  bufferCount_ = n;
  // An unknown sample type gives no byte size: such buffers are never touched (a silent device).
  const int inSize = bytesPerSample(INPUT), outSize = bytesPerSample(OUTPUT);
  inBytes_ = inSize > 0 ? inSize * frames : 0;
  outBytes_ = outSize > 0 ? outSize * frames : 0;
  for (int i = 0; i < n; ++i) {
    const int bytes = bufferInfos_[i].isInput ? inBytes_ : outBytes_;
    for (int h = 0; h < 2; ++h) std::memset(bufferInfos_[i].buffers[h], 0, static_cast<size_t>(bytes));
  }
  handler_.store(SETUP);
  if (inputMonitor_.load()) {
    AsioInputMonitor monitor = {-1, 0, 0, 0, 0};
    d->future(ASIO_FUTURE_SET_INPUT_MONITOR, &monitor);
  }
  // Pending before the driver runs: its first callback may come before start returns.
  callbackPending_.store(true);
  r = d->start();
  if (r != ASIO_OK) {
    handler_.store(NONE);
    waitForCallbacks(2000);
    callbackPending_.store(false);
    d->disposeBuffers();
    bufferCount_ = 0;
    inBytes_ = outBytes_ = 0;
    return r;
  }
  running_ = true;
  return r;
}

// Waits while FLAG holds, at most MILLISECONDS by the clock: a Sleep(1) can last many milliseconds on a
// loaded machine, so the bound is a deadline, not a count of sleeps.
template <typename Flag>
static void waitWhile(const Flag& flag, DWORD milliseconds) {
  for (int spin = 0; flag() && spin < 200; ++spin) SwitchToThread();
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  while (flag() && GetTickCount64() < deadline) Sleep(1);
}

void AsioHost::waitForCallbacks(int milliseconds) {
  waitWhile([] { return g_inCallback.load() != 0; }, static_cast<DWORD>(milliseconds));
}

int AsioHost::stop() {
  IAsioDriver* d = ownDriver();
  // The silent handler answers the driver until it has stopped; wait (bounded) until it has run once,
  // so the last half handed to the driver is silence.
  handler_.store(SILENT);
  waitWhile([this] { return callbackPending_.load(); }, 500);
  int r = d ? d->stop() : ASIO_ERR_NOT_PRESENT;
  // From here no handler touches a buffer; a callback already inside one is waited for before the
  // buffers go away.
  handler_.store(NONE);
  waitForCallbacks(5000);
  callbackPending_.store(false);
  bufferCount_ = inCount_ = outCount_ = 0;
  inBytes_ = outBytes_ = 0;
  if (d) r = d->disposeBuffers();
  running_ = false;
  return r;
}

// ---- buffer handlers (driver thread)

void AsioHost::serve(int half, const AsioTime* time) {
  half = half ? 1 : 0;
  for (;;) {
    int h = handler_.load();
    switch (h) {
      case SETUP:
        // Claimed before the lists are read, so a reset asked for meanwhile is not lost; a stop
        // asked for meanwhile wins.
        if (!handler_.compare_exchange_strong(h, STEADY)) continue;
        setupHandler(half, time);
        return;
      case STEADY: steadyHandler(half, time); return;
      case SILENT: {
        clearEnabledOutputs(half);
        IAsioDriver* d = AsioDriverList::driver();
        if (d) d->outputReady();
        callbackPending_.store(false);
        return;
      }
      default: return;
    }
  }
}

void AsioHost::setupHandler(int half, const AsioTime* time) {
  int in = 0, out = 0;
  for (int i = 0; i < bufferCount_; ++i) {
    const AsioBufferInfo& b = bufferInfos_[i];
    if (b.isInput) {
      if (b.channel >= 0 && b.channel < inputs_ && (flags_[INPUT][b.channel] & ENABLED) && in < inputs_) {
        inBuffers_[0][in] = b.buffers[0];
        inBuffers_[1][in] = b.buffers[1];
        inChannels_[in++] = b.channel;
      }
    } else if (b.channel >= 0 && b.channel < outputs_ && (flags_[OUTPUT][b.channel] & ENABLED) && out < outputs_) {
      outBuffers_[0][out] = b.buffers[0];
      outBuffers_[1][out] = b.buffers[1];
      outChannels_[out++] = b.channel;
    }
    const int bytes = b.isInput ? inBytes_ : outBytes_;
    std::memset(b.buffers[0], 0, static_cast<size_t>(bytes));
    std::memset(b.buffers[1], 0, static_cast<size_t>(bytes));
  }
  inCount_ = in;
  outCount_ = out;
  process(inBuffers_[half].get(), inCount_, inChannels_.get(), outBuffers_[half].get(), outCount_, outChannels_.get(),
          time && time->flags ? time->systemTime : 0);
  IAsioDriver* d = AsioDriverList::driver();
  if (d) d->outputReady();
}

void AsioHost::clearEnabledOutputs(int half) {
  for (int i = 0; i < outCount_; ++i) std::memset(outBuffers_[half][i], 0, static_cast<size_t>(outBytes_));
}

void AsioHost::steadyHandler(int half, const AsioTime* time) {
  clearEnabledOutputs(half);
  process(inBuffers_[half].get(), inCount_, inChannels_.get(), outBuffers_[half].get(), outCount_, outChannels_.get(),
          time && time->flags ? time->systemTime : 0);
  IAsioDriver* d = AsioDriverList::driver();
  if (d) d->outputReady();
}

void AsioHost::resetHandler() {
  // Only a steady stream is reset; a stop in progress keeps its silent handler.
  int h = STEADY;
  handler_.compare_exchange_strong(h, SETUP);
}

// ---- driver callbacks

void AsioHost::bufferSwitch(int32_t half, int32_t) {
  CallbackScope scope;
  AsioHost* h = g_currentHost.load();
  if (h) h->serve(half, nullptr);
}

AsioTime* AsioHost::bufferSwitchTimeInfo(AsioTime* time, int32_t half, int32_t) {
  CallbackScope scope;
  AsioHost* h = g_currentHost.load();
  if (h) h->serve(half, time);
  return time;
}

void AsioHost::sampleRateChanged(double rate) {
  CallbackScope scope;
  AsioHost* h = g_currentHost.load();
  if (!h || !h->clientListener_) return;
  // A hostile rate is clamped before it becomes an integer.
  rate = gpClamp(rate, 0.0, 1e7);
  h->clientListener_->sampleRateDidChange(static_cast<int>(rate));
}

int32_t AsioHost::message(int32_t selector, int32_t value, void*, double*) {
  CallbackScope scope;
  AsioHost* h = g_currentHost.load();
  switch (selector) {
    case ASIO_MSG_SELECTOR_SUPPORTED:
      switch (value) {
        case ASIO_MSG_ENGINE_VERSION:
        case ASIO_MSG_RESET_REQUEST:
        case ASIO_MSG_RESYNC_REQUEST:
        case ASIO_MSG_LATENCIES_CHANGED:
        case ASIO_MSG_SUPPORTS_TIME_INFO:
        case ASIO_MSG_SUPPORTS_TIME_CODE:
        case ASIO_MSG_SUPPORTS_INPUT_MONITOR: return 1;
        default: return 0;
      }
    case ASIO_MSG_ENGINE_VERSION: return 2;
    case ASIO_MSG_RESET_REQUEST:
      if (h && h->clientListener_) h->clientListener_->requestReset();
      return 1;
    case ASIO_MSG_RESYNC_REQUEST:
    case ASIO_MSG_LATENCIES_CHANGED:
    case ASIO_MSG_SUPPORTS_TIME_INFO:
    case ASIO_MSG_SUPPORTS_TIME_CODE: return 1;
    case ASIO_MSG_SUPPORTS_INPUT_MONITOR:
      if (h) h->inputMonitor_.store(true);
      return 1;
    default: return 0;
  }
}

// ---- channel flags and queries

int AsioHost::checkChannel(Direction d, int channel) const {
  if (!flags_[d]) return AB_ERR_NOT_OPEN;
  const int n = d == INPUT ? inputs_ : outputs_;
  return channel < 0 || channel >= n ? AB_ERR_BAD_VALUE : AB_OK;
}

int AsioHost::channelFlags(Direction d, int channel) const {
  const int r = checkChannel(d, channel);
  return r != AB_OK ? r : flags_[d][channel];
}

int AsioHost::setChannelFlag(Direction d, int channel, uint8_t flag, bool on) {
  const int r = checkChannel(d, channel);
  if (r != AB_OK) return r;
  flags_[d][channel] = static_cast<uint8_t>(on ? (flags_[d][channel] | flag) : (flags_[d][channel] & ~flag));
  return AB_OK;
}

int AsioHost::setChannelActive(Direction d, int channel, bool on) { return setChannelFlag(d, channel, ACTIVE, on); }

int AsioHost::setChannelEnabled(Direction d, int channel, bool on) { return setChannelFlag(d, channel, ENABLED, on); }

bool AsioHost::channelName(Direction d, int channel, char name[32]) {
  std::memset(name, 0, 32);
  IAsioDriver* drv = ownDriver();
  if (!drv) return false;
  AsioChannelInfo info;
  std::memset(&info, 0, sizeof info);
  info.channel = channel;
  info.isInput = d == INPUT ? 1 : 0;
  if (drv->getChannelInfo(&info) != ASIO_OK) return false;
  std::memcpy(name, info.name, 31);
  return true;
}

int AsioHost::sampleRate() {
  IAsioDriver* d = ownDriver();
  double rate = 0.0;
  if (!d || d->getSampleRate(&rate) != ASIO_OK) return 0;
  return static_cast<int>(gpClamp(rate, 0.0, 1e7));  // NaN and rates at or below 0 give 0
}

int AsioHost::supportedRates(int32_t rates[6]) {
  IAsioDriver* d = ownDriver();
  int n = 0;
  if (!d) return 0;
  for (int r : kProbeRates)
    if (d->canSampleRate(r) == ASIO_OK) rates[n++] = r;
  return n;
}

int AsioHost::setSampleRate(int rate) {
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;
  int r = d->canSampleRate(rate);
  if (r != ASIO_OK) return r;
  const bool wasRunning = running_;
  if (wasRunning) hostStart(false);
  r = d->setSampleRate(rate);
  if (wasRunning) {
    const int s = hostStart(true);
    if (r == ASIO_OK) r = s;
  }
  return r;
}

int AsioHost::bufferSize() {
  IAsioDriver* d = ownDriver();
  if (!open_ || !d) return ASIO_ERR_NOT_PRESENT;
  int32_t minimum = 0, maximum = 0, preferred = 0, granularity = 0;
  const int r = d->getBufferSize(&minimum, &maximum, &preferred, &granularity);
  return r != ASIO_OK ? r : preferred;
}

int AsioHost::latencies(int32_t* input, int32_t* output) {
  *input = *output = 0;
  IAsioDriver* d = ownDriver();
  if (!open_ || !d) return ASIO_ERR_NOT_PRESENT;
  return d->getLatencies(input, output);
}

bool AsioHost::sampleType(Direction d, int32_t* type) {
  IAsioDriver* drv = ownDriver();
  if (!drv) return false;
  AsioChannelInfo info;
  std::memset(&info, 0, sizeof info);
  info.channel = 0;
  info.isInput = d == INPUT ? 1 : 0;
  if (drv->getChannelInfo(&info) != ASIO_OK) return false;
  *type = info.type;
  return true;
}

int AsioHost::bytesPerSample(Direction d) {
  int32_t type = -1;
  if (!sampleType(d, &type)) return ASIO_ERR_NOT_PRESENT;
  switch (type) {
    case ASIO_INT16_LE:
    case ASIO_INT16_BE: return 2;
    case ASIO_INT24_LE:
    case ASIO_INT24_BE: return 3;
    case ASIO_INT32_LE:
    case ASIO_INT32_BE:
    case ASIO_FLOAT32_LE:
    case ASIO_FLOAT32_BE:
    case ASIO_INT32_LE16:
    case ASIO_INT32_LE18:
    case ASIO_INT32_LE20:
    case ASIO_INT32_LE24:
    case ASIO_INT32_BE16:
    case ASIO_INT32_BE18:
    case ASIO_INT32_BE20:
    case ASIO_INT32_BE24: return 4;
    case ASIO_FLOAT64_LE:
    case ASIO_FLOAT64_BE: return 8;
    default: return ASIO_ERR_NOT_PRESENT;
  }
}

int AsioHost::clockSources(AsioClockSource* table) {
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;
  int32_t count = kMaxClockSources;
  std::memset(table, 0, sizeof(AsioClockSource) * kMaxClockSources);
  const int r = d->getClockSources(table, &count);
  if (r != ASIO_OK) return r;
  count = gpClamp<int32_t>(count, 0, kMaxClockSources);
  for (int i = 0; i < count; ++i) table[i].name[31] = 0;
  return count;
}

int AsioHost::setClockSource(int index) {
  IAsioDriver* d = ownDriver();
  return d ? d->setClockSource(index) : ASIO_ERR_NOT_PRESENT;
}

int AsioHost::controlPanel() {
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;
  const bool wasRunning = running_;
  if (wasRunning) hostStart(false);
  const int r = d->controlPanel();
  if (wasRunning) hostStart(true);
  return r;
}

int AsioHost::activeEnabledCount() const {
  int n = 0;
  for (int dir = 0; dir < 2; ++dir) {
    const int channels = dir == INPUT ? inputs_ : outputs_;
    for (int c = 0; c < channels && flags_[dir]; ++c)
      if ((flags_[dir][c] & (ACTIVE | ENABLED)) == (ACTIVE | ENABLED)) ++n;
  }
  return n;
}
