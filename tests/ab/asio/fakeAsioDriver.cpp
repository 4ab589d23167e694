// The fake ASIO driver: COM object, buffer creation and disposal with poisoned leftovers, and the thread
// that delivers buffer switches.
#include "fakeAsioDriver.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace {

const uint8_t kPoison = 0x5C;

class FakeAsioDriver : public IAsioDriver {
 public:
  FakeAsioDriver(FakeAsioState* state, const CLSID& clsid) : m_state(state), m_clsid(clsid) {
    InitializeCriticalSection(&m_lock);
    m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_state->record.liveObjects.fetch_add(1);
  }

  virtual ~FakeAsioDriver() {
    m_quit.store(true);
    SetEvent(m_wake);
    if (m_thread) {
      WaitForSingleObject(m_thread, INFINITE);
      CloseHandle(m_thread);
    }
    CloseHandle(m_wake);
    checkPoison();
    freeBuffers();
    DeleteCriticalSection(&m_lock);
    m_state->record.liveObjects.fetch_sub(1);
  }

  // IUnknown
  HRESULT __stdcall QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, m_clsid)) {
      *out = static_cast<IAsioDriver*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG __stdcall AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
  ULONG __stdcall Release() override {
    const LONG r = InterlockedDecrement(&m_refs);
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }

  // IAsioDriver
  int32_t __stdcall init(void*) override {
    m_state->record.inits.fetch_add(1);
    if (m_state->config.failInit) return ASIO_ERR_HARDWARE;
    if (!m_thread) m_thread = CreateThread(nullptr, 0, &FakeAsioDriver::threadMain, this, 0, nullptr);
    return ASIO_OK;
  }
  void __stdcall getDriverName(char* name) override { std::snprintf(name, 32, "Fake ASIO"); }
  int32_t __stdcall getDriverVersion() override { return 7; }
  void __stdcall getErrorMessage(char* text) override {
    std::memcpy(text, m_state->config.errorText, 124);
    text[123] = 0;
  }
  int32_t __stdcall start() override {
    m_state->record.starts.fetch_add(1);
    EnterCriticalSection(&m_lock);
    const bool ok = m_buffersLive;
    if (ok) {
      m_half = 0;
      m_runSwitches = 0;
      m_state->record.capturedFrames.store(0);
      m_running.store(true);
    }
    LeaveCriticalSection(&m_lock);
    if (!ok) return ASIO_ERR_INVALID_MODE;
    SetEvent(m_wake);
    return ASIO_OK;
  }
  // Does not wait for the thread: a delivery already under way still calls the host.
  int32_t __stdcall stop() override {
    m_state->record.stops.fetch_add(1);
    m_lateLeft.store(m_running.load() ? m_state->config.lateSwitches : 0);
    m_running.store(false);
    return ASIO_OK;
  }
  int32_t __stdcall getChannels(int32_t* inputs, int32_t* outputs) override {
    if (m_state->config.failGetChannels) return ASIO_ERR_HARDWARE;
    *inputs = m_state->config.inputs;
    *outputs = m_state->config.outputs;
    return ASIO_OK;
  }
  int32_t __stdcall getLatencies(int32_t* input, int32_t* output) override {
    *input = m_state->config.inputLatency;
    *output = m_state->config.outputLatency;
    return ASIO_OK;
  }
  int32_t __stdcall getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                                  int32_t* granularity) override {
    *minimum = *maximum = *preferred = m_state->config.bufferSize;
    *granularity = 0;
    return ASIO_OK;
  }
  int32_t __stdcall canSampleRate(double rate) override {
    for (int i = 0; i < m_state->config.rateCount && i < 8; ++i)
      if (m_state->config.rates[i] == rate) return ASIO_OK;
    return ASIO_ERR_NO_CLOCK;
  }
  int32_t __stdcall getSampleRate(double* rate) override {
    *rate = m_state->config.currentRate;
    return ASIO_OK;
  }
  int32_t __stdcall setSampleRate(double rate) override {
    if (canSampleRate(rate) != ASIO_OK) return ASIO_ERR_NO_CLOCK;
    m_state->record.rateSet = rate;
    m_state->config.currentRate = rate;
    return ASIO_OK;
  }
  int32_t __stdcall getClockSources(AsioClockSource* sources, int32_t* count) override {
    if (m_state->config.failClockSources) return ASIO_ERR_NOT_PRESENT;
    int n = m_state->config.clockCount;
    if (n > *count) n = *count;
    for (int i = 0; i < n; ++i) {
      std::memset(&sources[i], 0, sizeof sources[i]);
      sources[i].index = i;
      sources[i].isCurrent = i == m_state->config.currentClock;
      std::snprintf(sources[i].name, 32, "Clock %d", i);
    }
    *count = m_state->config.clockCount;  // what the driver has, which may exceed the room
    return ASIO_OK;
  }
  int32_t __stdcall setClockSource(int32_t index) override {
    m_state->record.clockSet = index;
    if (index < 0 || index >= m_state->config.clockCount) return ASIO_ERR_INVALID_PARAMETER;
    m_state->config.currentClock = index;
    return ASIO_OK;
  }
  int32_t __stdcall getChannelInfo(AsioChannelInfo* info) override {
    const int n = info->isInput ? m_state->config.inputs : m_state->config.outputs;
    if (info->channel < 0 || info->channel >= n) return ASIO_ERR_INVALID_PARAMETER;
    info->isActive = 0;
    info->group = 0;
    info->type = info->isInput ? m_state->config.inputType : m_state->config.outputType;
    std::snprintf(info->name, 32, "%s %d", info->isInput ? "Fake In" : "Fake Out", static_cast<int>(info->channel) + 1);
    return ASIO_OK;
  }
  int32_t __stdcall createBuffers(AsioBufferInfo* infos, int32_t count, int32_t frames,
                                  const AsioCallbacks* callbacks) override {
    FakeAsioRecord& rec = m_state->record;
    rec.creates.fetch_add(1);
    if (m_state->config.failCreateBuffers) return ASIO_ERR_NO_MEMORY;
    if (count < 0 || count > FakeAsioRecord::kMaxCreated || frames <= 0 || !callbacks)
      return ASIO_ERR_INVALID_PARAMETER;
    EnterCriticalSection(&m_lock);
    checkPoison();
    freeBuffers();
    rec.createdCount = count;
    rec.createdSize = frames;
    int captured = 0;
    for (int i = 0; i < count; ++i) {
      rec.createdIsInput[i] = infos[i].isInput;
      rec.createdChannel[i] = infos[i].channel;
      const int bytes = fakeAsioBytes(infos[i].isInput ? m_state->config.inputType : m_state->config.outputType);
      const size_t half = static_cast<size_t>(bytes) * frames;
      m_memory[i] = new (std::nothrow) uint8_t[2 * half]();
      m_halfBytes[i] = half;
      m_isInput[i] = infos[i].isInput;
      infos[i].buffers[0] = m_memory[i];
      infos[i].buffers[1] = m_memory[i] + half;
      if (!infos[i].isInput && captured < FakeAsioRecord::kCaptureChannels) {
        m_captureIndex[captured] = i;
        rec.captureChannel[captured++] = infos[i].channel;
      }
    }
    m_captureCount = captured;
    m_count = count;
    m_frames = frames;
    m_callbacks = *callbacks;
    m_buffersLive = true;
    m_disposed = false;
    LeaveCriticalSection(&m_lock);
    if (m_state->config.askInputMonitor && callbacks->message)
      callbacks->message(ASIO_MSG_SUPPORTS_INPUT_MONITOR, 0, nullptr, nullptr);
    return ASIO_OK;
  }
  int32_t __stdcall disposeBuffers() override {
    m_state->record.disposes.fetch_add(1);
    m_running.store(false);
    EnterCriticalSection(&m_lock);
    if (m_buffersLive) {
      // Poisoned, not freed: whatever writes into them afterwards shows at the next check.
      for (int i = 0; i < m_count; ++i)
        if (m_memory[i]) std::memset(m_memory[i], kPoison, 2 * m_halfBytes[i]);
      m_buffersLive = false;
      m_disposed = true;
    }
    LeaveCriticalSection(&m_lock);
    return ASIO_OK;
  }
  int32_t __stdcall controlPanel() override {
    m_state->record.controlPanels.fetch_add(1);
    if (m_state->config.panelBufferSize) m_state->config.bufferSize = m_state->config.panelBufferSize;
    if (m_state->config.panelRate) m_state->config.currentRate = m_state->config.panelRate;
    return m_state->config.controlPanelResult;
  }
  int32_t __stdcall future(int32_t selector, void* argument) override {
    m_state->record.futures.fetch_add(1);
    m_state->record.lastFutureSelector = selector;
    if (selector == ASIO_FUTURE_SET_INPUT_MONITOR && argument)
      std::memcpy(&m_state->record.monitor, argument, sizeof(AsioInputMonitor));
    return ASIO_OK;
  }
  int32_t __stdcall outputReady() override {
    m_state->record.outputReadys.fetch_add(1);
    if (m_disposed.load()) m_state->record.violations.fetch_add(1);
    return ASIO_OK;
  }

 private:
  static DWORD WINAPI threadMain(void* self) {
    static_cast<FakeAsioDriver*>(self)->run();
    return 0;
  }

  void run() {
    while (!m_quit.load()) {
      if ((!m_running.load() && m_lateLeft.load() <= 0) || m_state->config.neverCallBack) {
        WaitForSingleObject(m_wake, 20);
        continue;
      }
      deliver();
    }
  }

  void deliver() {
    EnterCriticalSection(&m_lock);
    bool late = false;
    if (!m_running.load()) {
      // A lagging stop: one more call into the host, with whatever buffers it still has.
      if (m_lateLeft.fetch_sub(1) <= 0) {
        m_lateLeft.store(0);
        LeaveCriticalSection(&m_lock);
        return;
      }
      late = true;
    } else if (!m_buffersLive) {
      LeaveCriticalSection(&m_lock);
      return;
    }
    const int half = m_half;
    for (int i = 0; i < m_count && !late; ++i) {
      if (!m_isInput[i]) continue;
      const int bytes = fakeAsioBytes(m_state->config.inputType);
      uint8_t sample[8];
      fakeAsioHalfScale(m_state->config.inputType, sample);
      uint8_t* p = m_memory[i] + half * m_halfBytes[i];
      for (int f = 0; f < m_frames; ++f) std::memcpy(p + f * bytes, sample, static_cast<size_t>(bytes));
      if (m_state->config.hostileInput && m_state->config.inputType == ASIO_FLOAT32_LE) {
        const float bad[5] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 1e-40f, -7.0f};
        for (int f = 0; f < m_frames; ++f) std::memcpy(p + f * 4, &bad[f % 5], 4);
      }
    }
    const AsioCallbacks callbacks = m_callbacks;
    LeaveCriticalSection(&m_lock);

    // The driver decides on the next buffer switch as soon as the last one is done, then waits for
    // its period; a slow one takes longer still before it calls.
    if (m_state->config.periodMs > 0)
      Sleep(static_cast<DWORD>(m_state->config.periodMs));
    else
      SwitchToThread();
    if (m_state->config.slowCallbackUs > 0) busyWait(m_state->config.slowCallbackUs);
    if (!m_running.load()) m_state->record.lateCallbacks.fetch_add(1);
    if (m_state->config.useTimeInfo && callbacks.bufferSwitchTimeInfo) {
      AsioTime t;
      std::memset(&t, 0, sizeof t);
      t.flags = 1;
      t.systemTime = static_cast<uint64_t>(GetTickCount()) * 1000000u;
      t.sampleRate = m_state->config.currentRate;
      callbacks.bufferSwitchTimeInfo(&t, half, 0);
    } else if (callbacks.bufferSwitch) {
      callbacks.bufferSwitch(half, 0);
    }
    m_state->record.switches.fetch_add(1);

    EnterCriticalSection(&m_lock);
    if (m_buffersLive && !late) {
      FakeAsioRecord& rec = m_state->record;
      const int bytes = fakeAsioBytes(m_state->config.outputType);
      const int at = rec.capturedFrames.load();
      const int n = at + m_frames <= FakeAsioRecord::kCaptureFrames ? m_frames : FakeAsioRecord::kCaptureFrames - at;
      for (int c = 0; c < m_captureCount && n > 0; ++c) {
        const int i = m_captureIndex[c];
        std::memcpy(rec.capture[c] + static_cast<size_t>(at) * bytes, m_memory[i] + half * m_halfBytes[i],
                    static_cast<size_t>(n) * bytes);
      }
      if (n > 0) rec.capturedFrames.store(at + n);
      m_half ^= 1;
    }
    ++m_runSwitches;
    const bool reset = m_state->config.resetAfterBuffers > 0 && m_runSwitches == m_state->config.resetAfterBuffers;
    LeaveCriticalSection(&m_lock);
    if (reset && callbacks.message) {
      m_state->record.resetRequests.fetch_add(1);
      callbacks.message(ASIO_MSG_RESET_REQUEST, 0, nullptr, nullptr);
    }
  }

  static void busyWait(int microseconds) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    do {
      QueryPerformanceCounter(&b);
    } while ((b.QuadPart - a.QuadPart) * 1000000 / f.QuadPart < microseconds);
  }

  // Buffers disposed earlier must still hold the poison: anything else was written after disposal.
  void checkPoison() {
    if (!m_disposed) return;
    for (int i = 0; i < m_count; ++i) {
      if (!m_memory[i]) continue;
      for (size_t k = 0; k < 2 * m_halfBytes[i]; ++k)
        if (m_memory[i][k] != kPoison) {
          m_state->record.violations.fetch_add(1);
          break;
        }
    }
  }

  void freeBuffers() {
    for (int i = 0; i < FakeAsioRecord::kMaxCreated; ++i) {
      delete[] m_memory[i];
      m_memory[i] = nullptr;
    }
    m_count = 0;
  }

  FakeAsioState* m_state;
  CLSID m_clsid;
  LONG m_refs = 1;
  CRITICAL_SECTION m_lock;
  HANDLE m_wake = nullptr;
  HANDLE m_thread = nullptr;
  std::atomic<bool> m_quit{false};
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_disposed{false};
  std::atomic<int> m_lateLeft{0};
  bool m_buffersLive = false;
  AsioCallbacks m_callbacks{};
  uint8_t* m_memory[FakeAsioRecord::kMaxCreated] = {};
  size_t m_halfBytes[FakeAsioRecord::kMaxCreated] = {};
  int32_t m_isInput[FakeAsioRecord::kMaxCreated] = {};
  int m_captureIndex[FakeAsioRecord::kCaptureChannels] = {};
  int m_captureCount = 0;
  int m_count = 0;
  int m_frames = 0;
  int m_half = 0;
  int m_runSwitches = 0;
};

}  // namespace

int fakeAsioBytes(int32_t type) {
  switch (type) {
    case ASIO_INT16_LE:
    case ASIO_INT16_BE: return 2;
    case ASIO_INT24_LE:
    case ASIO_INT24_BE: return 3;
    case ASIO_FLOAT64_LE:
    case ASIO_FLOAT64_BE: return 8;
    default: return 4;
  }
}

void fakeAsioHalfScale(int32_t type, uint8_t* s) {
  std::memset(s, 0, 8);
  const bool be = type >= ASIO_INT16_BE;
  uint8_t le[8] = {0};
  int n = fakeAsioBytes(type);
  switch (type) {
    case ASIO_INT16_LE:
    case ASIO_INT16_BE: le[1] = 0x40; break;
    case ASIO_INT24_LE:
    case ASIO_INT24_BE: le[2] = 0x40; break;
    case ASIO_FLOAT32_LE:
    case ASIO_FLOAT32_BE: {
      float f = 0.5f;
      std::memcpy(le, &f, 4);
      break;
    }
    case ASIO_FLOAT64_LE:
    case ASIO_FLOAT64_BE: {
      double d = 0.5;
      std::memcpy(le, &d, 8);
      break;
    }
    default: le[3] = 0x40; break;  // 32-bit integers
  }
  for (int k = 0; k < n; ++k) s[k] = be ? le[n - 1 - k] : le[k];
}

void fakeAsioReset(FakeAsioState* state) {
  const int32_t live = state->record.liveObjects.load();
  std::memset(static_cast<void*>(state), 0, sizeof *state);
  state->record.liveObjects.store(live);
  FakeAsioConfig& c = state->config;
  c.inputs = 2;
  c.outputs = 2;
  c.inputType = ASIO_INT16_LE;
  c.outputType = ASIO_INT16_LE;
  c.bufferSize = 64;
  c.rateCount = 2;
  c.rates[0] = 44100;
  c.rates[1] = 48000;
  c.currentRate = 44100;
  c.clockCount = 1;
  c.periodMs = 1;
  c.inputLatency = 64;
  c.outputLatency = 64;
  std::snprintf(c.errorText, sizeof c.errorText, "Fake ASIO: no hardware");
}

IAsioDriver* fakeAsioCreate(FakeAsioState* state, const CLSID& clsid) {
  return new (std::nothrow) FakeAsioDriver(state, clsid);
}
