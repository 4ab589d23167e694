// The granular parameters as the oscillator page sets and shows them. The record keeps the random
// depths and the diffusion as 1 - percent / 100.
#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscGranular.h"
#include "preset/editBlock.h"
#include "preset/oscRecord.h"

namespace {

// NaN gives the low end (it used to pass through into the record).
float limitTo(double x, double lo, double hi) { return static_cast<float>(numClamp(x, lo, hi)); }

float complementOfPercent(double value) { return limitTo(1.0 - value * 0.01, 0.0, 1.0); }

}  // namespace

void oscPageCompute(Engine* engine, std::int16_t channel, std::int16_t selector, double value) {
  if (!engine || channel < 0 || channel >= engineChannels) return;
  ChannelOscRecord* record = editBeginOsc(engine, channel);
  if (!record) return;
  OscSubRecord& p = record->subRecord;
  if (std::isfinite(value)) {
    switch (selector) {
      case 1: p.size = limitTo(value, 128.0, 10000.0); break;
      case 2: p.diffusion = complementOfPercent(value); break;
      case 3: p.count = static_cast<std::int32_t>(limitTo(value, 1.0, 8.0)); break;
      case 4: p.time = limitTo(value * 0.01, -1e30, 1e30); break;  // only kept a float
      case 5: p.randTime = complementOfPercent(value); break;
      case 6: p.randFreq = complementOfPercent(value); break;
      case 7: p.randAmp = complementOfPercent(value); break;
      default: break;
    }
  }
  editCommit(engine, editKindOsc, channel);
}

double oscGrainParamGet(Engine* engine, std::int16_t channel, std::int16_t selector) {
  const ChannelOscRecord* record = engine ? engineGetChannel(engine, channel) : nullptr;
  if (!record) return 0.0;
  const OscSubRecord& p = record->subRecord;
  switch (selector) {
    case 1: return p.size;
    case 2: return (1.0 - p.diffusion) * 100.0;
    case 3: return p.count;
    case 4: return p.time * 100.0;
    case 5: return (1.0 - p.randTime) * 100.0;
    case 6: return (1.0 - p.randFreq) * 100.0;
    case 7: return (1.0 - p.randAmp) * 100.0;
    default: return 0.0;
  }
}
