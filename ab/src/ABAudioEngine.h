// The audio engine: the guarded process path that calls the audio client directly, through a
// fixed-block queue or through the rate converters, clips the outputs and measures the load.
// AudioManager derives from it and adds devices, routes, settings and the MIDI clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "ABMidiClock.h"
#include "ABMidiEvent.h"
#include "CubicInterpolator.h"
#include "GPLock.h"
#include "SampleRateConverter.h"

class AudioHostClient;

constexpr int AB_MAX_CHANNELS = 32;
constexpr int AB_QUEUE_BLOCKS = 32;  // blocks held by the block-mode rings

class AudioEngine {
 public:
  AudioEngine();
  virtual ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  virtual void setUserData(void* data);
  virtual void setUserWord(int word);
  virtual bool queryOption(bool isOutput, int index);
  virtual int deviceSampleRate();
  virtual int clientSampleRate();
  virtual bool isChannelDisabled(bool isOutput, int index) = 0;
  virtual void setResampling(bool on);
  virtual bool isResampling();
  virtual void setBlockMode(bool on, int size, bool allowMultiples);
  virtual void setMuted(bool on);
  virtual bool nextMidiEvent(int offset, MidiEventRecord* out, int type, int* nextOffset);
  virtual void rewindMidi();
  virtual void setClipOutput(bool on);
  virtual bool setOverloadGuard(bool on, int thresholdPercent);
  virtual bool isRunning();
  virtual void spare1();
  virtual void spare2();
  virtual void spare3();
  virtual void spare4();
  virtual bool readMidiEvent(int offset, MidiEventRecord* out, int type, int* nextOffset) = 0;
  virtual void rewindRing() = 0;
  virtual AudioTimeInfo* getTimeInfo() = 0;
  virtual bool spareTrue1() = 0;
  virtual bool spareTrue2() = 0;
  virtual const int32_t* inputChannelIds() = 0;
  virtual const int32_t* outputChannelIds() = 0;
  virtual int openDeviceLayer(void* systemHandle) = 0;
  virtual void closeDeviceLayer() = 0;
  virtual void sendMidiOut(const MidiEventRecord* event) = 0;
  virtual void setChannelDisabled(bool isOutput, int index, bool disabled) = 0;
  virtual void spare5() = 0;
  virtual int deviceToClientFrames(int deviceFrames);
  virtual void process(float** in, float** out, int nIn, int nOut, int frames);
  virtual void forwardShortMidi(MidiEventRecord* event);
  virtual void forwardSysEx(MidiEventRecord* event);
  virtual void setDeviceRate(int rate);
  virtual bool canUseDeviceRate(int rate);
  virtual AudioHostClient* client();

  // The smoothed processor load of the client's work, percent.
  float cpuLoad() const { return load; }
  // For tests: the counter reading source of the load measurement (null: the system counter).
  void setLoadCounter(int64_t (*counter)()) { readCounter_ = counter; }
  // Events dropped because the block queue's MIDI queue was full.
  int droppedMidiEvents() const { return midiDropped_; }

  // --- fields, in the order the host keeps them ---
  AudioHostClient* clientPointer = nullptr;
  int32_t clientRate = 44100;
  int32_t deviceRate = 44100;
  bool enabled = true;
  int userWord = 0;
  void* userData = nullptr;
  bool clipOutput = false;
  float* clientInputs[AB_MAX_CHANNELS] = {};
  float* clientOutputs[AB_MAX_CHANNELS] = {};
  int32_t bufferFrames = 0;
  bool resample = true;
  bool integerRatio = true;
  int32_t ratioP = 1, ratioQ = 1;
  bool forceRatio = false;
  int32_t forcedP = 1, forcedQ = 1;
  double frameRatio = 1.0, inverseFrameRatio = 1.0;
  double blockRatio = 1.0, inverseBlockRatio = 1.0;
  float* ringIn[AB_MAX_CHANNELS] = {};
  float* ringOut[AB_MAX_CHANNELS] = {};
  float* queueIn[AB_MAX_CHANNELS] = {};
  float* queueOut[AB_MAX_CHANNELS] = {};
  std::unique_ptr<MidiEventRecord[]> midiQueue;
  int32_t midiQueueCapacity = 0, midiQueueWrite = 0, midiQueueRead = 0;
  AudioTimeInfo timeInfo;
  int32_t framesIn = 0, framesProcessed = 0;
  float interpIn[AB_MAX_CHANNELS][DSP_INTERP_STATE] = {};
  float interpOut[AB_MAX_CHANNELS][DSP_INTERP_STATE] = {};
  int32_t ringFrames = 0, ringOutPos = 0, ringInPos = 0;
  bool directFlag = true;
  float load = 0.0f;
  float loadFactor = 0.0f;
  int32_t overloadCount = 0;
  bool guardOn = false;
  int32_t guardThreshold = 0;
  int32_t silenceLeft = 0;
  int32_t leftCount = 0, leftPos = 0;
  float* leftBuffers[AB_MAX_CHANNELS] = {};
  int32_t stageCount = 0, stagePos = 0;
  float* stageBuffers[AB_MAX_CHANNELS] = {};
  bool blockMode = false, allowMultiples = false;
  int32_t blockSize = 128;
  int32_t muteCount = 0;
  SampleRateConverter converterIn{AB_MAX_CHANNELS};
  SampleRateConverter converterOut{AB_MAX_CHANNELS};
  RecursiveLock lock;
  std::atomic<int32_t> lockDepth{0};

 protected:
  // Setter bracket: raises the depth and enters the lock on 0 -> 1; leaves on 1 -> 0.
  void beginChange();
  void endChange();
  // Frees and reallocates the buffers for the current rates and block mode (under the lock).
  void rebuildBuffers();
  void freeBuffers();
  // A zeroed buffer of the frames, owned by the engine until freeBuffers; null when memory is short.
  float* newBuffer(int32_t frames);
  // The three ways to the client.
  void processDirect(float** in, float** out, int nIn, int nOut, int frames);
  void processQueued(float** in, float** out, int nIn, int nOut, int frames);
  void processConverted(float** in, float** out, int nIn, int nOut, int frames);
  void convertPiece(float** in, float** out, int nIn, int nOut, int frames);
  void callClient(float** in, float** out, int nIn, int nOut, int frames);
  void queueClientCall(int nIn, int nOut, int blockIndex, int frames);
  void queueMidi(int chunkStart, int chunkEnd, int base);

  int64_t (*readCounter_)() = nullptr;
  int32_t midiQueueSaved_ = 0;
  int32_t midiDropped_ = 0;
  int32_t maxConvertFrames_ = 0;
  bool rateUsable_ = true;  // the last device rate found a client rate
  // The MIDI notifications reach the client on the MIDI callback thread: the client's going away
  // waits until no forward is under way.
  std::atomic<int32_t> midiForwards_{0};
  std::atomic<bool> midiDetached_{false};
  // What the buffer pointers above point to: at most six buffers a channel (rings, client buffers,
  // left-over and stage), room reserved once so that making them never moves the list.
  static const int kOwnedBuffersMax = 6 * AB_MAX_CHANNELS;
  std::vector<std::unique_ptr<float[]>> ownedBuffers_;
};
