// The MME driver: device life cycle, the worker thread that serves the wave headers, and the properties.
#include "ABMmeDevice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ABClamp.h"
#include "ABDeviceErrors.h"
#include "ABMmeConvert.h"
#include "ABPropertyValues.h"
#include "GPError.h"

namespace {

const uint32_t kProbeRates[MmeDevice::kMaxRates] = {8000,  11025, 22050, 32000, 44100,
                                                    48000, 64000, 88200, 96000, 192000};

WAVEFORMATEX pcmFormat(int channels, uint32_t rate) {
  WAVEFORMATEX f;
  std::memset(&f, 0, sizeof f);
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = static_cast<WORD>(channels);
  f.nSamplesPerSec = rate;
  f.nAvgBytesPerSec = rate * 2 * static_cast<uint32_t>(channels);
  f.nBlockAlign = static_cast<WORD>(2 * channels);
  f.wBitsPerSample = 16;
  f.cbSize = 18;
  return f;
}

// One zero-filled block: the header, then its sample data.
WAVEHDR* newHeader(uint32_t bytes) {
  WAVEHDR* h = static_cast<WAVEHDR*>(std::calloc(1, sizeof(WAVEHDR) + bytes));
  if (!h) return nullptr;
  h->lpData = reinterpret_cast<LPSTR>(h + 1);
  h->dwBufferLength = bytes;
  return h;
}

bool headerDone(const WAVEHDR* h) { return (*static_cast<const volatile DWORD*>(&h->dwFlags) & WHDR_DONE) != 0; }

// Waits (10 ms polls, at most 5 s) until the system has given the header back.
void waitDone(const WAVEHDR* h) {
  for (int i = 0; i < 500 && !headerDone(h); ++i) Sleep(10);
}

void showError(const char* what, const char* systemText) {
  char text[320];
  std::snprintf(text, sizeof text, "%s%s", what, systemText);
  gpMessageBox(text, GP_BUTTONS_OK, GP_NO_DEFAULT);
}

}  // namespace

namespace {
// "MME " and the system's name of the output device.
std::string outputName(uint32_t index) {
  WAVEOUTCAPSA caps;
  std::memset(&caps, 0, sizeof caps);
  std::string name = "MME ";
  if (waveOutGetDevCapsA(index, &caps, sizeof caps) == MMSYSERR_NOERROR) name += caps.szPname;
  return name;
}
}  // namespace

MmeDevice::MmeDevice(uint32_t outputIndex)
    : AudioDriverDevice(outputName(outputIndex)), m_worker(this), m_outIndex(outputIndex) {
  std::memset(&m_format, 0, sizeof m_format);
  std::memset(m_rates, 0, sizeof m_rates);
  m_inName = kNoInputDeviceName;

  typedef MmeDevice M;
  DevicePropertyMaps<MmeDevice>& p = properties;
  p.add("DeviceName", this, &M::nameInfo, &M::nameGet);
  p.add("PortDescription", this, &M::portInfo, &M::portGet, &M::portSet);
  p.add("StreamDescription", this, &M::streamInfo, &M::streamGet);
  p.add("EnableAudioPort", this, &M::openStateInfo, &M::openStateGet, &M::enableSet);
  p.add("ActiveAudioPort", this, &M::openStateInfo, &M::openStateGet, &M::openStateSet);
  p.add("SampleRateList", this, &M::rateListInfo, &M::rateListGet);
  p.add("SampleRate", this, nullptr, &M::rateGet, &M::rateSet);
  p.add("BufferSize", this, &M::bufferSizeInfo, &M::bufferSizeGet, &M::bufferSizeSet);
  p.add("InBufferSize", this, nullptr, &M::inBufferSizeGet, &M::inBufferSizeSet);
  p.add("AudioInDeviceList", this, &M::inListInfo, &M::inListGet);
  p.add("AudioInDevice", this, nullptr, nullptr, &M::inDeviceSet);
  p.add("ActiveAudioInDevice", this, nullptr, &M::activeInDeviceGet);
  p.add("Latency", this, &M::latencyInfo, &M::latencyGet, &M::latencySet);
  p.add("SetInLatency", this, &M::latencyInfo, &M::inLatencyGet, &M::inLatencySet);
  p.add("PlayPosition", this, nullptr, &M::playPositionGet);
  p.add("DeviceDescription", this, nullptr, &M::descriptionGet);
}

MmeDevice::~MmeDevice() {
  start(false);
  if (m_open) open(false);
}

// ---- life cycle

namespace {
// One direction of the block and its port records: channel c has the id c and is the port c, named
// after the device with its number.
void setUpSide(AudioBlockPart* side, uint32_t frames, int channels, float** buffers, int32_t* ids,
               AudioPortEntry* ports, bool isOutput, const std::string& name) {
  side->frames = static_cast<int32_t>(frames);
  side->channelCount = channels;
  side->buffers = buffers;
  side->channelIds = ids;
  for (int c = 0; c < channels; ++c) {
    ids[c] = c;
    ports[c].index = c;
    ports[c].isOutput = isOutput ? 1 : 0;
    std::snprintf(ports[c].name, sizeof ports[c].name, "%s %d", name.c_str(), c + 1);
  }
}
}  // namespace

void MmeDevice::probe() {
  m_rateCount = 0;
  for (uint32_t rate : kProbeRates) {
    WAVEFORMATEX f = pcmFormat(2, rate);
    if (waveOutOpen(nullptr, m_outIndex, &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR)
      m_rates[m_rateCount++] = static_cast<float>(rate);
  }
  int best = 0;
  for (int ch = 1; ch <= 16; ++ch) {
    WAVEFORMATEX f = pcmFormat(ch, 44100);
    if (waveOutOpen(nullptr, m_outIndex, &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR) best = ch;
  }
  m_outChannels = best == 16 ? 2 : best;
  best = 0;
  if (m_inIndex >= 0) {
    for (int ch = 1; ch <= 16; ++ch) {
      WAVEFORMATEX f = pcmFormat(ch, 44100);
      if (waveInOpen(nullptr, static_cast<UINT>(m_inIndex), &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR) best = ch;
    }
    best = best == 16 ? 2 : best;
  }
  m_inChannels = best;
}

int MmeDevice::open(bool on) {
  if (!on) {
    if (!m_open) return AB_ERR_NOT_OPEN;
    if (m_running) start(false);
    freeBuffers();
    m_open = 0;
    return AB_OK;
  }
  if (m_open) return AB_OK;
  probe();
  const int outCh = m_outChannels;
  const int inCh = hasInput() ? m_inChannels : 0;
  const uint32_t outBytes = m_outFrames * 2 * static_cast<uint32_t>(outCh);
  const uint32_t inBytes = m_inFrames * 2 * static_cast<uint32_t>(inCh);
  bool ok = true;
  for (int k = 0; k < 2; ++k) {
    m_outHeaders[k] = newHeader(outBytes);
    ok = ok && m_outHeaders[k];
    if (inCh > 0) {
      m_inHeaders[k] = newHeader(inBytes);
      ok = ok && m_inHeaders[k];
    }
  }
  // The host reads the inputs for the block's frame count (the output buffer size): the input
  // buffers are at least that long, and what the recording does not cover stays silent.
  const uint32_t inBufferFrames = m_inFrames > m_outFrames ? m_inFrames : m_outFrames;
  std::memset(&block, 0, sizeof block);
  if (ok && inCh > 0) {
    m_inBuffers = newChannelBuffers(inCh, inBufferFrames);
    m_inIds = new (std::nothrow) int32_t[inCh];
    m_inPorts.reset(new (std::nothrow) AudioPortEntry[inCh]());
    ok = m_inBuffers && m_inIds && m_inPorts;
  }
  if (ok && outCh > 0) {
    m_outBuffers = newChannelBuffers(outCh, m_outFrames);
    m_outIds = new (std::nothrow) int32_t[outCh];
    m_outPorts.reset(new (std::nothrow) AudioPortEntry[outCh]());
    ok = m_outBuffers && m_outIds && m_outPorts;
  }
  if (!ok) {
    freeBuffers();
    return AB_ERR_NOT_OPEN;
  }
  if (inCh > 0) {
    m_inPortCount = inCh;
    setUpSide(&block.input, m_inFrames, inCh, m_inBuffers, m_inIds, m_inPorts.get(), false, m_inName);
  }
  m_outPortCount = outCh;
  setUpSide(&block.output, m_outFrames, outCh, m_outBuffers, m_outIds, m_outPorts.get(), true, deviceName());
  if (outCh >= 2)  // the first two outputs play
    for (int c = 0; c < 2; ++c) m_outPorts[c].active = m_outPorts[c].enabled = 1;
  block.frames = static_cast<int32_t>(m_outFrames);
  block.sampleRate = static_cast<int32_t>(m_rate);
  m_open = 1;
  return AB_OK;
}

void MmeDevice::freeBuffers() {
  for (int k = 0; k < 2; ++k) {
    std::free(m_outHeaders[k]);
    std::free(m_inHeaders[k]);
    m_outHeaders[k] = m_inHeaders[k] = nullptr;
  }
  deleteChannelBuffers(m_outBuffers, m_outPortCount > 0 ? m_outPortCount : m_outChannels);
  deleteChannelBuffers(m_inBuffers, m_inPortCount > 0 ? m_inPortCount : m_inChannels);
  m_outBuffers = m_inBuffers = nullptr;
  delete[] m_outIds;
  delete[] m_inIds;
  m_outIds = m_inIds = nullptr;
  m_outPorts.reset();
  m_inPorts.reset();
  m_outPortCount = m_inPortCount = 0;
  std::memset(&block, 0, sizeof block);
}

void MmeDevice::closeEvents() {
  HANDLE* events[4] = {&m_quit, &m_outDone, &m_inDone, &m_finished};
  for (HANDLE* e : events) {
    if (*e) CloseHandle(*e);
    *e = nullptr;
  }
}

void MmeDevice::stopWorker() {
  if (m_quit) SetEvent(m_quit);
  if (m_finished) WaitForSingleObject(m_finished, 5000);
  m_worker.wait();
  m_worker.closeHandle();
  m_worker.handleHolder().clear();
}

int MmeDevice::start(bool on) {
  if (!on) return stopStreams();
  if (!m_open) return AB_ERR_NOT_OPEN;
  if (m_running) return AB_OK;
  m_format = pcmFormat(m_outChannels, m_rate);
  m_quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_outDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  m_inDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  m_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_nextOut.store(-1);
  m_nextIn.store(-1);
  m_stopping.store(0);
  if (!m_quit || !m_outDone || !m_inDone || !m_finished ||
      !m_worker.start(ThreadPriority(ThreadPriority::LEVEL_NORMAL))) {
    closeEvents();
    return AB_ERR_NOT_OPEN;
  }
  m_worker.setPriority(ThreadPriority(ThreadPriority::LEVEL_TIME_CRITICAL));

  MMRESULT r =
      waveOutOpen(&m_waveOut, m_outIndex, &m_format, reinterpret_cast<DWORD_PTR>(m_outDone), 0, CALLBACK_EVENT);
  m_outDoneCount.store(0);
  if (r != MMSYSERR_NOERROR) {
    m_waveOut = nullptr;
    stopWorker();
    closeEvents();
    m_running = 0;
    char text[256] = "";
    waveOutGetErrorTextA(r, text, sizeof text);
    showError("Could not open MME output device !\n", text);
    return AB_ERR_NOT_OPEN;
  }
  for (WAVEHDR* h : m_outHeaders) {
    std::memset(h->lpData, 0, h->dwBufferLength);  // the stream always starts with two silent buffers
    h->dwFlags = 0;
    waveOutPrepareHeader(m_waveOut, h, sizeof(WAVEHDR));
  }
  waveOutPause(m_waveOut);
  for (WAVEHDR* h : m_outHeaders) waveOutWrite(m_waveOut, h, sizeof(WAVEHDR));
  m_nextOut.store(0);
  waveOutRestart(m_waveOut);

  if (hasInput() && m_inHeaders[0]) {
    WAVEFORMATEX f = pcmFormat(m_inChannels, m_rate);
    r = waveInOpen(&m_waveIn, static_cast<UINT>(m_inIndex), &f, reinterpret_cast<DWORD_PTR>(m_inDone), 0,
                   CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
      m_waveIn = nullptr;
      char text[256] = "";
      waveInGetErrorTextA(r, text, sizeof text);
      showError("Could not open MME input device !\n", text);
      m_running = 1;  // the output keeps running
      return AB_ERR_NOT_OPEN;
    }
    for (WAVEHDR* h : m_inHeaders) {
      h->dwFlags = 0;
      waveInPrepareHeader(m_waveIn, h, sizeof(WAVEHDR));
    }
    waveInStop(m_waveIn);
    for (WAVEHDR* h : m_inHeaders) waveInAddBuffer(m_waveIn, h, sizeof(WAVEHDR));
    m_nextIn.store(0);
    waveInStart(m_waveIn);
  }
  m_startTime = timeGetTime();
  m_running = 1;
  return AB_OK;
}

int MmeDevice::stopStreams() {
  if (!m_running) return AB_OK;
  // The worker stops before the streams are reset. A reset hands every header back marked done, and
  // a worker still serving would refill and write them, restarting the output after the stop: the
  // stream then goes on with a jump in the signal and the close can find a header still playing.
  m_stopping.store(1, std::memory_order_release);
  stopWorker();
  if (m_waveOut) waveOutReset(m_waveOut);
  if (m_waveIn) waveInReset(m_waveIn);
  if (m_waveIn) {
    for (WAVEHDR* h : m_inHeaders) {
      waitDone(h);
      waveInUnprepareHeader(m_waveIn, h, sizeof(WAVEHDR));
    }
    waveInClose(m_waveIn);
    m_waveIn = nullptr;
  }
  if (m_waveOut) {
    for (WAVEHDR* h : m_outHeaders) {
      waitDone(h);
      waveOutUnprepareHeader(m_waveOut, h, sizeof(WAVEHDR));
    }
    MMRESULT r = waveOutClose(m_waveOut);
    m_waveOut = nullptr;
    if (r != MMSYSERR_NOERROR) {
      char text[256] = "";
      waveOutGetErrorTextA(r, text, sizeof text);
      showError("Could not close MME output device !\n", text);
    }
  }
  closeEvents();
  m_running = 0;
  return AB_OK;
}

int MmeDevice::reopen(bool wasRunning) {
  int r = open(true);
  if (r == AB_OK && wasRunning) r = start(true);
  return r;
}

// ---- the worker thread (the audio thread while this device runs)

void MmeDevice::workerRun() {
  HANDLE events[3] = {m_quit, m_outDone, m_inDone};
  for (;;) {
    DWORD w = WaitForMultipleObjects(3, events, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0 || w == WAIT_FAILED) {
      SetEvent(m_finished);
      return;
    }
    if (w == WAIT_OBJECT_0 + 1) serveOutput();
    // Input done: nothing; the input is served together with the output.
  }
}

void MmeDevice::serveOutput() {
  m_outDoneCount.fetch_add(1, std::memory_order_relaxed);
  int32_t next = m_nextOut.load(std::memory_order_acquire);
  if (next < 0) return;  // start is still writing the first headers
  const int outCh = block.output.channelCount;
  // A stop ends the loop at once: with a device that takes data as fast as it comes, headers could
  // keep coming back done and the worker would never see its quit event.
  while (!m_stopping.load(std::memory_order_acquire) && headerDone(m_outHeaders[next])) {
    int32_t nextIn = m_nextIn.load(std::memory_order_acquire);
    if (m_waveIn && nextIn >= 0 && headerDone(m_inHeaders[nextIn])) {
      const int inCh = block.input.channelCount;
      mmePcm16ToFloat(reinterpret_cast<const int16_t*>(m_inHeaders[nextIn]->lpData), inCh, static_cast<int>(m_inFrames),
                      block.input.buffers, block.frames);
      for (int k = 0; k < 2 && headerDone(m_inHeaders[nextIn]); ++k) {
        waveInAddBuffer(m_waveIn, m_inHeaders[nextIn], sizeof(WAVEHDR));
        nextIn ^= 1;
      }
      m_nextIn.store(nextIn, std::memory_order_release);
    }
    if (ring) {
      block.ring = ring;
      ring->blockTime = static_cast<uint64_t>(timeGetTime()) * 1000u;
    } else {
      block.ring = nullptr;
    }
    if (callback) callback(&block, 0, callbackUser2, callbackUser1);
    WAVEHDR* h = m_outHeaders[next];
    mmeFloatToPcm16(block.output.buffers, outCh, block.frames, reinterpret_cast<int16_t*>(h->lpData));
    MMRESULT r = waveOutWrite(m_waveOut, h, sizeof(WAVEHDR));
    next ^= 1;
    m_nextOut.store(next, std::memory_order_release);
    if (r != MMSYSERR_NOERROR) break;  // the stream is being reset: the header stays done
  }
}

// ---- properties

AudioPortEntry* MmeDevice::findPort(int32_t index, bool isOutput) {
  if (index < 0) return nullptr;
  if (isOutput) return index < m_outPortCount ? &m_outPorts[index] : nullptr;
  return index < m_inPortCount ? &m_inPorts[index] : nullptr;
}

int MmeDevice::portGet(void* buffer, uint32_t* size) {
  if (!m_open || !size || !buffer || *size < kRecordCountBytes) return AB_ERR_NOT_OPEN;
  if (*size == audioPortDescriptionBytes(static_cast<uint32_t>(portCount()))) {
    writeU32(buffer, 0, static_cast<uint32_t>(portCount()));
    size_t k = 0;
    for (int i = 0; i < m_inPortCount; ++i) putPortEntry(buffer, k++, m_inPorts[i]);
    for (int i = 0; i < m_outPortCount; ++i) putPortEntry(buffer, k++, m_outPorts[i]);
    return AB_OK;
  }
  if (isSinglePortRecord(buffer, *size)) {
    return answerPortRecord(buffer, [this](const AudioPortEntry& e, uint8_t* active, uint8_t* enabled) {
      const AudioPortEntry* port = findPort(e.index, e.isOutput != 0);
      if (!port) return false;
      *active = port->active;
      *enabled = port->enabled;
      return true;
    });
  }
  if (*size == portListBytes(readU32(buffer, 0))) {
    gpDebugPrint("usw ..... \n");
    return AB_OK;
  }
  return AB_ERR_NOT_OPEN;
}

int MmeDevice::portRecordList(const void* value, bool enabledOnly) {
  forEachPortEntry(value, [&](const AudioPortEntry& e) {
    AudioPortEntry* port = findPort(e.index, e.isOutput != 0);
    if (!port) return;
    if (!enabledOnly) port->active = e.active;
    port->enabled = e.enabled;
  });
  return AB_OK;
}

int MmeDevice::portSet(const void* value, uint32_t size) {
  if (!m_open || !isRecordList(value, size)) return AB_ERR_NOT_OPEN;
  const bool wasRunning = m_running != 0;
  if (wasRunning) start(false);
  portRecordList(value, false);
  return wasRunning ? start(true) : AB_OK;
}

// Sized with room for one entry more than there are ports; the count word gives the ports.
uint32_t MmeDevice::streamBytes() const {
  return static_cast<uint32_t>(streamDescriptionBytes(static_cast<uint32_t>(portCount()) + 1u));
}

int MmeDevice::streamInfo(uint32_t* size, uint32_t* changeable) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(streamBytes(), true, size, changeable);
}

int MmeDevice::streamGet(void* buffer, uint32_t* size) {
  if (!m_open || !size || !buffer || *size != streamBytes()) return AB_ERR_NOT_OPEN;
  std::memset(buffer, 0, *size);
  writeStreamHeader(buffer, static_cast<uint32_t>(portCount()), m_outFrames, m_rate);
  size_t at = kStreamHeaderBytes;
  for (int dir = 0; dir < 2; ++dir) {
    const int n = dir ? m_outPortCount : m_inPortCount;
    const AudioPortEntry* ports = dir ? m_outPorts.get() : m_inPorts.get();
    uint32_t channel = 0;
    for (int i = 0; i < n; ++i)
      if (ports[i].active && ports[i].enabled)
        at = writeStreamEntry(buffer, at, dir == 1, channel++, static_cast<uint32_t>(ports[i].index));
  }
  return AB_OK;
}

int MmeDevice::enableSet(const void* value, uint32_t size) {
  if (!m_open || !isRecordList(value, size)) return AB_ERR_NOT_OPEN;
  return portRecordList(value, true);
}

int MmeDevice::listedRates(int32_t* rates) {
  for (int i = 0; i < m_rateCount; ++i) rates[i] = static_cast<int32_t>(m_rates[i]);
  return m_rateCount;
}

int MmeDevice::rateListGet(void* buffer, uint32_t* size) {
  if (!m_open || !size || !buffer || *size != rateListBytes(m_rateCount)) return AB_ERR_NOT_OPEN;
  writeRateList(buffer, m_rates, m_rateCount);
  return AB_OK;
}

int MmeDevice::rateSet(const void* value, uint32_t size) {
  if (!m_open || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  const int32_t rate = static_cast<int32_t>(readU32(value, 0));
  if (rate <= 0) return AB_ERR_NOT_OPEN;  // the host divides by the rate
  m_rate = static_cast<uint32_t>(rate);
  const bool wasRunning = m_running != 0;
  open(false);
  return reopen(wasRunning);
}

int MmeDevice::setBufferFrames(uint32_t* field, uint32_t frames) {
  const bool wasRunning = m_running != 0;
  open(false);
  *field = abClamp<uint32_t>(frames, 1, kMaxBufferFrames);
  return reopen(wasRunning);
}

int MmeDevice::bufferSizeSet(const void* value, uint32_t size) {
  if (!m_open || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  return setBufferFrames(&m_outFrames, readU32(value, 0));
}

int MmeDevice::inBufferSizeGet(void* buffer, uint32_t* size) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  return wordPropertyGet(m_inFrames, buffer, size);
}

int MmeDevice::inBufferSizeSet(const void* value, uint32_t size) {
  if (!m_open || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  return setBufferFrames(&m_inFrames, readU32(value, 0));
}

namespace {
std::string inputName(UINT index) {
  WAVEINCAPSA caps;
  std::memset(&caps, 0, sizeof caps);
  waveInGetDevCapsA(index, &caps, sizeof caps);
  return std::string("MME ") + caps.szPname;
}
}  // namespace

int MmeDevice::inListInfo(uint32_t* size, uint32_t* changeable) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(static_cast<uint32_t>(inDeviceListBytes(waveInGetNumDevs())), false, size, changeable);
}

int MmeDevice::inListGet(void* buffer, uint32_t* size) {
  if (!m_open || !size) return AB_ERR_NOT_OPEN;
  return inDeviceListPropertyGet(waveInGetNumDevs(), inputName, buffer, size);
}

int MmeDevice::inDeviceSet(const void* value, uint32_t size) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  const bool wasRunning = m_running != 0;
  open(false);
  int result = AB_OK;
  m_inIndex = -1;
  m_inName = kNoInputDeviceName;
  if (size == sizeof(AudioInDeviceEntry) && value) {
    const int32_t index = static_cast<int32_t>(readU32(value, 0));
    WAVEINCAPSA caps;
    std::memset(&caps, 0, sizeof caps);
    if (index >= 0 && static_cast<UINT>(index) < waveInGetNumDevs() &&
        waveInGetDevCapsA(static_cast<UINT>(index), &caps, sizeof caps) == MMSYSERR_NOERROR) {
      m_inIndex = index;
      m_inName = std::string("MME ") + caps.szPname;
    } else {
      result = AB_ERR_DEVICE_QUERY;
    }
  }
  int r = reopen(wasRunning);  // probes the input channel count
  return result != AB_OK ? result : r;
}

int MmeDevice::activeInDeviceGet(void* buffer, uint32_t* size) {
  if (!m_open || !size) return AB_ERR_NOT_OPEN;
  if (!buffer || *size < sizeof(AudioInDeviceEntry)) return AB_OK;
  putInDeviceEntry(buffer, 0, m_inIndex, m_inName);
  return AB_OK;
}

int MmeDevice::latencyInfo(uint32_t* size, uint32_t* changeable) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(sizeof(uint32_t), true, size, changeable);
}

int MmeDevice::latencyGet(void* buffer, uint32_t* size) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  return wordPropertyGet(static_cast<uint32_t>(static_cast<uint64_t>(m_outFrames) * 1000u / m_rate), buffer, size);
}

namespace {
uint32_t latencyFrames(uint32_t rate, const void* value) {
  int32_t ms = static_cast<int32_t>(readU32(value, 0));
  if (ms < 1) ms = 1;
  double frames = static_cast<double>(rate) * ms * 0.001;
  return frames >= MmeDevice::kMaxBufferFrames ? MmeDevice::kMaxBufferFrames : static_cast<uint32_t>(frames);
}
}  // namespace

int MmeDevice::latencySet(const void* value, uint32_t size) {
  if (!m_open || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  return setBufferFrames(&m_outFrames, latencyFrames(m_rate, value));
}

int MmeDevice::inLatencyGet(void* buffer, uint32_t* size) {
  if (!m_open) return AB_ERR_NOT_OPEN;
  return wordPropertyGet(static_cast<uint32_t>(m_inFrames * 1000.0 / m_rate), buffer, size);
}

int MmeDevice::inLatencySet(const void* value, uint32_t size) {
  if (!m_open || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  return setBufferFrames(&m_inFrames, latencyFrames(m_rate, value));
}

int MmeDevice::playPositionGet(void* buffer, uint32_t* size) {
  if (!m_running || !m_waveOut || !isWordBuffer(buffer, size)) return AB_ERR_NOT_OPEN;
  MMTIME t;
  std::memset(&t, 0, sizeof t);
  t.wType = TIME_SAMPLES;
  if (waveOutGetPosition(m_waveOut, &t, sizeof t) != MMSYSERR_NOERROR || t.wType != TIME_SAMPLES) {
    writeU32(buffer, 0, 0);
    return AB_ERR_DEVICE_QUERY;
  }
  int64_t pos = static_cast<int64_t>(t.u.sample) - static_cast<int64_t>(m_outDoneCount.load()) * m_outFrames;
  if (pos > static_cast<int64_t>(m_outFrames)) pos -= m_outFrames;
  if (pos < 0) pos = 0;
  writeU32(buffer, 0, static_cast<uint32_t>(pos));
  return AB_OK;
}

int MmeDevice::descriptionGet(void* buffer, uint32_t* size) {
  if (!m_open || !size || !buffer || *size < kDeviceDescriptionBytes) return AB_ERR_NOT_OPEN;
  writeDeviceDescription(buffer, kind, AB_DRIVER_MME);
  return AB_OK;
}
