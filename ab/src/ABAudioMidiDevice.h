// The abstract device every driver implements (audio or MIDI), the device client through which a
// device reports a new rate or asks for a reset, and the listeners that the manager's listener table
// may hold.
#pragma once

#include <cstdint>

#include "ABAudioBlock.h"
#include "ABDeviceErrors.h"
#include "ABMidiInputRing.h"
#include "ABPropertyTable.h"

// What a device tells the host outside the block callback.
class AudioDeviceClient {
 public:
  virtual ~AudioDeviceClient() = default;
  virtual void sampleRateDidChange(int rate) = 0;
  virtual void requestReset() = 0;
};

// A listener registered under a property name in the manager's listener table: called after a
// property of that name was set, and with "Acquire" after an open and "Prime" after a start.
typedef void (*DeviceListenerFunction)(const char* name, uint32_t id, void* word1, void* word2);
class DeviceListener : public PropertyObject {
 public:
  DeviceListener(DeviceListenerFunction function, void* word1, void* word2)
      : function(function), word1(word1), word2(word2) {}
  DeviceListenerFunction function;
  void* word1;
  void* word2;
};

class AudioMidiDevice {
 public:
  enum Kind { KIND_AUDIO = 0, KIND_MIDI = 1 };

  explicit AudioMidiDevice(uint32_t kind);
  // Closes the device and frees its buffers (in the drivers' destructors).
  virtual ~AudioMidiDevice();
  AudioMidiDevice(const AudioMidiDevice&) = delete;
  AudioMidiDevice& operator=(const AudioMidiDevice&) = delete;

  // Sends one short message; the base does nothing and returns 0.
  virtual int sendMidi(const MidiRingSlot* slot);
  // true opens the device (driver, buffers, ports), false closes it; 0 or a negative code.
  virtual int open(bool on) = 0;
  virtual bool isOpen() = 0;
  // true starts streaming (the block callback is then called on the driver's thread), false stops.
  virtual int start(bool on) = 0;
  virtual bool isRunning() = 0;
  // Named properties: the value's size and whether it can be changed; set; get (size in and out).
  // AB_ERR_NO_PROPERTY for an unknown name.
  virtual int getPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) = 0;
  virtual int setProperty(const char* name, const void* value, uint32_t size) = 0;
  virtual int getProperty(const char* name, void* buffer, uint32_t* size) = 0;
  // Stores the client; 0.
  virtual int setClient(AudioDeviceClient* newClient);

  uint32_t id = 0;                // given by the enumeration, 1, 2, ... (0 means none)
  MidiInputRing* ring = nullptr;  // the manager's ring
  AbBlockCallback callback = nullptr;
  void* callbackUser1 = nullptr;
  void* callbackUser2 = nullptr;
  AudioBlock block;
  PropertyTable* listeners = nullptr;  // the manager's listener table
  AudioDeviceClient* client = nullptr;
  uint32_t kind;
};

// Property handlers of a driver: one object per name in each of the three maps (information, set,
// get), calling a member function of the driver with the call's arguments.
template <class D, class... Args>
class MemberProperty : public PropertyObject {
 public:
  typedef int (D::*Fn)(Args...);
  MemberProperty(D* owner, Fn fn) : owner(owner), fn(fn) {}
  int call(Args... args) { return (owner->*fn)(args...); }
  D* owner;
  Fn fn;
};

template <class D>
using InfoProperty = MemberProperty<D, uint32_t* /*size*/, uint32_t* /*changeable*/>;
template <class D>
using SetProperty = MemberProperty<D, const void* /*value*/, uint32_t /*size*/>;
template <class D>
using GetProperty = MemberProperty<D, void* /*buffer*/, uint32_t* /*size*/>;

// A driver's three property maps (32 buckets each) and the dispatch by name.
template <class D>
class DevicePropertyMaps {
 public:
  DevicePropertyMaps() : info(32), set(32), get(32) {}
  void addInfo(const char* name, D* owner, typename InfoProperty<D>::Fn fn) {
    info.insert(name, new InfoProperty<D>(owner, fn));
  }
  void addSet(const char* name, D* owner, typename SetProperty<D>::Fn fn) {
    set.insert(name, new SetProperty<D>(owner, fn));
  }
  void addGet(const char* name, D* owner, typename GetProperty<D>::Fn fn) {
    get.insert(name, new GetProperty<D>(owner, fn));
  }
  // The handlers of one name at once; a null handler is not registered.
  void add(const char* name, D* owner, typename InfoProperty<D>::Fn infoFn, typename GetProperty<D>::Fn getFn,
           typename SetProperty<D>::Fn setFn = nullptr) {
    if (infoFn) addInfo(name, owner, infoFn);
    if (getFn) addGet(name, owner, getFn);
    if (setFn) addSet(name, owner, setFn);
  }
  int callInfo(const char* name, uint32_t* size, uint32_t* changeable) {
    return call<InfoProperty<D>>(info, name, size, changeable);
  }
  int callSet(const char* name, const void* value, uint32_t size) {
    return call<SetProperty<D>>(set, name, value, size);
  }
  int callGet(const char* name, void* buffer, uint32_t* size) { return call<GetProperty<D>>(get, name, buffer, size); }

  PropertyTable info;
  PropertyTable set;
  PropertyTable get;

 private:
  // The handler of the name in the table, or AB_ERR_NO_PROPERTY when it has none.
  template <class P, class... Args>
  static int call(const PropertyTable& table, const char* name, Args... args) {
    P* p = static_cast<P*>(table.find(name));
    return p ? p->call(args...) : AB_ERR_NO_PROPERTY;
  }
};

// A driver whose named properties are served from its three maps: the driver adds its handlers in its
// constructor, and the device's property calls dispatch through the maps by name.
template <class D>
class MappedPropertyDevice : public AudioMidiDevice {
 public:
  explicit MappedPropertyDevice(uint32_t deviceKind) : AudioMidiDevice(deviceKind) {}

  int getPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) override {
    return properties_.callInfo(name, size, changeable);
  }
  int setProperty(const char* name, const void* value, uint32_t size) override {
    return properties_.callSet(name, value, size);
  }
  int getProperty(const char* name, void* buffer, uint32_t* size) override {
    return properties_.callGet(name, buffer, size);
  }

 protected:
  DevicePropertyMaps<D> properties_;
};
