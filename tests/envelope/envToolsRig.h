// Shared helpers of the clipboard, tools and add-pane tests: the row showing a slot, selecting an
// envelope as a press on its row would, a slot compared without what the audio side writes, and
// the editor panes 29 and 30 built into the page window as the main window's builder makes them.
#pragma once
#include <cstring>
#include <string>

#include "controls/display.h"
#include "controls/numbox.h"
#include "envHarness.h"
#include "envelope/envAdd.h"
#include "envelope/envTools.h"
#include "pages/pages.h"

// The graph item (16..38) bound to slot s, 0 when none.
inline int envRowOfSlot(EnvHarness& page, int s) {
  for (int id = envItemGraphFirst; id <= envItemGraphLast; ++id) {
    EnvelopeGraphRecord* r = page.record(id);
    if (r && r->slotIndex == s) return id;
  }
  return 0;
}

inline int envSelectSlot(EnvHarness& page, int s) {
  if (!envRowOfSlot(page, s)) {
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);  // every envelope gets its row
    drainMessages();
  }
  const int id = envRowOfSlot(page, s);
  if (id) envGraphSelectItem(kPageWin, static_cast<uint16_t>(id));
  return id;
}

// Equal as the user sees it: every byte except the handshake word and the play position.
inline bool envSameSlot(const EnvelopeSlot& a, const EnvelopeSlot& b) {
  EnvelopeSlot x = a, y = b;
  x.handshake = y.handshake = 0;
  x.displayPosition = y.displayPosition = 0.0;
  x.displayIndex = y.displayIndex = 0;
  return std::memcmp(&x, &y, sizeof x) == 0;
}

// Panes 29 and 30 at (129, 1), hidden, built with the page window's own container current.
inline void envBuildEditorPanes() {
  winSetCurrent(kPageWin);
  winSelectPort(kPageWin, nullptr);
  paneCreate(kPageWin, paneEnvAdd, 129, 1, 0, envAddPaneItems, 0);
  winSelectPort(kPageWin, nullptr);
  paneCreate(kPageWin, paneEnvTools, 129, 1, 0, envToolsPaneItems, 0);
  winSelectPort(kPageWin, nullptr);
  ctrlShow(kPageWin, paneEnvAdd, 0);
  ctrlShow(kPageWin, paneEnvTools, 0);
  winSelectPane(kPageWin, paneEnvAdd);
  envAddWindowCreate(kPageWin);
  winSelectPane(kPageWin, paneEnvTools);
  envToolsPanelCreate(kPageWin);
  winSelectPort(kPageWin, nullptr);
}

// An item of pane 29 or 30, that pane made the current container.
inline ControlItem* envPaneItem(uint16_t pane, uint16_t id) {
  winSetCurrent(kPageWin);
  winSelectPane(kPageWin, pane);
  return ctrlFind(kPageWin, id);
}
inline std::string envPaneText(uint16_t pane, uint16_t id) {
  envPaneItem(pane, id);
  char text[128] = {};
  displayGetText(kPageWin, id, text, sizeof text);
  return text;
}
inline double envPaneBox(uint16_t pane, uint16_t id) {
  envPaneItem(pane, id);
  NumboxData* d = numboxFind(kPageWin, id);
  return d ? d->value : -1e300;
}
// Typed into a box of pane 29: parsed and clamped by the box, then its callback.
inline void envToolsType(uint16_t id, const char* text) { numboxEntryDone(envPaneItem(paneEnvTools, id), text); }
inline bool envToolsRowSelected(int r) {
  envPaneItem(paneEnvTools, envToolsList);
  return listIsRowSelected(kPageWin, envToolsList, r) != 0;
}
inline void envToolsSelectRow(int r, bool on) {
  envPaneItem(paneEnvTools, envToolsList);
  listSetRowSelected(kPageWin, envToolsList, r, on ? 1 : 0);
  envToolsListChanged(envPaneItem(paneEnvTools, envToolsList));
}
// The list row of slot s in the tools pane, -1 when none.
inline int envToolsRowOf(int s) {
  for (int r = 0; r < envSlotCount; ++r)
    if (envToolsState()->toolRowSlots[r] == s) return r;
  return -1;
}

// The page window with the two editor panes, as the program builds them.
struct EnvPanesPage : EnvHarness {
  explicit EnvPanesPage(const std::function<void(Engine*)>& prepare = nullptr) : EnvHarness(prepare) {
    envBuildEditorPanes();
    drainMessages();
  }
  // A press at the centre of an item of pane 29 or 30.
  void press(uint16_t pane, uint16_t id) {
    const CtrlRect r = envPaneItem(pane, id)->rect;
    click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  std::string rowText(uint16_t pane, uint16_t list, int r) {
    envPaneItem(pane, list);
    char text[listTextCapacity] = {};
    listGetRowText(kPageWin, list, r, text);
    return text;
  }
  int filled(uint16_t pane, uint16_t list) {
    envPaneItem(pane, list);
    return listCountFilled(kPageWin, list);
  }
  int firstSelected(uint16_t pane, uint16_t list) {
    envPaneItem(pane, list);
    return listFirstSelected(kPageWin, list);
  }
  void selectRow(uint16_t pane, uint16_t list, int r) {
    envPaneItem(pane, list);
    for (int i = 0; i < listCountFilled(kPageWin, list); ++i) listSetRowSelected(kPageWin, list, i, i == r ? 1 : 0);
  }
};
