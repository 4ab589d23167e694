// Builds RIFF WAVE images for the sample tests, the fuzz seeds and the benchmark: PCM frames of a
// given width, with knobs for the malformed files a hostile source may hand over.
#pragma once
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wavetest {

typedef std::vector<std::uint8_t> Bytes;

struct WaveSpec {
  int bits = 16;
  int channels = 1;
  std::uint32_t rate = 44100;
  std::uint16_t formatTag = 1;
  std::int32_t frames = 1000;
  // value of channel c at frame f, in -1..1
  std::function<double(std::int32_t f, int c)> signal = [](std::int32_t f, int c) {
    return 0.5 * std::sin(2.0 * 3.14159265358979 * 1000.0 * f / 44100.0 + c);
  };
  std::int32_t fmtSize = 16;  // bytes of the "fmt " chunk (16 = the bare record)
  bool dataBeforeFmt = false;
  std::int64_t dataSizeOverride = -1;  // stored data size (-1: the real one)
  std::int64_t truncateDataTo = -1;    // bytes of sample data really written (-1: all)
  bool oddChunkBeforeData = false;     // a 3-byte "LIST" chunk with its pad byte
  bool padByteLeftOut = false;         // ... written without it (a common writer fault)
  bool noData = false;                 // no "data" chunk at all (a header only)
  // Sub-format GUID of an extensible format record (formatTag 0xFFFE, fmtSize 40); null: none.
  const std::uint8_t* subFormat = nullptr;
  const char* form = "WAVE";
};

inline void put16(Bytes& b, std::uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
inline void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
// Byte by byte: GCC 12 takes a range insert into an empty vector for an overflow (a false alarm).
inline void putId(Bytes& b, const char* id) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(id[i]));
}

// The integer that a value becomes in the file.
inline std::int32_t quantise(double v, int bits) {
  const double full = bits == 24 ? 8388607.0 : bits == 8 ? 127.0 : bits == 32 ? 2147483647.0 : 32767.0;
  double q = std::round(v * full);
  if (q > full) q = full;
  if (q < -full - 1) q = -full - 1;
  return static_cast<std::int32_t>(q);
}

inline Bytes sampleData(const WaveSpec& s) {
  Bytes d;
  const int bytes = s.bits / 8;
  for (std::int32_t f = 0; f < s.frames; ++f)
    for (int c = 0; c < s.channels; ++c) {
      std::uint32_t q = static_cast<std::uint32_t>(quantise(s.signal(f, c), s.bits));
      if (s.bits == 8) q = (q + 128) & 0xFF;
      for (int k = 0; k < bytes; ++k) d.push_back((q >> (8 * k)) & 0xFF);
    }
  return d;
}

inline Bytes makeWave(const WaveSpec& s) {
  Bytes fmt;
  putId(fmt, "fmt ");
  put32(fmt, static_cast<std::uint32_t>(s.fmtSize));
  Bytes rec;
  put16(rec, s.formatTag);
  put16(rec, static_cast<std::uint32_t>(s.channels));
  put32(rec, s.rate);
  put32(rec, s.rate * s.channels * (s.bits / 8));
  put16(rec, static_cast<std::uint32_t>(s.channels * (s.bits / 8)));
  put16(rec, static_cast<std::uint32_t>(s.bits));
  rec.resize(static_cast<std::size_t>(s.fmtSize), 0);
  if (s.subFormat && s.fmtSize >= 40) {
    rec[16] = 22;                                 // extension bytes
    rec[18] = static_cast<std::uint8_t>(s.bits);  // valid bits
    rec[20] = s.channels == 2 ? 3 : 4;            // speaker mask
    for (int k = 0; k < 16; ++k) rec[24 + k] = s.subFormat[k];
  }
  fmt.insert(fmt.end(), rec.begin(), rec.end());
  if (s.fmtSize & 1) fmt.push_back(0);
  Bytes samples = sampleData(s);
  Bytes data;
  putId(data, "data");
  put32(data, static_cast<std::uint32_t>(s.dataSizeOverride >= 0 ? s.dataSizeOverride : std::int64_t(samples.size())));
  if (s.truncateDataTo >= 0 && s.truncateDataTo < std::int64_t(samples.size()))
    samples.resize(std::size_t(s.truncateDataTo));
  data.insert(data.end(), samples.begin(), samples.end());
  Bytes body;
  putId(body, s.form);
  if (s.oddChunkBeforeData) {
    putId(body, "LIST");
    put32(body, 3);
    body.push_back('a');
    body.push_back('b');
    body.push_back('c');
    if (!s.padByteLeftOut) body.push_back(0);
  }
  if (s.dataBeforeFmt) {
    body.insert(body.end(), data.begin(), data.end());
    body.insert(body.end(), fmt.begin(), fmt.end());
  } else {
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (!s.noData) body.insert(body.end(), data.begin(), data.end());
  }
  Bytes file;
  putId(file, "RIFF");
  put32(file, static_cast<std::uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

// A minimal AIFF header (a form the reader does not take).
inline Bytes makeAiff() {
  Bytes b;
  putId(b, "FORM");
  b.push_back(0);
  b.push_back(0);
  b.push_back(0);
  b.push_back(30);
  putId(b, "AIFF");
  putId(b, "COMM");
  b.resize(64, 0);
  return b;
}

}  // namespace wavetest
