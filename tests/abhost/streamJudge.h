// Judging a recorded stream of 16-bit stereo frames against the signal that was sent: frames of exact
// silence are the system's (a stream that ran dry, a buffer that was not ready) and are only counted;
// every other frame must be a frame of the signal, later in it than the one before. What may be missing
// between two signal frames is set by the rules: nothing (a stream that must arrive whole), whole system
// periods inside one recorded buffer, anything where a new buffer starts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct StreamRules {
  long long blockFrames = 0;   // the stream arrives in buffers of this many frames; 0: one buffer
  long long periodFrames = 0;  // inside a buffer the system may lose whole periods of this many frames; 0: none
  bool skipAtBlocks = false;   // a buffer may resume the signal further on than the last one ended
};

struct StreamVerdict {
  long long leadingSilence = 0;     // silent frames before the first signal frame
  long long silence = 0;            // silent frames after it
  long long signal = 0;             // signal frames, each later in the signal than the one before
  long long lostInBlocks = 0;       // signal frames missing between two frames of one buffer
  long long skippedAtBlocks = 0;    // signal frames passed over where a buffer starts
  long long first = -1, last = -1;  // the first and last signal frame numbers that arrived
  std::string fault;                // the first frame that breaks the rules (garbled, mixed, repeated, out of
                                    // order, part of a buffer lost); empty when there is none
};

// The signal frame number that frame (two samples) holds, given the number due next; -1 when it holds
// no frame of the signal.
using FrameDecoder = std::function<long long(const int16_t* frame, long long due)>;

StreamVerdict judgeStream(const int16_t* frames, long long count, const StreamRules& rules, const FrameDecoder& decode);

// A signal that names its frames: frame n carries n (the first sample its low 16 bits, the second the
// bits above and a check of n, with its sign bit set, so no frame is silence). Numbers up to 2^21.
void counterFrame(long long n, int16_t* frame);
// The number a counter frame carries, or -1 when the two samples are no counter frame.
long long counterFrameNumber(const int16_t* frame);
