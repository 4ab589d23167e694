// Converts runs of samples from one storage format and channel layout into another. The kernel is
// chosen once, at construction, from a description of both sides; converting is one call of that
// kernel, a tight loop without tests per sample. Kernels take no locks and allocate nothing: the ASIO
// device calls them on the driver's audio thread.
#pragma once

#include <cstdint>

// The one rule from a float sample to a 16-bit one, which every driver uses: scaled by 32767,
// truncated toward zero and saturated to the 16-bit range; NaN gives 0.
inline int16_t pcm16FromFloat(float f) {
  const float v = f * 32767.0f;
  int32_t s = 0;  // the comparisons are false for NaN, which stays 0
  if (v >= 32767.0f)
    s = 32767;
  else if (v <= -32768.0f)
    s = -32768;
  else if (v == v)
    s = static_cast<int32_t>(v);
  return static_cast<int16_t>(s);
}

// One side of a conversion.
//   channels:    1 = mono, any other value = stereo
//   interleaved: stereo only; true = one buffer of left/right pairs, false = two buffers, left first
//   isFloat:     IEEE float samples (32 or 64 bits); looked at only where the bit depth does not decide
//   bits:        8, 16, 24 (packed in 3 bytes), 32, or 64 (float only)
//   bigEndian:   the samples are stored most significant byte first
// Integer samples are signed. Stereo pairs, 8-bit sources and 24-bit destinations other than the
// listed ones are little-endian only.
struct SampleFormat {
  int channels;
  bool interleaved;
  bool isFloat;
  int bits;
  bool bigEndian;
};

class SampleFormatConverter {
 public:
  // source buffers (one, or two for separate stereo), source offset in frames, destination buffers,
  // destination offset in frames, frame count.
  typedef void (*Kernel)(const void* const* src, int srcOffset, void* const* dst, int dstOffset, int frames);

  // Little-endian sides, 8 to 32 bits.
  SampleFormatConverter(int srcChannels, bool srcInterleaved, bool srcFloat, int srcBits, int dstChannels,
                        bool dstInterleaved, bool dstFloat, int dstBits);
  // Any sides, including big-endian and 64-bit float ones (mono to and from 32-bit float only).
  SampleFormatConverter(const SampleFormat& src, const SampleFormat& dst);
  virtual ~SampleFormatConverter() = default;

  // Calls the kernel. A frame count of 0 or less writes nothing.
  virtual void convert(const void* const* src, int srcOffset, void* const* dst, int dstOffset, int frames);
  // false when no kernel fits the two sides (the empty kernel, which converts nothing).
  bool converts() const { return converts_; }

  // The kernel for two sides; emptyKernel() when none fits.
  static Kernel select(const SampleFormat& src, const SampleFormat& dst);
  static Kernel emptyKernel();

 private:
  Kernel kernel_;
  bool converts_;
};
