// The WinMM MIDI calls the WinMidi driver makes, behind one replaceable object, so that tests can list
// fake ports, call the input callback from a thread of their own and record what is sent.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

class MidiSystem {
 public:
  virtual ~MidiSystem() = default;

  virtual UINT inGetNumDevs() = 0;
  virtual UINT outGetNumDevs() = 0;
  // The port's product name (zero-terminated, at most size-1 characters).
  virtual MMRESULT inGetName(UINT index, char* name, UINT size) = 0;
  virtual MMRESULT outGetName(UINT index, char* name, UINT size) = 0;

  virtual MMRESULT inOpen(HMIDIIN* handle, UINT index, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) = 0;
  virtual MMRESULT inClose(HMIDIIN handle) = 0;
  virtual MMRESULT inStart(HMIDIIN handle) = 0;
  virtual MMRESULT inStop(HMIDIIN handle) = 0;
  virtual MMRESULT inReset(HMIDIIN handle) = 0;
  virtual MMRESULT inPrepareHeader(HMIDIIN handle, MIDIHDR* header) = 0;
  virtual MMRESULT inUnprepareHeader(HMIDIIN handle, MIDIHDR* header) = 0;
  virtual MMRESULT inAddBuffer(HMIDIIN handle, MIDIHDR* header) = 0;
  virtual MMRESULT inMessage(HMIDIIN handle, UINT message, DWORD_PTR param1, DWORD_PTR param2) = 0;

  virtual MMRESULT outOpen(HMIDIOUT* handle, UINT index) = 0;
  virtual MMRESULT outClose(HMIDIOUT handle) = 0;
  virtual MMRESULT outShortMsg(HMIDIOUT handle, DWORD message) = 0;

  // The millisecond system time (timeGetTime).
  virtual DWORD timeMs() = 0;
};

// The object in use: the system's WinMM unless a test installed another.
MidiSystem* abMidiSystem();
// Installs a replacement (null: the system's again); returns the previous one. Only while no MIDI
// port is open.
MidiSystem* abSetMidiSystem(MidiSystem* system);
