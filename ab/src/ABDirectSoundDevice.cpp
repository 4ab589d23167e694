// The DirectSound driver: enumeration, device life cycle, the timer pass that feeds the looping
// secondary buffer, and the properties.
#include "ABDirectSoundDevice.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "ABClamp.h"
#include "ABDeviceErrors.h"
#include "ABPropertyValues.h"
#include "ABSampleFormatConverter.h"
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
  return abClamp(x - (x % 128) + 128, 128, static_cast<int>(kMaxBlockFrames));
}

// ---- life cycle

DirectSoundDevice::DirectSoundDevice(const char* description, const char* module, const GUID& guid)
    : AudioDriverDevice(std::string("DS ") + description), deviceGuid(guid), moduleName(module) {
  std::memset(&captureGuid, 0, sizeof captureGuid);
  std::memset(outputPorts, 0, sizeof outputPorts);
  std::memset(inputPorts, 0, sizeof inputPorts);
  std::memset(&block, 0, sizeof block);

  typedef DirectSoundDevice D;
  DevicePropertyMaps<DirectSoundDevice>& p = properties;
  p.add("DeviceName", this, &D::nameInfo, &D::nameGet);
  p.add("DeviceDescription", this, nullptr, &D::descriptionGet);
  p.add("PortDescription", this, &D::portInfo, &D::portGet, &D::portSet);
  p.add("StreamDescription", this, &D::streamInfo, &D::streamGet);
  p.add("EnableAudioPort", this, nullptr, nullptr, &D::enableSet);
  p.add("ActiveAudioPort", this, nullptr, nullptr, &D::activeSet);
  p.add("Latency", this, &D::latencyInfo, &D::latencyGet, &D::latencySet);
  p.add("SetInLatency", this, &D::inLatencyInfo, &D::inLatencyGet, &D::inLatencySet);
  p.add("SampleRateList", this, &D::rateListInfo, &D::rateListGet);
  p.add("SampleRate", this, nullptr, &D::rateGet, &D::rateSet);
  p.add("BufferSize", this, &D::bufferSizeInfo, &D::bufferSizeGet, &D::bufferSizeSet);
  p.add("InBufferSize", this, &D::bufferSizeInfo, &D::inBufferSizeGet, &D::inBufferSizeSet);
  p.add("AudioInDeviceList", this, &D::inListInfo, &D::inListGet);
  p.add("AudioInDevice", this, nullptr, nullptr, &D::inDeviceSet);
  p.add("ActiveAudioInDevice", this, nullptr, &D::activeInDeviceGet);
}

DirectSoundDevice::~DirectSoundDevice() {
  start(false);
  if (isOpenFlag) open(false);
  releaseObjects();
  lock.destroy();
}

void DirectSoundDevice::setCaptureDevice(const GUID* guid) {
  hasCaptureGuid = guid != nullptr;
  if (guid)
    captureGuid = *guid;
  else
    std::memset(&captureGuid, 0, sizeof captureGuid);
  static const GUID kNoGuid = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
  captureIsDefault = guid && std::memcmp(guid, &kNoGuid, sizeof kNoGuid) == 0;
}

void DirectSoundDevice::buildPorts() {
  for (int i = 0; i < kMaxPorts; ++i) {
    Port& o = outputPorts[i];
    Port& in = inputPorts[i];
    o.enabled = o.active = (i < 2) ? 1 : 0;
    in.enabled = in.active = 0;
    copyText(o.name, sizeof o.name, deviceName());
    copyText(in.name, sizeof in.name, deviceName());
  }
}

void DirectSoundDevice::freeChannelBuffers() {
  for (float*& b : outputStore) {
    delete[] b;
    b = nullptr;
  }
  for (float*& b : inputStore) {
    delete[] b;
    b = nullptr;
  }
  std::memset(&block, 0, sizeof block);
}

void DirectSoundDevice::releaseObjects() {
  if (directSoundCapture) directSoundCapture->Release();
  if (directSound) directSound->Release();
  directSoundCapture = nullptr;
  directSound = nullptr;
}

int DirectSoundDevice::open(bool on) {
  if (!on) {
    if (!isOpenFlag) return AB_ERR_NOT_OPEN;
    start(false);
    lock.enter();
    std::memset(outputPorts, 0, sizeof outputPorts);
    std::memset(inputPorts, 0, sizeof inputPorts);
    freeChannelBuffers();
    isOpenFlag = false;
    lock.leave();
    releaseObjects();
    return AB_OK;
  }
  if (isOpenFlag) return AB_OK;
  // The timer pass and the closing share this lock: without it the device cannot run safely.
  if (!lock.create()) return AB_ERR_NOT_OPEN;
  buildPorts();

  if (dsCheck(DirectSoundCreate(&deviceGuid, &directSound, nullptr)) != DS_OK) directSound = nullptr;
  if (directSound) {
    dsCheck(directSound->SetCooperativeLevel(GetForegroundWindow(), DSSCL_PRIORITY));
    DSCAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.dwSize = sizeof caps;
    if (dsCheck(directSound->GetCaps(&caps)) != DS_OK ||
        (caps.dwFlags & (DSCAPS_SECONDARY16BIT | DSCAPS_SECONDARYSTEREO)) !=
            (DSCAPS_SECONDARY16BIT | DSCAPS_SECONDARYSTEREO)) {
      releaseObjects();
      return AB_ERR_NO_DEVICE;
    }
    const bool emulated = (caps.dwFlags & DSCAPS_EMULDRIVER) != 0;
    outputChannels = (!emulated && caps.dwMaxHw3DStreamingBuffers >= 4) ? 4 : 2;
    if (isVxdModule(moduleName)) outputChannels = 2;
    IDirectSoundBuffer* trial = nullptr;
    if (!createOutputBuffer(&trial, outputChannels)) {
      outputChannels = inputChannels = 0;
      releaseObjects();
      return AB_ERR_NO_PROPERTY;
    }
    trial->Release();
  }
  inputChannels = 0;
  if (hasCaptureGuid) {
    if (dsCheck(DirectSoundCaptureCreate(captureIsDefault ? nullptr : &captureGuid, &directSoundCapture, nullptr)) !=
        DS_OK)
      directSoundCapture = nullptr;
    if (directSoundCapture) {
      DSCCAPS caps;
      std::memset(&caps, 0, sizeof caps);
      caps.dwSize = sizeof caps;
      dsCheck(directSoundCapture->GetCaps(&caps));
      inputChannels = 2;
    }
  }
  if (!directSound && !directSoundCapture) return AB_ERR_NO_DEVICE;
  if (!directSound) outputChannels = 0;

  std::memset(&block, 0, sizeof block);
  block.frames = block.input.frames = block.output.frames = blockFrames;
  block.sampleRate = sampleRate;
  bool ok = true;
  for (int c = 0; c < outputChannels && ok; ++c) {
    outputStore[c] = new (std::nothrow) float[kMaxBlockFrames]();
    ok = outputStore[c] != nullptr;
    outputIds[c] = c;
  }
  for (int c = 0; c < inputChannels && ok; ++c) {
    inputStore[c] = new (std::nothrow) float[kMaxBlockFrames]();
    ok = inputStore[c] != nullptr;
    inputIds[c] = c;
  }
  if (!ok) {
    freeChannelBuffers();
    releaseObjects();
    return AB_ERR_NOT_OPEN;
  }
  block.output.buffers = blockOutputs;
  block.output.channelIds = outputIds;
  block.input.buffers = blockInputs;
  block.input.channelIds = inputIds;
  isOpenFlag = true;
  return AB_OK;
}

int DirectSoundDevice::start(bool on) {
  if (!on) {
    const bool running = isRunningFlag.load();
    if (!running && !outputBuffer && !captureBuffer && !timerId) return AB_OK;
    if (running) {
      // The timer writes silence over the whole buffer before it stops.
      stopping.store(true);
      const int perMs = sampleRate / 1000 > 0 ? sampleRate / 1000 : 1;
      Sleep(static_cast<DWORD>(bufferFrames / perMs + 10));
    }
    if (outputBuffer) dsCheck(outputBuffer->Stop());
    if (captureBuffer) dsCheck(captureBuffer->Stop());
    if (timerId) timeKillEvent(timerId);
    timerId = 0;
    lock.enter();
    isRunningFlag.store(false);
    if (outputBuffer) outputBuffer->Release();
    if (captureBuffer) captureBuffer->Release();
    outputBuffer = nullptr;
    captureBuffer = nullptr;
    lock.leave();
    return AB_OK;
  }
  if (!isOpenFlag) return AB_ERR_NOT_OPEN;
  if (isRunningFlag.load()) return AB_OK;

  // 1. The ports that are both active and enabled; the block's channels carry their indices.
  activeOutputs = activeInputs = 0;
  for (int i = 0; i < outputChannels; ++i)
    if (outputPorts[i].active && outputPorts[i].enabled) outputIds[activeOutputs++] = i;
  for (int i = 0; i < inputChannels; ++i)
    if (inputPorts[i].active && inputPorts[i].enabled) inputIds[activeInputs++] = i;
  stopping.store(false);
  if (activeOutputs == 0 && activeInputs == 0) return AB_ERR_NO_PROPERTY;

  // 2.-3. The buffers.
  if (!directSound || activeOutputs == 0 || !createOutputBuffer(&outputBuffer, activeOutputs)) {
    outputBuffer = nullptr;
    return AB_ERR_NO_PROPERTY;
  }
  if (bufferChannels < activeOutputs) activeOutputs = bufferChannels;  // the stereo fallback was taken
  if (directSoundCapture && activeInputs > 0 && !createCaptureBuffer(&captureBuffer)) {
    captureBuffer = nullptr;
    activeInputs = 0;
  }
  if (!captureBuffer) activeInputs = 0;

  // 4.-5. The block's channels and the buffer's size as it reports it.
  for (int c = 0; c < activeOutputs; ++c) blockOutputs[c] = outputStore[c];
  for (int c = 0; c < activeInputs; ++c) blockInputs[c] = inputStore[c];
  block.output.channelCount = activeOutputs;
  block.input.channelCount = activeInputs;
  DSBCAPS caps;
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;
  dsCheck(outputBuffer->GetCaps(&caps));
  bufferBytes = caps.dwBufferBytes;
  bufferFrames = static_cast<int32_t>(bufferBytes / (2u * static_cast<uint32_t>(activeOutputs)));
  captureBytes = 0;
  if (captureBuffer) {
    DSCBCAPS ccaps;
    std::memset(&ccaps, 0, sizeof ccaps);
    ccaps.dwSize = sizeof ccaps;
    dsCheck(captureBuffer->GetCaps(&ccaps));
    captureBytes = ccaps.dwBufferBytes;
  }
  if (bufferFrames < 256) {
    start(false);
    return AB_ERR_NO_PROPERTY;
  }

  // 6. The block.
  blockFrames = blockFramesFor(sampleRate, outputLatencyMs);
  block.frames = block.input.frames = block.output.frames = blockFrames;
  block.sampleRate = sampleRate;

  // 7. Latencies in bytes; each stays below its buffer's length, whatever the latency in ms.
  int effectiveMs = outputLatencyMs;
  const int bufferMs = static_cast<int>(static_cast<int64_t>(bufferFrames) * 1000 / sampleRate);
  if (effectiveMs > bufferMs - 1) effectiveMs = bufferMs - 1;
  if (effectiveMs < 1) effectiveMs = 1;
  outputLatencyBytes = static_cast<int32_t>(2.0 * effectiveMs * 0.001 * sampleRate * activeOutputs);
  inputLatencyBytes = static_cast<int32_t>(2.0 * inputLatencyMs * 0.001 * sampleRate * activeInputs);
  if (captureBytes && static_cast<uint32_t>(inputLatencyBytes) >= captureBytes)
    inputLatencyBytes = static_cast<int32_t>(captureBytes - 2u * static_cast<uint32_t>(activeInputs));
  msPerFrame = 1000.0 / sampleRate;

  // 8. From the start of both buffers, in silence.
  framesToBlock = 0;
  writePosition = capturePosition = capturePrimed = 0;
  clearOutputBuffer();
  samplePosition = 0;
  isRunningFlag.store(true);

  // 9. The timer: a fifth of the latency plus 1 ms.
  timerPeriodMs = static_cast<uint32_t>(effectiveMs / 5 + 1);
  timerId = timeSetEvent(timerPeriodMs, 0, timerProc, reinterpret_cast<DWORD_PTR>(this),
                         TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  if (!timerId) {
    start(false);
    return AB_ERR_NO_PROPERTY;
  }

  // 10. Play.
  if (dsCheck(outputBuffer->Play(0, 0, DSBPLAY_LOOPING)) != DS_OK ||
      (captureBuffer && dsCheck(captureBuffer->Start(DSCBSTART_LOOPING)) != DS_OK)) {
    start(false);
    return AB_ERR_NO_PROPERTY;
  }
  if (!captureBuffer) capturePrimed = 1;
  return AB_OK;
}

void CALLBACK DirectSoundDevice::timerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  reinterpret_cast<DirectSoundDevice*>(user)->process();
}

// ---- the timer pass (the audio thread)

void DirectSoundDevice::process() {
  if (!isRunningFlag.load(std::memory_order_acquire)) return;
  lock.enter();
  if (!outputBuffer || !isRunningFlag.load(std::memory_order_relaxed)) {
    lock.leave();
    return;
  }
  const uint32_t outFrameBytes = 2u * static_cast<uint32_t>(activeOutputs);
  const uint32_t inFrameBytes = 2u * static_cast<uint32_t>(activeInputs);
  // Each round writes at most what is left of the block; a cut round is followed by another.
  for (int round = 0; round < 64; ++round) {
    uint32_t w = outputWritable(writePosition);
    uint32_t c = captureAvailable(capturePosition);
    const DWORD now = timeGetTime();
    if (activeOutputs > 0) c = w;
    if (w == 0 && c == 0) break;
    int frames = activeOutputs > 0 ? static_cast<int>(w / outFrameBytes)
                                   : (inFrameBytes ? static_cast<int>(c / inFrameBytes) : 0);
    const bool cut = frames > framesToBlock;
    if (cut) frames = framesToBlock;
    if (!capturePrimed) break;
    const int offset = blockFrames - framesToBlock;
    writeOutput(writePosition, frames, offset);
    readInput(capturePosition, frames, offset);
    if (captureBytes) capturePosition = (capturePosition + inFrameBytes * static_cast<uint32_t>(frames)) % captureBytes;
    framesToBlock -= frames;
    if (framesToBlock == 0) {
      samplePosition += blockFrames;
      runBlock(now);
      framesToBlock = blockFrames;
    }
    writePosition = (writePosition + outFrameBytes * static_cast<uint32_t>(frames)) % bufferBytes;
    if (!cut) break;
  }
  lock.leave();
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
  if (!outputBuffer || bufferBytes == 0) return 0;
  DWORD play = 0, write = 0;
  if (outputBuffer->GetCurrentPosition(&play, &write) != DS_OK) return 0;
  uint32_t target = play + static_cast<uint32_t>(outputLatencyBytes);
  if (target >= bufferBytes) target -= bufferBytes;
  return (target + bufferBytes - position % bufferBytes) % bufferBytes;
}

uint32_t DirectSoundDevice::captureAvailable(uint32_t position) {
  if (!captureBuffer || captureBytes == 0) return 0;
  DWORD capture = 0, read = 0;
  if (captureBuffer->GetCurrentPosition(&capture, &read) != DS_OK) return 0;
  if (capture > static_cast<DWORD>(inputLatencyBytes)) capturePrimed = 1;
  if (!capturePrimed) return 0;
  const uint32_t d = (capture + captureBytes - static_cast<uint32_t>(inputLatencyBytes) % captureBytes) % captureBytes;
  return (d + captureBytes - position % captureBytes) % captureBytes;
}

void DirectSoundDevice::clearOutputBuffer() {
  if (!outputBuffer) return;
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (dsCheck(outputBuffer->Lock(0, bufferBytes, &p1, &n1, &p2, &n2, 0)) != DS_OK) return;
  if (p1) std::memset(p1, 0, n1);
  if (p2) std::memset(p2, 0, n2);
  outputBuffer->Unlock(p1, n1, p2, n2);
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
  if (!outputBuffer || frames <= 0 || activeOutputs <= 0) return;
  const int channels = activeOutputs;
  const bool silent = stopping.load(std::memory_order_relaxed);
  withLockedFrames(outputBuffer, position, channels, frames, [&](int16_t* out, int n) {
    for (int f = 0; f < n && offset < blockFrames; ++f, ++offset)
      for (int c = 0; c < channels; ++c) *out++ = silent ? 0 : pcm16FromFloat(blockOutputs[c][offset]);
  });
}

void DirectSoundDevice::readInput(uint32_t position, int frames, int offset) {
  if (!captureBuffer || frames <= 0 || activeInputs <= 0) return;
  const int channels = activeInputs;
  const float scale = 1.0f / 32767.0f;
  withLockedFrames(captureBuffer, position, channels, frames, [&](const int16_t* in, int n) {
    for (int f = 0; f < n && offset < blockFrames; ++f, ++offset)
      for (int c = 0; c < channels; ++c) blockInputs[c][offset] = static_cast<float>(*in++) * scale;
  });
}

uint32_t DirectSoundDevice::outputChannelMask() {
  static const uint32_t kSpeakers[4] = {SPEAKER_FRONT_LEFT, SPEAKER_FRONT_RIGHT, SPEAKER_BACK_LEFT, SPEAKER_BACK_RIGHT};
  uint32_t mask = 0;
  for (int i = 0; i < outputChannels && i < 4; ++i)
    if (outputPorts[i].active && outputPorts[i].enabled) mask |= kSpeakers[i];
  return mask;
}

bool DirectSoundDevice::createOutputBuffer(IDirectSoundBuffer** out, int channels) {
  *out = nullptr;
  if (!directSound || channels <= 0) return false;
  WAVEFORMATEXTENSIBLE format;
  std::memset(&format, 0, sizeof format);
  WAVEFORMATEX& f = format.Format;
  f.nChannels = static_cast<WORD>(channels);
  f.nSamplesPerSec = static_cast<DWORD>(sampleRate);
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
  directSound->Compact();
  DSBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = kPrimaryFlags;
  IDirectSoundBuffer* primary = nullptr;
  if (dsCheck(directSound->CreateSoundBuffer(&desc, &primary, nullptr)) == DS_OK && primary) {
    dsCheck(primary->SetFormat(&f));
    primary->Release();
  }
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = kSecondaryFlags;
  desc.dwBufferBytes = 2u * static_cast<DWORD>(channels) * static_cast<DWORD>(bufferFrames);
  desc.lpwfxFormat = &f;
  bufferChannels = channels;
  if (dsCheck(directSound->CreateSoundBuffer(&desc, out, nullptr)) != DS_OK || !*out) {
    *out = nullptr;
    // Again as plain stereo.
    WAVEFORMATEX stereo;
    std::memset(&stereo, 0, sizeof stereo);
    stereo.wFormatTag = WAVE_FORMAT_PCM;
    stereo.nChannels = 2;
    stereo.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    stereo.wBitsPerSample = 16;
    stereo.nBlockAlign = 4;
    stereo.nAvgBytesPerSec = stereo.nSamplesPerSec * 4;
    stereo.cbSize = 18;
    desc.dwBufferBytes = 4u * static_cast<DWORD>(bufferFrames);
    desc.lpwfxFormat = &stereo;
    if (dsCheck(directSound->CreateSoundBuffer(&desc, out, nullptr)) != DS_OK || !*out) {
      *out = nullptr;
      bufferChannels = 0;
      return false;
    }
    outputChannels = 2;
    bufferChannels = 2;
  }
  WAVEFORMATEXTENSIBLE got;
  DWORD written = 0;
  (*out)->GetFormat(&got.Format, sizeof got, &written);
  return true;
}

bool DirectSoundDevice::createCaptureBuffer(IDirectSoundCaptureBuffer** out) {
  *out = nullptr;
  if (!directSoundCapture || inputChannels <= 0) return false;
  WAVEFORMATEX f;
  std::memset(&f, 0, sizeof f);
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = static_cast<WORD>(inputChannels);
  f.nSamplesPerSec = static_cast<DWORD>(sampleRate);
  f.wBitsPerSample = 16;
  f.nBlockAlign = static_cast<WORD>(2 * inputChannels);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  f.cbSize = 18;
  DSCBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwBufferBytes = 2u * static_cast<DWORD>(bufferFrames) * static_cast<DWORD>(inputChannels);
  desc.lpwfxFormat = &f;
  if (dsCheck(directSoundCapture->CreateCaptureBuffer(&desc, out, nullptr)) != DS_OK || !*out) {
    *out = nullptr;
    return false;
  }
  return true;
}

void DirectSoundDevice::setOutputLatency(int ms) { outputLatencyMs = abClamp(ms, minLatencyMs(), maxLatencyMs()); }

void DirectSoundDevice::setInputLatency(int ms) { inputLatencyMs = abClamp(ms, minLatencyMs(), maxLatencyMs()); }

int DirectSoundDevice::minLatencyMs() const { return static_cast<int>(128 * 1000 / sampleRate); }
int DirectSoundDevice::maxLatencyMs() const { return static_cast<int>(4096 * 1000 / sampleRate); }

int DirectSoundDevice::reopen(bool wasOpen, bool wasRunning) {
  int r = AB_OK;
  if (wasOpen) r = open(true);
  if (r == AB_OK && wasRunning) r = start(true);
  return r;
}

// ---- properties

DirectSoundDevice::Port* DirectSoundDevice::findPort(int32_t index, bool isOutput) {
  if (index < 0) return nullptr;
  if (isOutput) return index < outputChannels ? &outputPorts[index] : nullptr;
  return index < inputChannels ? &inputPorts[index] : nullptr;
}

int DirectSoundDevice::descriptionGet(void* buffer, uint32_t* size) {
  if (!size || !buffer || *size < kDeviceDescriptionBytes) return AB_ERR_NOT_OPEN;
  writeDeviceDescription(buffer, kind, kDriverKind);
  *size = kDeviceDescriptionBytes;
  return AB_OK;
}

int DirectSoundDevice::portGet(void* buffer, uint32_t* size) {
  if (!isOpenFlag || !size || !buffer || *size < kRecordCountBytes) return AB_ERR_NOT_OPEN;
  const uint32_t full =
      static_cast<uint32_t>(audioPortDescriptionBytes(static_cast<uint32_t>(inputChannels + outputChannels)));
  if (*size == full) {
    std::memset(buffer, 0, full);
    writeU32(buffer, 0, static_cast<uint32_t>(inputChannels + outputChannels));
    size_t k = 0;
    for (int dir = 0; dir < 2; ++dir) {
      const bool isOutput = dir == 1;
      const int n = isOutput ? outputChannels : inputChannels;
      for (int i = 0; i < n; ++i) {
        const Port& p = isOutput ? outputPorts[i] : inputPorts[i];
        AudioPortEntry e = makePortEntry(i, isOutput, p.active != 0, p.enabled != 0);
        copyText(e.name, sizeof e.name, p.name);
        putPortEntry(buffer, k++, e);
      }
    }
    return AB_OK;
  }
  if (isSinglePortRecord(buffer, *size)) {
    return answerPortRecord(buffer, [this](const AudioPortEntry& e, uint8_t* active, uint8_t* enabled) {
      const Port* p = findPort(e.index, e.isOutput != 0);
      if (!p) return false;
      *active = p->active;
      *enabled = p->enabled;
      return true;
    });
  }
  return AB_ERR_NOT_OPEN;
}

int DirectSoundDevice::portRecords(const void* value, uint32_t size, bool setActive, bool setEnabled) {
  if (!isOpenFlag || !isRecordList(value, size)) return AB_ERR_NOT_OPEN;
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
  for (int i = 0; i < outputChannels; ++i) ports += outputPorts[i].active && outputPorts[i].enabled;
  for (int i = 0; i < inputChannels; ++i) ports += inputPorts[i].active && inputPorts[i].enabled;
  return ports;
}

int DirectSoundDevice::streamInfo(uint32_t* size, uint32_t* changeable) {
  if (!isOpenFlag) return AB_ERR_NOT_OPEN;
  return valuePropertyInfo(streamDescriptionBytes(static_cast<uint32_t>(listedPortCount())), false, size, changeable);
}

// The stream lists the ports both active and enabled, inputs first.
int DirectSoundDevice::streamGet(void* buffer, uint32_t* size) {
  uint32_t expected = 0;
  if (streamInfo(&expected, nullptr) != AB_OK || !size || !buffer || *size != expected) return AB_ERR_NOT_OPEN;
  std::memset(buffer, 0, expected);
  writeStreamHeader(buffer, static_cast<uint32_t>((expected - kStreamHeaderBytes) / kStreamEntryBytes),
                    static_cast<uint32_t>(blockFramesFor(sampleRate, outputLatencyMs)),
                    static_cast<uint32_t>(sampleRate));
  size_t at = kStreamHeaderBytes;
  for (int dir = 0; dir < 2; ++dir) {
    const int n = dir ? outputChannels : inputChannels;
    const Port* ports = dir ? outputPorts : inputPorts;
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
  if (!size) return AB_ERR_NO_PROPERTY;
  if (!isOpenFlag) {
    *size = 0;
    if (changeable) *changeable = 0;
    return AB_ERR_NO_PROPERTY;
  }
  return valuePropertyInfo(kLatencyRangeBytes, canChange, size, changeable);
}

// Every value read out is shifted by `shown` ms.
int DirectSoundDevice::latencyRangeGet(int ms, int shown, void* buffer, uint32_t* size) {
  if (!isOpenFlag || !size || !buffer) return AB_ERR_NO_PROPERTY;
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
  return AB_ERR_NO_PROPERTY;
}

int DirectSoundDevice::latencyInfo(uint32_t* size, uint32_t* changeable) {
  return latencyRangeInfo(true, size, changeable);
}
int DirectSoundDevice::latencyGet(void* buffer, uint32_t* size) {
  return latencyRangeGet(outputLatencyMs, kShownLatencyMs, buffer, size);
}

int DirectSoundDevice::latencySet(const void* value, uint32_t size) {
  if (!isOpenFlag || !isWordValue(value, size)) return AB_ERR_NO_PROPERTY;
  const int64_t ms = static_cast<int64_t>(static_cast<int32_t>(readU32(value, 0))) - kShownLatencyMs;
  setOutputLatency(static_cast<int>(abClamp<int64_t>(ms, -1, 1000000)));
  return AB_OK;
}

int DirectSoundDevice::inLatencyInfo(uint32_t* size, uint32_t* changeable) {
  return latencyRangeInfo(false, size, changeable);
}
int DirectSoundDevice::inLatencyGet(void* buffer, uint32_t* size) {
  return latencyRangeGet(inputLatencyMs, 0, buffer, size);
}

int DirectSoundDevice::inLatencySet(const void* value, uint32_t size) {
  if (!isOpenFlag || !isWordValue(value, size)) return AB_ERR_NO_PROPERTY;
  setInputLatency(static_cast<int32_t>(readU32(value, 0)));
  return AB_OK;
}

int DirectSoundDevice::listedRates(int32_t* list) {
  for (int i = 0; i < rateCount; ++i) list[i] = static_cast<int32_t>(rates[i]);
  return rateCount;
}

// Any buffer that holds the count and the rates (the spare word is not needed).
int DirectSoundDevice::rateListGet(void* buffer, uint32_t* size) {
  if (!isOpenFlag || !size || !buffer || *size < rateListBytes(rateCount) - 4) return AB_ERR_NOT_OPEN;
  writeRateList(buffer, rates, rateCount);
  return AB_OK;
}

int DirectSoundDevice::rateSet(const void* value, uint32_t size) {
  if (!isOpenFlag || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  const int32_t rate = static_cast<int32_t>(readU32(value, 0));
  // Only the rates of the list: the device keeps its rate otherwise.
  bool listed = false;
  for (int i = 0; i < rateCount; ++i) listed = listed || static_cast<int32_t>(rates[i]) == rate;
  if (!listed) return AB_ERR_NOT_OPEN;
  if (rate == sampleRate) return AB_OK;
  const bool wasRunning = isRunningFlag.load();
  start(false);
  sampleRate = rate;
  setOutputLatency(outputLatencyMs);
  setInputLatency(inputLatencyMs);
  open(false);
  return reopen(true, wasRunning);
}

// The block's frames, or before the first start those the output latency gives.
uint32_t DirectSoundDevice::currentBlockFrames() {
  return static_cast<uint32_t>(blockFrames != 0 ? blockFrames : blockFramesFor(sampleRate, outputLatencyMs));
}

int DirectSoundDevice::bufferSizeSet(const void* value, uint32_t size) {
  if (!isOpenFlag || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  const int32_t frames = abClamp<int32_t>(static_cast<int32_t>(readU32(value, 0)), 1, kMaxBlockFrames);
  blockFrames = frames;
  setOutputLatency(static_cast<int>(frames / (sampleRate * 0.001)));
  return AB_OK;
}

int DirectSoundDevice::inBufferSizeGet(void* buffer, uint32_t* size) {
  if (!isOpenFlag) return AB_ERR_NOT_OPEN;
  return wordPropertyGet(static_cast<uint32_t>(static_cast<int32_t>(sampleRate * 0.001 * inputLatencyMs)), buffer,
                         size);
}

int DirectSoundDevice::inBufferSizeSet(const void* value, uint32_t size) {
  if (!isOpenFlag || !isWordValue(value, size)) return AB_ERR_NOT_OPEN;
  const int32_t frames = abClamp<int32_t>(static_cast<int32_t>(readU32(value, 0)), 0, kMaxBlockFrames);
  setInputLatency(static_cast<int>(frames / (sampleRate * 0.001)));
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
  if (!size) return AB_ERR_NOT_OPEN;
  return inDeviceListPropertyGet(static_cast<uint32_t>(g_captures.size()), captureName, buffer, size);
}

int DirectSoundDevice::inDeviceSet(const void* value, uint32_t size) {
  if (!value || size != sizeof(AudioInDeviceEntry)) return AB_ERR_NOT_OPEN;
  const int32_t index = static_cast<int32_t>(readU32(value, 0));
  const bool wasOpen = isOpenFlag;
  const bool wasRunning = isRunningFlag.load();
  start(false);
  if (isOpenFlag) open(false);
  if (index >= 0 && static_cast<size_t>(index) < g_captures.size()) {
    // The entry without a GUID is the system's default capture device.
    setCaptureDevice(&g_captures[static_cast<size_t>(index)].guid);
    activeCaptureIndex = index;
  } else {
    setCaptureDevice(nullptr);
    activeCaptureIndex = -1;
  }
  return reopen(wasOpen, wasRunning);
}

int DirectSoundDevice::activeInDeviceGet(void* buffer, uint32_t* size) {
  if (!size || !buffer || *size < sizeof(AudioInDeviceEntry)) return AB_ERR_NOT_OPEN;
  const bool known = activeCaptureIndex >= 0 && static_cast<size_t>(activeCaptureIndex) < g_captures.size();
  putInDeviceEntry(buffer, 0, activeCaptureIndex,
                   known ? captureName(static_cast<size_t>(activeCaptureIndex)) : kNoInputDeviceName);
  *size = sizeof(AudioInDeviceEntry);
  return AB_OK;
}
