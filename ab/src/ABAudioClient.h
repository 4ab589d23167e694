// The audio client: the class through which an application plugs its signal processing into the
// host. The application derives from AudioHostClient, fills the pure operations and calls the
// host's services through the non-virtual ones, each a thin forward to the client's AudioManager.
#pragma once

#include <memory>
#include <string>

#include "ABMidiEvent.h"

class AudioManager;
class Window;

class AudioClientBase {
 public:
  AudioClientBase();
  virtual ~AudioClientBase();
  AudioClientBase(const AudioClientBase&) = delete;
  AudioClientBase& operator=(const AudioClientBase&) = delete;

  virtual bool acceptsCall(int);
  // Closes the device layer (AudioHostClient); the base does nothing.
  virtual void close();
  virtual void rewindMidi();
  // The device buffers of the current block for each client channel (null: not routed).
  virtual float** mapOutputs(float** deviceOutputs, int count);
  virtual float** mapInputs(float** deviceInputs, int count);
  virtual bool setOverloadGuard(bool on, int thresholdPercent);
  virtual void notify(int, int, int);
  // Asked by the overload guard: true mutes the host until setMuted(false).
  virtual bool overloadDecision();
  // Incoming SysEx and short messages while not muted. Called on the MIDI input thread (the
  // system's MIDI callback), not on the audio thread: keep them short and lock-free.
  virtual void sysEx(MidiEventRecord* event);
  virtual void shortMidi(MidiEventRecord* event);
  // Renders one block at the client's rate (audio thread).
  virtual void process(float** in, float** out, int nIn, int nOut, int frames) = 0;
  virtual bool supportsRate(float rate) = 0;
  virtual void inputName(int index, std::string* name) = 0;
  virtual void outputName(int index, std::string* name) = 0;
  virtual int inputCount() = 0;
  virtual int outputCount() = 0;
  virtual void setSampleRate(float rate) = 0;
  virtual void spareHook1(int);
  virtual int spareHook2();
  virtual int spareHook3();
  virtual int managerHook();

  AudioManager* manager = nullptr;
  float* inputMap[32];
  float* outputMap[32];

 protected:
  float** mapSequential(bool isOutput, float** buffers, int count);
};

class AudioHostClient : public AudioClientBase {
 public:
  // Uses the given manager, or creates one (null) that points back to this client.
  explicit AudioHostClient(AudioManager* manager = nullptr);
  ~AudioHostClient() override;

  void close() override;
  void rewindMidi() override;
  float** mapOutputs(float** deviceOutputs, int count) override;
  float** mapInputs(float** deviceInputs, int count) override;
  bool setOverloadGuard(bool on, int thresholdPercent) override;
  int managerHook() override;

  // Opens the device layer with the main window's handle; the first call in the process also registers
  // the setup dialog's list classes "AudioRoutingList" and "AudioMidiList". True.
  bool open(void* systemHandle);
  // Opens and starts the audio device named in the settings: 1 when it plays as stored, else 0 (also
  // without a manager, and when a stored value was refused and replaced by its default).
  int loadSettings();
  void setResampling(bool on);
  void setBlockMode(bool on, int blockSize, bool allowMultiples);
  void setMuted(bool on);
  // The next short message due at `offset` of the current block; false when none is due there
  // (nextOffset: the offset of the next one, -1 for none).
  bool nextMidiEvent(int offset, MidiEventRecord* event, int* nextOffset);
  const int* inputChannelIds();
  const int* outputChannelIds();
  void setClipOutput(bool on);
  float cpuLoad();
  bool queryOption(bool isOutput, int index);
  // Opens the modal "Audio Setup" dialog for this client's manager over the parent window (null
  // title: "Audio Setup"; showTabs false hides the tab bar). Driver kinds whose driverKinds flag is
  // false are not offered. Returns once the dialog has ended and its choice is applied or reverted.
  void abOpenAudioSetup(Window* parent, bool showTabs, const char* title);

  std::unique_ptr<AudioManager> ownedManager;  // deleted with the client (released if deleted first)
  bool driverKinds[10];

 private:
  float** mapRouted(bool isOutput, float** buffers, int count);
};

// Library start and end: the version handshake with the platform and signal libraries.
int abInit(unsigned version, unsigned build);
void abExit();
