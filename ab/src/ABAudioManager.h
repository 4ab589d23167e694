// The audio manager: the audio engine with devices, channel routes, the MIDI input reader, the MIDI
// clock and the device layer's opening and closing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ABAudioEngine.h"
#include "ABDevice.h"
#include "ABMidiClock.h"
#include "UIAEvents.h"

#include <windows.h>

#include <atomic>

class AudioManager;

// The manager's device client: a device reports a new rate or asks for a reset through it. A reset
// runs on the user-interface thread over two ticks of a framework timer: the first saves the settings
// and stops the device, the second closes it and opens, configures and starts it again from the stored
// settings.
class AudioRateTimer : public AudioDeviceClient, public EventListener {
 public:
  // Made on the user-interface thread (by openDeviceLayer).
  explicit AudioRateTimer(AudioManager* manager);
  ~AudioRateTimer() override;
  void sampleRateDidChange(int rate) override;
  // May come from a driver's own thread: only marks a reset as pending (at most one) and posts a
  // message to the user-interface thread, which adds the timer there.
  void requestReset() override;
  // The timer tick (code 2): the two steps of the reset. True for its own tick, false otherwise.
  bool handleEvent(int32_t code, void* data) override;

  // User-interface thread: the posted request arrived; adds the 40 ms timer.
  void beginReset();
  bool resetPending() const { return pending_.load(std::memory_order_acquire); }

  AudioManager* manager;
  TimerEntry* timerId = nullptr;
  int step = 0;

 private:
  std::atomic<bool> pending_{false};
  HWND window_ = nullptr;  // message-only window of the user-interface thread
};

class AudioManager : public AudioEngine {
 public:
  explicit AudioManager(AudioHostClient* client);
  ~AudioManager() override;

  bool isChannelDisabled(bool isOutput, int index) override;
  bool isRunning() override;
  bool readMidiEvent(int offset, MidiEventRecord* out, int type, int* nextOffset) override;
  void rewindRing() override;
  AudioTimeInfo* getTimeInfo() override;
  bool spareTrue1() override;
  bool spareTrue2() override;
  const int32_t* inputChannelIds() override;
  const int32_t* outputChannelIds() override;
  int openDeviceLayer(void* systemHandle) override;
  void closeDeviceLayer() override;
  void sendMidiOut(const MidiEventRecord* event) override;
  void setChannelDisabled(bool isOutput, int index, bool disabled) override;
  void spare5() override;

  // The rate change as a whole: the engine's rates, the MIDI clock and the device's "SampleRate".
  void setSampleRate(uint32_t deviceId, int rate);
  // Opens, configures and starts the audio device named in the settings; 1 when it plays, else 0.
  // A stored value outside its range (a rate the device does not offer, a latency or a route out of
  // range) is replaced by its default before it reaches the device, and the answer is 0 as well,
  // though the device then plays.
  virtual int loadSettings();
  // Writes the device choice, routes, rate, latencies and MIDI ports (only with an audio device).
  virtual void saveSettings();
  // Takes the routes of one direction (entries outside -1..31 become -1) and switches each port of
  // the audio device on exactly when some route names it.
  void applyRoutes(bool isOutput, const int32_t* routes);
  // Takes the 32 MIDI port switches of one direction and opens or closes the MIDI device's ports.
  void applyMidiPorts(bool isOutput, const uint8_t* switches);
  // The latency for the MIDI clock, the sample position from 0, then the device started or stopped;
  // true when the device answered 0.
  bool restartDevice(uint32_t deviceId, bool start);
  // Opens (and hands the client and the block callback to) or closes the device; true on success.
  bool switchDevice(uint32_t deviceId, bool open);
  // The output latency in ms that the host keeps; the setter also writes the device's "Latency".
  int getLatencyMs() const { return latencyMs; }
  int setLatency(uint32_t deviceId, int ms);
  // The registry value name of a key: "AB key", or "AB n key" for a manager with instance n > 0.
  std::string settingName(const char* key) const;
  // The manager operation behind the client's spare hook: does nothing.
  int managerHook() { return 0; }
  // The client goes away: no further block reaches it.
  void detachClient();
  // One device block (the block callback's work on the audio thread).
  void runBlock(AudioBlock* block);

  int32_t audioDevice = -1;
  int32_t midiDevice = -1;
  std::vector<uint32_t> audioDevices;
  std::vector<uint32_t> midiDevices;
  int32_t inputRoutes[AB_MAX_CHANNELS];
  int32_t outputRoutes[AB_MAX_CHANNELS];
  uint8_t midiInPorts[AB_MAX_CHANNELS];
  uint8_t midiOutPorts[AB_MAX_CHANNELS];
  uint8_t outputDisabled[AB_MAX_CHANNELS];
  uint8_t inputDisabled[AB_MAX_CHANNELS];
  int32_t samplePosition = 0;
  int32_t blockInputIds[AB_MAX_CHANNELS];
  int32_t blockOutputIds[AB_MAX_CHANNELS];
  MidiInputRing* ring = nullptr;
  int32_t blockStartRead = 0;
  int32_t blockFrames = 0;
  int32_t latencyMs = 10;
  MidiClockTempo midiClock;
  int32_t instance = 0;
  int32_t ringRead = 0;
  std::unique_ptr<AudioRateTimer> rateTimer;
  bool layerOpen = false;
  bool ownsDeviceLayer = false;  // this manager created the device layer

 private:
  void runClock();
  void updateClockLatency(uint32_t deviceId);
};

// The block callback every device calls on its audio thread (user words: the manager, twice).
void abAudioCallback(AudioBlock* block, int reserved, void* user2, void* user1);
// The MIDI notification of the device manager (MIDI callback thread).
void abMidiNotify(const MidiRingSlot* slot, int reserved, void* user2, void* user1);
// True while a device layer is open (the process-wide running flag).
bool abHostRunning();
