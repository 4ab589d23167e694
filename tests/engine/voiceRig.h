// A small rig for the MIDI, voice and mix tests: an engine playing the default channel set-up (channel
// 0's "Single" oscillator on) at a chosen polyphony, driven sub-block by sub-block the way the audio
// client drives it, and a check that every voice below the polyphony sits on exactly one list.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/midiQueue.h"
#include "engine/surround.h"
#include "engine/voice.h"
#include "preset/wave.h"
#include "testAudioThread.h"

struct VoiceRig : EngineFixture {
  std::vector<std::vector<float>> outs;
  std::vector<float*> outPtrs;

  void SetUp() override {
    presetWavesInit();
    EngineFixture::SetUp();
    engine->channels[0]->on = 1;
    setPolyphony(4);
    setOutputs(2);
  }

  void setPolyphony(int voices) {
    engine->header.polyphony = static_cast<std::uint16_t>(voices);
    engineApplyPatchChange(engine, 1);
  }
  void setOutputs(int count) {
    outs.assign(static_cast<std::size_t>(count), std::vector<float>(engineBlockMax, 0.0f));
    outPtrs.clear();
    for (auto& o : outs) outPtrs.push_back(o.data());
  }
  void noteOn(int note, int velocity, int channel = 0) {
    midiQueuePushShort(&engine->midi, static_cast<std::uint8_t>(0x90 + channel), static_cast<std::uint8_t>(note),
                       static_cast<std::uint8_t>(velocity));
  }
  void noteOff(int note, int channel = 0) {
    midiQueuePushShort(&engine->midi, static_cast<std::uint8_t>(0x80 + channel), static_cast<std::uint8_t>(note), 64);
  }
  void controller(int number, int value, int channel = 0) {
    midiQueuePushShort(&engine->midi, static_cast<std::uint8_t>(0xB0 + channel), static_cast<std::uint8_t>(number),
                       static_cast<std::uint8_t>(value));
  }
  // One audio-client sub-block.
  void block() { TestAudioThread::runClientSubBlock(engine, outPtrs.data(), static_cast<int>(outPtrs.size())); }
  // Runs `blocks` sub-blocks and appends output k of each to the returned vectors.
  std::vector<std::vector<float>> record(int blocks) {
    std::vector<std::vector<float>> taken(outs.size());
    for (int b = 0; b < blocks; ++b) {
      block();
      for (std::size_t k = 0; k < outs.size(); ++k) taken[k].insert(taken[k].end(), outs[k].begin(), outs[k].end());
    }
    return taken;
  }

  // Empty string when every voice below the polyphony is on exactly one list at its recorded position
  // (states 0/6 free, 1 released, 2 sustained, 3 sounding) or held by exactly one pending entry (-1, -2);
  // otherwise what is wrong.
  std::string checkLists() const {
    const VoicePool& pool = engine->voicePool;
    const VoiceList* lists[4] = {&pool.freeList, &pool.released, &pool.sustained, &pool.sounding};
    const int poly = engine->polyphony;
    std::vector<int> seen(engineMaxVoices, 0);
    int total = 0;
    for (int l = 0; l < 4; ++l) {
      const VoiceList& list = *lists[l];
      if (list.count < 0 || list.count > poly)
        return "list " + std::to_string(l) + " count " + std::to_string(list.count);
      for (int i = 0; i < list.count; ++i) {
        const int v = list.entries[i];
        if (v < 0 || v >= poly) return "list " + std::to_string(l) + " holds " + std::to_string(v);
        if (pool.position[v] != i) return "voice " + std::to_string(v) + " position";
        const int s = engine->voices[v].state;
        const int want = (s == 0 || s == 6) ? 0 : s;
        if (want != l)
          return "voice " + std::to_string(v) + " state " + std::to_string(s) + " on list " + std::to_string(l);
        ++seen[v];
        ++total;
      }
    }
    for (int e = 0; e < voicePendingEntries; ++e) {
      const int v = pool.pendingStart[e];
      if (v < 0) continue;
      if (v >= poly) return "pending entry holds " + std::to_string(v);
      const int s = engine->voices[v].state;
      if (s != -1 && s != -2) return "pending voice " + std::to_string(v) + " state " + std::to_string(s);
      if (engine->voices[v].pendingEntry != e) return "pending voice " + std::to_string(v) + " entry";
      ++seen[v];
      ++total;
    }
    for (int v = 0; v < poly; ++v)
      if (seen[v] != 1)
        return "voice " + std::to_string(v) + " seen " + std::to_string(seen[v]) + " state " +
               std::to_string(engine->voices[v].state);
    if (total != poly) return "total " + std::to_string(total);
    return "";
  }
};
