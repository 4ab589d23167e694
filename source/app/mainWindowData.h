// The user data of the main window (appMainWindowId): the engine and the bank first, then the state of
// every page. Page and control callbacks find it with winGetUserData(win); the engine is its first
// word.
#pragma once
#include <cstdint>

#include "envelope/envView.h"
#include "midi/midiSlot.h"
#include "uiSeams/winId.h"

struct Bank;
struct Engine;

struct MainWindowData {
  Engine* engine;
  Bank* bank;
  std::uint32_t reserved0;
  std::uint8_t pagesVisited;     // 0 until a page other than Main was first shown
  std::uint8_t autoBalanceRead;  // 1 once the builder has read "autoBalance"
  std::int16_t spareIds[4];      // -1
  std::uint8_t autoBalance;      // "Auto balance channels"
  float balanceWeights[3];       // per-channel balance weights, 1.0
  std::int16_t spareShorts[3];   // 0
  MidiSlot midiSlots[midiSlotCount];

  // Main page
  std::uint16_t mainPageMode;  // lower-panel layout 4 or 5
  std::uint8_t mainPageExpanded;
  std::uint8_t mainPageExpandPending;
  double storeToTime;
  std::uint8_t storeToActive;
  std::uint8_t storeToBlink;
  std::uint16_t bankTuningItem[128];
  std::uint16_t shownBend;
  std::uint16_t mainPageHeight;

  // Tuning editor view (Midi page)
  std::int16_t tuningSelectedKey;
  std::int16_t tuningBaseKey;
  std::int16_t tuningKeysPerOctave;
  double tuningOctaveRatio;

  // The Envelope page's view and edit state (envelope/envView.h).
  EnvelopeView envView;
};

// The data of window `win` when it is the main window's (null otherwise or before the build).
MainWindowData* mainWindowData(WinId win);
// The main window's id and its data (set by the builder, cleared when the data is freed).
void mainWindowDataSetOwner(WinId win, MainWindowData* data);
// The data the builder made, also after its window has closed (null once freed).
MainWindowData* mainWindowDataOwned();
// Fills a zeroed record with the initial values above (engine, bank, auto-balance flag given).
void mainWindowDataInit(MainWindowData* data, Engine* engine, Bank* bank, std::uint8_t autoBalance);
