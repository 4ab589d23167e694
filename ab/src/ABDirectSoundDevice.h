// The DirectSound driver: one device per DirectSound output device, with optional input from a
// DirectSound capture device. Output goes into one looping 16-bit PCM secondary buffer that a periodic
// multimedia timer keeps filled a fixed latency ahead of the play cursor; input is read a fixed
// latency behind the capture cursor. The timer's thread is the audio thread while the device runs: it
// hands the host blocks whose length is the output latency rounded up to a multiple of 128 frames.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <mmreg.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ABAudioDriverDevice.h"
#include "ABPortEntry.h"
#include "GPLock.h"

class DeviceManager;

// A capture device of the system: its GUID and description (the process-wide list that
// "AudioInDeviceList" and "AudioInDevice" use).
struct DirectSoundCaptureEntry {
  GUID guid;
  bool hasGuid;
  std::string description;
};

class DirectSoundDevice : public AudioDriverDevice<DirectSoundDevice> {
 public:
  static const int kMaxPorts = 16;
  static const int kMaxOutputChannels = 4;
  static const int kMaxInputChannels = 2;
  static const int kMaxBlockFrames = 8192;
  static const int kDriverKind = AB_DRIVER_DIRECTSOUND;
  static const int kShownLatencyMs = 5;           // "Latency" reads and writes the output latency plus this
  static const uint32_t kLatencyRangeBytes = 12;  // the range form of "Latency" and "SetInLatency"

  DirectSoundDevice(const char* description, const char* moduleName, const GUID& guid);
  ~DirectSoundDevice() override;

  int open(bool on) override;
  bool isOpen() override { return isOpenFlag_; }
  int start(bool on) override;
  bool isRunning() override { return isRunningFlag_.load(std::memory_order_acquire); }

  // The capture device to open with the next open (null: none; GUID_NULL: the system's default).
  virtual void setCaptureDevice(const GUID* guid);
  // One timer pass (the timer's thread): fills the output up to the latency ahead of the play cursor,
  // reads the input behind the capture cursor, and runs a block each time one is complete.
  virtual void process();
  virtual void setOutputLatency(int ms);
  virtual void setInputLatency(int ms);

  // Enumerates the system's DirectSound output devices (at most 16, the primary driver skipped) and
  // refreshes the capture list (at most 32); appends the devices to `out`.
  static void enumerateDevices(std::vector<DirectSoundDevice*>* out);
  static const std::vector<DirectSoundCaptureEntry>& captureDevices();
  // For tests: whether a module name forces a stereo device (".vxd" or ".VXD" at its end).
  static bool isVxdModule(const std::string& moduleName);
  // For tests: the block frames for a rate and an output latency.
  static int blockFramesFor(int rate, int latencyMs);

  int blockFrameCount() const { return blockFrames_; }
  int outputLatency() const { return outputLatencyMs_; }
  int outputChannelCount() const { return outputChannels_; }
  uint32_t timerPeriod() const { return timerPeriodMs_; }

 protected:
  virtual void runBlock(DWORD now);
  virtual uint32_t outputWritable(uint32_t position);
  virtual uint32_t captureAvailable(uint32_t position);
  virtual void clearOutputBuffer();
  virtual void writeOutput(uint32_t position, int frames, int offset);
  virtual void readInput(uint32_t position, int frames, int offset);
  virtual uint32_t outputChannelMask();
  virtual bool createOutputBuffer(IDirectSoundBuffer** out, int channels);
  virtual bool createCaptureBuffer(IDirectSoundCaptureBuffer** out);

 private:
  struct Port {
    uint8_t enabled;  // "EnableAudioPort"
    uint8_t active;   // "ActiveAudioPort"
    char name[265];
  };

  static void CALLBACK timerProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
  void buildPorts();
  void freeChannelBuffers();
  void releaseObjects();
  int minLatencyMs() const;
  int maxLatencyMs() const;
  int reopen(bool wasOpen, bool wasRunning);
  int portRecords(const void* value, uint32_t size, bool setActive, bool setEnabled);
  Port* findPort(int32_t index, bool isOutput);

  // What the shared property handlers read.
  uint32_t portTotal() override { return static_cast<uint32_t>(inputChannels_ + outputChannels_); }
  uint32_t currentRate() override { return static_cast<uint32_t>(sampleRate_); }
  uint32_t currentBlockFrames() override;
  int listedRates(int32_t* list) override;

  // Property handlers (beside the shared ones).
  int descriptionGet(void* buffer, uint32_t* size);
  int portGet(void* buffer, uint32_t* size);
  int portSet(const void* value, uint32_t size);
  int listedPortCount() const;
  int streamInfo(uint32_t* size, uint32_t* changeable);
  int streamGet(void* buffer, uint32_t* size);
  int enableSet(const void* value, uint32_t size);
  int activeSet(const void* value, uint32_t size);
  int latencyRangeInfo(bool canChange, uint32_t* size, uint32_t* changeable);
  int latencyRangeGet(int ms, int shown, void* buffer, uint32_t* size);
  int latencyInfo(uint32_t* size, uint32_t* changeable);
  int latencyGet(void* buffer, uint32_t* size);
  int latencySet(const void* value, uint32_t size);
  int inLatencyInfo(uint32_t* size, uint32_t* changeable);
  int inLatencyGet(void* buffer, uint32_t* size);
  int inLatencySet(const void* value, uint32_t size);
  int rateSet(const void* value, uint32_t size);
  int bufferSizeSet(const void* value, uint32_t size);
  int inBufferSizeGet(void* buffer, uint32_t* size);
  int inBufferSizeSet(const void* value, uint32_t size);
  int inListInfo(uint32_t* size, uint32_t* changeable);
  int inListGet(void* buffer, uint32_t* size);
  int inDeviceSet(const void* value, uint32_t size);
  int activeInDeviceGet(void* buffer, uint32_t* size);

  GUID captureGuid_;
  bool hasCaptureGuid_ = false;
  bool captureIsDefault_ = false;  // the system's default capture device (the entry without a GUID)
  GUID deviceGuid_;
  IDirectSound* directSound_ = nullptr;
  IDirectSoundCapture* directSoundCapture_ = nullptr;
  IDirectSoundBuffer* outputBuffer_ = nullptr;
  IDirectSoundCaptureBuffer* captureBuffer_ = nullptr;
  uint32_t writePosition_ = 0;
  uint32_t capturePosition_ = 0;
  uint32_t capturePrimed_ = 0;
  UINT timerId_ = 0;
  int32_t activeCaptureIndex_ = -1;
  int32_t bufferFrames_ = 4096;
  uint32_t bufferBytes_ = 0;
  uint32_t captureBytes_ = 0;
  int32_t blockFrames_ = 512;
  double msPerFrame_ = 0.0;
  int32_t sampleRate_ = 44100;
  int32_t inputChannels_ = 0;
  int32_t outputChannels_ = 2;
  int32_t samplePosition_ = 0;
  int32_t framesToBlock_ = 0;
  int32_t outputLatencyMs_ = 30;
  int32_t outputLatencyBytes_ = 0;
  int32_t inputLatencyMs_ = 50;
  int32_t inputLatencyBytes_ = 0;
  int32_t rateCount_ = 6;
  float rates_[6] = {22050.0f, 44100.0f, 32000.0f, 48000.0f, 88200.0f, 96000.0f};
  Port outputPorts_[kMaxPorts];
  Port inputPorts_[kMaxPorts];
  int32_t activeOutputs_ = 0;
  int32_t activeInputs_ = 0;
  RecursiveLock lock_;
  bool isOpenFlag_ = false;
  std::atomic<bool> isRunningFlag_{false};
  std::atomic<bool> stopping_{false};
  std::string moduleName_;
  uint32_t timerPeriodMs_ = 0;
  int32_t bufferChannels_ = 0;  // channels of the secondary buffer made by the last createOutputBuffer
  // The block's storage, made by open (8192 frames per channel).
  std::unique_ptr<float[]> outputStore_[kMaxOutputChannels];
  std::unique_ptr<float[]> inputStore_[kMaxInputChannels];
  float* blockOutputs_[kMaxOutputChannels] = {};
  float* blockInputs_[kMaxInputChannels] = {};
  int32_t outputIds_[kMaxOutputChannels] = {};
  int32_t inputIds_[kMaxInputChannels] = {};
};

// The text of a DirectSound result (debug output only).
const char* dsResultText(HRESULT result);
