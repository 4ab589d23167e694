// The oscillators' tables are rebuilt in place while the audio thread reads them. This measures what
// that costs in sound: a held note whose wave is switched back and forth many times, once with the
// switches made between blocks on the rendering thread (every step in the output is then the wave's
// own change) and once from this thread while an audio thread renders (a block may mix the old and
// the new table). The sharpest corner of the output (largest second difference) is compared.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "../waveRig.h"
#include "engine/testAudioThread.h"
#include "preset/oscParams.h"
#include "support/signal.h"
#include "uiaTestSupport.h"

using namespace waverig;

namespace {

const int kBlocks = 1500;

double sharpestCorner(const std::vector<float>& s, std::size_t from) {
  double m = 0;
  for (std::size_t n = from + 1; n + 1 < s.size(); ++n)
    m = std::fmax(m, std::fabs(double(s[n + 1]) - 2.0 * s[n] + s[n - 1]));
  return m;
}

void prepare(Engine* e, int16_t index) {
  oscSetOn(e, 0, 1);
  oscSetType(e, 0, 0);
  oscSetBandLimited(e, 0, 1);
  oscSetWaveA(e, 0, static_cast<int16_t>(waveLocalIdBase + index));
  engineApplyPatchChange(e, 1);
}

}  // namespace

TEST(WaveRebuildRace, RebuildingWhileTheAudioReadsClicksNoMoreThanTheChangeItself) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    const std::vector<float> a = sine(0.9),
                             b = shape([](int i) {
                               return 0.6 * std::sin(2 * kPi * i / 1024) + 0.3 * std::sin(2 * kPi * 3 * i / 1024 + 1.0);
                             });
    const int16_t index = page.edit(a);
    prepare(e, index);
    const std::uint8_t note[3] = {0x90, 69, 100};
    std::vector<float> out1(engineBlockMax), out2(engineBlockMax);
    float* outs[2] = {out1.data(), out2.data()};

    // Reference: the switches between blocks, on the rendering thread.
    std::vector<float> reference;
    reference.reserve(static_cast<std::size_t>(kBlocks) * 128);
    for (int k = 0; k < kBlocks; ++k) {
      if (k > 20 && k % 3 == 0) waveCopySamplesIn(e, static_cast<uint16_t>(index), (k / 3) % 2 ? b.data() : a.data());
      TestAudioThread::runClientSubBlock(e, outs, 2, 0, k == 0 ? note : nullptr, k == 0 ? 1 : 0);
      reference.insert(reference.end(), out1.begin(), out1.begin() + 128);
    }
    const std::uint8_t off[3] = {0x80, 69, 0};
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, off, 1);
    for (int k = 0; k < 300; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);

    // Race: an audio thread renders (at about a device's pace) while this thread switches the wave
    // 200 times; it runs until the switching is done, however fast either side is, and measures every
    // block it renders as it goes (the sharpest corner across block edges too, after the first 20).
    waveCopySamplesIn(e, static_cast<uint16_t>(index), a.data());
    const int wantedSwitches = 200;
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    double race = 0;
    bool allNormal = true;
    std::thread audio([&] {
      std::vector<float> o1(engineBlockMax), o2(engineBlockMax);
      float* os[2] = {o1.data(), o2.data()};
      float before[2] = {0, 0};  // the last two samples of the block before
      for (int k = 0; !stop.load(); ++k) {
        TestAudioThread::runClientSubBlock(e, os, 2, 0, k == 0 ? note : nullptr, k == 0 ? 1 : 0);
        allNormal = allNormal && signalAllNormal(o1.data(), 128);
        if (k >= 20) {
          std::vector<float> run{before[0], before[1]};
          run.insert(run.end(), o1.begin(), o1.begin() + 128);
          race = std::fmax(race, sharpestCorner(run, k == 20 ? 2 : 0));
        }
        before[0] = o1[126];
        before[1] = o1[127];
        done.store(k + 1);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
    while (done.load() < 20) std::this_thread::yield();
    const int blocksBefore = done.load();
    int switches = 0;
    for (; switches < wantedSwitches; ++switches)
      waveCopySamplesIn(e, static_cast<uint16_t>(index), switches % 2 ? a.data() : b.data());
    // At least one whole block after the last switch, so that its table is heard.
    const int blocksAtEnd = done.load();
    while (done.load() < blocksAtEnd + 2) std::this_thread::yield();
    stop.store(true);
    audio.join();
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, off, 1);
    for (int k = 0; k < 300; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);

    const double ref = sharpestCorner(reference, 20 * 128);
    std::printf(
        "wave switched %d times while the audio thread rendered %d blocks (%d of them during the "
        "switches): sharpest corner %.4f (switches between blocks: %.4f, ratio %.2f)\n",
        switches, done.load(), blocksAtEnd - blocksBefore, race, ref, ref > 0 ? race / ref : 0.0);
    RecordProperty("raceCorner", std::to_string(race));
    RecordProperty("blockCorner", std::to_string(ref));
    EXPECT_EQ(switches, wantedSwitches);
    EXPECT_TRUE(allNormal);
    EXPECT_GT(ref, 0.0);
    EXPECT_LT(race, 2.0 * ref);
  });
}
