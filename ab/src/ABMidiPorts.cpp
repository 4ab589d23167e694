// The WinMidi driver's input and output ports.
#include "ABMidiPorts.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "ABMidiSystem.h"
#include "ABWinMidi.h"
#include "GPError.h"

namespace {
// Sent to the input driver around open and close.
const UINT kDriverMessage = 16386;

bool midiHeaderDone(const MIDIHDR* h) { return (*static_cast<const volatile DWORD*>(&h->dwFlags) & MHDR_DONE) != 0; }
}  // namespace

// ---- input

MidiInPort::MidiInPort(WinMidi* owner, uint32_t index) : MidiPort(index), owner_(owner), recycler_(this) {}

MidiInPort::~MidiInPort() {
  if (open) close();
}

void MidiInPort::getName(char* name, uint32_t size) {
  if (!name || size == 0) return;
  name[0] = 0;
  abMidiSystem()->inGetName(systemIndex, name, size);
}

int MidiInPort::setOpen(bool on) {
  if ((open != 0) == on) return 1;
  if (!on) {
    close();
    return 1;
  }
  MidiSystem* sys = abMidiSystem();
  for (int attempt = 0; attempt < 10; ++attempt) {
    dataSeen_.store(0);
    HMIDIIN h = nullptr;
    if (sys->inOpen(&h, systemIndex, reinterpret_cast<DWORD_PTR>(&MidiInPort::systemCallback),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
      return 0;
    handle_ = h;
    if (closeEvent_) CloseHandle(closeEvent_);
    closeEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    sys->inMessage(handle_, kDriverMessage, 0, 0);
    if (!dataSeen_.load()) break;
    // Data arrived while opening: start over with a quiet port.
    sys->inReset(handle_);
    sys->inClose(handle_);
    handle_ = nullptr;
  }
  if (!handle_) return 0;

  open = 1;
  sysEx_.reset(new (std::nothrow) uint8_t[kSysExBufferSize]);
  fill_ = 0;
  inSysEx_ = false;
  recycleEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  recyclerQuit_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  for (int k = 0; k < kHeaderCount; ++k) {
    recycle_[k].store(0);
    MIDIHDR* h = static_cast<MIDIHDR*>(std::calloc(1, sizeof(MIDIHDR) + kHeaderBytes));
    headers_[k] = h;
    if (!h) continue;
    h->lpData = reinterpret_cast<LPSTR>(h + 1);
    h->dwBufferLength = kHeaderBytes;
    sys->inPrepareHeader(handle_, h);
    sys->inAddBuffer(handle_, h);
  }
  recyclerRunning_ = recycleEvent_ && recyclerQuit_ && recycler_.start(ThreadPriority(ThreadPriority::LEVEL_HIGHEST));
  receiving_.store(1);
  return sys->inStart(handle_) == MMSYSERR_NOERROR ? 1 : 0;
}

void MidiInPort::close() {
  MidiSystem* sys = abMidiSystem();
  receiving_.store(0);
  if (recyclerRunning_) {
    SetEvent(recyclerQuit_);
    recycler_.wait();
    recycler_.closeHandle();
    recycler_.handleHolder().clear();
    recyclerRunning_ = false;
  }
  if (handle_) {
    sys->inMessage(handle_, kDriverMessage, 0, 0);
    sys->inReset(handle_);
    sys->inStop(handle_);
    for (MIDIHDR* h : headers_) {
      if (!h) continue;
      for (int i = 0; i < 100 && !midiHeaderDone(h); ++i) Sleep(10);
      sys->inUnprepareHeader(handle_, h);
    }
    sys->inClose(handle_);
    if (closeEvent_) WaitForSingleObject(closeEvent_, 5000);
    handle_ = nullptr;
  }
  freeHeaders();
  if (closeEvent_) CloseHandle(closeEvent_);
  if (recycleEvent_) CloseHandle(recycleEvent_);
  if (recyclerQuit_) CloseHandle(recyclerQuit_);
  closeEvent_ = recycleEvent_ = recyclerQuit_ = nullptr;
  sysEx_.reset();
  openTime_.store(0);
  open = 0;
}

void MidiInPort::freeHeaders() {
  for (MIDIHDR*& h : headers_) {
    std::free(h);
    h = nullptr;
  }
}

void MidiInPort::recyclerRun() {
  HANDLE events[2] = {recyclerQuit_, recycleEvent_};
  for (;;) {
    DWORD w = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (w != WAIT_OBJECT_0 + 1) return;
    for (int k = 0; k < kHeaderCount; ++k) {
      if (!recycle_[k].exchange(0)) continue;
      if (!receiving_.load() || !headers_[k]) continue;
      MidiSystem* sys = abMidiSystem();
      headers_[k]->dwBytesRecorded = 0;
      sys->inPrepareHeader(handle_, headers_[k]);
      sys->inAddBuffer(handle_, headers_[k]);
    }
  }
}

void CALLBACK MidiInPort::systemCallback(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                         DWORD_PTR param2) {
  MidiInPort* port = reinterpret_cast<MidiInPort*>(instance);
  if (port) port->handleMessage(message, param1, param2);
}

void MidiInPort::handleMessage(UINT message, DWORD_PTR param1, DWORD_PTR param2) {
  switch (message) {
    case MIM_OPEN:
      openTime_.store(abMidiSystem()->timeMs());
      gpDebugPrint("\nMidi Open");
      break;
    case MIM_CLOSE:
      gpDebugPrint("\nMidi Close");
      if (closeEvent_) SetEvent(closeEvent_);
      break;
    case MIM_DATA: {
      dataSeen_.store(1);
      const DWORD msg = static_cast<DWORD>(param1);
      if ((msg & 0xFF) == 0xFE) break;  // active sensing never enters the ring
      const DWORD openTime = openTime_.load();
      if (openTime == 0) break;
      DWORD time = openTime + static_cast<DWORD>(param2);
      const DWORD now = abMidiSystem()->timeMs();
      if (static_cast<int32_t>(time - now) > 0) time = now;  // a stamp in the future becomes "now"
      uint8_t bytes[4];
      std::memcpy(bytes, &msg, 4);
      owner_->deliverInput(this, bytes, 3, time);
      break;
    }
    case MIM_LONGDATA: {
      gpDebugPrint("\nMidi SysEx");
      MIDIHDR* h = reinterpret_cast<MIDIHDR*>(param1);
      if (!h) break;
      uint32_t n = h->dwBytesRecorded;
      if (n > h->dwBufferLength) n = h->dwBufferLength;
      assembleSysEx(reinterpret_cast<const uint8_t*>(h->lpData), n);
      if (!receiving_.load()) break;
      // The header goes back to the system from the recycler thread, not from inside this callback.
      for (int k = 0; k < kHeaderCount; ++k)
        if (headers_[k] == h) {
          recycle_[k].store(1);
          if (recycleEvent_) SetEvent(recycleEvent_);
        }
      break;
    }
    case MIM_LONGERROR: gpDebugPrint("\nincomplete midi Message"); break;
    default: gpDebugPrint("\nunknown Midi Message"); break;
  }
}

void MidiInPort::assembleSysEx(const uint8_t* bytes, uint32_t count) {
  if (!sysEx_ || !bytes) return;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
    if (b == 0xF0) {
      // A new message starts; one left without its 0xF7 is dropped.
      inSysEx_ = true;
      fill_ = 0;
    }
    if (!inSysEx_) continue;
    sysEx_[fill_++] = b;
    if (fill_ >= static_cast<uint32_t>(kSysExBufferSize)) {
      fill_ = 0;  // too long: dropped
      inSysEx_ = false;
      continue;
    }
    if (b == 0xF7) {
      owner_->deliverSysEx(this, sysEx_.get(), static_cast<int>(fill_));
      fill_ = 0;
      inSysEx_ = false;
    }
  }
}

// ---- output

MidiOutPort::~MidiOutPort() {
  if (open) setOpen(false);
}

void MidiOutPort::getName(char* name, uint32_t size) {
  if (!name || size == 0) return;
  name[0] = 0;
  if (abMidiSystem()->outGetName(systemIndex, name, size) != MMSYSERR_NOERROR) {
    std::strncpy(name, "Error", size - 1);
    name[size - 1] = 0;
  }
}

int MidiOutPort::setOpen(bool on) {
  if ((open != 0) == on) return 1;
  MidiSystem* sys = abMidiSystem();
  if (on) {
    HMIDIOUT h = nullptr;
    if (sys->outOpen(&h, systemIndex) != MMSYSERR_NOERROR) return 0;
    handle_ = h;
    open = 1;
    return 1;
  }
  sys->outClose(handle_);
  handle_ = nullptr;
  open = 0;
  return 1;
}

int MidiOutPort::send(const uint8_t* data, int length) {
  if (!handle_ || !data) return 0;
  DWORD word;
  switch (length) {
    case 3: word = data[0] | (static_cast<DWORD>(data[1]) << 8) | (static_cast<DWORD>(data[2]) << 16); break;
    case 2: word = data[0] | (static_cast<DWORD>(data[1]) << 8); break;
    case 1: word = data[0]; break;
    default: return 0;
  }
  abMidiSystem()->outShortMsg(handle_, word);
  return 1;
}
