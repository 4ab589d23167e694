// The interface through which the host drives an ASIO driver: an in-process COM object created by its
// class id (the class id is also the interface id), the records the calls fill, and the callbacks the
// host hands over at buffer creation. The declaration is this program's own: the order of the calls,
// the type codes, the record layouts and the calling conventions (__stdcall for the interface,
// __cdecl for the callbacks) are ours.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

// Results of the driver calls: 0 is success, anything else a failure.
enum AsioResult : int32_t {
  ASIO_OK = 0,
  ASIO_ERR_NOT_PRESENT = -1000,  // also what the host answers with no driver loaded
  ASIO_ERR_HARDWARE = -1001,
  ASIO_ERR_INVALID_PARAMETER = -1002,
  ASIO_ERR_INVALID_MODE = -1003,
  ASIO_ERR_NO_CLOCK = -1004,
  ASIO_ERR_NO_MEMORY = -1005
};

// Sample types of a channel. Integers are signed; the 32-bit containers hold 16 to 24 significant bits.
enum AsioSampleType : int32_t {
  ASIO_INT16_LE = 0,
  ASIO_INT24_LE = 1,  // packed in 3 bytes
  ASIO_INT32_LE = 2,
  ASIO_FLOAT32_LE = 3,
  ASIO_FLOAT64_LE = 4,
  ASIO_INT32_LE16 = 5,
  ASIO_INT32_LE18 = 6,
  ASIO_INT32_LE20 = 7,
  ASIO_INT32_LE24 = 8,
  ASIO_INT16_BE = 16,
  ASIO_INT24_BE = 17,
  ASIO_INT32_BE = 18,
  ASIO_FLOAT32_BE = 19,
  ASIO_FLOAT64_BE = 20,
  ASIO_INT32_BE16 = 21,
  ASIO_INT32_BE18 = 22,
  ASIO_INT32_BE20 = 23,
  ASIO_INT32_BE24 = 24
};

// One created buffer: the host fills direction and channel, the driver the two half-buffer pointers.
struct AsioBufferInfo {
  int32_t isInput;
  int32_t channel;
  void* buffers[2];  // half 0, half 1
};
static_assert(sizeof(AsioBufferInfo) == 8 + 2 * sizeof(void*), "buffer-info entries hold two pointers");

struct AsioChannelInfo {
  int32_t channel;   // in: channel number
  int32_t isInput;   // in: direction
  int32_t isActive;  // out
  int32_t group;     // out
  int32_t type;      // out: AsioSampleType
  char name[32];     // out
};

struct AsioClockSource {
  int32_t index;
  int32_t channel;
  int32_t group;
  int32_t isCurrent;
  char name[32];
};

// What the driver may pass with a buffer switch.
struct AsioTime {
  int32_t flags;  // 0: the rest is not valid
  int32_t reserved;
  uint64_t systemTime;  // nanoseconds
  uint64_t samplePosition;
  double sampleRate;
};

// future() selector 3: set input monitoring.
enum { ASIO_FUTURE_SET_INPUT_MONITOR = 3 };
struct AsioInputMonitor {
  int32_t input;  // -1: all
  int32_t output;
  int32_t gain;
  int32_t state;  // 0 off
  int32_t pan;
};

// Selectors of the message callback.
enum AsioMessage : int32_t {
  ASIO_MSG_SELECTOR_SUPPORTED = 1,
  ASIO_MSG_ENGINE_VERSION = 2,
  ASIO_MSG_RESET_REQUEST = 3,
  ASIO_MSG_BUFFER_SIZE_CHANGE = 4,
  ASIO_MSG_RESYNC_REQUEST = 5,
  ASIO_MSG_LATENCIES_CHANGED = 6,
  ASIO_MSG_SUPPORTS_TIME_INFO = 7,
  ASIO_MSG_SUPPORTS_TIME_CODE = 8,
  ASIO_MSG_SUPPORTS_INPUT_MONITOR = 10
};

struct AsioCallbacks {
  void(__cdecl* bufferSwitch)(int32_t half, int32_t directProcess);
  void(__cdecl* sampleRateDidChange)(double rate);
  int32_t(__cdecl* message)(int32_t selector, int32_t value, void* message, double* option);
  AsioTime*(__cdecl* bufferSwitchTimeInfo)(AsioTime* time, int32_t half, int32_t directProcess);
};

struct IAsioDriver : public IUnknown {
  virtual int32_t __stdcall init(void* systemReference) = 0;  // ASIO_OK or a failure
  virtual void __stdcall getDriverName(char* name) = 0;       // 32 bytes
  virtual int32_t __stdcall getDriverVersion() = 0;
  virtual void __stdcall getErrorMessage(char* text) = 0;  // 124 bytes
  virtual int32_t __stdcall start() = 0;
  virtual int32_t __stdcall stop() = 0;
  virtual int32_t __stdcall getChannels(int32_t* inputs, int32_t* outputs) = 0;
  virtual int32_t __stdcall getLatencies(int32_t* input, int32_t* output) = 0;
  virtual int32_t __stdcall getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                                          int32_t* granularity) = 0;
  virtual int32_t __stdcall canSampleRate(double rate) = 0;
  virtual int32_t __stdcall getSampleRate(double* rate) = 0;
  virtual int32_t __stdcall setSampleRate(double rate) = 0;
  virtual int32_t __stdcall getClockSources(AsioClockSource* sources, int32_t* count) = 0;  // count in: room
  virtual int32_t __stdcall setClockSource(int32_t index) = 0;
  virtual int32_t __stdcall getChannelInfo(AsioChannelInfo* info) = 0;
  virtual int32_t __stdcall createBuffers(AsioBufferInfo* infos, int32_t count, int32_t bufferSize,
                                          const AsioCallbacks* callbacks) = 0;
  virtual int32_t __stdcall disposeBuffers() = 0;
  virtual int32_t __stdcall controlPanel() = 0;
  virtual int32_t __stdcall future(int32_t selector, void* argument) = 0;
  virtual int32_t __stdcall outputReady() = 0;
};
