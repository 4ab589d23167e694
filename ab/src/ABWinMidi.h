// The WinMidi driver: the Windows MIDI ports as one device of kind MIDI. Input ports are opened when the
// host enables them through "PortDescription"; their short messages are time-stamped and written into
// the device layer's ring, SysEx messages are assembled and handed to the host's MIDI notification;
// short messages go out through midiOutShortMsg.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ABAudioMidiDevice.h"
#include "ABMidiPorts.h"
#include "GPLock.h"

class WinMidi : public MappedPropertyDevice<WinMidi> {
 public:
  // notify: the address of the manager's MIDI notification (read at each delivery).
  explicit WinMidi(std::atomic<AbMidiNotify>* notify);
  ~WinMidi() override;

  int sendMidi(const MidiRingSlot* slot) override;
  int open(bool on) override;
  bool isOpen() override { return open_ != 0; }
  int start(bool on) override;
  bool isRunning() override { return running_.load(std::memory_order_acquire) != 0; }

  // On the MIDI callback thread: a short message of an input port into the ring (time in ms), and a
  // complete SysEx message to the notification only.
  virtual void deliverInput(MidiPort* port, const uint8_t* data, int length, uint32_t timeMs);
  virtual void deliverSysEx(MidiPort* port, const uint8_t* data, int length);

  int inputCount() const { return inCount_; }
  int outputCount() const { return outCount_; }
  // The time (ms) of the last input written into the ring.
  uint32_t lastInputTime() const { return lastInputTime_.load(std::memory_order_relaxed); }

 private:
  void notify(const MidiRingSlot* slot);
  MidiPort* findPort(int32_t index, bool isOutput);
  int nameInfo(uint32_t* size, uint32_t* changeable);
  int nameGet(void* buffer, uint32_t* size);
  int portInfo(uint32_t* size, uint32_t* changeable);
  int portGet(void* buffer, uint32_t* size);
  int portSet(const void* value, uint32_t size);

  std::atomic<AbMidiNotify>* notify_;
  std::vector<std::unique_ptr<MidiInPort>> inPorts_;  // made by open, in the system's order
  std::vector<std::unique_ptr<MidiOutPort>> outPorts_;
  int inCount_ = 0;  // the ports' counts (read on the MIDI threads)
  int outCount_ = 0;
  std::string name_;
  uint8_t open_ = 0;
  std::atomic<uint8_t> running_{0};
  // Several input ports may call back on different system threads: their writes into the ring are
  // serialised here, on the writer side only (the audio thread's reader never takes it).
  CriticalSection writeLock_;
  std::atomic<uint32_t> lastInputTime_{0};
};
