// The synthesizer's audio client: the host calls it on the audio thread once per device block; it
// feeds the block's MIDI into the engine, hands the audio inputs to the engine, renders the engine in
// sub-blocks of 128 frames and writes the result to the device outputs. Its other operations tell the
// host how many channels the synthesizer has, what they are called and which rates it renders.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "ABAudioClient.h"
#include "engine/engine.h"

struct Bank;

// A float buffer that starts empty; resizing keeps what fits of the old values.
struct ScratchBuffer {
  float* data;
  std::uint32_t length;  // floats
};
struct ScratchArray {
  ScratchBuffer* items;
  std::uint32_t count;
};
void scratchResize(ScratchBuffer* buffer, std::uint32_t length);
// Destroys the old items and makes `count` empty ones (0: none).
void scratchArrayResize(ScratchArray* array, std::uint32_t count);
// Every item resized to `length` floats.
void scratchArrayResizeItems(ScratchArray* array, std::uint32_t length);

class AudioClient : public AudioHostClient {
 public:
  static const int kInputs = 6;
  static const int kOutputs = 8;

  // `manager`: the host's manager to use; null makes the client's own (the program's case).
  explicit AudioClient(AudioManager* manager = nullptr);
  ~AudioClient() override;

  // Stores both and passes the counts of the inputs and outputs the host offers to the engine.
  void attach(Engine* engine, Bank* bank);
  Engine* engine() const { return engine_; }

  // The block callback (audio thread).
  void processBlock(float** inputs, float** outputs, int nIn, int nOut, int frames);
  // True for the rates rendered directly (up to 48,100 Hz); the host converts the others.
  bool acceptsSampleRate(float rate);
  // Opens the host's device layer with the main window's handle (its set-up dialog lives there).
  void registerSetupWidgets(void* mainWindow);
  // The host closes its devices; no block reaches the engine afterwards.
  void closeDevices();

  // The host's interface.
  void process(float** in, float** out, int nIn, int nOut, int frames) override;
  bool supportsRate(float rate) override;
  void inputName(int index, std::string* name) override;
  void outputName(int index, std::string* name) override;
  int inputCount() override;
  int outputCount() override;
  void setSampleRate(float rate) override;

  // Frames rendered ahead and not yet handed to the device (after a block that was not a multiple of
  // 128 frames).
  int carriedFrames() const { return carryCount_; }

 private:
  // Takes the block's events at offsets [from, to) into the engine's ring.
  void pullMidi(int from, int to);

  Engine* engine_ = nullptr;
  Bank* bank_ = nullptr;
  std::uint32_t word_ = 0;
  ScratchArray inputScratch_ = {nullptr, 0};
  ScratchArray outputScratch_ = {nullptr, 0};
  // A sub-block rendered past the end of a device block: its unplayed frames start the next one.
  float carry_[kOutputs][engineBlockMax];
  int carryStart_ = 0;
  int carryCount_ = 0;
  int nextEvent_ = 0;
  std::atomic<bool> threadMarked_{false};  // the devices have started calling
};
