// The audio manager: the audio engine with devices, channel routes, the MIDI input reader, the MIDI
// clock and the device layer's opening and closing.
#pragma once

#include <cstdint>
#include <vector>

#include "ABAudioEngine.h"
#include "ABDevice.h"
#include "ABMidiClock.h"

class AudioManager;

// The manager's device client: a device reports a new rate (or asks for a reset) through it.
class AudioRateTimer : public AudioDeviceClient {
public:
    explicit AudioRateTimer(AudioManager* manager) : manager(manager) {}
    void sampleRateDidChange(int rate) override;
    // The reset runs through a framework timer on the user-interface thread, which comes with the
    // settings; until then a request changes nothing.
    void requestReset() override;

    AudioManager* manager;
    int timerId = 0;
    int step = 0;
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
    AudioRateTimer* rateTimer = nullptr;
    bool layerOpen = false;
    bool ownsDeviceLayer = false;   // this manager created the device layer

private:
    void runClock();
};

// The block callback every device calls on its audio thread (user words: the manager, twice).
void abAudioCallback(AudioBlock* block, int reserved, void* user2, void* user1);
// The MIDI notification of the device manager (MIDI callback thread).
void abMidiNotify(const MidiRingSlot* slot, int reserved, void* user2, void* user1);
// True while a device layer is open (the process-wide running flag).
bool abHostRunning();
