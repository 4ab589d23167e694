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

MidiInPort::MidiInPort(WinMidi* owner, uint32_t index) : MidiPort(index), m_owner(owner), m_recycler(this) {}

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
    m_dataSeen.store(0);
    HMIDIIN h = nullptr;
    if (sys->inOpen(&h, systemIndex, reinterpret_cast<DWORD_PTR>(&MidiInPort::systemCallback),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
      return 0;
    m_handle = h;
    if (m_closeEvent) CloseHandle(m_closeEvent);
    m_closeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    sys->inMessage(m_handle, kDriverMessage, 0, 0);
    if (!m_dataSeen.load()) break;
    // Data arrived while opening: start over with a quiet port.
    sys->inReset(m_handle);
    sys->inClose(m_handle);
    m_handle = nullptr;
  }
  if (!m_handle) return 0;

  open = 1;
  m_sysEx.reset(new (std::nothrow) uint8_t[kSysExBufferSize]);
  m_fill = 0;
  m_inSysEx = false;
  m_recycleEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  m_recyclerQuit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  for (int k = 0; k < kHeaderCount; ++k) {
    m_recycle[k].store(0);
    MIDIHDR* h = static_cast<MIDIHDR*>(std::calloc(1, sizeof(MIDIHDR) + kHeaderBytes));
    m_headers[k] = h;
    if (!h) continue;
    h->lpData = reinterpret_cast<LPSTR>(h + 1);
    h->dwBufferLength = kHeaderBytes;
    sys->inPrepareHeader(m_handle, h);
    sys->inAddBuffer(m_handle, h);
  }
  m_recyclerRunning =
      m_recycleEvent && m_recyclerQuit && m_recycler.start(ThreadPriority(ThreadPriority::LEVEL_HIGHEST));
  m_receiving.store(1);
  return sys->inStart(m_handle) == MMSYSERR_NOERROR ? 1 : 0;
}

void MidiInPort::close() {
  MidiSystem* sys = abMidiSystem();
  m_receiving.store(0);
  if (m_recyclerRunning) {
    SetEvent(m_recyclerQuit);
    m_recycler.wait();
    m_recycler.closeHandle();
    m_recycler.handleHolder().clear();
    m_recyclerRunning = false;
  }
  if (m_handle) {
    sys->inMessage(m_handle, kDriverMessage, 0, 0);
    sys->inReset(m_handle);
    sys->inStop(m_handle);
    for (MIDIHDR* h : m_headers) {
      if (!h) continue;
      for (int i = 0; i < 100 && !midiHeaderDone(h); ++i) Sleep(10);
      sys->inUnprepareHeader(m_handle, h);
    }
    sys->inClose(m_handle);
    if (m_closeEvent) WaitForSingleObject(m_closeEvent, 5000);
    m_handle = nullptr;
  }
  freeHeaders();
  if (m_closeEvent) CloseHandle(m_closeEvent);
  if (m_recycleEvent) CloseHandle(m_recycleEvent);
  if (m_recyclerQuit) CloseHandle(m_recyclerQuit);
  m_closeEvent = m_recycleEvent = m_recyclerQuit = nullptr;
  m_sysEx.reset();
  m_openTime.store(0);
  open = 0;
}

void MidiInPort::freeHeaders() {
  for (MIDIHDR*& h : m_headers) {
    std::free(h);
    h = nullptr;
  }
}

void MidiInPort::recyclerRun() {
  HANDLE events[2] = {m_recyclerQuit, m_recycleEvent};
  for (;;) {
    DWORD w = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (w != WAIT_OBJECT_0 + 1) return;
    for (int k = 0; k < kHeaderCount; ++k) {
      if (!m_recycle[k].exchange(0)) continue;
      if (!m_receiving.load() || !m_headers[k]) continue;
      MidiSystem* sys = abMidiSystem();
      m_headers[k]->dwBytesRecorded = 0;
      sys->inPrepareHeader(m_handle, m_headers[k]);
      sys->inAddBuffer(m_handle, m_headers[k]);
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
      m_openTime.store(abMidiSystem()->timeMs());
      gpDebugPrint("\nMidi Open");
      break;
    case MIM_CLOSE:
      gpDebugPrint("\nMidi Close");
      if (m_closeEvent) SetEvent(m_closeEvent);
      break;
    case MIM_DATA: {
      m_dataSeen.store(1);
      const DWORD msg = static_cast<DWORD>(param1);
      if ((msg & 0xFF) == 0xFE) break;  // active sensing never enters the ring
      const DWORD openTime = m_openTime.load();
      if (openTime == 0) break;
      DWORD time = openTime + static_cast<DWORD>(param2);
      const DWORD now = abMidiSystem()->timeMs();
      if (static_cast<int32_t>(time - now) > 0) time = now;  // a stamp in the future becomes "now"
      uint8_t bytes[4];
      std::memcpy(bytes, &msg, 4);
      m_owner->deliverInput(this, bytes, 3, time);
      break;
    }
    case MIM_LONGDATA: {
      gpDebugPrint("\nMidi SysEx");
      MIDIHDR* h = reinterpret_cast<MIDIHDR*>(param1);
      if (!h) break;
      uint32_t n = h->dwBytesRecorded;
      if (n > h->dwBufferLength) n = h->dwBufferLength;
      assembleSysEx(reinterpret_cast<const uint8_t*>(h->lpData), n);
      if (!m_receiving.load()) break;
      // The header goes back to the system from the recycler thread, not from inside this callback.
      for (int k = 0; k < kHeaderCount; ++k)
        if (m_headers[k] == h) {
          m_recycle[k].store(1);
          if (m_recycleEvent) SetEvent(m_recycleEvent);
        }
      break;
    }
    case MIM_LONGERROR: gpDebugPrint("\nincomplete midi Message"); break;
    default: gpDebugPrint("\nunknown Midi Message"); break;
  }
}

void MidiInPort::assembleSysEx(const uint8_t* bytes, uint32_t count) {
  if (!m_sysEx || !bytes) return;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t b = bytes[i];
    if (b == 0xF0) {
      // A new message starts; one left without its 0xF7 is dropped.
      m_inSysEx = true;
      m_fill = 0;
    }
    if (!m_inSysEx) continue;
    m_sysEx[m_fill++] = b;
    if (m_fill >= static_cast<uint32_t>(kSysExBufferSize)) {
      m_fill = 0;  // too long: dropped
      m_inSysEx = false;
      continue;
    }
    if (b == 0xF7) {
      m_owner->deliverSysEx(this, m_sysEx.get(), static_cast<int>(m_fill));
      m_fill = 0;
      m_inSysEx = false;
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
    m_handle = h;
    open = 1;
    return 1;
  }
  sys->outClose(m_handle);
  m_handle = nullptr;
  open = 0;
  return 1;
}

int MidiOutPort::send(const uint8_t* data, int length) {
  if (!m_handle || !data) return 0;
  DWORD word;
  switch (length) {
    case 3: word = data[0] | (static_cast<DWORD>(data[1]) << 8) | (static_cast<DWORD>(data[2]) << 16); break;
    case 2: word = data[0] | (static_cast<DWORD>(data[1]) << 8); break;
    case 1: word = data[0]; break;
    default: return 0;
  }
  abMidiSystem()->outShortMsg(m_handle, word);
  return 1;
}
