// Edit block: copies committed into the live records, the fields a commit keeps, and no torn record
// while an audio thread commits and reads between its blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "preset/editBlock.h"

namespace {

struct EditFixture : EngineFixture {};

TEST_F(EditFixture, BeginCopiesTheLiveRecordAndLeavesNothingPending) {
  engine->filters[2].cutoff = 123.0f;
  FilterRecord* copy = editBeginFilter(engine, 2);
  EXPECT_EQ(copy->cutoff, 123.0f);
  EXPECT_EQ(engine->edit.pending.load(), editIdle);
  copy->cutoff = 200.0f;
  EXPECT_EQ(engine->filters[2].cutoff, 123.0f);  // nothing reaches the engine before the commit
  editCommit(engine, editKindFilter, 2);
  EXPECT_EQ(engine->filters[2].cutoff, 200.0f);
}

TEST_F(EditFixture, TwoSettersInARowBothLand) {
  // The second begin applies the first copy before copying again, also when it was left pending.
  FilterRecord* f = editBeginFilter(engine, 1);
  f->resonance = 0.25f;
  engine->edit.kind = editKindFilter;
  engine->edit.index = 1;
  engine->edit.pending.store(editPending);  // committed, not yet applied
  ModulatorRecord* m = editBeginModulator(engine, 0);
  EXPECT_EQ(engine->filters[1].resonance, 0.25f);
  m->balance = 0.5f;
  editCommit(engine, editKindModulator, 0);
  EXPECT_EQ(engine->modulators[0].balance, 0.5f);
  EXPECT_EQ(engine->filters[1].resonance, 0.25f);
  // Two edits of the same record in a row keep both changes.
  editBeginWaveshaper(engine)->inGain = 2.0f;
  editCommit(engine, editKindWaveshaper, 0);
  editBeginWaveshaper(engine)->outGain = 0.5f;
  editCommit(engine, editKindWaveshaper, 0);
  EXPECT_EQ(engine->waveshaper.inGain, 2.0f);
  EXPECT_EQ(engine->waveshaper.outGain, 0.5f);
}

TEST_F(EditFixture, HeaderCommitKeepsSlotPairsAndTempo) {
  engine->header.slot = 17;
  engine->header.pairFirst[1] = 0.75f;
  const TempoClock tempo = engine->header.tempo;
  PatchHeader* h = editBeginPatchHeader(engine);
  h->slot = 99;
  h->pairFirst[1] = -0.5f;
  h->polyphony = 9;
  h->channelPan[2] = 0.125f;
  std::strcpy(h->name, "edited");
  std::memset(&h->tempo, 0x5A, sizeof h->tempo);
  editCommit(engine, editKindHeader, 0);
  EXPECT_EQ(engine->header.slot, 17);
  EXPECT_EQ(engine->header.pairFirst[1], 0.75f);
  EXPECT_EQ(0, std::memcmp(&engine->header.tempo, &tempo, sizeof tempo));
  EXPECT_EQ(engine->header.polyphony, 9);
  EXPECT_EQ(engine->header.channelPan[2], 0.125f);
  EXPECT_STREQ(engine->header.name, "edited");
}

TEST_F(EditFixture, LfoCommitKeepsDisplayAndAddsRetriggerRequests) {
  Lfo* l = editBeginLfo(engine, 1);
  ASSERT_NE(l, nullptr);
  l->retriggerRequest = 1;               // the page asks for a retrigger
  engine->lfos[1].retriggerRequest = 2;  // and MIDI asked meanwhile
  engine->lfos[1].displayValue = 0.3f;
  l->displayValue = 0.9f;
  editCommit(engine, editKindLfo, 1);
  EXPECT_EQ(engine->lfos[1].retriggerRequest, 3);
  EXPECT_EQ(engine->lfos[1].displayValue, 0.3f);
  EXPECT_EQ(editBeginLfo(engine, 3), nullptr);
}

TEST_F(EditFixture, ControllerCommitKeepsRunningValues) {
  engine->controllers.volume = 0.4f;
  engine->controllers.pitchFactor = 1.5f;
  ControllerSettings* c = editBeginControllers(engine);
  c->bendRange = 12.0f;
  c->volume = 1.0f;
  c->pitchFactor = 9.0f;
  editCommit(engine, editKindControllers, 0);
  EXPECT_EQ(engine->controllers.bendRange, 12.0f);
  EXPECT_EQ(engine->controllers.volume, 0.4f);
  EXPECT_EQ(engine->controllers.pitchFactor, 1.5f);
}

TEST_F(EditFixture, NoteCurveVelocityAndEmptyKinds) {
  float* values = editBeginNoteCurve(engine, 3, 2);
  ASSERT_NE(values, nullptr);
  values[60] = 0.5f;
  engine->edit.family = 3;
  editCommit(engine, editKindNoteCurve, 2);
  EXPECT_EQ(engine->noteCurves.curves[8].values[60], 0.5f);
  EXPECT_EQ(editBeginNoteCurve(engine, 1, 3), nullptr);

  VelocityTable* tables = nullptr;
  VelocitySettings* v = editBeginVelocity(engine, &tables);
  v->entries[4].base = 0.25f;
  tables[4].values[100] = 0.125f;
  engine->edit.family = 2;
  editCommit(engine, editKindVelocity, 1);
  EXPECT_EQ(engine->velocity.entries[4].base, 0.25f);
  EXPECT_EQ(engine->noteCurves.velocityTables[4].values[100], 0.125f);

  // Kind 8 copies nothing and clears the pending state; effect types 4 and 5 have no copy.
  const FilterRecord before = engine->filters[0];
  editBeginFilter(engine, 0)->cutoff = 1.0f;
  editCommit(engine, 8, 0);
  EXPECT_EQ(engine->edit.pending.load(), editIdle);
  EXPECT_EQ(engine->edit.kind, 0u);
  EXPECT_EQ(engine->filters[0].cutoff, before.cutoff);
  EXPECT_EQ(editBeginEffect(engine, 4), nullptr);
  EXPECT_EQ(editBeginEffect(engine, 5), nullptr);
  EXPECT_NE(editBeginEffect(engine, 2), nullptr);
}

bool uniform(const void* record, std::size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(record);
  for (std::size_t i = 1; i < size; ++i)
    if (p[i] != p[0]) return false;
  return true;
}

// A test audio thread commits pending edits between its blocks and checks, inside each block, that the
// records it reads are whole (every byte from one edit) and do not change under it.
TEST_F(EditFixture, NoTornRecordUnderConcurrentCommits) {
  double seconds = 2.0;
  if (const char* s = std::getenv("MORVANE_STRESS_SECONDS")) seconds = std::atof(s);
  std::memset(&engine->filters[1], 0, sizeof(FilterRecord));
  std::memset(&engine->modulators[2], 0, sizeof(ModulatorRecord));
  std::atomic<bool> stop{false};
  std::atomic<long> torn{0}, changed{0}, blocks{0};
  engineAudioThreadBegin(engine);
  std::thread audio([&] {
    while (!stop.load()) {
      engineAudioBlockBegin(engine);
      editCommitPending(engine);
      const FilterRecord f = engine->filters[1];
      const ModulatorRecord m = engine->modulators[2];
      if (!uniform(&f, sizeof f) || !uniform(&m, sizeof m)) ++torn;
      for (int spin = 0; spin < 200; ++spin) std::atomic_signal_fence(std::memory_order_seq_cst);
      if (std::memcmp(&f, &engine->filters[1], sizeof f) || std::memcmp(&m, &engine->modulators[2], sizeof m))
        ++changed;
      engineAudioBlockEnd(engine);
      ++blocks;
    }
  });
  // The run lasts its seconds, and on a loaded machine longer (bounded) until both sides have done
  // enough rounds to mean something.
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  const auto latest = start + std::chrono::duration<double>(std::max(30.0, seconds));
  long edits = 0, lost = 0;
  for (auto now = start; now < end || ((edits <= 100 || blocks.load() <= 100) && now < latest);
       now = std::chrono::steady_clock::now()) {
    const unsigned char v = static_cast<unsigned char>(1 + edits % 250);
    std::memset(editBeginFilter(engine, 1), v, sizeof(FilterRecord));
    editCommit(engine, editKindFilter, 1);
    std::memset(editBeginModulator(engine, 2), v, sizeof(ModulatorRecord));
    editCommit(engine, editKindModulator, 2);
    if (!uniform(&engine->filters[1], sizeof(FilterRecord)) ||
        reinterpret_cast<unsigned char*>(&engine->filters[1])[0] != v)
      ++lost;
    ++edits;
  }
  stop = true;
  audio.join();
  engineAudioThreadEnd(engine);
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(changed.load(), 0);
  EXPECT_EQ(lost, 0);
  EXPECT_GT(edits, 100);
  EXPECT_GT(blocks.load(), 100);
  // Leave the engine with records it can destroy.
  filterInitRecord(&engine->filters[1], 1);
  modulatorInitRecord(&engine->modulators[2], 2);
}

}  // namespace
