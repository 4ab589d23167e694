// The base of the audio drivers (MME, DirectSound, ASIO): the named properties that they all answer in
// the same way, written once over the few facts each driver gives of itself. A driver registers these
// handlers in its constructor beside its own, which serve the properties where the drivers differ.
#pragma once

#include <cstdint>
#include <string>

#include "ABAudioMidiDevice.h"
#include "ABDeviceErrors.h"
#include "ABPropertyValues.h"

// How a driver takes the caller's buffer for "SampleRateList": of exactly the list's size, or any
// buffer with room for the count and the rates (the spare word is not needed).
enum class RateListBuffer { EXACT_SIZE, ROOM_FOR_RATES };

template <class D>
class AudioDriverDevice : public MappedPropertyDevice<D> {
 public:
  explicit AudioDriverDevice(const std::string& name, RateListBuffer rateListBuffer = RateListBuffer::EXACT_SIZE)
      : MappedPropertyDevice<D>(AudioMidiDevice::KIND_AUDIO), deviceName_(name), rateListBuffer_(rateListBuffer) {}

  // The name that "DeviceName" gives (the driver's prefix and the system's name of the device).
  const std::string& deviceName() const { return deviceName_; }

 protected:
  static const int kMaxListedRates = 16;

  // What the shared handlers read while the device is open: the ports of both directions, the
  // sample rate, the block's frames ("BufferSize"), and the rates the device offers (at most
  // kMaxListedRates, into the array; the count).
  virtual uint32_t portTotal() = 0;
  virtual uint32_t currentRate() = 0;
  virtual uint32_t currentBlockFrames() = 0;
  virtual int listedRates(int32_t* rates) = 0;

  // "DeviceName", open or not.
  int nameInfo(uint32_t* size, uint32_t* changeable) { return textPropertyInfo(deviceName_, size, changeable); }
  int nameGet(void* buffer, uint32_t* size) { return textPropertyGet(deviceName_, buffer, size); }

  // The others answer AB_ERR_NOT_OPEN while the device is closed.
  int portInfo(uint32_t* size, uint32_t* changeable) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    return valuePropertyInfo(audioPortDescriptionBytes(portTotal()), true, size, changeable);
  }
  int rateListInfo(uint32_t* size, uint32_t* changeable) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    int32_t rates[kMaxListedRates];
    return rateListPropertyInfo(listedRates(rates), size, changeable);
  }
  // The count and the rates; the spare word is left as it is.
  int rateListGet(void* buffer, uint32_t* size) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    int32_t rates[kMaxListedRates];
    const int n = listedRates(rates);
    const uint64_t bytes = rateListBytes(n);
    if (!size || !buffer) return AB_ERR_BAD_VALUE;
    if (rateListBuffer_ == RateListBuffer::EXACT_SIZE ? *size != bytes : *size < bytes - 4) return AB_ERR_BAD_VALUE;
    writeRateList(buffer, rates, n);
    return AB_OK;
  }
  int rateGet(void* buffer, uint32_t* size) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    return wordPropertyGet(currentRate(), buffer, size);
  }
  // "BufferSize" is read only.
  int bufferSizeInfo(uint32_t* size, uint32_t* changeable) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    return valuePropertyInfo(sizeof(uint32_t), false, size, changeable);
  }
  int bufferSizeGet(void* buffer, uint32_t* size) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    if (!isWordBuffer(buffer, size)) return AB_ERR_BAD_VALUE;
    return wordPropertyGet(currentBlockFrames(), buffer, size);
  }
  // A word read while the device is open.
  int openWordGet(uint32_t word, void* buffer, uint32_t* size) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    return wordPropertyGet(word, buffer, size);
  }
  // The word a set gives while the device is open: AB_OK with the word, else the failure.
  int openWordSet(const void* value, uint32_t size, uint32_t* word) {
    if (!this->isOpen()) return AB_ERR_NOT_OPEN;
    if (!isWordValue(value, size)) return AB_ERR_BAD_VALUE;
    *word = readU32(value, 0);
    return AB_OK;
  }
  // Handlers that tell only whether the device is open.
  int openStateInfo(uint32_t*, uint32_t*) { return this->isOpen() ? AB_OK : AB_ERR_NOT_OPEN; }
  int openStateGet(void*, uint32_t*) { return this->isOpen() ? AB_OK : AB_ERR_NOT_OPEN; }
  int openStateSet(const void*, uint32_t) { return this->isOpen() ? AB_OK : AB_ERR_NOT_OPEN; }

 private:
  std::string deviceName_;
  RateListBuffer rateListBuffer_;
};
