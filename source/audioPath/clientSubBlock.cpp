#include "audioPath/clientSubBlock.h"

#include <cmath>
#include <cstring>

#include "audioPath/recorder.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "engine/surround.h"

void clientRenderSubBlock(Engine* engine, const float* const* inputs, int inputCount, float* const* outputs,
                          int outputCount, std::int32_t dueFrame) {
  if (!engine) return;
  inputCount = numClamp<int>(inputCount, 0, engineAudioInputs);
  outputCount = numClamp<int>(outputCount, 0, surroundMaxOutputs);

  // MIDI: everything queued so far acts at the start of this sub-block; while paused it waits.
  engine->blockLength = 128;
  const bool dispatched = !engine->paused.load() && midiDispatchDue(engine, dueFrame);

  // Audio inputs. The peak is of magnitudes, so a negative-going input shows on its meter too.
  for (auto& input : engine->inputs) input.filled = 0;
  if (inputCount == 0) {
    for (int i = 0; i < engineAudioInputs; ++i) engine->inputPeaks[i] = 0.0f;
  } else if (inputs) {
    for (int i = 0; i < inputCount; ++i) {
      const float* in = inputs[i];
      if (!in) continue;
      AudioInput& target = engine->inputs[i];
      float peak = engine->inputPeaks[i];
      for (int n = 0; n < engineBlockMax; ++n) {
        float v = in[n];
        if (!std::isfinite(v)) v = 0.0f;  // a hostile device sample never reaches the engine
        target.samples[n] = v;
        const float m = std::fabs(v);
        if (m > peak) peak = m;
      }
      target.filled = 1;
      engine->inputPeaks[i] = peak;
    }
  }

  engineRender(engine, 128);
  surroundMix(engine, &engine->surround, engine->buses[0], outputs, outputCount, 0, engine->outputGain, 128);
  // The recorder records outputs 1 and 2 and plays its take into them (a device with one output has no pair).
  if (outputCount >= 2) recTap(128, outputs[0], outputs[1]);
  if (dispatched) midiProcessBlock(engine);
  if (engine->request.load() > 0)
    engineOutputRamp(engine, outputCount > 0 ? outputs[0] : nullptr, outputCount > 1 ? outputs[1] : nullptr);
  if (engine->midi.sustain == 0) engine->midi.sustain = -1;
}
