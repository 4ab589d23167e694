// The sample slot of a channel oscillator: the sample file as stored with the preset, its format and
// loop settings, and (at run time) the decoded data shared through the sample pool.
#pragma once
#include <cstdint>

const std::uint32_t sampleInfoTag = 0x73504365;  // "sPCe" read as a big-endian number

struct SampleInfo {
  std::uint32_t tag;              // sampleInfoTag
  char name[256];                 // file name with extension, shown to the user; always terminated
  char path[260];                 // full path of the sample file; always terminated
  char pathRest[252];             // rest of the stored 512-byte text field after the path
  std::uint8_t displayMapped;     // 1 while this slot owns its display section
  void* displayMapping;           // handle of the display section (run time)
  char displayName[256];          // name of the display section
  std::int32_t length;            // frames of the decoded data (run time)
  std::int32_t channels;          // channels of the file, 1 or 2
  std::int32_t readAsMono;        // 1: a stereo file is read as its left channel only
  std::int32_t looping;           // 1 while the loop window is active
  std::int32_t word1;             // stored and swapped, not used by the slot
  std::int32_t loopStart;         // loop start marker, frames
  std::int32_t loopEnd;           // loop end marker, frames
  std::int32_t spare[3];          // not used
  std::int32_t loopMode;          // 0 no loop, 1 the whole sample, 2 between the markers
  std::int32_t afterLoopMode[3];  // stored and swapped, not used by the slot
  std::int32_t playStart;         // effective start of the loop window, frames (derived)
  std::int32_t playEnd;           // effective end of the loop window, frames (derived)
  std::int32_t loadFailed;        // 1 while a dialog-started load runs and after it failed
  float rootKey;                  // MIDI note at which the sample plays at its own rate
  float rateFactor;               // playback factor
  std::int32_t poolIndex;         // sample pool entry holding the data, -1 none
  double startPosition;           // start of playback as a fraction 0..1 of the length ("Start %")
  float* data;                    // decoded frames (interleaved when stereo), owned by the sample pool
};

// Zeroes the file record and the display part, name "(none)", tag sPCe.
void sampleInfoClear(SampleInfo* info);
// sampleInfoClear, then the slot defaults: mono read, loop markers 0..1024, root key 60, no pool entry.
void sampleInfoInit(SampleInfo* info);
// Keeps the stored fields of a slot read from a file within their ranges and its texts terminated.
void sampleInfoSanitize(SampleInfo* info);
