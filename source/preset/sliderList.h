// The preset's list of MIDI controller sliders: which controllers the sound uses, the value each had
// when the preset was stored, a 16-character label, and pairs that form one two-dimensional pad.
#pragma once
#include <cstdint>

#include "preset/midiSources.h"

const int sliderListMax = 12;
const std::int32_t sliderFree = -10;  // controller / partner of a free entry
const std::int32_t sliderChannelPressure = midiSourcePressure;

struct SliderEntry {
  std::int32_t controller;  // 0..127 a controller number, -1 channel pressure, -10 free
  std::int32_t partner;     // the controller forming a pad with this one, -10 none
  std::uint8_t second;      // 1 for the second (vertical) controller of a pad
  std::int32_t value;       // stored controller value 0..127
  char label[16];           // zero-padded, not always terminated
};

struct SliderList {
  std::int32_t count;                 // entries in use of `entries`, 0..12
  std::int16_t order[sliderListMax];  // used controller numbers ascending, then -1, then -10
  SliderEntry entries[sliderListMax];
};

// Default list: 12 free entries, then controller 7 "vol" at 127, 10 "LR pan" and 11 "FB pan" at 64,
// 10 and 11 partnered as one pad (11 the second).
void sliderListDefaults(SliderList* list);
void sliderEntryClear(SliderEntry* entry);                               // free: controller and partner -10
SliderEntry* sliderListFind(SliderList* list, std::int32_t controller);  // first of `count`, or null
SliderEntry* sliderListFindFree(SliderList* list);
// The entry of `controller`, else the first free one, takes controller, value and label (16 chars,
// the rest zero); false when neither exists.
bool sliderListSet(SliderList* list, std::int32_t controller, std::int32_t value, const char* label);

struct FileSpec;
struct Engine;

void sliderListSetName(SliderList* list, std::int32_t controller, const char* label);  // at most 16 chars
void sliderListSetFlag(SliderList* list, std::int32_t controller, std::uint8_t second);
// The entry with the smallest controller above `controller` (and below 128), first found on ties.
SliderEntry* sliderListNextAbove(SliderList* list, std::int32_t controller);
// Pairs `controller` with `partner`; its old partner's entry follows (p >= -1: points back, else -10).
void sliderListSetPartner(SliderList* list, std::int32_t controller, std::int32_t partner);
// Destination := default list, then every used source entry replaces the entry of its controller or
// takes the first free one (dropped when neither exists).
void sliderListCopy(const SliderList* source, SliderList* destination);
// Rebuilds `order`: used controllers ascending, then -1 for a channel-pressure entry, then -10.
void sliderListBuildOrderOf(SliderList* list);

// Chunk serialisers (direction chunkRead 1 / chunkWrite 0), all version 10: "stCC" (oldest, 9 entries
// of controller, value, label), "stC3" (9 entries of 32 bytes), "stD3" (newest, up to 12 entries).
// Entries a chunk does not carry keep what the list held before.
bool sliderListReadWriteChunkV1(FileSpec* file, SliderList* list, std::uint8_t* buffer, int direction);
bool sliderListReadWriteChunkV2(FileSpec* file, SliderList* list, std::uint8_t* buffer, int direction);
bool sliderListReadWriteChunk(FileSpec* file, SliderList* list, std::uint8_t* buffer, int direction);

// ---- the engine's working copy (user-interface thread; the audio thread never reads it)
SliderList* engineGetSliderList(Engine* engine);  // null without an engine
void sliderListBuildOrder(Engine* engine);
// Queues one controller message (channel pressure for -1) per used entry of the engine's list.
void sliderListSyncEngine(Engine* engine);
// Before a store: drops entries of controllers nothing in the patch uses, then adds a slider for every
// controller the patch uses, with the controller's current value.
void sliderListApplyAll(Engine* engine);
bool sliderControllerInUse(Engine* engine, std::int32_t controller);
