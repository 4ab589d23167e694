// The RIFF WAVE reader: the chunk walk, the 16- and 24-bit decoders, normalising and the DC filter.
//
// Sizes from the file are never trusted: the data chunk is cut to the bytes the file really holds,
// every seek stays inside the file, and the format chunk must hold its 16-byte record.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/numeric.h"
#include "preset/chunk.h"
#include "preset/riffPad.h"
#include "preset/sample.h"
#include "uiSeams/msgBox.h"

namespace {

bool idIs(const std::uint8_t* bytes, const char* id) { return std::memcmp(bytes, id, 4) == 0; }

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool readU32(FileSpec* file, std::uint32_t* out) {
  std::uint8_t b[4];
  if (!fileReadBytes(file, b, 4)) return false;
  *out = le32(b);
  return true;
}

// Moves `bytes` forward; false when that would leave the file.
bool skip(FileSpec* file, std::int64_t bytes, std::int64_t fileSize) {
  const std::int64_t here = fileTell(file);
  if (here < 0 || bytes < 0 || here + bytes > fileSize) return false;
  return fileSeek(file, here + bytes);
}

bool peekFile(void* source, std::int64_t at, std::uint8_t* bytes) {
  FileSpec* file = static_cast<FileSpec*>(source);
  return fileSeek(file, at) && fileReadBytes(file, bytes, 4);
}

// Moves past the rest of a chunk (`bytes`) and the pad byte of an odd-sized one (`odd`), by the pad
// rule both WAV readers share (`riffNextChunkAt`); false when that would leave the file.
bool skipChunkRest(FileSpec* file, std::int64_t bytes, bool odd, std::int64_t fileSize) {
  if (!skip(file, bytes, fileSize)) return false;
  const std::int64_t here = fileTell(file);
  if (here < 0) return false;
  return fileSeek(file, riffNextChunkAt(here, odd, fileSize, peekFile, file));
}

// Tells what is wrong with the file: `what` holds one %s for its name.
void tellFault(FileSpec* file, const char* what) {
  char name[260];
  fileGetName(file, name, sizeof name);
  char text[400];
  std::snprintf(text, sizeof text, what, name);
  msgBox(0, text, 0);
}

const char kOutOfOrder[] = "Sample load error: the chunks of %s are not in the order of a WAVE file.";
const char kCutFormat[] = "Sample load error: %s ends inside its format chunk.";
const char kShortFormat[] = "Sample load error: the format chunk of %s is too short.";
const char kCutChunk[] = "Sample load error: %s ends inside one of its chunks.";
const char kNoData[] = "Sample load error: %s holds no audio data.";
const char kNoFrames[] = "Sample load error: %s holds no whole audio frame.";
const char kDataFirst[] = "Sample load error: the audio data of %s comes before its format chunk.";
const char kUnsupported[] = "Load sample error: unsupported file type";

inline float clamp99(float x) { return numClampPassNaN(x, -0.99f, 0.99f); }

inline float sample16(const std::uint8_t* p) {
  return clamp99(static_cast<float>(static_cast<std::int16_t>(le16(p)) / 32767.0));
}
inline float sample24(const std::uint8_t* p) {
  const std::int32_t v =
      static_cast<std::int32_t>((std::uint32_t(p[0]) << 8) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 24));
  return clamp99(static_cast<float>(v * (1.0 / 2147483648.0)));
}

// One member of the decoder family: `frames` frames of `bytesPerSample` bytes and `fileChannels`
// channels from `in`, keeping `outChannels` (the left sample when a stereo file is read as mono).
template <int Bytes>
void decodeFrames(const std::uint8_t* in, std::int32_t frames, std::int32_t fileChannels, std::int32_t outChannels,
                  float* out) {
  const std::int32_t stride = Bytes * fileChannels;
  for (std::int32_t f = 0; f < frames; ++f) {
    const std::uint8_t* p = in + static_cast<std::size_t>(f) * stride;
    for (std::int32_t c = 0; c < outChannels; ++c) {
      out[static_cast<std::size_t>(f) * outChannels + c] = Bytes == 2 ? sample16(p + 2 * c) : sample24(p + 3 * c);
    }
  }
}

// Peak normalising to 0.995 and the 5 Hz DC blocker, per kept channel.
void normaliseAndFilter(float* data, std::int32_t frames, std::int32_t channels) {
  const std::size_t count = static_cast<std::size_t>(frames) * channels;
  float peak = 0.0f;
  for (std::size_t i = 0; i < count; ++i) peak = std::fmax(peak, std::fabs(data[i]));
  if (peak == 0.0f) return;
  const float gain = 0.995f / peak;
  for (std::size_t i = 0; i < count; ++i) data[i] *= gain;
  const float pole = 0.9992879033088684f;
  const float zero = 0.9996439218521118f;
  for (std::int32_t c = 0; c < channels; ++c) {
    float x1 = 0.0f, y1 = 0.0f;
    for (std::int32_t f = 0; f < frames; ++f) {
      float& v = data[static_cast<std::size_t>(f) * channels + c];
      const float x = v;
      const float y = pole * y1 + zero * (x - x1) + 1e-24f;
      x1 = x;
      y1 = y;
      v = y;
    }
  }
}

// Only integer PCM is decoded: format tag 1, or the extensible tag 0xFFFE whose sub-format GUID is
// PCM's (00000001-0000-0010-8000-00AA00389B71). Compressed formats (ADPCM and the like) may claim a
// sample width of 16 bits and would otherwise decode as noise.
bool isPcmFormat(const std::uint8_t* fmt, std::uint32_t bytes) {
  const std::uint16_t tag = le16(fmt);
  if (tag == 1) return true;
  if (tag != 0xFFFE || bytes < 40) return false;
  static const std::uint8_t pcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  return std::memcmp(fmt + 24, pcm, 16) == 0;
}

}  // namespace

std::uint32_t sampleDetectType(FileSpec* file) {
  std::uint8_t head[16];
  if (!fileSeek(file, 0) || !fileReadBytes(file, head, 16)) return 0;
  return idIs(head, "RIFF") && idIs(head + 8, "WAVE") ? chunkId("WAVE") : 0;
}

bool sampleDecodeWave(FileSpec* file, std::int64_t dataPosition, SampleInfo* slot, std::int32_t bits,
                      std::int32_t channels, std::uint32_t dataBytes) {
  if (!file || !slot) return false;
  std::int32_t outChannels;
  if (channels == 1)
    outChannels = 1;
  else if (channels == 2)
    outChannels = slot->readAsMono ? 1 : 2;
  else {
    msgBox(0, "Sample load error, Morvane only supports mono or stereo sound files", 0);
    return false;
  }
  if (bits != 16 && bits != 24) {
    msgBox(0, "Sample load error, Morvane currently only supports 16 and 24 bit sound files", 0);
    return false;
  }
  std::uint32_t bufferBytes = sampleReadBufferBytes;
  std::uint8_t* buffer = static_cast<std::uint8_t*>(std::malloc(bufferBytes));
  if (!buffer) {
    bufferBytes = sampleReadBufferSmall;
    buffer = static_cast<std::uint8_t*>(std::malloc(bufferBytes));
    if (!buffer) return false;
  }
  slot->length = 0;
  const std::int32_t bytesPerSample = bits / 8;
  const std::int32_t frameBytes = bytesPerSample * channels;
  const std::int64_t frames = static_cast<std::int64_t>(dataBytes) / frameBytes;
  const std::uint64_t total = static_cast<std::uint64_t>(frames) * outChannels * sizeof(float) + sampleTailBytes;
  float* data = total <= static_cast<std::uint64_t>(SIZE_MAX / 2)
                    ? static_cast<float*>(std::calloc(static_cast<std::size_t>(total), 1))
                    : nullptr;
  if (!data) {
    char name[260];
    fileGetName(file, name, sizeof name);
    char text[400];
    std::snprintf(text, sizeof text, "Sample load error, there is not enough available memory to load %s.", name);
    msgBox(0, text, 0);
    std::free(buffer);
    return false;
  }
  slot->data = data;
  // The buffer holds whole frames of every width: 49,140 and 24,570 are multiples of 2, 3, 4 and 6.
  const std::int64_t framesPerBlock = bufferBytes / frameBytes;
  std::int64_t done = 0;
  bool ok = fileSeek(file, dataPosition);
  while (ok && done < frames) {
    std::int64_t want = frames - done < framesPerBlock ? frames - done : framesPerBlock;
    const std::int32_t got = osFileRead(file->handle, buffer, static_cast<std::int32_t>(want * frameBytes));
    if (got <= 0) break;  // the file ended: missing frames stay zero
    const std::int32_t gotFrames = got / frameBytes;
    float* out = data + static_cast<std::size_t>(done) * outChannels;
    if (bytesPerSample == 2)
      decodeFrames<2>(buffer, gotFrames, channels, outChannels, out);
    else
      decodeFrames<3>(buffer, gotFrames, channels, outChannels, out);
    done += gotFrames;
    if (gotFrames < want) break;
  }
  std::free(buffer);
  if (!ok) {
    std::free(data);
    slot->data = nullptr;
    slot->length = 0;
    return false;
  }
  normaliseAndFilter(data, static_cast<std::int32_t>(frames), outChannels);
  return true;
}

std::int32_t sampleReadWave(FileSpec* file, SampleInfo* slot) {
  if (!file || !slot) return sampleNotOpened;
  const std::int64_t fileSize = static_cast<std::int64_t>(fileGetSize(file));
  if (!fileSeek(file, 0)) return sampleNotOpened;
  bool seenRiff = false, seenWave = false, seenFmt = false;
  std::uint16_t fmtChannels = 0, fmtBits = 0;
  std::uint32_t fmtRate = 0;
  // What ended the walk: the end of the file between two chunks, or 128 chunks without audio, leave
  // "no audio data"; a read cut short by the end names that.
  const char* fault = kNoData;
  bool walkedToEnd = false;
  for (int n = 0; n < 128; ++n) {
    std::uint8_t id[4];
    if (fileTell(file) >= fileSize) {
      walkedToEnd = true;
      break;
    }
    fault = kCutChunk;  // until the chunk is read whole
    if (!fileReadBytes(file, id, 4)) break;
    std::uint32_t size = 0;
    if (idIs(id, "RIFF")) {
      if (seenRiff) {
        tellFault(file, kOutOfOrder);
        return sampleNotOpened;
      }
      seenRiff = true;
      if (!readU32(file, &size)) break;
    } else if (idIs(id, "WAVE")) {
      if (!seenRiff) {
        tellFault(file, kOutOfOrder);
        return sampleNotOpened;
      }
      seenWave = true;
    } else if (idIs(id, "fmt ")) {
      if (!seenWave) {
        tellFault(file, kOutOfOrder);
        return sampleNotOpened;
      }
      if (!readU32(file, &size)) {
        fault = kCutFormat;
        break;
      }
      std::uint8_t fmt[40];
      const std::uint32_t taken = size < 40 ? size : 40;
      // No whole format record.
      if (size < 16) {
        tellFault(file, kShortFormat);
        return sampleNotOpened;
      }
      if (!fileReadBytes(file, fmt, taken)) {
        tellFault(file, kCutFormat);
        return sampleNotOpened;
      }
      if (!isPcmFormat(fmt, taken)) {
        msgBox(0, kUnsupported, 0);
        return sampleUnsupported;
      }
      fmtChannels = le16(fmt + 2);
      fmtRate = le32(fmt + 4);
      fmtBits = le16(fmt + 14);
      seenFmt = true;
      if (!skipChunkRest(file, std::int64_t(size) - taken, (size & 1) != 0, fileSize)) {
        fault = kCutFormat;
        break;
      }
    } else if (idIs(id, "data")) {
      if (!seenFmt) {
        fault = kDataFirst;
        break;
      }
      if (!readU32(file, &size)) break;
      const std::int64_t position = fileTell(file);
      if (position < 0) break;
      // Only the bytes the file holds: a size beyond its end (or near 2^32) is cut to what is there.
      std::int64_t available = fileSize - position;
      if (available < 0) available = 0;
      const std::uint32_t dataBytes = std::int64_t(size) > available ? static_cast<std::uint32_t>(available) : size;
      // No whole frame: nothing to play (the width is checked by the decoder, so guard the division).
      if (fmtBits >= 8 && fmtChannels > 0 && dataBytes / (fmtBits / 8) / fmtChannels == 0) {
        tellFault(file, kNoFrames);
        return sampleUnsupported;
      }
      const std::int32_t keptChannels = slot->channels;
      slot->channels = fmtChannels;
      if (!sampleDecodeWave(file, position, slot, fmtBits, fmtChannels, dataBytes)) {
        slot->channels = keptChannels;
        return sampleNotOpened;
      }
      const std::int32_t frames = static_cast<std::int32_t>(dataBytes / (fmtBits / 8) / fmtChannels);
      sampleSetFileSpec(slot, file);
      sampleSetFormat(slot, frames, fmtChannels, 60.0, static_cast<double>(fmtRate));
      return sampleOk;
    } else {
      if (!readU32(file, &size)) break;
      if (!skipChunkRest(file, size, (size & 1) != 0, fileSize)) break;
    }
    fault = kNoData;
  }
  tellFault(file, !seenWave && fault == kNoData ? kOutOfOrder : fault);
  // A format record but no data chunk: a header without audio.
  return seenFmt && walkedToEnd ? sampleUnsupported : sampleNotOpened;
}
