// The host side of one ASIO driver: loads and initialises it, creates its double buffers for the
// active channels, and receives the buffer switches on the driver's thread, where one of three buffer
// handlers (setup, steady, silent) serves each half-buffer and hands the enabled channels to process().
// One host at a time is current: the static driver callbacks forward to it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "ABAsioDriver.h"
#include "ABAsioDriverList.h"

class AudioDeviceClient;

class AsioHost {
 public:
  static const int kMaxChannels = 256;  // channel counts from a driver are bounded to this
  static const int kMaxClockSources = 32;
  static const int kMaxBufferFrames = 32768;  // preferred buffer sizes outside 1..this are refused
  enum Direction { OUTPUT = 0, INPUT = 1 };
  enum Flag { ACTIVE = 1, ENABLED = 2 };

  // Driver information filled by the init call.
  struct DriverInfo {
    int32_t version;
    char name[32];
    char errorMessage[124];
    void* systemReference;
  };

  AsioHost(AsioDriverList* list, const char* driverName, void* systemReference);
  virtual ~AsioHost();
  AsioHost(const AsioHost&) = delete;
  AsioHost& operator=(const AsioHost&) = delete;

  // Driver thread: the enabled channels' buffers of this half, inputs then outputs, with their
  // channel numbers; time stamp in nanoseconds or 0. The base does nothing.
  virtual void process(void* const* inputs, int inputCount, const int32_t* inputChannels, void* const* outputs,
                       int outputCount, const int32_t* outputChannels, uint64_t timeStamp);

  // true loads and initialises the driver and makes this the current host; false undoes it.
  // 0, or the failing driver result (-1000 when the driver cannot be loaded).
  int hostOpen(bool on);
  // true creates the buffers of the active channels and starts the driver; false stops it and
  // disposes the buffers once no callback runs any more.
  int hostStart(bool on);
  bool isHostOpen() const { return open_; }
  bool isHostRunning() const { return running_; }

  int inputCount() const { return inputs_; }
  int outputCount() const { return outputs_; }
  // Flags of channel n of a direction (ACTIVE | ENABLED); AB_ERR_NOT_OPEN before open,
  // AB_ERR_BAD_VALUE out of range.
  int channelFlags(Direction d, int channel) const;
  int setChannelActive(Direction d, int channel, bool on);
  int setChannelEnabled(Direction d, int channel, bool on);
  // The driver's 32-character name of a channel; false when the query fails.
  bool channelName(Direction d, int channel, char name[32]);
  // The driver's current rate, truncated (0 when it cannot be read).
  int sampleRate();
  // Of 11025, 22050, 44100, 48000, 88200, 96000, those the driver accepts; returns the count.
  int supportedRates(int32_t rates[6]);
  // canSampleRate, then stop if running, setSampleRate, restart; the first failing result.
  int setSampleRate(int rate);
  // The preferred buffer size (-1000 when not open or failing).
  int bufferSize();
  int latencies(int32_t* input, int32_t* output);
  // Bytes per sample of a direction from channel 0's type; -1000 for an unknown type or no channel.
  int bytesPerSample(Direction d);
  // The sample type of channel 0 of a direction; false when it cannot be read.
  bool sampleType(Direction d, int32_t* type);
  // Clock sources into the table (at most kMaxClockSources); the count, or the failing result.
  int clockSources(AsioClockSource* table);
  int setClockSource(int index);
  // Stop if running, the driver's control panel, restart if it was running.
  int controlPanel();
  int activeEnabledCount() const;
  // The buffer lists are rebuilt at the next buffer switch (after the enabled flags changed).
  void resetHandler();
  void setClientListener(AudioDeviceClient* client) { clientListener_ = client; }
  const DriverInfo& driverInfo() const { return info_; }

  // Driver callbacks (forwarded to the current host).
  static void __cdecl bufferSwitch(int32_t half, int32_t directProcess);
  static void __cdecl sampleRateChanged(double rate);
  static int32_t __cdecl message(int32_t selector, int32_t value, void* messageData, double* option);
  static AsioTime* __cdecl bufferSwitchTimeInfo(AsioTime* time, int32_t half, int32_t directProcess);

 protected:
  AsioDriverList* list_;

 private:
  enum Handler { NONE = 0, SETUP = 1, STEADY = 2, SILENT = 3 };

  void serve(int half, const AsioTime* time);
  void setupHandler(int half, const AsioTime* time);
  void steadyHandler(int half, const AsioTime* time);
  void clearEnabledOutputs(int half);
  int stop();
  void freeArrays();
  // AB_OK when channel n of the direction has flags: AB_ERR_NOT_OPEN before open, AB_ERR_BAD_VALUE out
  // of range.
  int checkChannel(Direction d, int channel) const;
  int setChannelFlag(Direction d, int channel, uint8_t flag, bool on);
  int driverInit();
  void driverExit();
  static void waitForCallbacks(int milliseconds);
  // The process-wide driver when it is still the one this host loaded (another host may have loaded
  // its own since), else null.
  IAsioDriver* ownDriver() const;

  std::string driverName_;
  DriverInfo info_;
  bool initialised_ = false;
  uint32_t load_ = 0;  // the driver list's load count when this host loaded its driver
  bool open_ = false;
  bool running_ = false;
  std::atomic<bool> callbackPending_{false};
  AsioCallbacks callbacks_;
  std::atomic<int> handler_{NONE};
  int inputs_ = 0;
  int outputs_ = 0;
  std::unique_ptr<uint8_t[]> flags_[2];            // per direction, per channel: ACTIVE | ENABLED
  std::unique_ptr<AsioBufferInfo[]> bufferInfos_;  // inputs + outputs entries
  int bufferCount_ = 0;
  // Per half: enabled input and output buffers with their channel numbers.
  std::unique_ptr<void*[]> inBuffers_[2];
  std::unique_ptr<void*[]> outBuffers_[2];
  std::unique_ptr<int32_t[]> inChannels_;
  std::unique_ptr<int32_t[]> outChannels_;
  int inCount_ = 0;
  int outCount_ = 0;
  int inBytes_ = 0;  // per half-buffer
  int outBytes_ = 0;
  std::atomic<bool> inputMonitor_{false};
  AudioDeviceClient* clientListener_ = nullptr;
};
