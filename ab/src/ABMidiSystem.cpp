// The system's WinMM MIDI calls behind the MidiSystem seam.
#include "ABMidiSystem.h"

#include <atomic>
#include <cstring>

namespace {

class WinMmMidi : public MidiSystem {
 public:
  UINT inGetNumDevs() override { return midiInGetNumDevs(); }
  UINT outGetNumDevs() override { return midiOutGetNumDevs(); }
  MMRESULT inGetName(UINT index, char* name, UINT size) override {
    return capsName<MIDIINCAPSA>(midiInGetDevCapsA, index, name, size);
  }
  MMRESULT outGetName(UINT index, char* name, UINT size) override {
    return capsName<MIDIOUTCAPSA>(midiOutGetDevCapsA, index, name, size);
  }
  MMRESULT inOpen(HMIDIIN* handle, UINT index, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) override {
    return midiInOpen(handle, index, callback, instance, flags);
  }
  MMRESULT inClose(HMIDIIN h) override { return midiInClose(h); }
  MMRESULT inStart(HMIDIIN h) override { return midiInStart(h); }
  MMRESULT inStop(HMIDIIN h) override { return midiInStop(h); }
  MMRESULT inReset(HMIDIIN h) override { return midiInReset(h); }
  MMRESULT inPrepareHeader(HMIDIIN h, MIDIHDR* hdr) override { return midiInPrepareHeader(h, hdr, sizeof *hdr); }
  MMRESULT inUnprepareHeader(HMIDIIN h, MIDIHDR* hdr) override { return midiInUnprepareHeader(h, hdr, sizeof *hdr); }
  MMRESULT inAddBuffer(HMIDIIN h, MIDIHDR* hdr) override { return midiInAddBuffer(h, hdr, sizeof *hdr); }
  MMRESULT inMessage(HMIDIIN h, UINT message, DWORD_PTR p1, DWORD_PTR p2) override {
    return midiInMessage(h, message, p1, p2);
  }
  MMRESULT outOpen(HMIDIOUT* handle, UINT index) override { return midiOutOpen(handle, index, 0, 0, CALLBACK_NULL); }
  MMRESULT outClose(HMIDIOUT h) override { return midiOutClose(h); }
  MMRESULT outShortMsg(HMIDIOUT h, DWORD message) override { return midiOutShortMsg(h, message); }
  DWORD timeMs() override { return timeGetTime(); }

 private:
  // The port's name from its capabilities record (empty when the query fails) into the caller's
  // buffer, cut to fit; the query's result.
  template <class Caps, class Query>
  static MMRESULT capsName(Query query, UINT index, char* to, UINT size) {
    Caps caps;
    std::memset(&caps, 0, sizeof caps);
    const MMRESULT r = query(index, &caps, sizeof caps);
    if (!to || size == 0) return r;
    std::strncpy(to, r == MMSYSERR_NOERROR ? caps.szPname : "", size - 1);
    to[size - 1] = 0;
    return r;
  }
};

WinMmMidi g_winMm;
std::atomic<MidiSystem*> g_system{nullptr};

}  // namespace

MidiSystem* abMidiSystem() {
  MidiSystem* s = g_system.load(std::memory_order_acquire);
  return s ? s : &g_winMm;
}

MidiSystem* abSetMidiSystem(MidiSystem* system) {
  MidiSystem* previous = g_system.exchange(system, std::memory_order_acq_rel);
  return previous ? previous : &g_winMm;
}
