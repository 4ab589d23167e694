#include "app/mainWindowData.h"

#include "controls/winSlots.h"

namespace {
std::int16_t g_mainWindowId = 0;       // the window whose data is a MainWindowData
MainWindowData* g_mainData = nullptr;  // that data, kept also after the window has gone
}  // namespace

void mainWindowDataSetOwner(std::int16_t win, MainWindowData* data) {
  g_mainWindowId = win;
  g_mainData = data;
}

MainWindowData* mainWindowDataOwned() { return g_mainData; }

MainWindowData* mainWindowData(std::int16_t win) {
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
  const double f64[5] = {0.0, 128.0, 0.0078125, 1.0, 384.0};
  for (int i = 0; i < 5; ++i) d->viewF64[i] = f64[i];
  d->viewU16a = 0;
  d->viewI32[0] = 512;
  d->viewI32[1] = 128;
  for (std::uint16_t& v : d->viewU16b) v = 0;
  for (std::int16_t& v : d->viewI16) v = -2;
  d->viewU8a = 0;
  d->viewF64b = 0.5;
  d->viewI32b = 0;
  d->viewU8b[0] = 0;
  d->viewU8b[1] = 0;
  d->viewU8b[2] = 1;
  d->viewU8b[3] = 0;
  d->viewU16c = 0;
  d->envPageWidth = 827;
  d->envPageHeight = 645;
  d->viewU16d = 0;
  d->viewU8c[0] = 1;
  d->viewU8c[1] = 0;
  d->viewI16b[0] = -1;
  d->viewI16b[1] = -1;
  d->viewF64c = 128.0;
  d->tailU16 = 0;
  d->tailU8 = 0;
}
