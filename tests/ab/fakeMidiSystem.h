// A stand-in for the system's MIDI ports: lists named ports, calls the input callback (MIM_OPEN, MIM_DATA,
// MIM_LONGDATA, MIM_CLOSE) from a thread of its own in the order the test asked for, and records the
// words sent to output ports. Installed with abSetMidiSystem for the life of the object.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ABMidiSystem.h"

class FakeMidiSystem : public MidiSystem {
 public:
  FakeMidiSystem(std::vector<std::string> inputs, std::vector<std::string> outputs);
  ~FakeMidiSystem() override;

  // Test side. Each call queues work for the fake's thread; flush waits until it is done.
  void sendShort(int port, DWORD message, DWORD stampMs);
  // Hands the bytes to the port in pieces as large as the SysEx headers it was given, waiting (up to
  // 10 s per piece, generous for a loaded machine) for the driver to give headers back.
  void sendSysEx(int port, const std::vector<uint8_t>& bytes);
  void flush();
  // The driver gives SysEx headers back from a thread of its own, some time after the callback that
  // consumed them: waits (up to timeoutMs) until the port holds exactly this many; false on time-out.
  bool waitForPendingHeaders(int port, int count, int timeoutMs);

  struct OutWord {
    int port;
    DWORD word;
  };
  std::vector<OutWord> outWords();
  int driverMessages(int port);
  int callsInsideCallback() const { return m_insideCalls; }
  bool isOpen(int port);
  int closeCount(int port);
  int pendingHeaders(int port);

  std::vector<std::string> inputs, outputs;
  std::vector<bool> failOpenIn, failOpenOut, failNameOut;
  // Data that arrives during the open (the driver then retries with a quiet port) on this many opens.
  int noisyOpens = 0;
  std::atomic<DWORD> now{1000};  // what timeMs answers

  // MidiSystem.
  UINT inGetNumDevs() override { return static_cast<UINT>(inputs.size()); }
  UINT outGetNumDevs() override { return static_cast<UINT>(outputs.size()); }
  MMRESULT inGetName(UINT index, char* name, UINT size) override;
  MMRESULT outGetName(UINT index, char* name, UINT size) override;
  MMRESULT inOpen(HMIDIIN* handle, UINT index, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) override;
  MMRESULT inClose(HMIDIIN handle) override;
  MMRESULT inStart(HMIDIIN handle) override;
  MMRESULT inStop(HMIDIIN handle) override;
  MMRESULT inReset(HMIDIIN handle) override;
  MMRESULT inPrepareHeader(HMIDIIN handle, MIDIHDR* header) override;
  MMRESULT inUnprepareHeader(HMIDIIN handle, MIDIHDR* header) override;
  MMRESULT inAddBuffer(HMIDIIN handle, MIDIHDR* header) override;
  MMRESULT inMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) override;
  MMRESULT outOpen(HMIDIOUT* handle, UINT index) override;
  MMRESULT outClose(HMIDIOUT handle) override;
  MMRESULT outShortMsg(HMIDIOUT handle, DWORD message) override;
  DWORD timeMs() override { return now; }

 private:
  struct InPort {
    bool open = false;
    DWORD_PTR callback = 0;
    DWORD_PTR instance = 0;
    std::deque<MIDIHDR*> headers;  // added and not yet returned
    int driverMessages = 0;
    int closes = 0;
  };
  int portOf(HMIDIIN h) const { return static_cast<int>(reinterpret_cast<uintptr_t>(h)) - 1; }
  void post(std::function<void()> job);
  void call(int port, UINT message, DWORD_PTR p1, DWORD_PTR p2);  // on the fake's thread, while open
  void callWith(DWORD_PTR cb, DWORD_PTR inst, int port, UINT message, DWORD_PTR p1, DWORD_PTR p2);
  void noteCall();
  void run();

  MidiSystem* m_previous;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_jobs;
  bool m_busy = false;
  bool m_quit = false;
  std::vector<InPort> m_in;
  std::vector<bool> m_outOpen;
  std::vector<OutWord> m_words;
  std::thread::id m_threadId;
  bool m_inCallback = false;
  int m_insideCalls = 0;
  std::thread m_thread;
};
