// The DirectSound driver: enumeration, device life cycle, the timer pass that feeds the looping
// secondary buffer, and the properties.
#include "ABDirectSoundDevice.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "ABDeviceErrors.h"
#include "ABPropertyNames.h"
#include "ABPropertyValues.h"
#include "ABSampleFormatConverter.h"
#include "GPClamp.h"
#include "GPError.h"

namespace {

const size_t kMaxCaptureDevices = 32;
const int kMaxCaptureName = 254;
const uint32_t kPrimaryFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_GETCURRENTPOSITION2;
const uint32_t kSecondaryFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
// The PCM sub-format of an extensible wave format.
const GUID kPcmSubFormat = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::vector<DirectSoundCaptureEntry> g_captures;

HRESULT dsCheck(HRESULT result) {
  if (result != 0) gpDebugPrint("%s:%s", "DS Error:", dsResultText(result));
  return result;
}

struct EnumContext {
  std::vector<DirectSoundDevice*>* out;
  int count;
};

BOOL CALLBACK outputEnum(LPGUID guid, LPCSTR description, LPCSTR module, LPVOID user) {
  EnumContext* context = static_cast<EnumContext*>(user);
  if (!guid) return TRUE;  // the primary sound driver
  if (context->count >= DirectSoundDevice::kMaxPorts) return FALSE;
  DirectSoundDevice* d =
      new (std::nothrow) DirectSoundDevice(description ? description : "", module ? module : "", *guid);
  if (d) {
    context->out->push_back(d);
    ++context->count;
  }
  return TRUE;
}

BOOL CALLBACK captureEnum(LPGUID guid, LPCSTR description, LPCSTR, LPVOID) {
  if (g_captures.size() >= kMaxCaptureDevices) return FALSE;
  DirectSoundCaptureEntry e;
  std::memset(&e.guid, 0, sizeof e.guid);
  e.hasGuid = guid != nullptr;
  if (guid) e.guid = *guid;
  e.description = description ? description : "";
  if (e.description.size() > static_cast<size_t>(kMaxCaptureName)) e.description.resize(kMaxCaptureName);
  g_captures.push_back(e);
  return TRUE;
}

}  // namespace

const char* dsResultText(HRESULT result) {
  switch (result) {
    case DS_NO_VIRTUALIZATION: return "The call succeeded, but no virtualization was applied to the 3D buffer. ";
    case DS_INCOMPLETE: return "The call succeeded, but not all of the requested effects were obtained. ";
    case DSERR_ACCESSDENIED: return "Access was denied. ";
    case DSERR_ALLOCATED: return "The resource is already in use by another caller. ";
    case DSERR_ALREADYINITIALIZED: return "The object is already initialized. ";
    case DSERR_BADFORMAT: return "The specified wave format is not supported. ";
    case DSERR_BADSENDBUFFERGUID: return "The GUID of an effect send buffer is not valid. ";
    case DSERR_BUFFERLOST: return "The buffer memory has been lost and must be restored. ";
    case DSERR_BUFFERTOOSMALL: return "The buffer is too small for the effect. ";
    case DSERR_CONTROLUNAVAIL: return "The buffer was not made with the control that this call needs. ";
    case DSERR_DS8_REQUIRED: return "The call needs the version 8 interface. ";
    case E_FAIL: return "An unspecified error occurred. ";
    case DSERR_INVALIDCALL: return "The call is not valid in the object's present state. ";
    case DSERR_INVALIDPARAM: return "An argument is not valid. ";
    case DSERR_NOAGGREGATION: return "The object does not support aggregation. ";
    case DSERR_NODRIVER: return "No sound driver is available for use. ";
    case DSERR_NOINTERFACE: return "The interface is not supported. ";
    case DSERR_OBJECTNOTFOUND: return "The requested effect was not found. ";
    case DSERR_OTHERAPPHASPRIO: return "Another application has a higher priority level. ";
    case DSERR_OUTOFMEMORY: return "There is not enough memory for the request. ";
    case DSERR_PRIOLEVELNEEDED: return "The call needs a higher cooperative level. ";
    case DSERR_SENDLOOP: return "Effect sends would form a loop. ";
    case DSERR_UNINITIALIZED: return "The object has not been initialized. ";
    case DSERR_UNSUPPORTED: return "The function is not available. ";
    default: return "Unknown";
  }
}

// ---- enumeration

void DirectSoundDevice::enumerateDevices(std::vector<DirectSoundDevice*>* out) {
  if (!out) return;
  EnumContext context = {out, 0};
  dsCheck(DirectSoundEnumerateA(outputEnum, &context));
  g_captures.clear();
  dsCheck(DirectSoundCaptureEnumerateA(captureEnum, nullptr));
}

const std::vector<DirectSoundCaptureEntry>& DirectSoundDevice::captureDevices() { return g_captures; }

bool DirectSoundDevice::isVxdModule(const std::string& module) {
  if (module.size() <= 4) return false;
  const std::string tail = module.substr(module.size() - 4);
  return tail == ".vxd" || tail == ".VXD";
}

int DirectSoundDevice::blockFramesFor(int rate, int latencyMs) {
  const int x = static_cast<int>(rate * 0.001 * latencyMs);
  return gpClamp(x - (x % 128) + 128, 128, static_cast<int>(kMaxBlockFrames));
}

// ---- life cycle

DirectSoundDevice::DirectSoundDevice(const char* description, const char* module, const GUID& guid)
    : AudioDriverDevice(std::string("DS ") + description, RateListBuffer::ROOM_FOR_RATES),
      deviceGuid_(guid),
      moduleName_(module) {
  std::memset(&captureGuid_, 0, sizeof captureGuid_);
  std::memset(outputPorts_, 0, sizeof outputPorts_);
  std::memset(inputPorts_, 0, sizeof inputPorts_);
  std::memset(&block, 0, sizeof block);

  typedef DirectSoundDevice D;
  DevicePropertyMaps<DirectSoundDevice>& p = properties_;
  p.add(kPropDeviceName, this, &D::nameInfo, &D::nameGet);
  p.add(kPropDeviceDescription, this, nullptr, &D::descriptionGet);
  p.add(kPropPortDescription, this, &D::portInfo, &D::portGet, &D::portSet);
  p.add(kPropStreamDescription, this, &D::streamInfo, &D::streamGet);
  p.add(kPropEnableAudioPort, this, nullptr, nullptr, &D::enableSet);
  p.add(kPropActiveAudioPort, this, nullptr, nullptr, &D::activeSet);
  p.add(kPropLatency, this, &D::latencyInfo, &D::latencyGet, &D::latencySet);
  p.add(kPropSetInLatency, this, &D::inLatencyInfo, &D::inLatencyGet, &D::inLatencySet);
  p.add(kPropSampleRateList, this, &D::rateListInfo, &D::rateListGet);
  p.add(kPropSampleRate, this, nullptr, &D::rateGet, &D::rateSet);
  p.add(kPropBufferSize, this, &D::bufferSizeInfo, &D::bufferSizeGet, &D::bufferSizeSet);
  p.add(kPropInBufferSize, this, &D::bufferSizeInfo, &D::inBufferSizeGet, &D::inBufferSizeSet);
  p.add(kPropAudioInDeviceList, this, &D::inListInfo, &D::inListGet);
  p.add(kPropAudioInDevice, this, nullptr, nullptr, &D::inDeviceSet);
  p.add(kPropActiveAudioInDevice, this, nullptr, &D::activeInDeviceGet);
}

DirectSoundDevice::~DirectSoundDevice() {
  start(false);
  if (isOpenFlag_) open(false);
  releaseObjects();
  lock_.destroy();
}

void DirectSoundDevice::setCaptureDevice(const GUID* guid) {
  hasCaptureGuid_ = guid != nullptr;
  if (guid)
    captureGuid_ = *guid;
  else
    std::memset(&captureGuid_, 0, sizeof captureGuid_);
  static const GUID kNoGuid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  captureIsDefault_ = guid && std::memcmp(guid, &kNoGuid, sizeof kNoGuid) == 0;
}

void DirectSoundDevice::buildPorts() {
  for (int i = 0; i < kMaxPorts; ++i) {
    Port& o = outputPorts_[i];
    Port& in = inputPorts_[i];
    o.enabled = o.active = (i < 2) ? 1 : 0;
    in.enabled = in.active = 0;
    copyText(o.name, sizeof o.name, deviceName());
    copyText(in.name, sizeof in.name, deviceName());
  }
}

void DirectSoundDevice::freeChannelBuffers() {
  for (std::unique_ptr<float[]>& b : outputStore_) b.reset();
  for (std::unique_ptr<float[]>& b : inputStore_) b.reset();
  std::memset(&block, 0, sizeof block);
}

void DirectSoundDevice::releaseObjects() {
  if (directSoundCapture_) directSoundCapture_->Release();
  if (directSound_) directSound_->Release();
  directSoundCapture_ = nullptr;
  directSound_ = nullptr;
}

int DirectSoundDevice::open(bool on) {
  if (!on) {
    if (!isOpenFlag_) return AB_ERR_NOT_OPEN;
    start(false);
    lock_.enter();
    std::memset(outputPorts_, 0, sizeof outputPorts_);
    std::memset(inputPorts_, 0, sizeof inputPorts_);
    freeChannelBuffers();
    isOpenFlag_ = false;
    lock_.leave();
    releaseObjects();
    return AB_OK;
  }
  if (isOpenFlag_) return AB_OK;
  // The timer pass and the closing share this lock: without it the device cannot run safely.
  if (!lock_.create()) return AB_ERR_OPEN_FAILED;
  buildPorts();

  if (dsCheck(DirectSoundCreate(&deviceGuid_, &directSound_, nullptr)) != DS_OK) directSound_ = nullptr;
  if (directSound_) {
    dsCheck(directSound_->SetCooperativeLevel(GetForegroundWindow(), DSSCL_PRIORITY));
    DSCAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.dwSize = sizeof caps;
    if (dsCheck(directSound_->GetCaps(&caps)) != DS_OK ||
        (caps.dwFlags & (DSCAPS_SECONDARY16BIT | DSCAPS_SECONDARYSTEREO)) !=
            (DSCAPS_SECONDARY16BIT | DSCAPS_SECONDARYSTEREO)) {
      releaseObjects();
      return AB_ERR_NO_DEVICE;
    }
    const bool emulated = (caps.dwFlags & DSCAPS_EMULDRIVER) != 0;
    outputChannels_ = (!emulated && caps.dwMaxHw3DStreamingBuffers >= 4) ? 4 : 2;
    if (isVxdModule(moduleName_)) outputChannels_ = 2;
    IDirectSoundBuffer* trial = nullptr;
    if (!createOutputBuffer(&trial, outputChannels_)) {
      outputChannels_ = inputChannels_ = 0;
      releaseObjects();
      return AB_ERR_STREAM_FAILED;
    }
    trial->Release();
  }
  inputChannels_ = 0;
  if (hasCaptureGuid_) {
    if (dsCheck(DirectSoundCaptureCreate(captureIsDefault_ ? nullptr : &captureGuid_, &directSoundCapture_, nullptr)) !=
        DS_OK)
      directSoundCapture_ = nullptr;
    if (directSoundCapture_) {
      DSCCAPS caps;
      std::memset(&caps, 0, sizeof caps);
      caps.dwSize = sizeof caps;
      dsCheck(directSoundCapture_->GetCaps(&caps));
      inputChannels_ = 2;
    }
  }
  if (!directSound_ && !directSoundCapture_) return AB_ERR_NO_DEVICE;
  if (!directSound_) outputChannels_ = 0;

  std::memset(&block, 0, sizeof block);
  block.frames = block.input.frames = block.output.frames = blockFrames_;
  block.sampleRate = sampleRate_;
  bool ok = true;
  for (int c = 0; c < outputChannels_ && ok; ++c) {
    outputStore_[c].reset(new (std::nothrow) float[kMaxBlockFrames]());
    ok = outputStore_[c] != nullptr;
    outputIds_[c] = c;
  }
  for (int c = 0; c < inputChannels_ && ok; ++c) {
    inputStore_[c].reset(new (std::nothrow) float[kMaxBlockFrames]());
    ok = inputStore_[c] != nullptr;
    inputIds_[c] = c;
  }
  if (!ok) {
    freeChannelBuffers();
    releaseObjects();
    return AB_ERR_OPEN_FAILED;
  }
  block.output.buffers = blockOutputs_;
  block.output.channelIds = outputIds_;
  block.input.buffers = blockInputs_;
  block.input.channelIds = inputIds_;
  isOpenFlag_ = true;
  return AB_OK;
}

int DirectSoundDevice::start(bool on) {
  if (!on) {
    const bool running = isRunningFlag_.load();
    if (!running && !outputBuffer_ && !captureBuffer_ && !timerId_) return AB_OK;
    if (running) {
      // The timer writes silence over the whole buffer before it stops.
      stopping_.store(true);
      const int perMs = sampleRate_ / 1000 > 0 ? sampleRate_ / 1000 : 1;
      Sleep(static_cast<DWORD>(bufferFrames_ / perMs + 10));
    }
    if (outputBuffer_) dsCheck(outputBuffer_->Stop());
    if (captureBuffer_) dsCheck(captureBuffer_->Stop());
    if (timerId_) timeKillEvent(timerId_);
    timerId_ = 0;
    lock_.enter();
    isRunningFlag_.store(false);
    if (outputBuffer_) outputBuffer_->Release();
    if (captureBuffer_) captureBuffer_->Release();
    outputBuffer_ = nullptr;
    captureBuffer_ = nullptr;
    lock_.leave();
    return AB_OK;
  }
  if (!isOpenFlag_) return AB_ERR_NOT_OPEN;
  if (isRunningFlag_.load()) return AB_OK;

  // 1. The ports that are both active and enabled; the block's channels carry their indices.
  activeOutputs_ = activeInputs_ = 0;
  for (int i = 0; i < outputChannels_; ++i)
    if (outputPorts_[i].active && outputPorts_[i].enabled) outputIds_[activeOutputs_++] = i;
  for (int i = 0; i < inputChannels_; ++i)
    if (inputPorts_[i].active && inputPorts_[i].enabled) inputIds_[activeInputs_++] = i;
  stopping_.store(false);
  if (activeOutputs_ == 0 && activeInputs_ == 0) return AB_ERR_STREAM_FAILED;

  // 2.-3. The buffers.
  if (!directSound_ || activeOutputs_ == 0 || !createOutputBuffer(&outputBuffer_, activeOutputs_)) {
    outputBuffer_ = nullptr;
    return AB_ERR_STREAM_FAILED;
  }
  if (bufferChannels_ < activeOutputs_) activeOutputs_ = bufferChannels_;  // the stereo fallback was taken
  if (directSoundCapture_ && activeInputs_ > 0 && !createCaptureBuffer(&captureBuffer_)) {
    captureBuffer_ = nullptr;
    activeInputs_ = 0;
  }
  if (!captureBuffer_) activeInputs_ = 0;

  // 4.-5. The block's channels and the buffer's size as it reports it.
  for (int c = 0; c < activeOutputs_; ++c) blockOutputs_[c] = outputStore_[c].get();
  for (int c = 0; c < activeInputs_; ++c) blockInputs_[c] = inputStore_[c].get();
  block.output.channelCount = activeOutputs_;
  block.input.channelCount = activeInputs_;
  DSBCAPS caps;
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;
  dsCheck(outputBuffer_->GetCaps(&caps));
  bufferBytes_ = caps.dwBufferBytes;
  bufferFrames_ = static_cast<int32_t>(bufferBytes_ / (2u * static_cast<uint32_t>(activeOutputs_)));
  captureBytes_ = 0;
  if (captureBuffer_) {
    DSCBCAPS ccaps;
    std::memset(&ccaps, 0, sizeof ccaps);
    ccaps.dwSize = sizeof ccaps;
    dsCheck(captureBuffer_->GetCaps(&ccaps));
    captureBytes_ = ccaps.dwBufferBytes;
  }
  if (bufferFrames_ < 256) {
    start(false);
    return AB_ERR_STREAM_FAILED;
  }

  // 6. The block.
  blockFrames_ = blockFramesFor(sampleRate_, outputLatencyMs_);
  block.frames = block.input.frames = block.output.frames = blockFrames_;
  block.sampleRate = sampleRate_;

  // 7. Latencies in bytes; each stays below its buffer's length, whatever the latency in ms.
  int effectiveMs = outputLatencyMs_;
  const int bufferMs = static_cast<int>(static_cast<int64_t>(bufferFrames_) * 1000 / sampleRate_);
  if (effectiveMs > bufferMs - 1) effectiveMs = bufferMs - 1;
  if (effectiveMs < 1) effectiveMs = 1;
  outputLatencyBytes_ = static_cast<int32_t>(2.0 * effectiveMs * 0.001 * sampleRate_ * activeOutputs_);
  inputLatencyBytes_ = static_cast<int32_t>(2.0 * inputLatencyMs_ * 0.001 * sampleRate_ * activeInputs_);
  if (captureBytes_ && static_cast<uint32_t>(inputLatencyBytes_) >= captureBytes_)
    inputLatencyBytes_ = static_cast<int32_t>(captureBytes_ - 2u * static_cast<uint32_t>(activeInputs_));
  msPerFrame_ = 1000.0 / sampleRate_;

  // 8. From the start of both buffers, in silence.
  framesToBlock_ = 0;
  writePosition_ = capturePosition_ = capturePrimed_ = 0;
  clearOutputBuffer();
  samplePosition_ = 0;
  isRunningFlag_.store(true);

  // 9. The timer: a fifth of the latency plus 1 ms.
  timerPeriodMs_ = static_cast<uint32_t>(effectiveMs / 5 + 1);
  timerId_ = timeSetEvent(timerPeriodMs_, 0, timerProc, reinterpret_cast<DWORD_PTR>(this),
                          TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  if (!timerId_) {
    start(false);
    return AB_ERR_STREAM_FAILED;
  }

  // 10. Play.
  if (dsCheck(outputBuffer_->Play(0, 0, DSBPLAY_LOOPING)) != DS_OK ||
      (captureBuffer_ && dsCheck(captureBuffer_->Start(DSCBSTART_LOOPING)) != DS_OK)) {
    start(false);
    return AB_ERR_STREAM_FAILED;
  }
  if (!captureBuffer_) capturePrimed_ = 1;
  return AB_OK;
}

void CALLBACK DirectSoundDevice::timerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  reinterpret_cast<DirectSoundDevice*>(user)->process();
}

// ---- the timer pass (the audio thread)

void DirectSoundDevice::process() {
  if (!isRunningFlag_.load(std::memory_order_acquire)) return;
  lock_.enter();
  if (!outputBuffer_ || !isRunningFlag_.load(std::memory_order_relaxed)) {
    lock_.leave();
    return;
  }
  const uint32_t outFrameBytes = 2u * static_cast<uint32_t>(activeOutputs_);
  const uint32_t inFrameBytes = 2u * static_cast<uint32_t>(activeInputs_);
  // Each round writes at most what is left of the block; a cut round is followed by another.
  for (int round = 0; round < 64; ++round) {
    uint32_t w = outputWritable(writePosition_);
    uint32_t c = captureAvailable(capturePosition_);
    const DWORD now = timeGetTime();
    if (activeOutputs_ > 0) c = w;
    if (w == 0 && c == 0) break;
    int frames = activeOutputs_ > 0 ? static_cast<int>(w / outFrameBytes)
                                    : (inFrameBytes ? static_cast<int>(c / inFrameBytes) : 0);
    const bool cut = frames > framesToBlock_;
    if (cut) frames = framesToBlock_;
    if (!capturePrimed_) break;
    const int offset = blockFrames_ - framesToBlock_;
    writeOutput(writePosition_, frames, offset);
    readInput(capturePosition_, frames, offset);
    if (captureBytes_)
      capturePosition_ = (capturePosition_ + inFrameBytes * static_cast<uint32_t>(frames)) % captureBytes_;
    framesToBlock_ -= frames;
    if (framesToBlock_ == 0) {
      samplePosition_ += blockFrames_;
      runBlock(now);
      framesToBlock_ = blockFrames_;
    }
    writePosition_ = (writePosition_ + outFrameBytes * static_cast<uint32_t>(frames)) % bufferBytes_;
    if (!cut) break;
  }
  lock_.leave();
}

void DirectSoundDevice::runBlock(DWORD now) {
  if (ring) {
    ring->blockTime = static_cast<uint64_t>(now) * 1000u;
    block.ring = ring;
  } else {
    block.ring = nullptr;
  }
  if (callback) callback(&block, 0, callbackUser2, callbackUser1);
}

uint32_t DirectSoundDevice::outputWritable(uint32_t position) {
  if (!outputBuffer_ || bufferBytes_ == 0) return 0;
  DWORD play = 0, write = 0;
  if (outputBuffer_->GetCurrentPosition(&play, &write) != DS_OK) return 0;
  uint32_t target = play + static_cast<uint32_t>(outputLatencyBytes_);
  if (target >= bufferBytes_) target -= bufferBytes_;
  return (target + bufferBytes_ - position % bufferBytes_) % bufferBytes_;
}

uint32_t DirectSoundDevice::captureAvailable(uint32_t position) {
  if (!captureBuffer_ || captureBytes_ == 0) return 0;
  DWORD capture = 0, read = 0;
  if (captureBuffer_->GetCurrentPosition(&capture, &read) != DS_OK) return 0;
  if (capture > static_cast<DWORD>(inputLatencyBytes_)) capturePrimed_ = 1;
  if (!capturePrimed_) return 0;
  const uint32_t d =
      (capture + captureBytes_ - static_cast<uint32_t>(inputLatencyBytes_) % captureBytes_) % captureBytes_;
  return (d + captureBytes_ - position % captureBytes_) % captureBytes_;
}

void DirectSoundDevice::clearOutputBuffer() {
  if (!outputBuffer_) return;
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (dsCheck(outputBuffer_->Lock(0, bufferBytes_, &p1, &n1, &p2, &n2, 0)) != DS_OK) return;
  if (p1) std::memset(p1, 0, n1);
  if (p2) std::memset(p2, 0, n2);
  outputBuffer_->Unlock(p1, n1, p2, n2);
}

namespace {
// Locks the frames of a looping 16-bit buffer from the byte position and calls f(samples, frames)
// for each of its parts (two where it wraps), then unlocks it; nothing when the lock fails.
template <class Buffer, class F>
void withLockedFrames(Buffer* buffer, uint32_t position, int channels, int frames, F f) {
  void* regions[2] = {nullptr, nullptr};
  DWORD bytes[2] = {0, 0};
  const DWORD frameBytes = 2u * static_cast<DWORD>(channels);
  if (buffer->Lock(position, frameBytes * static_cast<DWORD>(frames), &regions[0], &bytes[0], &regions[1], &bytes[1],
                   0) != DS_OK)
    return;
  for (int r = 0; r < 2; ++r)
    if (regions[r]) f(static_cast<int16_t*>(regions[r]), static_cast<int>(bytes[r] / frameBytes));
  buffer->Unlock(regions[0], bytes[0], regions[1], bytes[1]);
}
}  // namespace

void DirectSoundDevice::writeOutput(uint32_t position, int frames, int offset) {
  if (!outputBuffer_ || frames <= 0 || activeOutputs_ <= 0) return;
  const int channels = activeOutputs_;
  const bool silent = stopping_.load(std::memory_order_relaxed);
  withLockedFrames(outputBuffer_, position, channels, frames, [&](int16_t* out, int n) {
    for (int f = 0; f < n && offset < blockFrames_; ++f, ++offset)
      for (int c = 0; c < channels; ++c) *out++ = silent ? 0 : pcm16FromFloat(blockOutputs_[c][offset]);
  });
}

void DirectSoundDevice::readInput(uint32_t position, int frames, int offset) {
  if (!captureBuffer_ || frames <= 0 || activeInputs_ <= 0) return;
  const int channels = activeInputs_;
  const float scale = 1.0f / 32767.0f;
  withLockedFrames(captureBuffer_, position, channels, frames, [&](const int16_t* in, int n) {
    for (int f = 0; f < n && offset < blockFrames_; ++f, ++offset)
      for (int c = 0; c < channels; ++c) blockInputs_[c][offset] = static_cast<float>(*in++) * scale;
  });
}

uint32_t DirectSoundDevice::outputChannelMask() {
  static const uint32_t kSpeakers[4] = {SPEAKER_FRONT_LEFT, SPEAKER_FRONT_RIGHT, SPEAKER_BACK_LEFT, SPEAKER_BACK_RIGHT};
  uint32_t mask = 0;
  for (int i = 0; i < outputChannels_ && i < 4; ++i)
    if (outputPorts_[i].active && outputPorts_[i].enabled) mask |= kSpeakers[i];
  return mask;
}

bool DirectSoundDevice::createOutputBuffer(IDirectSoundBuffer** out, int channels) {
  *out = nullptr;
  if (!directSound_ || channels <= 0) return false;
  WAVEFORMATEXTENSIBLE format;
  std::memset(&format, 0, sizeof format);
  WAVEFORMATEX& f = format.Format;
  f.nChannels = static_cast<WORD>(channels);
  f.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
  f.wBitsPerSample = 16;
  f.nBlockAlign = static_cast<WORD>(channels * 2);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  if (channels > 2) {
    f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.cbSize = 22;
    format.Samples.wValidBitsPerSample = 16;
    format.dwChannelMask = outputChannelMask();
    format.SubFormat = kPcmSubFormat;
  } else {
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.cbSize = 18;
  }
  directSound_->Compact();
  DSBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = kPrimaryFlags;
  IDirectSoundBuffer* primary = nullptr;
  if (dsCheck(directSound_->CreateSoundBuffer(&desc, &primary, nullptr)) == DS_OK && primary) {
    dsCheck(primary->SetFormat(&f));
    primary->Release();
  }
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = kSecondaryFlags;
  desc.dwBufferBytes = 2u * static_cast<DWORD>(channels) * static_cast<DWORD>(bufferFrames_);
  desc.lpwfxFormat = &f;
  bufferChannels_ = channels;
  if (dsCheck(directSound_->CreateSoundBuffer(&desc, out, nullptr)) != DS_OK || !*out) {
    *out = nullptr;
    // Again as plain stereo.
    WAVEFORMATEX stereo;
    std::memset(&stereo, 0, sizeof stereo);
    stereo.wFormatTag = WAVE_FORMAT_PCM;
    stereo.nChannels = 2;
    stereo.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
    stereo.wBitsPerSample = 16;
    stereo.nBlockAlign = 4;
    stereo.nAvgBytesPerSec = stereo.nSamplesPerSec * 4;
    stereo.cbSize = 18;
    desc.dwBufferBytes = 4u * static_cast<DWORD>(bufferFrames_);
    desc.lpwfxFormat = &stereo;
    if (dsCheck(directSound_->CreateSoundBuffer(&desc, out, nullptr)) != DS_OK || !*out) {
      *out = nullptr;
      bufferChannels_ = 0;
      return false;
    }
    outputChannels_ = 2;
    bufferChannels_ = 2;
  }
  WAVEFORMATEXTENSIBLE got;
  DWORD written = 0;
  (*out)->GetFormat(&got.Format, sizeof got, &written);
  return true;
}

bool DirectSoundDevice::createCaptureBuffer(IDirectSoundCaptureBuffer** out) {
  *out = nullptr;
  if (!directSoundCapture_ || inputChannels_ <= 0) return false;
  WAVEFORMATEX f;
  std::memset(&f, 0, sizeof f);
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = static_cast<WORD>(inputChannels_);
  f.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
  f.wBitsPerSample = 16;
  f.nBlockAlign = static_cast<WORD>(2 * inputChannels_);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  f.cbSize = 18;
  DSCBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwBufferBytes = 2u * static_cast<DWORD>(bufferFrames_) * static_cast<DWORD>(inputChannels_);
  desc.lpwfxFormat = &f;
  if (dsCheck(directSoundCapture_->CreateCaptureBuffer(&desc, out, nullptr)) != DS_OK || !*out) {
    *out = nullptr;
    return false;
  }
  return true;
}

void DirectSoundDevice::setOutputLatency(int ms) { outputLatencyMs_ = gpClamp(ms, minLatencyMs(), maxLatencyMs()); }

void DirectSoundDevice::setInputLatency(int ms) { inputLatencyMs_ = gpClamp(ms, minLatencyMs(), maxLatencyMs()); }

int DirectSoundDevice::minLatencyMs() const { return static_cast<int>(128 * 1000 / sampleRate_); }
int DirectSoundDevice::maxLatencyMs() const { return static_cast<int>(4096 * 1000 / sampleRate_); }

int DirectSoundDevice::reopen(bool wasOpen, bool wasRunning) {
  int r = AB_OK;
  if (wasOpen) r = open(true);
  if (r == AB_OK && wasRunning) r = start(true);
  return r;
}

// ---- properties

DirectSoundDevice::Port* DirectSoundDevice::findPort(int32_t index, bool isOutput) {
  if (index < 0) return nullptr;
  if (isOutput) return index < outputChannels_ ? &outputPorts_[index] : nullptr;
  return index < inputChannels_ ? &inputPorts_[index] : nullptr;
}

int DirectSoundDevice::descriptionGet(void* buffer, uint32_t* size) {
  if (!size || !buffer || *size < kDeviceDescriptionBytes) return AB_ERR_BAD_VALUE;
  writeDeviceDescription(buffer, kind, kDriverKind);
  *size = kDeviceDescriptionBytes;
  return AB_OK;
}

int DirectSoundDevice::portGet(void* buffer, uint32_t* size) {
  if (!isOpenFlag_) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size < kRecordCountBytes) return AB_ERR_BAD_VALUE;
  const uint32_t full =
      static_cast<uint32_t>(audioPortDescriptionBytes(static_cast<uint32_t>(inputChannels_ + outputChannels_)));
  if (*size == full) {
    std::memset(buffer, 0, full);
    writeU32(buffer, 0, static_cast<uint32_t>(inputChannels_ + outputChannels_));
    size_t k = 0;
    for (int dir = 0; dir < 2; ++dir) {
      const bool isOutput = dir == 1;
      const int n = isOutput ? outputChannels_ : inputChannels_;
      for (int i = 0; i < n; ++i) {
        const Port& p = isOutput ? outputPorts_[i] : inputPorts_[i];
        AudioPortEntry e = makePortEntry(i, isOutput, p.active != 0, p.enabled != 0);
        copyText(e.name, sizeof e.name, p.name);
        putPortEntry(buffer, k++, e);
      }
    }
    return AB_OK;
  }
  if (isSinglePortRecord(buffer, *size)) {
    return answerPortRecordFrom(buffer, [this](int32_t index, bool isOutput) { return findPort(index, isOutput); });
  }
  return AB_ERR_BAD_VALUE;
}

int DirectSoundDevice::portRecords(const void* value, uint32_t size, bool setActive, bool setEnabled) {
  if (!isOpenFlag_) return AB_ERR_NOT_OPEN;
  if (!isRecordList(value, size)) return AB_ERR_BAD_VALUE;
  forEachPortEntry(value, [&](const AudioPortEntry& e) {
    Port* p = findPort(e.index, e.isOutput != 0);
    if (!p) return;
    if (setActive) p->active = e.active ? 1 : 0;
    if (setEnabled) p->enabled = e.enabled ? 1 : 0;
  });
  return AB_OK;
}

int DirectSoundDevice::portSet(const void* value, uint32_t size) { return portRecords(value, size, true, true); }
int DirectSoundDevice::enableSet(const void* value, uint32_t size) { return portRecords(value, size, false, true); }
int DirectSoundDevice::activeSet(const void* value, uint32_t size) { return portRecords(value, size, true, false); }

int DirectSoundDevice::listedPortCount() const {
  int ports = 0;
  for (int i = 0; i < outputChannels_; ++i) ports += outputPorts_[i].active && outputPorts_[i].enabled;
  for (int i = 0; i < inputChannels_; ++i) ports += inputPorts_[i].active && inputPorts_[i].enabled;
  return ports;
}

int DirectSoundDevice::streamInfo(uint32_t* size, uint32_t* changeable) {
  if (!isOpenFlag_) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(streamDescriptionBytes(static_cast<uint32_t>(listedPortCount())), false, size, changeable);
}

// The stream lists the ports both active and enabled, inputs first.
int DirectSoundDevice::streamGet(void* buffer, uint32_t* size) {
  uint32_t expected = 0;
  if (streamInfo(&expected, nullptr) != AB_OK) return AB_ERR_NOT_OPEN;
  if (!size || !buffer || *size != expected) return AB_ERR_BAD_VALUE;
  std::memset(buffer, 0, expected);
  writeStreamHeader(buffer, static_cast<uint32_t>((expected - kStreamHeaderBytes) / kStreamEntryBytes),
                    static_cast<uint32_t>(blockFramesFor(sampleRate_, outputLatencyMs_)),
                    static_cast<uint32_t>(sampleRate_));
  size_t at = kStreamHeaderBytes;
  for (int dir = 0; dir < 2; ++dir) {
    const int n = dir ? outputChannels_ : inputChannels_;
    const Port* ports = dir ? outputPorts_ : inputPorts_;
    uint32_t channel = 0;
    for (int i = 0; i < n; ++i)
      if (ports[i].active && ports[i].enabled)
        at = writeStreamEntry(buffer, at, dir == 1, channel++, static_cast<uint32_t>(i));
  }
  return AB_OK;
}

// "Latency" and "SetInLatency": the latency in ms as one word, or the range (2, low, high) in three;
// unknown while the device is closed.
int DirectSoundDevice::latencyRangeInfo(bool canChange, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_LATENCY_BAD_SIZE;
  if (!isOpenFlag_) {
    *size = 0;
    if (changeable) *changeable = 0;
    return AB_ERR_LATENCY_NOT_OPEN;
  }
  return valuePropertyInfo(kLatencyRangeBytes, canChange, size, changeable);
}

// Every value read out is shifted by `shown` ms.
int DirectSoundDevice::latencyRangeGet(int ms, int shown, void* buffer, uint32_t* size) {
  if (!isOpenFlag_) return AB_ERR_LATENCY_NOT_OPEN;
  if (!size || !buffer) return AB_ERR_LATENCY_BAD_SIZE;
  if (*size == sizeof(uint32_t)) {
    writeU32(buffer, 0, static_cast<uint32_t>(ms + shown));
    return AB_OK;
  }
  if (*size == kLatencyRangeBytes) {
    writeU32(buffer, 0, 2);
    writeU32(buffer, 4, static_cast<uint32_t>(minLatencyMs() + shown));
    writeU32(buffer, 8, static_cast<uint32_t>(maxLatencyMs() + shown));
    return AB_OK;
  }
  return AB_ERR_LATENCY_BAD_SIZE;
}

int DirectSoundDevice::latencyInfo(uint32_t* size, uint32_t* changeable) {
  return latencyRangeInfo(true, size, changeable);
}
int DirectSoundDevice::latencyGet(void* buffer, uint32_t* size) {
  return latencyRangeGet(outputLatencyMs_, kShownLatencyMs, buffer, size);
}

int DirectSoundDevice::latencySet(const void* value, uint32_t size) {
  if (!isOpenFlag_) return AB_ERR_LATENCY_NOT_OPEN;
  if (!isWordValue(value, size)) return AB_ERR_LATENCY_BAD_SIZE;
  const int64_t ms = static_cast<int64_t>(static_cast<int32_t>(readU32(value, 0))) - kShownLatencyMs;
  setOutputLatency(static_cast<int>(gpClamp<int64_t>(ms, -1, 1000000)));
  return AB_OK;
}

int DirectSoundDevice::inLatencyInfo(uint32_t* size, uint32_t* changeable) {
  return latencyRangeInfo(false, size, changeable);
}
int DirectSoundDevice::inLatencyGet(void* buffer, uint32_t* size) {
  return latencyRangeGet(inputLatencyMs_, 0, buffer, size);
}

int DirectSoundDevice::inLatencySet(const void* value, uint32_t size) {
  if (!isOpenFlag_) return AB_ERR_LATENCY_NOT_OPEN;
  if (!isWordValue(value, size)) return AB_ERR_LATENCY_BAD_SIZE;
  setInputLatency(static_cast<int32_t>(readU32(value, 0)));
  return AB_OK;
}

int DirectSoundDevice::listedRates(int32_t* list) {
  for (int i = 0; i < rateCount_; ++i) list[i] = static_cast<int32_t>(rates_[i]);
  return rateCount_;
}

int DirectSoundDevice::rateSet(const void* value, uint32_t size) {
  uint32_t word = 0;
  const int r = openWordSet(value, size, &word);
  if (r != AB_OK) return r;
  const int32_t rate = static_cast<int32_t>(word);
  // Only the rates of the list: the device keeps its rate otherwise.
  bool listed = false;
  for (int i = 0; i < rateCount_; ++i) listed = listed || static_cast<int32_t>(rates_[i]) == rate;
  if (!listed) return AB_ERR_BAD_VALUE;
  if (rate == sampleRate_) return AB_OK;
  const bool wasRunning = isRunningFlag_.load();
  start(false);
  sampleRate_ = rate;
  setOutputLatency(outputLatencyMs_);
  setInputLatency(inputLatencyMs_);
  open(false);
  return reopen(true, wasRunning);
}

// The block's frames, or before the first start those the output latency gives.
uint32_t DirectSoundDevice::currentBlockFrames() {
  return static_cast<uint32_t>(blockFrames_ != 0 ? blockFrames_ : blockFramesFor(sampleRate_, outputLatencyMs_));
}

int DirectSoundDevice::bufferSizeSet(const void* value, uint32_t size) {
  uint32_t word = 0;
  const int r = openWordSet(value, size, &word);
  if (r != AB_OK) return r;
  const int32_t frames = gpClamp<int32_t>(static_cast<int32_t>(word), 1, kMaxBlockFrames);
  blockFrames_ = frames;
  setOutputLatency(static_cast<int>(frames / (sampleRate_ * 0.001)));
  return AB_OK;
}

int DirectSoundDevice::inBufferSizeGet(void* buffer, uint32_t* size) {
  return openWordGet(static_cast<uint32_t>(static_cast<int32_t>(sampleRate_ * 0.001 * inputLatencyMs_)), buffer, size);
}

int DirectSoundDevice::inBufferSizeSet(const void* value, uint32_t size) {
  uint32_t word = 0;
  const int r = openWordSet(value, size, &word);
  if (r != AB_OK) return r;
  const int32_t frames = gpClamp<int32_t>(static_cast<int32_t>(word), 0, kMaxBlockFrames);
  setInputLatency(static_cast<int>(frames / (sampleRate_ * 0.001)));
  return AB_OK;
}

namespace {
std::string captureName(size_t k) { return "DS " + g_captures[k].description; }
}  // namespace

int DirectSoundDevice::inListInfo(uint32_t* size, uint32_t* changeable) {
  return valuePropertyInfo(static_cast<uint32_t>(inDeviceListBytes(static_cast<uint32_t>(g_captures.size()))), false,
                           size, changeable);
}

int DirectSoundDevice::inListGet(void* buffer, uint32_t* size) {
  if (!size) return AB_ERR_BAD_VALUE;
  return inDeviceListPropertyGet(static_cast<uint32_t>(g_captures.size()), captureName, buffer, size);
}

int DirectSoundDevice::inDeviceSet(const void* value, uint32_t size) {
  if (!value || size != sizeof(AudioInDeviceEntry)) return AB_ERR_BAD_VALUE;
  const int32_t index = static_cast<int32_t>(readU32(value, 0));
  const bool wasOpen = isOpenFlag_;
  const bool wasRunning = isRunningFlag_.load();
  start(false);
  if (isOpenFlag_) open(false);
  if (index >= 0 && static_cast<size_t>(index) < g_captures.size()) {
    // The entry without a GUID is the system's default capture device.
    setCaptureDevice(&g_captures[static_cast<size_t>(index)].guid);
    activeCaptureIndex_ = index;
  } else {
    setCaptureDevice(nullptr);
    activeCaptureIndex_ = -1;
  }
  return reopen(wasOpen, wasRunning);
}

int DirectSoundDevice::activeInDeviceGet(void* buffer, uint32_t* size) {
  if (!size || !buffer || *size < sizeof(AudioInDeviceEntry)) return AB_ERR_BAD_VALUE;
  const bool known = activeCaptureIndex_ >= 0 && static_cast<size_t>(activeCaptureIndex_) < g_captures.size();
  putInDeviceEntry(buffer, 0, activeCaptureIndex_,
                   known ? captureName(static_cast<size_t>(activeCaptureIndex_)) : kNoInputDeviceName);
  *size = sizeof(AudioInDeviceEntry);
  return AB_OK;
}
