// The stream judge over crafted recordings: the system's silence and its lost periods pass; a buffer
// repeated or out of order, part of a period lost, a garbled, mixed or swapped frame each fail.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "streamJudge.h"

namespace {

// A piece of a crafted recording: `count` counter frames from `first` on, or (first < 0) silence.
struct Piece {
  long long first;
  long long count;
};

enum class Edit { none, garble, mix, swap };

struct JudgeCase {
  const char* name;
  std::vector<Piece> pieces;
  Edit edit;          // applied to frame 3
  bool buffers;       // the capture's rules (buffers of 8 frames, periods of 3, skips where buffers start); else none
  const char* fault;  // a part of the expected fault; "" when the recording passes
  long long lost, skipped, silence;
};

const long long kSilence = -1;

}  // namespace

TEST(StreamJudge, TellsTheSystemsGapsFromAFaultyStream) {
  const JudgeCase cases[] = {
      {"whole buffers, each further on", {{100, 8}, {120, 8}, {200, 8}}, Edit::none, true, "", 0, 84, 0},
      {"a buffer going on where the last ended", {{100, 8}, {108, 8}}, Edit::none, true, "", 0, 0, 0},
      {"silent buffers first and between",
       {{kSilence, 8}, {100, 8}, {kSilence, 16}, {150, 8}},
       Edit::none,
       true,
       "",
       0,
       42,
       24},
      {"silence standing for frames inside a buffer",
       {{100, 3}, {kSilence, 2}, {105, 3}},
       Edit::none,
       true,
       "",
       2,
       0,
       2},
      {"silence added inside a buffer", {{100, 3}, {kSilence, 2}, {103, 3}}, Edit::none, true, "", 0, 0, 2},
      {"whole periods lost inside a buffer", {{100, 4}, {110, 4}}, Edit::none, true, "", 6, 0, 0},
      {"part of a period lost inside a buffer",
       {{100, 4}, {106, 4}},
       Edit::none,
       true,
       "2 frames lost inside",
       0,
       0,
       0},
      {"a buffer played twice", {{100, 8}, {100, 8}}, Edit::none, true, "repeated or out of order", 0, 0, 0},
      {"buffers out of order", {{200, 8}, {100, 8}}, Edit::none, true, "repeated or out of order", 0, 0, 0},
      {"a frame repeated", {{100, 4}, {103, 4}}, Edit::none, true, "repeated or out of order", 0, 0, 0},
      {"a silent buffer, then the last one again",
       {{100, 8}, {kSilence, 8}, {100, 8}},
       Edit::none,
       true,
       "repeated or out of order",
       0,
       0,
       0},
      {"a garbled sample", {{100, 8}}, Edit::garble, true, "garbled or mixed", 0, 0, 0},
      {"the channels of two frames mixed", {{100, 8}}, Edit::mix, true, "garbled or mixed", 0, 0, 0},
      {"the channels swapped", {{100, 8}}, Edit::swap, true, "garbled or mixed", 0, 0, 0},
      {"whole stream: silence added", {{0, 5}, {kSilence, 3}, {5, 5}}, Edit::none, false, "", 0, 0, 3},
      {"whole stream: a frame lost", {{0, 5}, {6, 5}}, Edit::none, false, "1 frames lost", 0, 0, 0},
      {"whole stream: no skip where a buffer would start",
       {{0, 8}, {20, 8}},
       Edit::none,
       false,
       "12 frames lost",
       0,
       0,
       0},
  };
  for (const JudgeCase& t : cases) {
    std::vector<int16_t> pcm;
    for (const Piece& p : t.pieces)
      for (long long k = 0; k < p.count; ++k) {
        int16_t frame[2] = {0, 0};
        if (p.first != kSilence) counterFrame(p.first + k, frame);
        pcm.insert(pcm.end(), frame, frame + 2);
      }
    if (t.edit == Edit::garble) pcm[2 * 3] ^= 0x40;
    if (t.edit == Edit::mix) pcm[2 * 3 + 1] = pcm[2 * 6 + 1];
    if (t.edit == Edit::swap) std::swap(pcm[2 * 3], pcm[2 * 3 + 1]);
    StreamRules rules;
    if (t.buffers) {
      rules.blockFrames = 8;
      rules.periodFrames = 3;
      rules.skipAtBlocks = true;
    }
    const StreamVerdict v = judgeStream(pcm.data(), static_cast<long long>(pcm.size() / 2), rules,
                                        [](const int16_t* frame, long long) { return counterFrameNumber(frame); });
    if (*t.fault == 0) {
      EXPECT_EQ(v.fault, "") << t.name;
      EXPECT_EQ(v.lostInBlocks, t.lost) << t.name;
      EXPECT_EQ(v.skippedAtBlocks, t.skipped) << t.name;
      EXPECT_EQ(v.leadingSilence + v.silence, t.silence) << t.name;
    } else {
      EXPECT_NE(v.fault.find(t.fault), std::string::npos) << t.name << ": " << v.fault;
    }
  }
}

TEST(StreamJudge, CounterFramesCarryTheirNumberAndAreNeverSilent) {
  int16_t frame[2];
  for (long long n = 0; n < (1LL << 21); ++n) {
    counterFrame(n, frame);
    ASSERT_FALSE(frame[0] == 0 && frame[1] == 0) << n;
    ASSERT_EQ(counterFrameNumber(frame), n);
  }
  // A frame whose second sample has its sign bit clear, or whose check does not match, is none.
  counterFrame(70000, frame);
  const int16_t other = frame[1];
  frame[1] = static_cast<int16_t>(other & 0x7FFF);
  EXPECT_EQ(counterFrameNumber(frame), -1);
  frame[1] = static_cast<int16_t>(other ^ 0x20);
  EXPECT_EQ(counterFrameNumber(frame), -1);
}
