// Sample-rate converter: the kernel state of up to 32 channels and the kernel of the current ratio.
#pragma once

#include "DSPKernels.h"

class SampleRateConverter {
 public:
  // Allocates the channels' states (zeroed) and sets the ratio 1 : 1 in mode 0 (adding).
  explicit SampleRateConverter(int channels);
  virtual ~SampleRateConverter();
  SampleRateConverter(const SampleRateConverter&) = delete;
  SampleRateConverter& operator=(const SampleRateConverter&) = delete;

  // Chooses the kernel for num : den (input : output frames); when den divides num the pair becomes
  // (num / den) : 1 first, no other reduction. A pair without a kernel keeps the current one.
  // Returns num / den (integer quotient; 0 for den 0).
  int setRates(int num, int den, bool mode);
  // Zeroes every channel's state.
  void reset();

  // Converts inFrames frames of one channel (channel outside 0..channelCount-1: nothing).
  void process(int channel, const float* in, float* out, int inFrames);

  DSPKernel kernel() const { return m_kernel; }
  int channelCount() const { return m_channelCount; }
  int groupIn() const { return m_groupIn; }
  int groupOut() const { return m_groupOut; }
  float* state(int channel) { return m_states + channel * DSP_KERNEL_STATE; }

 private:
  DSPKernel m_kernel;
  float* m_states;
  int m_channelCount;
  int m_groupIn = 1;
  int m_groupOut = 1;
};
