// The master effect's running state in the engine: the delay memory it cuts its lines from, the
// live on switch, the cut lines, the per-kind running values and the block buffers. None of it is
// stored in presets. Positions and lengths are samples at the running rate.
#pragma once
#include <cstdint>

const std::int32_t effectDelayMemoryFloats = 481024;  // the whole delay memory (1,924,096 bytes)
const std::int32_t effectLineFloats = 32768;          // one pipe or comb line; positions wrap with 0x7FFF
const std::int32_t effectLineMask = effectLineFloats - 1;
const int effectLineSlots = 6;
const int effectBlockFrames = 128;

// Type 1: positions of the tube's two lines and the values the next block glides from.
struct EffectPipeState {
  std::uint32_t w0, w1;  // write positions, used modulo 32,768
  float y;               // loop filter state
  float length;          // tube length reached at the end of the last block, samples
  float q0, q1;          // pickup positions reached at the end of the last block, samples
  float display[3];      // for the Effect page: pickup 0 and 1 position x factor, length factor
};

// Type 2, one per comb.
struct EffectCombState {
  double readOffset;       // R: reading at w + R is a delay of 32,768 - R samples
  float y;                 // damping filter state
  std::uint16_t writePos;  // 0..32,767
};

// Type 3: the ring is the whole delay memory, indexed modulo 481,024.
struct EffectTapState {
  float positions[3];       // read positions: 481,024 - delay, samples
  std::int32_t writeIndex;  // 0..481,023
  float y;                  // feedback low-pass state
};

struct EffectRuntime {
  std::int32_t capacity;          // floats of the delay memory (481,024 once allocated)
  std::int32_t used;              // floats handed out so far (bump allocator)
  float* base;                    // the delay memory, null until allocated
  std::uint8_t on;                // the live on switch
  std::uint8_t firstComb;         // set by the multi-comb each block, cleared by its first comb
  float* lines[effectLineSlots];  // lines cut for the live type (null: did not fit)
  float prevWet;                  // wet modulation multiplier at the end of the last block
  float mod[32];                  // this block's modulation entries 25..30, limited to 0..1e6
  EffectPipeState pipe;
  EffectCombState combs[effectLineSlots];
  EffectTapState tap;
  float block1[effectBlockFrames];        // multi-comb input; pipe pickup 0 output
  float block2[effectBlockFrames];        // multi-comb running sum; pipe pickup 1 output
  float block3[effectBlockFrames];        // pipe input
  float block4[effectBlockFrames];        // multi-tap input
  float tapBlocks[3][effectBlockFrames];  // multi-tap outputs
};

// The engine's name for the region that holds it.
using EffectMemory = EffectRuntime;
