// The WinMidi driver's ports: one object per system MIDI input and output. An input port receives on
// the system's MIDI callback thread, assembles SysEx messages and hands everything to its WinMidi
// owner; an output port sends short messages.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "ABMemberThread.h"

class WinMidi;

class MidiPort {
 public:
  explicit MidiPort(uint32_t systemIndex) : systemIndex(systemIndex) {}
  virtual ~MidiPort() = default;
  MidiPort(const MidiPort&) = delete;
  MidiPort& operator=(const MidiPort&) = delete;

  // Opens (true) or closes (false) the port: 1 on success or when already in that state, 0 on failure.
  virtual int setOpen(bool on) = 0;
  virtual bool isOpen() const { return open != 0; }
  // The system's name of the port (zero-terminated, at most size-1 characters).
  virtual void getName(char* name, uint32_t size) = 0;

  uint8_t open = 0;
  uint32_t systemIndex;
};

class MidiInPort : public MidiPort {
 public:
  static const int kSysExBufferSize = 32768;
  static const int kHeaderCount = 3;
  static const int kHeaderBytes = 512;

  MidiInPort(WinMidi* owner, uint32_t index);
  ~MidiInPort() override;  // closes the port
  int setOpen(bool on) override;
  void getName(char* name, uint32_t size) override;

  // The system's input callback (MIM_OPEN, MIM_DATA, MIM_LONGDATA, MIM_CLOSE, ...), on its MIDI thread.
  static void CALLBACK systemCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                      DWORD_PTR param2);
  void handleMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2);
  // Feeds received SysEx bytes to the assembler: 0xF0 starts a message, 0xF7 completes and delivers
  // it; a message that reaches the buffer's 32768 bytes is dropped.
  void assembleSysEx(const uint8_t* bytes, uint32_t count);

 private:
  // The recycler's body: gives done SysEx headers back to the system. It runs outside the MIDI
  // callback because midiIn calls made inside the callback can deadlock.
  void recyclerRun();
  void close();
  void freeHeaders();

  WinMidi* owner_;
  std::atomic<uint8_t> dataSeen_{0};
  HANDLE closeEvent_ = nullptr;  // manual reset, set at MIM_CLOSE
  HMIDIIN handle_ = nullptr;
  std::unique_ptr<uint8_t[]> sysEx_;  // assembly buffer, made by open (filled on the callback thread)
  uint32_t fill_ = 0;
  bool inSysEx_ = false;
  MIDIHDR* headers_[kHeaderCount] = {nullptr, nullptr, nullptr};  // each with its 512 bytes behind it
  std::atomic<DWORD> openTime_{0};                                // timeGetTime at MIM_OPEN; 0 before
  std::atomic<uint8_t> receiving_{0};
  std::atomic<uint8_t> recycle_[kHeaderCount] = {};
  HANDLE recycleEvent_ = nullptr;  // auto reset: a header waits to be given back
  HANDLE recyclerQuit_ = nullptr;  // manual reset
  MemberThread<MidiInPort, &MidiInPort::recyclerRun> recycler_;
  bool recyclerRunning_ = false;
};

class MidiOutPort : public MidiPort {
 public:
  explicit MidiOutPort(uint32_t index) : MidiPort(index) {}
  ~MidiOutPort() override;  // closes the port
  int setOpen(bool on) override;
  void getName(char* name, uint32_t size) override;
  // Packs 1..3 bytes into a short message (status in the low byte) and sends it: 1 when sent, 0 when
  // the port is closed or the length is not 1..3.
  int send(const uint8_t* data, int length);

 private:
  HMIDIOUT handle_ = nullptr;
};
