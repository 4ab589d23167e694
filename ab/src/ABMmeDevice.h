// The MME driver: one device per waveOut device of the system, playing and recording interleaved
// 16-bit PCM through two output and two input wave headers, served by its own worker thread at
// time-critical priority. That thread converts each recorded buffer to float, calls the host's block
// callback and converts the outputs back: it is the program's audio thread while an MME device runs.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "ABAudioDriverDevice.h"
#include "ABMemberThread.h"
#include "ABPortEntry.h"

class MmeDevice : public AudioDriverDevice<MmeDevice> {
 public:
  static const int kMaxRates = 10;
  static const uint32_t kMaxBufferFrames = 262144;  // about 6 s at 44.1 kHz

  explicit MmeDevice(uint32_t outputIndex);
  ~MmeDevice() override;

  int open(bool on) override;
  bool isOpen() override { return open_ != 0; }
  int start(bool on) override;
  bool isRunning() override { return running_ != 0; }

  // The worker thread's body.
  void workerRun();

  int outputChannels() const { return outChannels_; }
  int inputChannels() const { return inChannels_; }

 private:
  void probe();
  void freeBuffers();
  int stopStreams();
  int reopen(bool wasRunning);
  void closeEvents();
  void stopWorker();
  void serveOutput();
  int portCount() const { return outPortCount_ + inPortCount_; }
  bool hasInput() const { return inIndex_ >= 0 && inChannels_ > 0; }
  AudioPortEntry* findPort(int32_t index, bool isOutput);
  int portRecordList(const void* value, bool enabledOnly);
  uint32_t streamBytes() const;

  // What the shared property handlers read.
  uint32_t portTotal() override { return static_cast<uint32_t>(portCount()); }
  uint32_t currentRate() override { return rate_; }
  uint32_t currentBlockFrames() override { return outFrames_; }
  int listedRates(int32_t* rates) override;

  // Property handlers (beside the shared ones).
  int portGet(void* buffer, uint32_t* size);
  int portSet(const void* value, uint32_t size);
  int streamInfo(uint32_t* size, uint32_t* changeable);
  int streamGet(void* buffer, uint32_t* size);
  // "EnableAudioPort" and "ActiveAudioPort" answer only whether the device is open, but for the set of
  // "EnableAudioPort", which takes its records.
  int enableSet(const void* value, uint32_t size);
  int rateSet(const void* value, uint32_t size);
  int bufferSizeSet(const void* value, uint32_t size);
  int inBufferSizeGet(void* buffer, uint32_t* size);
  int inBufferSizeSet(const void* value, uint32_t size);
  int inListInfo(uint32_t* size, uint32_t* changeable);
  int inListGet(void* buffer, uint32_t* size);
  int inDeviceSet(const void* value, uint32_t size);
  int activeInDeviceGet(void* buffer, uint32_t* size);
  // "Latency" and "SetInLatency" share their information.
  int latencyInfo(uint32_t* size, uint32_t* changeable);
  int latencyGet(void* buffer, uint32_t* size);
  int latencySet(const void* value, uint32_t size);
  int inLatencyGet(void* buffer, uint32_t* size);
  int inLatencySet(const void* value, uint32_t size);
  int playPositionGet(void* buffer, uint32_t* size);
  int descriptionGet(void* buffer, uint32_t* size);
  int setBufferFrames(uint32_t* field, uint32_t frames);

  MemberThread<MmeDevice, &MmeDevice::workerRun> worker_;
  std::string inName_;  // "no device" or "MME " + product name
  uint32_t outIndex_;
  int32_t inIndex_ = -1;
  HWAVEOUT waveOut_ = nullptr;
  HWAVEIN waveIn_ = nullptr;
  WAVEFORMATEX format_;
  WAVEHDR* outHeaders_[2] = {nullptr, nullptr};  // each header with its data behind it
  WAVEHDR* inHeaders_[2] = {nullptr, nullptr};
  uint32_t rate_ = 44100;
  uint32_t outFrames_ = 4096;
  uint32_t inFrames_ = 4096;
  uint8_t open_ = 0;
  uint8_t running_ = 0;
  std::atomic<int32_t> nextOut_{-1};  // read by the worker while start prepares the stream
  std::atomic<int32_t> nextIn_{-1};
  std::atomic<uint8_t> stopping_{0};  // set by stop: the worker writes no further header
  HANDLE quit_ = nullptr;             // manual reset
  HANDLE outDone_ = nullptr;          // auto reset
  HANDLE inDone_ = nullptr;           // auto reset
  HANDLE finished_ = nullptr;         // manual reset: the worker has left its loop
  float rates_[kMaxRates];
  int rateCount_ = 0;
  int outChannels_ = 2;
  int inChannels_ = 2;
  DWORD startTime_ = 0;
  std::unique_ptr<AudioPortEntry[]> outPorts_;  // the ports' records, made by open
  std::unique_ptr<AudioPortEntry[]> inPorts_;
  std::atomic<uint32_t> outDoneCount_{0};
  int outPortCount_ = 0;
  int inPortCount_ = 0;
  // Block storage made by open.
  ChannelBuffers outBuffers_;
  ChannelBuffers inBuffers_;
  std::unique_ptr<int32_t[]> outIds_;
  std::unique_ptr<int32_t[]> inIds_;
};
