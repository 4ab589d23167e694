#include "pages/waveChoice.h"

#include "app/pageShell.h"
#include "controls/waveSelector.h"
#include "engine/engine.h"
#include "pages/pages.h"
#include "preset/waveMenu.h"
#include "uiSeams/msgBox.h"
#include "wave/wavePage.h"

bool waveChoiceFromMenu(Engine* e, int16_t menu, int16_t entry, int16_t* wave, bool* made) {
  *made = false;
  if (menu == waveMenuPresetHandle() && entry == 1) {
    *wave = engineClaimPresetWave(e);
    if (*wave < 0) {
      msgBox(0, "No more preset waves available.", 0);
      return false;
    }
    *made = true;
  } else {
    *wave = waveMenuItemToWave(entry, menu);
  }
  return true;
}

void waveChoiceShow(WinId win, uint16_t id, int16_t wave, bool made) {
  waveMenuSetLabel(win, id, wave);
  // A new wave is edited on the Wave page.
  if (made) waveEditRefreshAll(win, static_cast<int16_t>(wave - waveLocalIdBase));
}
