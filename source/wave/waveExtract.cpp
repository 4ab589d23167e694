// "Extract from WAV...": the edited wave replaced by the first 1024 frames of a 16-bit PCM WAV file
// (its left or only channel), a shorter piece stretched to 1024 samples, then DC-free and normalised.
// The file is read through the multimedia file functions; everything read is bounded by what the
// file really holds, and the wave is written only once every check has passed. The chunks are found
// by walking the form's chunks from its first, passing an odd-sized chunk by the pad rule the sample
// loader follows too, so both read the same files.
#include <windows.h>
#include <mmsystem.h>
#include <commdlg.h>

#include <cstring>

#include "GPWindowPlace.h"
#include "controls/winSlots.h"
#include "engine/numeric.h"
#include "preset/riffPad.h"
#include "uiSeams/msgBox.h"
#include "wave/waveEditState.h"
#include "wave/wavePage.h"

namespace {

enum {
  rawBytes = 4352,  // the raw buffer: room for 1024 stereo frames and more
  pathBytes = 260,
  formatBytes = 16,  // tag, channels, rate, byte rate, block align, bits: all that is used
  wantedFrames = waveLength
};

WaveOpenFileFn g_openFile = nullptr;

void fail(const char* text) { msgBox(0, text, 0); }

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Steps 11 to 13: frames from the bytes read, the first channel converted and limited to
// -0.99..0.99, a short piece stretched to 1024 samples (sloping to 0 after its last frame).
void convertFrames(const std::uint8_t* raw, std::int32_t bytes, std::int32_t channels, float* target) {
  float f[wantedFrames + 1] = {};
  const std::int32_t stride = 2 * channels;
  std::int32_t n = bytes > 0 ? bytes / stride : 0;
  if (n > wantedFrames) n = wantedFrames;
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int16_t s = static_cast<std::int16_t>(le16(raw + i * stride));
    float x = static_cast<float>(s / 32767.0);
    f[i] = numClamp(x, -0.99f, 0.99f);
  }
  if (n == wantedFrames) {
    std::memcpy(target, f, sizeof(float) * waveLength);
    return;
  }
  const double r = n / 1024.0;
  for (std::int32_t j = 0; j < waveLength; ++j) {
    const double p = j * r;
    std::int32_t k = static_cast<std::int32_t>(p);
    k = numClamp<std::int32_t>(k, 0, wantedFrames - 1);
    target[j] = static_cast<float>(f[k] + (p - k) * (f[k + 1] - f[k]));
  }
}

bool peekFile(void* source, std::int64_t at, std::uint8_t* bytes) {
  HMMIO h = static_cast<HMMIO>(source);
  return mmioSeek(h, static_cast<LONG>(at), SEEK_SET) == at && mmioRead(h, reinterpret_cast<HPSTR>(bytes), 4) == 4;
}

// Finds the chunk `id` inside the form, from the form's first chunk on; the file stands at the
// chunk's data afterwards. Every step moves at least 8 bytes on, and the walk ends with the file.
bool findChunk(HMMIO h, MMCKINFO* riff, FOURCC id, std::int64_t fileSize, MMCKINFO* chunk) {
  std::int64_t at = std::int64_t(riff->dwDataOffset) + 4;
  while (at < fileSize) {
    if (mmioSeek(h, static_cast<LONG>(at), SEEK_SET) != at) return false;
    std::memset(chunk, 0, sizeof *chunk);
    if (mmioDescend(h, chunk, riff, 0) != MMSYSERR_NOERROR) return false;
    if (chunk->ckid == id) return true;
    const std::int64_t end = std::int64_t(chunk->dwDataOffset) + chunk->cksize;
    at = riffNextChunkAt(end, (chunk->cksize & 1) != 0, fileSize, peekFile, h);
  }
  return false;
}

int systemOpenDialog(void* owner, char* path, char* title) {
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = static_cast<HWND>(owner);
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = "Wave Files (*.WAV)\0*.wav\0\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = pathBytes;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = pathBytes;
  ofn.lpstrDefExt = "wav";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  const GPCentreNextDialog centred(ofn.hwndOwner);  // over the window, as every box opens
  return GetOpenFileNameA(&ofn) ? 1 : 0;
}

// Reads the file into target (1024 samples); false after the message of the failing check.
bool readWav(char* path, float* target) {
  HMMIO h = mmioOpenA(path, nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (!h) {
    fail("File error 18334, The WAV file failed to open");
    return false;
  }
  struct Closer {
    HMMIO h;
    ~Closer() { mmioClose(h, 0); }
  } closer{h};
  MMCKINFO riff;
  std::memset(&riff, 0, sizeof riff);
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
    fail("Extract from WAV failed. File error 18335.");
    return false;
  }
  const LONG fileSize = mmioSeek(h, 0, SEEK_END);
  // The format chunk is found by its id, wherever it stands among the form's chunks.
  MMCKINFO chunk;
  if (fileSize < 0 || !findChunk(h, &riff, mmioFOURCC('f', 'm', 't', ' '), fileSize, &chunk)) {
    fail("Extract from WAV failed. File error 18336.");
    return false;
  }
  std::uint8_t format[formatBytes] = {};
  if (chunk.cksize < formatBytes ||
      mmioRead(h, reinterpret_cast<HPSTR>(format), formatBytes) != static_cast<LONG>(formatBytes)) {
    fail("Extract from WAV failed. File error 18337.");
    return false;
  }
  const std::uint16_t tag = le16(format), channels = le16(format + 2), bits = le16(format + 14);
  // Only 16-bit PCM: wider samples are not read as 16-bit words.
  if (tag != WAVE_FORMAT_PCM || bits != 16 || channels < 1 || channels > 2) {
    fail("Extract from WAV failed. This is an unsupported audio format.");
    return false;
  }
  if (mmioAscend(h, &chunk, 0) != MMSYSERR_NOERROR) {
    fail("Extract from WAV failed. File error 18338.");
    return false;
  }
  // The data chunk too may stand before or after the format.
  if (!findChunk(h, &riff, mmioFOURCC('d', 'a', 't', 'a'), fileSize, &chunk)) {
    fail("Extract from WAV failed. File error 18339.");
    return false;
  }
  static std::uint8_t raw[rawBytes];
  std::memset(raw, 0, sizeof raw);
  const std::uint32_t limit = 2048u * channels;
  const LONG want = static_cast<LONG>(chunk.cksize < limit ? chunk.cksize : limit);
  LONG got = want > 0 ? mmioRead(h, reinterpret_cast<HPSTR>(raw), want) : 0;
  if (got < 0) got = 0;
  convertFrames(raw, got, channels, target);
  return true;
}

}  // namespace

void waveSetOpenFileRoutine(WaveOpenFileFn routine) { g_openFile = routine; }

int waveOpenFileDialog(void* owner, char* path, char* title) {
  if (g_openFile) return g_openFile(owner, path, title);
  return systemOpenDialog(owner, path, title);
}

void waveExtractFromWav(WinId win) {
  const std::int16_t w = win;
  if (!waveEngineOf(w) || !waveEditSamples(win)) return;
  char path[pathBytes] = {}, title[pathBytes] = {};
  if (!waveOpenFileDialog(winGetFrameworkWindow(w), path, title)) return;
  path[pathBytes - 1] = 0;
  float wave[waveLength];
  if (!readWav(path, wave)) return;
  // The wave may have gone while the dialog was up.
  float* target = waveEditSamples(win);
  if (!target) return;
  std::memcpy(target, wave, sizeof wave);
  winSetCurrent(w);
  waveRemoveDc(target);
  waveEditNotify(win);
  waveEditRefreshSelector(win);
}
