#include "app/mainWindowData.h"

#include "controls/winSlots.h"

namespace {
std::int16_t g_mainWindowId = 0;       // the window whose data is a MainWindowData
MainWindowData* g_mainData = nullptr;  // that data, kept also after the window has gone
}  // namespace

void mainWindowDataSetOwner(WinId win, MainWindowData* data) {
  g_mainWindowId = win;
  g_mainData = data;
}

MainWindowData* mainWindowDataOwned() { return g_mainData; }

MainWindowData* mainWindowData(WinId win) {
  if (win == 0 || win != g_mainWindowId) return nullptr;
  return static_cast<MainWindowData*>(winGetUserData(win));
}

void mainWindowDataInit(MainWindowData* d, Engine* engine, Bank* bank, std::uint8_t autoBalance) {
  d->engine = engine;
  d->bank = bank;
  d->reserved0 = 0;
  d->pagesVisited = 0;
  d->autoBalanceRead = 1;
  for (std::int16_t& v : d->spareIds) v = -1;
  d->autoBalance = autoBalance ? 1 : 0;
  for (float& v : d->balanceWeights) v = 1.0f;
  for (std::int16_t& v : d->spareShorts) v = 0;
  for (int s = 0; s < midiSlotCount; ++s) midiSlotClear(d->midiSlots, s);
  d->mainPageMode = 5;
  d->mainPageExpanded = 0;
  d->mainPageExpandPending = 1;
  d->storeToTime = 0.0;
  d->storeToActive = 0;
  d->storeToBlink = 0;
  for (std::uint16_t& v : d->bankTuningItem) v = 0;
  d->shownBend = 64;
  d->mainPageHeight = 356;
  d->tuningSelectedKey = 60;
  d->tuningBaseKey = 60;
  d->tuningKeysPerOctave = 12;
  d->tuningOctaveRatio = 2.0;
  envViewInit(&d->envView);
}
