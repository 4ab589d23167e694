// The ASIO host: driver life cycle, buffer creation, the three buffer handlers and the driver
// callbacks. Buffer switches arrive on the driver's thread; everything else runs on the user-interface
// thread. The two meet through the handler word, swapped whole, the callback-pending flag that a stop
// waits on, and a count of callbacks in progress that must reach 0 before buffers are disposed.
#include "ABAsioHost.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "ABAudioMidiDevice.h"
#include "ABClamp.h"
#include "ABDeviceErrors.h"

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
    : m_list(list), m_driverName(driverName ? driverName : "") {
  std::memset(&m_info, 0, sizeof m_info);
  m_info.systemReference = systemReference;
  m_callbacks.bufferSwitch = &AsioHost::bufferSwitch;
  m_callbacks.sampleRateDidChange = &AsioHost::sampleRateChanged;
  m_callbacks.message = &AsioHost::message;
  m_callbacks.bufferSwitchTimeInfo = &AsioHost::bufferSwitchTimeInfo;
}

AsioHost::~AsioHost() {
  if (m_open) hostOpen(false);
  freeArrays();
}

void AsioHost::process(void* const*, int, const int32_t*, void* const*, int, const int32_t*, uint64_t) {}

// ---- host calls

IAsioDriver* AsioHost::ownDriver() const {
  if (!m_list || m_list->currentIndex() < 0 || m_list->loadCount() != m_load) return nullptr;
  return AsioDriverList::driver();
}

int AsioHost::driverInit() {
  copyText(m_info.name, sizeof m_info.name, "No ASIO Driver");
  m_info.version = 0;
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;
  if (d->init(m_info.systemReference) != ASIO_OK) {
    char text[124] = {0};
    d->getErrorMessage(text);
    text[123] = 0;
    copyText(m_info.errorMessage, sizeof m_info.errorMessage, text);
    m_list->closeCurrent();
    return ASIO_ERR_NOT_PRESENT;
  }
  copyText(m_info.errorMessage, sizeof m_info.errorMessage, "No ASIO Driver Error");
  char name[32] = {0};
  d->getDriverName(name);
  name[31] = 0;
  copyText(m_info.name, sizeof m_info.name, name);
  m_info.version = d->getDriverVersion();
  return ASIO_OK;
}

void AsioHost::driverExit() { AsioDriverList::forgetDriver(); }

// ---- open and close

int AsioHost::hostOpen(bool on) {
  if (on == m_open) return AB_OK;
  if (!on) {
    if (m_running) stop();
    // A driver that another host has loaded since is left alone.
    const bool owned = ownDriver() != nullptr;
    if (m_initialised && owned) driverExit();
    m_initialised = false;
    AsioHost* self = this;
    g_currentHost.compare_exchange_strong(self, nullptr);
    waitForCallbacks(2000);  // a late callback may still hold the old current host
    if (owned) m_list->closeCurrent();
    freeArrays();
    m_open = false;
    return AB_OK;
  }
  if (!m_list || !m_list->loadDriver(m_driverName.c_str())) return ASIO_ERR_NOT_PRESENT;
  m_load = m_list->loadCount();
  int r = driverInit();
  if (r != ASIO_OK) {
    m_list->closeCurrent();
    return r;
  }
  m_initialised = true;
  int32_t inputs = 0, outputs = 0;
  IAsioDriver* d = ownDriver();
  r = d ? d->getChannels(&inputs, &outputs) : ASIO_ERR_NOT_PRESENT;
  if (r != ASIO_OK) {
    driverExit();
    m_initialised = false;
    m_list->closeCurrent();
    return r;
  }
  // Counts from the driver are bounded before they size anything.
  m_inputs = abClamp<int>(inputs, 0, kMaxChannels);
  m_outputs = abClamp<int>(outputs, 0, kMaxChannels);
  const size_t total = static_cast<size_t>(m_inputs + m_outputs);
  m_flags[INPUT] = new (std::nothrow) uint8_t[m_inputs + 1]();
  m_flags[OUTPUT] = new (std::nothrow) uint8_t[m_outputs + 1]();
  m_bufferInfos = new (std::nothrow) AsioBufferInfo[total + 1]();
  for (int h = 0; h < 2; ++h) {
    m_inBuffers[h] = new (std::nothrow) void*[m_inputs + 1]();
    m_outBuffers[h] = new (std::nothrow) void*[m_outputs + 1]();
  }
  m_inChannels = new (std::nothrow) int32_t[m_inputs + 1]();
  m_outChannels = new (std::nothrow) int32_t[m_outputs + 1]();
  if (!m_flags[INPUT] || !m_flags[OUTPUT] || !m_bufferInfos || !m_inBuffers[0] || !m_inBuffers[1] || !m_outBuffers[0] ||
      !m_outBuffers[1] || !m_inChannels || !m_outChannels) {
    driverExit();
    m_initialised = false;
    m_list->closeCurrent();
    freeArrays();
    return ASIO_ERR_NO_MEMORY;
  }
  for (int c = 0; c < 2 && c < m_outputs; ++c) m_flags[OUTPUT][c] = ACTIVE;
  for (int c = 0; c < 2 && c < m_inputs; ++c) m_flags[INPUT][c] = ACTIVE;
  g_currentHost.store(this);
  m_open = true;
  return AB_OK;
}

void AsioHost::freeArrays() {
  delete[] m_flags[0];
  delete[] m_flags[1];
  m_flags[0] = m_flags[1] = nullptr;
  delete[] m_bufferInfos;
  m_bufferInfos = nullptr;
  for (int h = 0; h < 2; ++h) {
    delete[] m_inBuffers[h];
    delete[] m_outBuffers[h];
    m_inBuffers[h] = m_outBuffers[h] = nullptr;
  }
  delete[] m_inChannels;
  delete[] m_outChannels;
  m_inChannels = m_outChannels = nullptr;
  m_inputs = m_outputs = 0;
  m_bufferCount = m_inCount = m_outCount = 0;
  m_inBytes = m_outBytes = 0;
}

// ---- start and stop

int AsioHost::hostStart(bool on) {
  if (!on) return m_running ? stop() : AB_OK;
  if (m_running) return AB_OK;
  if (!m_open) return AB_ERR_NOT_OPEN;
  IAsioDriver* d = ownDriver();
  if (!d) return ASIO_ERR_NOT_PRESENT;

  int n = 0;
  for (int c = 0; c < m_inputs; ++c)
    if (m_flags[INPUT][c] & ACTIVE) m_bufferInfos[n++] = AsioBufferInfo{1, c, {nullptr, nullptr}};
  const int firstOutput = n;
  for (int c = 0; c < m_outputs; ++c)
    if (m_flags[OUTPUT][c] & ACTIVE) m_bufferInfos[n++] = AsioBufferInfo{0, c, {nullptr, nullptr}};
  // Stereo pair: with two outputs and only one of them active, the other gets a buffer too.
  if (m_outputs == 2 && n - firstOutput == 1) {
    const int32_t other = m_bufferInfos[n - 1].channel == 0 ? 1 : 0;
    m_bufferInfos[n++] = AsioBufferInfo{0, other, {nullptr, nullptr}};
  }

  const int frames = bufferSize();
  if (frames <= 0 || frames > kMaxBufferFrames) return frames < 0 ? frames : AB_ERR_NOT_OPEN;
  int r = d->createBuffers(m_bufferInfos, n, frames, &m_callbacks);
  bool filled = true;
  for (int i = 0; i < n && r == ASIO_OK; ++i)
    if (!m_bufferInfos[i].buffers[0] || !m_bufferInfos[i].buffers[1]) filled = false;
  if (r != ASIO_OK || !filled) {
    d->disposeBuffers();
    return r != ASIO_OK ? r : ASIO_ERR_HARDWARE;
  }
  m_bufferCount = n;
  // An unknown sample type gives no byte size: such buffers are never touched (a silent device).
  const int inSize = bytesPerSample(INPUT), outSize = bytesPerSample(OUTPUT);
  m_inBytes = inSize > 0 ? inSize * frames : 0;
  m_outBytes = outSize > 0 ? outSize * frames : 0;
  for (int i = 0; i < n; ++i) {
    const int bytes = m_bufferInfos[i].isInput ? m_inBytes : m_outBytes;
    for (int h = 0; h < 2; ++h) std::memset(m_bufferInfos[i].buffers[h], 0, static_cast<size_t>(bytes));
  }
  m_handler.store(SETUP);
  if (m_inputMonitor.load()) {
    AsioInputMonitor monitor = {-1, 0, 0, 0, 0};
    d->future(ASIO_FUTURE_SET_INPUT_MONITOR, &monitor);
  }
  // Pending before the driver runs: its first callback may come before start returns.
  m_callbackPending.store(true);
  r = d->start();
  if (r != ASIO_OK) {
    m_handler.store(NONE);
    waitForCallbacks(2000);
    m_callbackPending.store(false);
    d->disposeBuffers();
    m_bufferCount = 0;
    m_inBytes = m_outBytes = 0;
    return r;
  }
  m_running = true;
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
  m_handler.store(SILENT);
  waitWhile([this] { return m_callbackPending.load(); }, 500);
  int r = d ? d->stop() : ASIO_ERR_NOT_PRESENT;
  // From here no handler touches a buffer; a callback already inside one is waited for before the
  // buffers go away.
  m_handler.store(NONE);
  waitForCallbacks(5000);
  m_callbackPending.store(false);
  m_bufferCount = m_inCount = m_outCount = 0;
  m_inBytes = m_outBytes = 0;
  if (d) r = d->disposeBuffers();
  m_running = false;
  return r;
}

// ---- buffer handlers (driver thread)

void AsioHost::serve(int half, const AsioTime* time) {
  half = half ? 1 : 0;
  for (;;) {
    int h = m_handler.load();
    switch (h) {
      case SETUP:
        // Claimed before the lists are read, so a reset asked for meanwhile is not lost; a stop
        // asked for meanwhile wins.
        if (!m_handler.compare_exchange_strong(h, STEADY)) continue;
        setupHandler(half, time);
        return;
      case STEADY: steadyHandler(half, time); return;
      case SILENT: {
        clearEnabledOutputs(half);
        IAsioDriver* d = AsioDriverList::driver();
        if (d) d->outputReady();
        m_callbackPending.store(false);
        return;
      }
      default: return;
    }
  }
}

void AsioHost::setupHandler(int half, const AsioTime* time) {
  int in = 0, out = 0;
  for (int i = 0; i < m_bufferCount; ++i) {
    const AsioBufferInfo& b = m_bufferInfos[i];
    if (b.isInput) {
      if (b.channel >= 0 && b.channel < m_inputs && (m_flags[INPUT][b.channel] & ENABLED) && in < m_inputs) {
        m_inBuffers[0][in] = b.buffers[0];
        m_inBuffers[1][in] = b.buffers[1];
        m_inChannels[in++] = b.channel;
      }
    } else if (b.channel >= 0 && b.channel < m_outputs && (m_flags[OUTPUT][b.channel] & ENABLED) && out < m_outputs) {
      m_outBuffers[0][out] = b.buffers[0];
      m_outBuffers[1][out] = b.buffers[1];
      m_outChannels[out++] = b.channel;
    }
    const int bytes = b.isInput ? m_inBytes : m_outBytes;
    std::memset(b.buffers[0], 0, static_cast<size_t>(bytes));
    std::memset(b.buffers[1], 0, static_cast<size_t>(bytes));
  }
  m_inCount = in;
  m_outCount = out;
  process(m_inBuffers[half], m_inCount, m_inChannels, m_outBuffers[half], m_outCount, m_outChannels,
          time && time->flags ? time->systemTime : 0);
  IAsioDriver* d = AsioDriverList::driver();
  if (d) d->outputReady();
}

void AsioHost::clearEnabledOutputs(int half) {
  for (int i = 0; i < m_outCount; ++i) std::memset(m_outBuffers[half][i], 0, static_cast<size_t>(m_outBytes));
}

void AsioHost::steadyHandler(int half, const AsioTime* time) {
  clearEnabledOutputs(half);
  process(m_inBuffers[half], m_inCount, m_inChannels, m_outBuffers[half], m_outCount, m_outChannels,
          time && time->flags ? time->systemTime : 0);
  IAsioDriver* d = AsioDriverList::driver();
  if (d) d->outputReady();
}

void AsioHost::resetHandler() {
  // Only a steady stream is reset; a stop in progress keeps its silent handler.
  int h = STEADY;
  m_handler.compare_exchange_strong(h, SETUP);
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
  if (!h || !h->m_clientListener) return;
  // A hostile rate is clamped before it becomes an integer.
  rate = abClamp(rate, 0.0, 1e7);
  h->m_clientListener->sampleRateDidChange(static_cast<int>(rate));
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
      if (h && h->m_clientListener) h->m_clientListener->requestReset();
      return 1;
    case ASIO_MSG_RESYNC_REQUEST:
    case ASIO_MSG_LATENCIES_CHANGED:
    case ASIO_MSG_SUPPORTS_TIME_INFO:
    case ASIO_MSG_SUPPORTS_TIME_CODE: return 1;
    case ASIO_MSG_SUPPORTS_INPUT_MONITOR:
      if (h) h->m_inputMonitor.store(true);
      return 1;
    default: return 0;
  }
}

// ---- channel flags and queries

int AsioHost::channelFlags(Direction d, int channel) const {
  const int n = d == INPUT ? m_inputs : m_outputs;
  if (!m_flags[d] || channel < 0 || channel >= n) return AB_ERR_NOT_OPEN;
  return m_flags[d][channel];
}

int AsioHost::setChannelActive(Direction d, int channel, bool on) {
  const int n = d == INPUT ? m_inputs : m_outputs;
  if (!m_flags[d] || channel < 0 || channel >= n) return AB_ERR_NOT_OPEN;
  m_flags[d][channel] = static_cast<uint8_t>(on ? (m_flags[d][channel] | ACTIVE) : (m_flags[d][channel] & ~ACTIVE));
  return AB_OK;
}

int AsioHost::setChannelEnabled(Direction d, int channel, bool on) {
  const int n = d == INPUT ? m_inputs : m_outputs;
  if (!m_flags[d] || channel < 0 || channel >= n) return AB_ERR_NOT_OPEN;
  m_flags[d][channel] = static_cast<uint8_t>(on ? (m_flags[d][channel] | ENABLED) : (m_flags[d][channel] & ~ENABLED));
  return AB_OK;
}

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
  return static_cast<int>(abClamp(rate, 0.0, 1e7));  // NaN and rates at or below 0 give 0
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
  const bool wasRunning = m_running;
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
  if (!m_open || !d) return ASIO_ERR_NOT_PRESENT;
  int32_t minimum = 0, maximum = 0, preferred = 0, granularity = 0;
  const int r = d->getBufferSize(&minimum, &maximum, &preferred, &granularity);
  return r != ASIO_OK ? r : preferred;
}

int AsioHost::latencies(int32_t* input, int32_t* output) {
  *input = *output = 0;
  IAsioDriver* d = ownDriver();
  if (!m_open || !d) return ASIO_ERR_NOT_PRESENT;
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
  count = abClamp<int32_t>(count, 0, kMaxClockSources);
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
  const bool wasRunning = m_running;
  if (wasRunning) hostStart(false);
  const int r = d->controlPanel();
  if (wasRunning) hostStart(true);
  return r;
}

int AsioHost::activeEnabledCount() const {
  int n = 0;
  for (int dir = 0; dir < 2; ++dir) {
    const int channels = dir == INPUT ? m_inputs : m_outputs;
    for (int c = 0; c < channels && m_flags[dir]; ++c)
      if ((m_flags[dir][c] & (ACTIVE | ENABLED)) == (ACTIVE | ENABLED)) ++n;
  }
  return n;
}
