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
  bool isOpen() override { return m_open != 0; }
  int start(bool on) override;
  bool isRunning() override { return m_running != 0; }

  // The worker thread's body.
  void workerRun();

  int outputChannels() const { return m_outChannels; }
  int inputChannels() const { return m_inChannels; }

 private:
  void probe();
  void freeBuffers();
  int stopStreams();
  int reopen(bool wasRunning);
  void closeEvents();
  void stopWorker();
  void serveOutput();
  int portCount() const { return m_outPortCount + m_inPortCount; }
  bool hasInput() const { return m_inIndex >= 0 && m_inChannels > 0; }
  AudioPortEntry* findPort(int32_t index, bool isOutput);
  int portRecordList(const void* value, bool enabledOnly);
  uint32_t streamBytes() const;

  // What the shared property handlers read.
  uint32_t portTotal() override { return static_cast<uint32_t>(portCount()); }
  uint32_t currentRate() override { return m_rate; }
  uint32_t currentBlockFrames() override { return m_outFrames; }
  int listedRates(int32_t* rates) override;

  // Property handlers (beside the shared ones).
  int portGet(void* buffer, uint32_t* size);
  int portSet(const void* value, uint32_t size);
  int streamInfo(uint32_t* size, uint32_t* changeable);
  int streamGet(void* buffer, uint32_t* size);
  // "EnableAudioPort" and "ActiveAudioPort" answer only whether the device is open, but for the set of
  // "EnableAudioPort", which takes its records.
  int enableSet(const void* value, uint32_t size);
  int rateListGet(void* buffer, uint32_t* size);
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

  MemberThread<MmeDevice, &MmeDevice::workerRun> m_worker;
  std::string m_inName;  // "no device" or "MME " + product name
  uint32_t m_outIndex;
  int32_t m_inIndex = -1;
  HWAVEOUT m_waveOut = nullptr;
  HWAVEIN m_waveIn = nullptr;
  WAVEFORMATEX m_format;
  WAVEHDR* m_outHeaders[2] = {nullptr, nullptr};  // each header with its data behind it
  WAVEHDR* m_inHeaders[2] = {nullptr, nullptr};
  uint32_t m_rate = 44100;
  uint32_t m_outFrames = 4096;
  uint32_t m_inFrames = 4096;
  uint8_t m_open = 0;
  uint8_t m_running = 0;
  std::atomic<int32_t> m_nextOut{-1};  // read by the worker while start prepares the stream
  std::atomic<int32_t> m_nextIn{-1};
  std::atomic<uint8_t> m_stopping{0};  // set by stop: the worker writes no further header
  HANDLE m_quit = nullptr;             // manual reset
  HANDLE m_outDone = nullptr;          // auto reset
  HANDLE m_inDone = nullptr;           // auto reset
  HANDLE m_finished = nullptr;         // manual reset: the worker has left its loop
  float m_rates[kMaxRates];
  int m_rateCount = 0;
  int m_outChannels = 2;
  int m_inChannels = 2;
  DWORD m_startTime = 0;
  std::unique_ptr<AudioPortEntry[]> m_outPorts;  // the ports' records, made by open
  std::unique_ptr<AudioPortEntry[]> m_inPorts;
  std::atomic<uint32_t> m_outDoneCount{0};
  int m_outPortCount = 0;
  int m_inPortCount = 0;
  // Block storage made by open.
  float** m_outBuffers = nullptr;
  float** m_inBuffers = nullptr;
  int32_t* m_outIds = nullptr;
  int32_t* m_inIds = nullptr;
};
