// Judging a recorded stream against the signal that was sent, and the signal that names its frames.
#include "streamJudge.h"

namespace {

std::string frameText(long long i, const StreamRules& rules) {
  std::string s = "frame " + std::to_string(i);
  if (rules.blockFrames > 0) s += " (buffer " + std::to_string(i / rules.blockFrames) + ")";
  return s;
}

// Whether `missing` signal frames may be lost between two signal frames with `gap` silent frames
// between them, inside one buffer: whole periods, where the silence stood for frames or was added.
bool lossAllowed(long long missing, long long gap, long long period) {
  if (period <= 0) return false;
  return missing % period == 0 || (missing >= gap && (missing - gap) % period == 0);
}

// Ten bits that vary with every bit of n.
uint16_t counterCheck(long long n) {
  return static_cast<uint16_t>((static_cast<uint32_t>(n) * 2654435761u) >> 22) & 0x3FF;
}

}  // namespace

StreamVerdict judgeStream(const int16_t* frames, long long count, const StreamRules& rules,
                          const FrameDecoder& decode) {
  StreamVerdict v;
  long long due = 0, lastAt = -1;  // the signal frame due next; where the last signal frame was
  for (long long i = 0; i < count; ++i) {
    const int16_t* frame = frames + 2 * i;
    if (frame[0] == 0 && frame[1] == 0) {
      ++(lastAt < 0 ? v.leadingSilence : v.silence);
      continue;
    }
    const long long n = decode(frame, due);
    if (n < 0) {
      v.fault = frameText(i, rules) + " is neither silence nor a frame of the signal (frame " + std::to_string(due) +
                " was due): garbled or mixed";
      return v;
    }
    if (lastAt >= 0 && n < due) {
      v.fault = frameText(i, rules) + " holds signal frame " + std::to_string(n) + " after frame " +
                std::to_string(due - 1) + ": repeated or out of order";
      return v;
    }
    if (lastAt >= 0 && n > due) {
      const long long missing = n - due;
      const bool newBlock = rules.blockFrames > 0 && i / rules.blockFrames != lastAt / rules.blockFrames;
      if (newBlock && rules.skipAtBlocks) {
        v.skippedAtBlocks += missing;
      } else if (!newBlock && lossAllowed(missing, i - lastAt - 1, rules.periodFrames)) {
        v.lostInBlocks += missing;
      } else {
        v.fault = frameText(i, rules) + " holds signal frame " + std::to_string(n) + " where frame " +
                  std::to_string(due) + " was due: " + std::to_string(missing) + " frames lost" +
                  (rules.blockFrames <= 0 ? ""
                   : newBlock             ? " where the buffer starts"
                                          : " inside a buffer");
        return v;
      }
    }
    if (v.first < 0) v.first = n;
    v.last = n;
    ++v.signal;
    due = n + 1;
    lastAt = i;
  }
  return v;
}

void counterFrame(long long n, int16_t* frame) {
  frame[0] = static_cast<int16_t>(static_cast<uint16_t>(n & 0xFFFF));
  frame[1] = static_cast<int16_t>(static_cast<uint16_t>(0x8000 | counterCheck(n) << 5 | ((n >> 16) & 0x1F)));
}

long long counterFrameNumber(const int16_t* frame) {
  const uint16_t high = static_cast<uint16_t>(frame[1]);
  if (!(high & 0x8000)) return -1;
  const long long n = static_cast<long long>(high & 0x1F) << 16 | static_cast<uint16_t>(frame[0]);
  return ((high >> 5) & 0x3FF) == counterCheck(n) ? n : -1;
}
