#include "pageRig.h"

#include <cmath>

#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "preset/undo.h"
#include "preset/wave.h"

Engine* pageTestEngine() {
  static Engine* engine = [] {
    presetWavesInit();
    undoCreateBank();
    return engineCreate();
  }();
  return engine;
}

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

PageWindowRig::PageWindowRig(std::uint16_t capacity, int width, int height, int x, int y,
                             const std::function<void(Engine*)>& prepare) {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  if (prepare) prepare(e);
  mainWindowDataInit(&data, e, nullptr, 0);
  openKitWindow(window, kPageWin, capacity, width, height, x, y);
  winSetUserData(kPageWin, &data);
  mainWindowDataSetOwner(kPageWin, &data);
}

PageWindowRig::~PageWindowRig() {
  winCloseAll();
  mainWindowDataSetOwner(0, nullptr);
}

void PageWindowRig::addHiddenPane(uint16_t id, uint16_t capacity) {
  paneCreate(kPageWin, id, 0, 0, 0, capacity, 0);
  winSelectPort(kPageWin, nullptr);
  ctrlShow(kPageWin, id, 0);
}

void PageWindowRig::buildThenShow(uint16_t paneId, uint16_t capacity, void (*build)(WinId),
                                  void (*show)(WinId, std::uint8_t)) {
  addHiddenPane(paneId, capacity);
  winSelectPane(kPageWin, paneId);
  build(kPageWin);
  winShow(kPageWin, 1);
  drainMessages();
  show(kPageWin, 1);
  drainMessages();
}

ControlItem* PageWindowRig::item(uint16_t id) {
  selectPane(kPageWin);
  return ctrlFind(kPageWin, id);
}

bool PageWindowRig::lit(uint16_t id) {
  selectPane(kPageWin);
  return buttonIsPressed(kPageWin, id) != 0;
}

bool PageWindowRig::shown(uint16_t id) {
  selectPane(kPageWin);
  return ctrlIsShown(kPageWin, id) != 0;
}

NumboxData* PageWindowRig::box(uint16_t id) {
  selectPane(kPageWin);
  return numboxFind(kPageWin, id);
}

double PageWindowRig::boxValue(uint16_t id) {
  NumboxData* d = box(id);
  return d ? d->value : NAN;
}
