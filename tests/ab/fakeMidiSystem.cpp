// The stand-in for the system's MIDI ports.
#include "fakeMidiSystem.h"

#include <chrono>
#include <cstring>

FakeMidiSystem::FakeMidiSystem(std::vector<std::string> in, std::vector<std::string> out)
    : inputs(std::move(in)),
      outputs(std::move(out)),
      failOpenIn(inputs.size()),
      failOpenOut(outputs.size()),
      failNameOut(outputs.size()),
      m_in(inputs.size()),
      m_outOpen(outputs.size()) {
  m_thread = std::thread([this] { run(); });
  m_previous = abSetMidiSystem(this);
}

FakeMidiSystem::~FakeMidiSystem() {
  abSetMidiSystem(m_previous);
  {
    std::lock_guard<std::mutex> l(m_mutex);
    m_quit = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

void FakeMidiSystem::run() {
  m_threadId = std::this_thread::get_id();
  std::unique_lock<std::mutex> l(m_mutex);
  for (;;) {
    m_wake.wait(l, [this] { return m_quit || !m_jobs.empty(); });
    if (m_jobs.empty()) return;
    std::function<void()> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_busy = true;
    l.unlock();
    job();
    l.lock();
    m_busy = false;
    m_wake.notify_all();
  }
}

void FakeMidiSystem::post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> l(m_mutex);
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_all();
}

void FakeMidiSystem::flush() {
  std::unique_lock<std::mutex> l(m_mutex);
  m_wake.wait(l, [this] { return m_jobs.empty() && !m_busy; });
}

void FakeMidiSystem::call(int port, UINT message, DWORD_PTR p1, DWORD_PTR p2) {
  DWORD_PTR cb, inst;
  {
    std::lock_guard<std::mutex> l(m_mutex);
    if (!m_in[port].open) return;
    cb = m_in[port].callback;
    inst = m_in[port].instance;
  }
  callWith(cb, inst, port, message, p1, p2);
}

void FakeMidiSystem::callWith(DWORD_PTR cb, DWORD_PTR inst, int port, UINT message, DWORD_PTR p1, DWORD_PTR p2) {
  if (!cb) return;
  m_inCallback = true;
  reinterpret_cast<void(CALLBACK*)(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(cb)(
      reinterpret_cast<HMIDIIN>(static_cast<uintptr_t>(port + 1)), message, inst, p1, p2);
  m_inCallback = false;
}

// midiIn calls made from inside the input callback (they can deadlock on a real system) are counted.
void FakeMidiSystem::noteCall() {
  if (std::this_thread::get_id() == m_threadId && m_inCallback) ++m_insideCalls;
}

void FakeMidiSystem::sendShort(int port, DWORD message, DWORD stampMs) {
  post([=] { call(port, MIM_DATA, message, stampMs); });
}

void FakeMidiSystem::sendSysEx(int port, const std::vector<uint8_t>& bytes) {
  post([=] {
    size_t at = 0;
    while (at < bytes.size()) {
      MIDIHDR* h = nullptr;
      {
        std::unique_lock<std::mutex> l(m_mutex);
        if (!m_wake.wait_for(l, std::chrono::seconds(10), [&] { return !m_in[port].headers.empty(); })) return;
        h = m_in[port].headers.front();
        m_in[port].headers.pop_front();
      }
      size_t n = bytes.size() - at;
      if (n > h->dwBufferLength) n = h->dwBufferLength;
      std::memcpy(h->lpData, bytes.data() + at, n);
      h->dwBytesRecorded = static_cast<DWORD>(n);
      h->dwFlags |= MHDR_DONE;
      h->dwFlags &= ~MHDR_INQUEUE;
      at += n;
      call(port, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(h), 0);
    }
  });
}

std::vector<FakeMidiSystem::OutWord> FakeMidiSystem::outWords() {
  std::lock_guard<std::mutex> l(m_mutex);
  return m_words;
}

int FakeMidiSystem::driverMessages(int port) {
  std::lock_guard<std::mutex> l(m_mutex);
  return m_in[port].driverMessages;
}

bool FakeMidiSystem::isOpen(int port) {
  std::lock_guard<std::mutex> l(m_mutex);
  return m_in[port].open;
}

int FakeMidiSystem::closeCount(int port) {
  std::lock_guard<std::mutex> l(m_mutex);
  return m_in[port].closes;
}

int FakeMidiSystem::pendingHeaders(int port) {
  std::lock_guard<std::mutex> l(m_mutex);
  return static_cast<int>(m_in[port].headers.size());
}

bool FakeMidiSystem::waitForPendingHeaders(int port, int count, int timeoutMs) {
  std::unique_lock<std::mutex> l(m_mutex);
  return m_wake.wait_for(l, std::chrono::milliseconds(timeoutMs),
                         [&] { return static_cast<int>(m_in[port].headers.size()) == count; });
}

MMRESULT FakeMidiSystem::inGetName(UINT index, char* name, UINT size) {
  if (index >= inputs.size()) return MMSYSERR_BADDEVICEID;
  std::strncpy(name, inputs[index].c_str(), size - 1);
  name[size - 1] = 0;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::outGetName(UINT index, char* name, UINT size) {
  if (index >= outputs.size() || failNameOut[index]) return MMSYSERR_BADDEVICEID;
  std::strncpy(name, outputs[index].c_str(), size - 1);
  name[size - 1] = 0;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inOpen(HMIDIIN* handle, UINT index, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  noteCall();
  if (index >= inputs.size() || failOpenIn[index] || flags != CALLBACK_FUNCTION) return MMSYSERR_ALLOCATED;
  int port = static_cast<int>(index);
  bool noisy;
  {
    std::lock_guard<std::mutex> l(m_mutex);
    m_in[port].open = true;
    m_in[port].callback = callback;
    m_in[port].instance = instance;
    noisy = noisyOpens > 0;
    if (noisy) --noisyOpens;
  }
  *handle = reinterpret_cast<HMIDIIN>(static_cast<uintptr_t>(index + 1));
  // The open notification comes from the fake's thread; the driver learns of it there.
  post([=] { call(port, MIM_OPEN, 0, 0); });
  if (noisy) {
    post([=] { call(port, MIM_DATA, 0x00403C90, 0); });
    flush();
  }
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inClose(HMIDIIN h) {
  noteCall();
  int port = portOf(h);
  DWORD_PTR cb, inst;
  {
    std::lock_guard<std::mutex> l(m_mutex);
    m_in[port].open = false;
    ++m_in[port].closes;
    cb = m_in[port].callback;
    inst = m_in[port].instance;
  }
  // Whatever was queued before still reaches the port; then the close notification.
  post([=] { callWith(cb, inst, port, MIM_CLOSE, 0, 0); });
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inStart(HMIDIIN) {
  noteCall();
  return MMSYSERR_NOERROR;
}
MMRESULT FakeMidiSystem::inStop(HMIDIIN) {
  noteCall();
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inReset(HMIDIIN h) {
  noteCall();
  int port = portOf(h);
  std::deque<MIDIHDR*> back;
  DWORD_PTR cb, inst;
  {
    std::lock_guard<std::mutex> l(m_mutex);
    back.swap(m_in[port].headers);
    cb = m_in[port].callback;
    inst = m_in[port].instance;
  }
  // Every header comes back, marked done and empty.
  for (MIDIHDR* hdr : back) {
    hdr->dwBytesRecorded = 0;
    hdr->dwFlags |= MHDR_DONE;
    hdr->dwFlags &= ~MHDR_INQUEUE;
    post([=] { callWith(cb, inst, port, MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(hdr), 0); });
  }
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inPrepareHeader(HMIDIIN, MIDIHDR* header) {
  noteCall();
  header->dwFlags |= MHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inUnprepareHeader(HMIDIIN, MIDIHDR* header) {
  noteCall();
  header->dwFlags &= ~MHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inAddBuffer(HMIDIIN h, MIDIHDR* header) {
  noteCall();
  header->dwFlags &= ~MHDR_DONE;
  header->dwFlags |= MHDR_INQUEUE;
  {
    std::lock_guard<std::mutex> l(m_mutex);
    m_in[portOf(h)].headers.push_back(header);
  }
  m_wake.notify_all();
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::inMessage(HMIDIIN h, UINT message, DWORD_PTR, DWORD_PTR) {
  noteCall();
  std::lock_guard<std::mutex> l(m_mutex);
  if (message == 16386) ++m_in[portOf(h)].driverMessages;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::outOpen(HMIDIOUT* handle, UINT index) {
  if (index >= outputs.size() || failOpenOut[index]) return MMSYSERR_ALLOCATED;
  std::lock_guard<std::mutex> l(m_mutex);
  m_outOpen[index] = true;
  *handle = reinterpret_cast<HMIDIOUT>(static_cast<uintptr_t>(index + 1));
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::outClose(HMIDIOUT h) {
  std::lock_guard<std::mutex> l(m_mutex);
  m_outOpen[static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1] = false;
  return MMSYSERR_NOERROR;
}

MMRESULT FakeMidiSystem::outShortMsg(HMIDIOUT h, DWORD message) {
  std::lock_guard<std::mutex> l(m_mutex);
  m_words.push_back({static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1, message});
  return MMSYSERR_NOERROR;
}
