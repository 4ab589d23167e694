// The device-layer driver for one installed ASIO driver: an AudioMidiDevice whose host part receives
// each half-buffer on the driver's thread, converts the driver's samples to float, calls the host's
// block callback and converts the outputs back into the driver's buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ABAsioHost.h"
#include "ABAudioDriverDevice.h"
#include "ABSampleFormatConverter.h"

class AsioDevice : public AudioDriverDevice<AsioDevice>, public AsioHost {
 public:
  // name: the driver's display name as the list gives it out (at most 32 bytes).
  AsioDevice(AsioDriverList* list, const char* name, void* systemReference);
  ~AsioDevice() override;

  int open(bool on) override;
  bool isOpen() override { return isHostOpen(); }
  int start(bool on) override { return hostStart(on); }
  bool isRunning() override { return isHostRunning(); }
  int setClient(AudioDeviceClient* newClient) override;

  void process(void* const* inputs, int inputCount, const int32_t* inputChannels, void* const* outputs, int outputCount,
               const int32_t* outputChannels, uint64_t timeStamp) override;

  // The driver sample type as a converter side (false for a type without a conversion).
  static bool driverFormat(int32_t type, SampleFormat* format);

 private:
  static const uint32_t kClockEntryBytes = 132;  // a "ClockList" entry: its index and a 128-byte name field

  void freeBlock();
  void portRecordList(const void* value, bool active, bool enabled);
  int portRecordsStopped(const void* value, uint32_t size, bool active, bool enabled);
  uint32_t streamBytes() const;

  // What the shared property handlers read.
  uint32_t portTotal() override { return static_cast<uint32_t>(inputCount() + outputCount()); }
  uint32_t currentRate() override { return static_cast<uint32_t>(sampleRate()); }
  uint32_t currentBlockFrames() override;
  int listedRates(int32_t* rates) override { return supportedRates(rates); }

  // Property handlers (beside the shared ones).
  // "DeviceName" read with room for the terminator: the size becomes the text's with it.
  int nameCountedGet(void* buffer, uint32_t* size);
  int portGet(void* buffer, uint32_t* size);
  int portSet(const void* value, uint32_t size);
  int streamInfo(uint32_t* size, uint32_t* changeable);
  int streamGet(void* buffer, uint32_t* size);
  int enableSet(const void* value, uint32_t size);
  int activeSet(const void* value, uint32_t size);
  int rateListGet(void* buffer, uint32_t* size);
  int rateSet(const void* value, uint32_t size);
  int clockListInfo(uint32_t* size, uint32_t* changeable);
  int clockListGet(void* buffer, uint32_t* size);
  int clockInfo(uint32_t* size, uint32_t* changeable);
  int clockGet(void* buffer, uint32_t* size);
  int clockSet(const void* value, uint32_t size);
  int controlPanelInfo(uint32_t* size, uint32_t* changeable);
  int controlPanelGet(void* buffer, uint32_t* size);
  int descriptionGet(void* buffer, uint32_t* size);
  int latencyInfo(uint32_t* size, uint32_t* changeable);
  int latencyGet(void* buffer, uint32_t* size);

  std::unique_ptr<SampleFormatConverter> inConverter_;  // made by open; used on the driver's thread
  std::unique_ptr<SampleFormatConverter> outConverter_;
  bool floatInput_ = false;  // the driver delivers float samples, which are checked as they enter
  uint32_t requestedRate_ = 44100;
  int inChannelCount_ = 0;  // buffers of the block
  int outChannelCount_ = 0;
  int32_t frames_ = 0;
  // What the block's buffers and channel ids point to, made by open.
  ChannelBuffers inBlock_;
  ChannelBuffers outBlock_;
  std::unique_ptr<int32_t[]> inBlockIds_;
  std::unique_ptr<int32_t[]> outBlockIds_;
};
