#include "mainPageTestSupport.h"

#include "controls/ctrlItems.h"
#include "controls/pane.h"
#include "controls/textView.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/midiQueue.h"
#include "pages/midiSlots.h"
#include "preset/bank.h"
#include "preset/chunk.h"
#include "uiSeams/msgBox.h"

int g_answer = IDOK;
std::vector<std::string> g_asked;

namespace {
int answerBox(void*, int, const char* text, int) {
  g_asked.push_back(text ? text : "");
  return g_answer;
}
}  // namespace

MainPageRig::MainPageRig() {
  engineCfgInitDefaults();
  chunkBufferInit(65535);
  engine = engineCreate();
  bank = bankCreate();
  engineSetBank(engine, bank);
  head = {engine, bank};
  g_answer = IDOK;
  g_asked.clear();
  msgBoxSetHook(answerBox, nullptr);
  mainPageResetFields();
  midiPageResetSlots();
  openKitWindow(window, 1, 8, mainPageWidth, 420, 100, 40);
  winSetUserData(1, &head);
  paneCreate(1, mainPageId, 0, 0, 0, 200, 0);
  bankSelectPreset(bank, engine, 0);
  winShow(1, 1);
  mainPageShow(1, 1);
  hwnd = window.nativeHandle();
  drainMessages();
}

MainPageRig::~MainPageRig() {
  winCloseAll();
  window.destroy();
  msgBoxSetHook(nullptr, nullptr);
  editHistoryDestroy();
  engineSetBank(engine, nullptr);
  engineDestroy(engine);
  bankDestroy(bank);
  chunkBufferFree();
}

// Each click a second after the last: two on one place are two presses, not a double click.
void MainPageRig::click(int x, int y) {
  g_testTick += 1000;
  postClick(hwnd, x, y + winGetOriginY(1));
}

std::vector<std::vector<int>> MainPageRig::queued() {
  std::vector<std::vector<int>> out;
  MidiState& m = engine->midi;
  for (int i = m.readIndex.load(); i != m.writeIndex.load(); i = (i + 1) % midiRingSize)
    out.push_back({m.ring[i].status, m.ring[i].data1, m.ring[i].data2});
  return out;
}

void MainPageRig::clearQueue() { engine->midi.readIndex.store(engine->midi.writeIndex.load()); }

std::string MainPageRig::gridLine(int r) {
  mainPageSelect(1);
  char out[64];
  textViewGetLine(1, 11, r, out);
  return out;
}
