// The MME driver: device life cycle, the worker thread that serves the wave headers, and the properties.
#include "ABMmeDevice.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ABDeviceErrors.h"
#include "ABMmeConvert.h"
#include "ABPropertyNames.h"
#include "ABPropertyValues.h"
#include "GPClamp.h"
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
    : AudioDriverDevice(outputName(outputIndex)), worker_(this), outIndex_(outputIndex) {
  std::memset(&format_, 0, sizeof format_);
  std::memset(rates_, 0, sizeof rates_);
  inName_ = kNoInputDeviceName;

  typedef MmeDevice M;
  DevicePropertyMaps<MmeDevice>& p = properties_;
  p.add(kPropDeviceName, this, &M::nameInfo, &M::nameGet);
  p.add(kPropPortDescription, this, &M::portInfo, &M::portGet, &M::portSet);
  p.add(kPropStreamDescription, this, &M::streamInfo, &M::streamGet);
  p.add(kPropEnableAudioPort, this, &M::openStateInfo, &M::openStateGet, &M::enableSet);
  p.add(kPropActiveAudioPort, this, &M::openStateInfo, &M::openStateGet, &M::openStateSet);
  p.add(kPropSampleRateList, this, &M::rateListInfo, &M::rateListGet);
  p.add(kPropSampleRate, this, nullptr, &M::rateGet, &M::rateSet);
  p.add(kPropBufferSize, this, &M::bufferSizeInfo, &M::bufferSizeGet, &M::bufferSizeSet);
  p.add(kPropInBufferSize, this, nullptr, &M::inBufferSizeGet, &M::inBufferSizeSet);
  p.add(kPropAudioInDeviceList, this, &M::inListInfo, &M::inListGet);
  p.add(kPropAudioInDevice, this, nullptr, nullptr, &M::inDeviceSet);
  p.add(kPropActiveAudioInDevice, this, nullptr, &M::activeInDeviceGet);
  p.add(kPropLatency, this, &M::latencyInfo, &M::latencyGet, &M::latencySet);
  p.add(kPropSetInLatency, this, &M::latencyInfo, &M::inLatencyGet, &M::inLatencySet);
  p.add(kPropPlayPosition, this, nullptr, &M::playPositionGet);
  p.add(kPropDeviceDescription, this, nullptr, &M::descriptionGet);
}

MmeDevice::~MmeDevice() {
  start(false);
  if (open_) open(false);
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
  rateCount_ = 0;
  for (uint32_t rate : kProbeRates) {
    WAVEFORMATEX f = pcmFormat(2, rate);
    if (waveOutOpen(nullptr, outIndex_, &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR)
      rates_[rateCount_++] = static_cast<float>(rate);
  }
  int best = 0;
  for (int ch = 1; ch <= 16; ++ch) {
    WAVEFORMATEX f = pcmFormat(ch, 44100);
    if (waveOutOpen(nullptr, outIndex_, &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR) best = ch;
  }
  outChannels_ = best == 16 ? 2 : best;
  best = 0;
  if (inIndex_ >= 0) {
    for (int ch = 1; ch <= 16; ++ch) {
      WAVEFORMATEX f = pcmFormat(ch, 44100);
      if (waveInOpen(nullptr, static_cast<UINT>(inIndex_), &f, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR) best = ch;
    }
    best = best == 16 ? 2 : best;
  }
  inChannels_ = best;
}

int MmeDevice::open(bool on) {
  if (!on) {
    if (!open_) return AB_ERR_NOT_OPEN;
    if (running_) start(false);
    freeBuffers();
    open_ = 0;
    return AB_OK;
  }
  if (open_) return AB_OK;
  probe();
  const int outCh = outChannels_;
  const int inCh = hasInput() ? inChannels_ : 0;
  const uint32_t outBytes = outFrames_ * 2 * static_cast<uint32_t>(outCh);
  const uint32_t inBytes = inFrames_ * 2 * static_cast<uint32_t>(inCh);
  bool ok = true;
  for (int k = 0; k < 2; ++k) {
    outHeaders_[k] = newHeader(outBytes);
    ok = ok && outHeaders_[k];
    if (inCh > 0) {
      inHeaders_[k] = newHeader(inBytes);
      ok = ok && inHeaders_[k];
    }
  }
  // The host reads the inputs for the block's frame count (the output buffer size): the input
  // buffers are at least that long, and what the recording does not cover stays silent.
  const uint32_t inBufferFrames = inFrames_ > outFrames_ ? inFrames_ : outFrames_;
  std::memset(&block, 0, sizeof block);
  if (ok && inCh > 0) {
    inBuffers_.allocate(inCh, inBufferFrames);
    inIds_.reset(new (std::nothrow) int32_t[inCh]);
    inPorts_.reset(new (std::nothrow) AudioPortEntry[inCh]());
    ok = inBuffers_.list() && inIds_ && inPorts_;
  }
  if (ok && outCh > 0) {
    outBuffers_.allocate(outCh, outFrames_);
    outIds_.reset(new (std::nothrow) int32_t[outCh]);
    outPorts_.reset(new (std::nothrow) AudioPortEntry[outCh]());
    ok = outBuffers_.list() && outIds_ && outPorts_;
  }
  if (!ok) {
    freeBuffers();
    return AB_ERR_OPEN_FAILED;
  }
  if (inCh > 0) {
    inPortCount_ = inCh;
    setUpSide(&block.input, inFrames_, inCh, inBuffers_.list(), inIds_.get(), inPorts_.get(), false, inName_);
  }
  outPortCount_ = outCh;
  setUpSide(&block.output, outFrames_, outCh, outBuffers_.list(), outIds_.get(), outPorts_.get(), true, deviceName());
  if (outCh >= 2)  // the first two outputs play
    for (int c = 0; c < 2; ++c) outPorts_[c].active = outPorts_[c].enabled = 1;
  block.frames = static_cast<int32_t>(outFrames_);
  block.sampleRate = static_cast<int32_t>(rate_);
  open_ = 1;
  return AB_OK;
}

void MmeDevice::freeBuffers() {
  for (int k = 0; k < 2; ++k) {
    std::free(outHeaders_[k]);
    std::free(inHeaders_[k]);
    outHeaders_[k] = inHeaders_[k] = nullptr;
  }
  outBuffers_.release();
  inBuffers_.release();
  outIds_.reset();
  inIds_.reset();
  outPorts_.reset();
  inPorts_.reset();
  outPortCount_ = inPortCount_ = 0;
  std::memset(&block, 0, sizeof block);
}

void MmeDevice::closeEvents() {
  HANDLE* events[4] = {&quit_, &outDone_, &inDone_, &finished_};
  for (HANDLE* e : events) {
    if (*e) CloseHandle(*e);
    *e = nullptr;
  }
}

void MmeDevice::stopWorker() {
  if (quit_) SetEvent(quit_);
  if (finished_) WaitForSingleObject(finished_, 5000);
  worker_.wait();
  worker_.closeHandle();
  worker_.handleHolder().clear();
}

int MmeDevice::start(bool on) {
  if (!on) return stopStreams();
  if (!open_) return AB_ERR_NOT_OPEN;
  if (running_) return AB_OK;
  format_ = pcmFormat(outChannels_, rate_);
  quit_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  outDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  inDone_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  finished_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  nextOut_.store(-1);
  nextIn_.store(-1);
  stopping_.store(0);
  if (!quit_ || !outDone_ || !inDone_ || !finished_ || !worker_.start(ThreadPriority(ThreadPriority::LEVEL_NORMAL))) {
    closeEvents();
    return AB_ERR_OPEN_FAILED;
  }
  worker_.setPriority(ThreadPriority(ThreadPriority::LEVEL_TIME_CRITICAL));

  MMRESULT r = waveOutOpen(&waveOut_, outIndex_, &format_, reinterpret_cast<DWORD_PTR>(outDone_), 0, CALLBACK_EVENT);
  outDoneCount_.store(0);
  if (r != MMSYSERR_NOERROR) {
    waveOut_ = nullptr;
    stopWorker();
    closeEvents();
    running_ = 0;
    char text[256] = "";
    waveOutGetErrorTextA(r, text, sizeof text);
    showError("Could not open MME output device !\n", text);
    return AB_ERR_OPEN_FAILED;
  }
  for (WAVEHDR* h : outHeaders_) {
    std::memset(h->lpData, 0, h->dwBufferLength);  // the stream always starts with two silent buffers
    h->dwFlags = 0;
    waveOutPrepareHeader(waveOut_, h, sizeof(WAVEHDR));
  }
  waveOutPause(waveOut_);
  for (WAVEHDR* h : outHeaders_) waveOutWrite(waveOut_, h, sizeof(WAVEHDR));
  nextOut_.store(0);
  waveOutRestart(waveOut_);

  if (hasInput() && inHeaders_[0]) {
    WAVEFORMATEX f = pcmFormat(inChannels_, rate_);
    r = waveInOpen(&waveIn_, static_cast<UINT>(inIndex_), &f, reinterpret_cast<DWORD_PTR>(inDone_), 0, CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
      waveIn_ = nullptr;
      char text[256] = "";
      waveInGetErrorTextA(r, text, sizeof text);
      showError("Could not open MME input device !\n", text);
      running_ = 1;  // the output keeps running
      return AB_ERR_OPEN_FAILED;
    }
    for (WAVEHDR* h : inHeaders_) {
      h->dwFlags = 0;
      waveInPrepareHeader(waveIn_, h, sizeof(WAVEHDR));
    }
    waveInStop(waveIn_);
    for (WAVEHDR* h : inHeaders_) waveInAddBuffer(waveIn_, h, sizeof(WAVEHDR));
    nextIn_.store(0);
    waveInStart(waveIn_);
  }
  startTime_ = timeGetTime();
  running_ = 1;
  return AB_OK;
}

int MmeDevice::stopStreams() {
  if (!running_) return AB_OK;
  // The worker stops before the streams are reset. A reset hands every header back marked done, and
  // a worker still serving would refill and write them, restarting the output after the stop: the
  // stream then goes on with a jump in the signal and the close can find a header still playing.
  stopping_.store(1, std::memory_order_release);
  stopWorker();
  if (waveOut_) waveOutReset(waveOut_);
  if (waveIn_) waveInReset(waveIn_);
  if (waveIn_) {
    for (WAVEHDR* h : inHeaders_) {
      waitDone(h);
      waveInUnprepareHeader(waveIn_, h, sizeof(WAVEHDR));
    }
    waveInClose(waveIn_);
    waveIn_ = nullptr;
  }
  if (waveOut_) {
    for (WAVEHDR* h : outHeaders_) {
      waitDone(h);
      waveOutUnprepareHeader(waveOut_, h, sizeof(WAVEHDR));
    }
    MMRESULT r = waveOutClose(waveOut_);
    waveOut_ = nullptr;
    if (r != MMSYSERR_NOERROR) {
      char text[256] = "";
      waveOutGetErrorTextA(r, text, sizeof text);
      showError("Could not close MME output device !\n", text);
    }
  }
  closeEvents();
  running_ = 0;
  return AB_OK;
}

int MmeDevice::reopen(bool wasRunning) {
  int r = open(true);
  if (r == AB_OK && wasRunning) r = start(true);
  return r;
}

// ---- the worker thread (the audio thread while this device runs)

void MmeDevice::workerRun() {
  HANDLE events[3] = {quit_, outDone_, inDone_};
  for (;;) {
    DWORD w = WaitForMultipleObjects(3, events, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0 || w == WAIT_FAILED) {
      SetEvent(finished_);
      return;
    }
    if (w == WAIT_OBJECT_0 + 1) serveOutput();
    // Input done: nothing; the input is served together with the output.
  }
}

void MmeDevice::serveOutput() {
  outDoneCount_.fetch_add(1, std::memory_order_relaxed);
  int32_t next = nextOut_.load(std::memory_order_acquire);
  if (next < 0) return;  // start is still writing the first headers
  const int outCh = block.output.channelCount;
  // A stop ends the loop at once: with a device that takes data as fast as it comes, headers could
  // keep coming back done and the worker would never see its quit event.
  while (!stopping_.load(std::memory_order_acquire) && headerDone(outHeaders_[next])) {
    int32_t nextIn = nextIn_.load(std::memory_order_acquire);
    const int inCh = block.input.channelCount;
    if (waveIn_ && nextIn >= 0 && headerDone(inHeaders_[nextIn])) {
      mmePcm16ToFloat(reinterpret_cast<const int16_t*>(inHeaders_[nextIn]->lpData), inCh, static_cast<int>(inFrames_),
                      block.input.buffers, block.frames);
      for (int k = 0; k < 2 && headerDone(inHeaders_[nextIn]); ++k) {
        waveInAddBuffer(waveIn_, inHeaders_[nextIn], sizeof(WAVEHDR));
        nextIn ^= 1;
      }
      nextIn_.store(nextIn, std::memory_order_release);
    } else {
      // No recorded buffer is ready (the capture is late, or has not begun): the inputs are silent
      // rather than the last buffer played to the client once more.
      for (int c = 0; c < inCh; ++c)
        std::memset(block.input.buffers[c], 0, sizeof(float) * static_cast<size_t>(block.frames));
    }
    if (ring) {
      block.ring = ring;
      ring->blockTime = static_cast<uint64_t>(timeGetTime()) * 1000u;
    } else {
      block.ring = nullptr;
    }
    if (callback) callback(&block, 0, callbackUser2, callbackUser1);
    WAVEHDR* h = outHeaders_[next];
    mmeFloatToPcm16(block.output.buffers, outCh, block.frames, reinterpret_cast<int16_t*>(h->lpData));
    MMRESULT r = waveOutWrite(waveOut_, h, sizeof(WAVEHDR));
    next ^= 1;
    nextOut_.store(next, std::memory_order_release);
    if (r != MMSYSERR_NOERROR) break;  // the stream is being reset: the header stays done
  }
}

// ---- properties

AudioPortEntry* MmeDevice::findPort(int32_t index, bool isOutput) {
  if (index < 0) return nullptr;
  if (isOutput) return index < outPortCount_ ? &outPorts_[index] : nullptr;
  return index < inPortCount_ ? &inPorts_[index] : nullptr;
}

int MmeDevice::portGet(void* buffer, uint32_t* size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < kRecordCountBytes) return AB_ERR_BAD_VALUE;
  if (*size == audioPortDescriptionBytes(static_cast<uint32_t>(portCount()))) {
    writeU32(buffer, 0, static_cast<uint32_t>(portCount()));
    size_t k = 0;
    for (int i = 0; i < inPortCount_; ++i) putPortEntry(buffer, k++, inPorts_[i]);
    for (int i = 0; i < outPortCount_; ++i) putPortEntry(buffer, k++, outPorts_[i]);
    return AB_OK;
  }
  if (isSinglePortRecord(buffer, *size)) {
    return answerPortRecordFrom(buffer, [this](int32_t index, bool isOutput) { return findPort(index, isOutput); });
  }
  if (*size == portListBytes(readU32(buffer, 0))) {
    gpDebugPrint("usw ..... \n");
    return AB_OK;
  }
  return AB_ERR_BAD_VALUE;
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
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!isRecordList(value, size)) return AB_ERR_BAD_VALUE;
  const bool wasRunning = running_ != 0;
  if (wasRunning) start(false);
  portRecordList(value, false);
  return wasRunning ? start(true) : AB_OK;
}

// Sized with room for one entry more than there are ports; the count word gives the ports.
uint32_t MmeDevice::streamBytes() const {
  return static_cast<uint32_t>(streamDescriptionBytes(static_cast<uint32_t>(portCount()) + 1u));
}

int MmeDevice::streamInfo(uint32_t* size, uint32_t* changeable) {
  if (!open_) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(streamBytes(), true, size, changeable);
}

int MmeDevice::streamGet(void* buffer, uint32_t* size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size != streamBytes()) return AB_ERR_BAD_VALUE;
  std::memset(buffer, 0, *size);
  writeStreamHeader(buffer, static_cast<uint32_t>(portCount()), outFrames_, rate_);
  size_t at = kStreamHeaderBytes;
  for (int dir = 0; dir < 2; ++dir) {
    const int n = dir ? outPortCount_ : inPortCount_;
    const AudioPortEntry* ports = dir ? outPorts_.get() : inPorts_.get();
    uint32_t channel = 0;
    for (int i = 0; i < n; ++i)
      if (ports[i].active && ports[i].enabled)
        at = writeStreamEntry(buffer, at, dir == 1, channel++, static_cast<uint32_t>(ports[i].index));
  }
  return AB_OK;
}

int MmeDevice::enableSet(const void* value, uint32_t size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!isRecordList(value, size)) return AB_ERR_BAD_VALUE;
  return portRecordList(value, true);
}

int MmeDevice::listedRates(int32_t* rates) {
  for (int i = 0; i < rateCount_; ++i) rates[i] = static_cast<int32_t>(rates_[i]);
  return rateCount_;
}

int MmeDevice::rateSet(const void* value, uint32_t size) {
  uint32_t word = 0;
  const int r = openWordSet(value, size, &word);
  if (r != AB_OK) return r;
  const int32_t rate = static_cast<int32_t>(word);
  if (rate <= 0) return AB_ERR_BAD_VALUE;  // the host divides by the rate
  rate_ = static_cast<uint32_t>(rate);
  const bool wasRunning = running_ != 0;
  open(false);
  return reopen(wasRunning);
}

int MmeDevice::setBufferFrames(uint32_t* field, uint32_t frames) {
  const bool wasRunning = running_ != 0;
  open(false);
  *field = gpClamp<uint32_t>(frames, 1, kMaxBufferFrames);
  return reopen(wasRunning);
}

int MmeDevice::bufferSizeSet(const void* value, uint32_t size) {
  uint32_t frames = 0;
  const int r = openWordSet(value, size, &frames);
  return r != AB_OK ? r : setBufferFrames(&outFrames_, frames);
}

int MmeDevice::inBufferSizeGet(void* buffer, uint32_t* size) { return openWordGet(inFrames_, buffer, size); }

int MmeDevice::inBufferSizeSet(const void* value, uint32_t size) {
  uint32_t frames = 0;
  const int r = openWordSet(value, size, &frames);
  return r != AB_OK ? r : setBufferFrames(&inFrames_, frames);
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
  if (!open_) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(static_cast<uint32_t>(inDeviceListBytes(waveInGetNumDevs())), false, size, changeable);
}

int MmeDevice::inListGet(void* buffer, uint32_t* size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!size) return AB_ERR_BAD_VALUE;
  return inDeviceListPropertyGet(waveInGetNumDevs(), inputName, buffer, size);
}

int MmeDevice::inDeviceSet(const void* value, uint32_t size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  const bool wasRunning = running_ != 0;
  open(false);
  int result = AB_OK;
  inIndex_ = -1;
  inName_ = kNoInputDeviceName;
  if (size == sizeof(AudioInDeviceEntry) && value) {
    const int32_t index = static_cast<int32_t>(readU32(value, 0));
    WAVEINCAPSA caps;
    std::memset(&caps, 0, sizeof caps);
    if (index >= 0 && static_cast<UINT>(index) < waveInGetNumDevs() &&
        waveInGetDevCapsA(static_cast<UINT>(index), &caps, sizeof caps) == MMSYSERR_NOERROR) {
      inIndex_ = index;
      inName_ = std::string("MME ") + caps.szPname;
    } else {
      result = AB_ERR_DEVICE_QUERY;
    }
  }
  int r = reopen(wasRunning);  // probes the input channel count
  return result != AB_OK ? result : r;
}

int MmeDevice::activeInDeviceGet(void* buffer, uint32_t* size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!size) return AB_ERR_BAD_VALUE;
  if (!buffer || *size < sizeof(AudioInDeviceEntry)) return AB_OK;
  putInDeviceEntry(buffer, 0, inIndex_, inName_);
  return AB_OK;
}

int MmeDevice::latencyInfo(uint32_t* size, uint32_t* changeable) {
  if (!open_) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(sizeof(uint32_t), true, size, changeable);
}

int MmeDevice::latencyGet(void* buffer, uint32_t* size) {
  return openWordGet(static_cast<uint32_t>(static_cast<uint64_t>(outFrames_) * 1000u / rate_), buffer, size);
}

namespace {
uint32_t latencyFrames(uint32_t rate, uint32_t word) {
  int32_t ms = static_cast<int32_t>(word);
  if (ms < 1) ms = 1;
  double frames = static_cast<double>(rate) * ms * 0.001;
  return frames >= MmeDevice::kMaxBufferFrames ? MmeDevice::kMaxBufferFrames : static_cast<uint32_t>(frames);
}
}  // namespace

int MmeDevice::latencySet(const void* value, uint32_t size) {
  uint32_t ms = 0;
  const int r = openWordSet(value, size, &ms);
  return r != AB_OK ? r : setBufferFrames(&outFrames_, latencyFrames(rate_, ms));
}

int MmeDevice::inLatencyGet(void* buffer, uint32_t* size) {
  return openWordGet(static_cast<uint32_t>(inFrames_ * 1000.0 / rate_), buffer, size);
}

int MmeDevice::inLatencySet(const void* value, uint32_t size) {
  uint32_t ms = 0;
  const int r = openWordSet(value, size, &ms);
  return r != AB_OK ? r : setBufferFrames(&inFrames_, latencyFrames(rate_, ms));
}

int MmeDevice::playPositionGet(void* buffer, uint32_t* size) {
  if (!running_ || !waveOut_) return AB_ERR_NOT_OPEN;
  if (!isWordBuffer(buffer, size)) return AB_ERR_BAD_VALUE;
  MMTIME t;
  std::memset(&t, 0, sizeof t);
  t.wType = TIME_SAMPLES;
  if (waveOutGetPosition(waveOut_, &t, sizeof t) != MMSYSERR_NOERROR || t.wType != TIME_SAMPLES) {
    writeU32(buffer, 0, 0);
    return AB_ERR_DEVICE_QUERY;
  }
  int64_t pos = static_cast<int64_t>(t.u.sample) - static_cast<int64_t>(outDoneCount_.load()) * outFrames_;
  if (pos > static_cast<int64_t>(outFrames_)) pos -= outFrames_;
  if (pos < 0) pos = 0;
  writeU32(buffer, 0, static_cast<uint32_t>(pos));
  return AB_OK;
}

int MmeDevice::descriptionGet(void* buffer, uint32_t* size) {
  if (!open_) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < kDeviceDescriptionBytes) return AB_ERR_BAD_VALUE;
  writeDeviceDescription(buffer, kind, AB_DRIVER_MME);
  return AB_OK;
}
