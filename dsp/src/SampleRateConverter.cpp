// Sample-rate converter: per-channel kernel states and the ratio's kernel.
#include "SampleRateConverter.h"

#include <cstring>

SampleRateConverter::SampleRateConverter(int channels)
    : m_kernel(dspKernel(1, 1, false)), m_states(nullptr), m_channelCount(channels > 0 ? channels : 0) {
  if (m_channelCount > 0) m_states = new float[m_channelCount * DSP_KERNEL_STATE]();
}

SampleRateConverter::~SampleRateConverter() { delete[] m_states; }

int SampleRateConverter::setRates(int num, int den, bool mode) {
  if (den != 0 && num % den == 0) {
    num /= den;
    den = 1;
  }
  if (DSPKernel k = dspKernel(num, den, mode)) {
    m_kernel = k;
    dspKernelGroup(num, den, &m_groupIn, &m_groupOut);
  }
  return den != 0 ? num / den : 0;
}

void SampleRateConverter::reset() {
  if (m_states) std::memset(m_states, 0, sizeof(float) * m_channelCount * DSP_KERNEL_STATE);
}

void SampleRateConverter::process(int channel, const float* in, float* out, int inFrames) {
  if (channel < 0 || channel >= m_channelCount || inFrames <= 0) return;
  m_kernel(in, out, inFrames, state(channel));
}
