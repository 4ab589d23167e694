#include "midiPageRig.h"

#include "app/mainWindow.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "entryTestSupport.h"
#include "midi/midiNames.h"
#include "midi/midiPage.h"
#include "pages/pages.h"

namespace {

void quietBuild(WinId) {}
void quietShow(WinId, std::uint8_t) {}
std::uint8_t quietShown(WinId) { return 0; }
void quietRefresh(WinId) {}
const PageEntry kQuiet = {quietBuild, quietShow, quietShown, quietRefresh};

void nameOnce() {
  static const bool named = [] {
    midiNamesInitControllers();
    midiNamesInitNotes();
    return true;
  }();
  (void)named;
}

}  // namespace

MidiPageRig::MidiPageRig(bool buildFirst)
    : PageWindowRig(mainWindowItems, midiPageWidth, midiPageHeight, 40, 20, [](Engine*) { nameOnce(); }) {
  selectPane = midiPageSelectPane;
  for (int p = pageFirst; p <= pageLast; ++p)
    if (p != pageMidi) pageSetEntry(p, kQuiet);
  paneCreate(kPageWin, midiPaneId, 0, mainStripHeight, 0, kMidiPaneItems, 0);
  winSelectPort(kPageWin, nullptr);
  ctrlShow(kPageWin, midiPaneId, 0);
  if (buildFirst) {
    winSelectPane(kPageWin, midiPaneId);
    midiPageBuildEntry(kPageWin);
  }
  winShow(kPageWin, 1);
  drainMessages();
}

MidiPageRig::~MidiPageRig() { pageResetEntries(); }

void MidiPageRig::show(bool on) {
  midiPageShow(kPageWin, on ? 1 : 0);
  drainMessages();
}

void MidiPageRig::refresh() {
  midiPageRefresh(kPageWin);
  drainMessages();
}

std::string MidiPageRig::text(uint16_t id) {
  ControlItem* it = item(id);
  return it && it->kind == kindButton ? static_cast<ButtonData*>(it->k.kindData)->text : "";
}

void MidiPageRig::clickAt(int x, int y) {
  g_testTick += 1000;
  postClick(hwnd(), x + winGetOriginX(kPageWin), y + winGetOriginY(kPageWin));
}

void MidiPageRig::click(uint16_t id) {
  ControlItem* it = item(id);
  if (!it) return;
  clickAt((it->rect.left + it->rect.right) / 2, (it->rect.top + it->rect.bottom) / 2);
}

bool MidiPageRig::typeInto(uint16_t id, const std::string& typed) {
  NumboxData* d = box(id);
  if (!d) return false;
  clickAt((d->valueRect.left + d->valueRect.right) / 2, (d->valueRect.top + d->valueRect.bottom) / 2);
  HWND edit = findEditChild(hwnd());
  if (!edit) return false;
  SendMessageA(edit, EM_SETSEL, 0, -1);
  typeIntoEntry(edit, typed);
  return findEditChild(hwnd()) == nullptr;
}

std::string MidiPageRig::shownPanels() {
  std::string s;
  for (uint16_t id = midiItemPanelControllers; id <= midiItemPanelTune; ++id)
    if (shown(id)) s += std::to_string(id);
  return s;
}

std::string MidiPageRig::pressedTabs() {
  std::string s;
  for (uint16_t id = midiItemTabControllers; id <= midiItemTabTune; ++id)
    if (lit(id)) s += std::to_string(id);
  return s;
}
