// Panes that hold a copy of the playing sound, inside the real program (one start, the tests in its
// loop): the envelope tools pane (Set Duration), the wave transform panel (Fractalize) and the
// add-envelope pane. With one open, each route that would replace the sound or the bank under it is
// taken as a user takes it: the menu bar from the keyboard, its keys, the top strip's popups by a
// click, a page key, a program change from MIDI, the quit query and the session's end. It is
// unavailable, waits for the pane, or closes the pane as its Cancel does first. Then the pane's next
// change, its OK or Cancel and File > Save: the bank files are read back, and only the bank the pane
// was opened on holds its work. The window after each route is kept as a PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "../preset/bankTestIo.h"
#include "app/appCommands.h"
#include "app/appSettings.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/mainWindowPopups.h"
#include "app/pageShell.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/numboxText.h"
#include "controls/pane.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "envelope/envAdd.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envTools.h"
#include "envelope/envToolsMath.h"
#include "pages/pages.h"
#include "pages/patchPage.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/envDestKinds.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"
#include "support/tempDir.h"
#include "support/windowCapture.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"
#include "wave/wavePage.h"
#include "wave/waveTransforms.h"
#include "wave/waveXformPanel.h"

namespace {

SynthAppModule g_module;

const WinId kMain = 1;

// ---- input as the user gives it

INPUT keyInput(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

void focusMain() {
  SetForegroundWindow(mainHandle());
  SetFocus(mainHandle());
  pump(3);
}

// A chord (the keys pressed in order, released in the other order) sent through the system's input.
void sendChord(std::initializer_list<WORD> keys) {
  focusMain();
  std::vector<INPUT> in;
  for (WORD k : keys) in.push_back(keyInput(k, false));
  for (auto k = keys.end(); k != keys.begin();) in.push_back(keyInput(*--k, true));
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  settle();
}

// The menu bar's item of command `id`, chosen from the keyboard: Alt and the menu's letter open the
// menu at its first item, the arrow steps over the items (separators are passed over) to it, Return
// chooses it (a greyed item chooses nothing); Escape twice closes whatever stays open.
void chooseFromMenuBar(int menu, char letter, std::int32_t id) {
  HMENU h = app()->menus[menu - 1].handle;
  int steps = -1;
  for (int p = 0, k = 0; p < GetMenuItemCount(h); ++p) {
    if (GetMenuState(h, static_cast<UINT>(p), MF_BYPOSITION) & MF_SEPARATOR) continue;
    if (static_cast<std::int32_t>(GetMenuItemID(h, p)) == id) {
      steps = k;
      break;
    }
    ++k;
  }
  ASSERT_GE(steps, 0) << "command " << id << " in menu " << menu;
  focusMain();
  std::vector<INPUT> in = {keyInput(VK_MENU, false), keyInput(static_cast<WORD>(letter), false),
                           keyInput(static_cast<WORD>(letter), true), keyInput(VK_MENU, true)};
  for (int k = 0; k < steps; ++k) {
    in.push_back(keyInput(VK_DOWN, false));
    in.push_back(keyInput(VK_DOWN, true));
  }
  for (WORD k : {VK_RETURN, VK_ESCAPE, VK_ESCAPE}) {
    in.push_back(keyInput(k, false));
    in.push_back(keyInput(k, true));
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  settle();
}

// Whether the menu bar's item of command `id` in menu `menu` is greyed.
bool menuBarGreyed(int menu, std::int32_t id) {
  return (GetMenuState(app()->menus[menu - 1].handle, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) != 0;
}

// The client point at the centre of an item of the window's own container (pane 0) or of a pane.
POINT itemCentre(std::uint16_t pane, std::uint16_t id) {
  winSetCurrent(kMain);
  if (pane)
    winSelectPane(kMain, pane);
  else
    winSelectPort(kMain, nullptr);
  CtrlRect r = {};
  ctrlGetRect(kMain, id, &r);
  return POINT{(r.left + r.right) / 2 + winGetOriginX(kMain), (r.top + r.bottom) / 2 + winGetOriginY(kMain)};
}

// The kit's clock runs a second ahead at each click: two clicks are never taken for a double click.
DWORD g_tickAhead = 0;
std::uint32_t kitTick() { return GetTickCount() + g_tickAhead; }

// A left click posted to window 1.
void clickItem(std::uint16_t pane, std::uint16_t id) {
  g_tickAhead += 1000;
  const POINT p = itemCentre(pane, id);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  settle();
}

// A popup menu opened by a click on its selector: the entry with that text is chosen as a user
// would choose it (a greyed entry cannot be); whether it was there and not greyed.
std::string g_choose;
int g_chooseAt = 0;  // or the entry at this position (1 the first)
bool g_offered = false;
bool g_popupOpened = false;
int answerPopup(void* menu, int, int, void*) {
  HMENU h = static_cast<HMENU>(menu);
  g_popupOpened = true;
  for (int k = 0; k < GetMenuItemCount(h); ++k) {
    char text[300] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    GetMenuItemInfoA(h, static_cast<UINT>(k), TRUE, &info);
    if ((info.fType & MFT_SEPARATOR) || (g_chooseAt ? k + 1 != g_chooseAt : g_choose != text)) continue;
    g_offered = !(info.fState & MFS_GRAYED);
    return g_offered ? static_cast<int>(info.wID) : 0;
  }
  return 0;
}
bool choosePopup(std::uint16_t pane, std::uint16_t selector, const std::string& text, int position = 0) {
  g_choose = text;
  g_chooseAt = position;
  g_offered = false;
  popupSetTrackHook(answerPopup);
  clickItem(pane, selector);
  popupSetTrackHook(nullptr);
  return g_offered;
}

// Whether a point of window 1 lies under one of the editor panes that is open (a click there reaches
// the pane, not what it covers).
bool underOpenPane(POINT p) {
  for (std::uint16_t pane : {paneEnvTools, paneEnvAdd, paneWaveXform}) {
    winSetCurrent(kMain);
    winSelectPort(kMain, nullptr);
    ControlItem* item = ctrlFind(kMain, pane);
    const ItemPort* port = item && item->visible ? panePort(item) : nullptr;
    if (port && p.x >= port->bounds.left && p.x <= port->bounds.right && p.y >= port->bounds.top &&
        p.y <= port->bounds.bottom)
      return true;
  }
  return false;
}

// A popup of the top strip: the entry chosen as above after a click on the selector's visible left end
// (the panes lie over the rest of the strip). False, and nothing clicked, where an open pane covers
// even that: the user cannot reach the popup.
bool chooseStripPopup(std::uint16_t selector, const std::string& text, int position = 0) {
  winSetCurrent(kMain);
  winSelectPort(kMain, nullptr);
  CtrlRect r = {};
  ctrlGetRect(kMain, selector, &r);
  const POINT p = {r.left + 5, r.top + 5};
  if (underOpenPane(p)) return false;
  g_choose = text;
  g_chooseAt = position;
  g_offered = g_popupOpened = false;
  popupSetTrackHook(answerPopup);
  g_tickAhead += 1000;
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  settle();
  popupSetTrackHook(nullptr);
  EXPECT_TRUE(g_popupOpened) << "the click opened the popup";
  return g_offered;
}

void typeInto(std::uint16_t pane, std::uint16_t box, const char* text) {
  winSetCurrent(kMain);
  winSelectPane(kMain, pane);
  numboxEntryDone(ctrlFind(kMain, box), text);
  settle();
}

// Message boxes answered at once without being recorded (none ever waits for a user).
void quietBoxes() {
  msgBoxCaptureEnd();
  msgBoxSetHook([](void*, int, const char*, int) { return 0; }, nullptr);
}

// ---- the two banks: distinct envelopes and waves in presets 0 and 1

// Slot s of the engine as a breakpoint line: n points from `first` samples on, levels of a pattern.
void shapeSlot(Engine* e, std::int16_t s, int n, double first, float levelBase) {
  EnvelopeSlot* slot = envSlot(e, s);
  ASSERT_NE(slot, nullptr);
  for (int k = 0; k < n; ++k) {
    Breakpoint& b = slot->breakpoints[k];
    b.time = first * (1.0 + 0.5 * k);
    b.level = levelBase + 0.1f * static_cast<float>((k * 7) % 5);
    b.slope = 0.5f;
    b.step = 0;
  }
  slot->startLevel = 0.0f;
  slot->lastIndex = static_cast<std::int16_t>(n - 1);
  slot->sustainIndex = slot->releaseIndex = static_cast<std::int16_t>(n - 2);
  slot->loopStart = 0;
  envSlotMarkPending(e, s);
}

void shapeWave(Engine* e, int harmonic, float sign) {
  std::int16_t id = engineClaimPresetWave(e);
  ASSERT_EQ(id & 0xFF, 0);
  float samples[waveLength];
  for (int i = 0; i < waveLength; ++i)
    samples[i] = sign * static_cast<float>(0.7 * std::sin(2 * 3.14159265358979 * harmonic * i / waveLength) +
                                           0.2 * std::sin(2 * 3.14159265358979 * (harmonic + 2) * i / waveLength));
  waveCopySamplesIn(e, 0, samples);
}

// Bank A: presets 0 and 1 with three channel envelopes of 4/3/3 and 5/5/5 points and a wave each.
// Bank B (as the user met it): 3/68/10 points and an oscil 1 pitch envelope of 6, another wave.
banktest::Bytes makeBank(bool isB, const std::string& path) {
  msgBoxCaptureBegin(msgAnswerNo);
  cmdNew(kMain, engine(), bank());
  for (std::int16_t preset = 0; preset < 2; ++preset) {
    bankSelectPreset(bank(), engine(), preset);
    Engine* e = engine();
    char name[32];
    std::snprintf(name, sizeof name, "%s preset %d", isB ? "B" : "A", preset);
    patchSetName(e, name);
    if (isB) {
      shapeSlot(e, 0, 3, 900.0 + preset, 0.3f);
      shapeSlot(e, 1, 68, 300.0, 0.2f);
      shapeSlot(e, 2, 10, 2000.0, 0.4f);
      const std::int16_t pitch = envCreate(e, 0, envDestOscPitch);
      EXPECT_GE(pitch, 3);
      shapeSlot(e, pitch, 6, 5000.0, 0.5f);
      shapeWave(e, 5, -1.0f);
    } else {
      shapeSlot(e, 0, preset ? 5 : 4, 4410.0 + 100 * preset, 0.1f);
      shapeSlot(e, 1, preset ? 5 : 3, 8000.0, 0.5f);
      shapeSlot(e, 2, preset ? 5 : 3, 12000.0, 0.6f);
      shapeWave(e, preset ? 2 : 3, 1.0f);
    }
    bankStorePreset(bank(), e, preset);
  }
  bankSelectPreset(bank(), engine(), 0);  // the file's current preset: 0
  const banktest::Bytes bytes = banktest::saveBank(bank(), path);
  cmdNew(kMain, engine(), bank());
  quietBoxes();
  return bytes;
}

// Envelopes and waves as the user sees them, one text line per envelope (sorted) and the wave 0 samples.
struct Sound {
  std::vector<std::string> envelopes;
  std::vector<float> wave0;
  // Waves alike to 1e-9 (the engine keeps its samples off the denormal range).
  static bool sameWave(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!(std::fabs(double(a[i]) - b[i]) <= 1e-9)) return false;
    return true;
  }
  bool operator==(const Sound& o) const { return envelopes == o.envelopes && sameWave(wave0, o.wave0); }
};

void PrintTo(const Sound& s, std::ostream* out) {
  for (const std::string& line : s.envelopes) *out << "\n    " << line.substr(0, 160);
  *out << "\n    wave 0:";
  for (std::size_t i = 0; i < s.wave0.size(); i += 128) *out << " " << s.wave0[i];
}

std::string lineOf(const EnvelopeSlot& s) {
  char text[64];
  std::snprintf(text, sizeof text, "dest %d owner %d last %d sus %d start %.9g:", s.destination, s.owner, s.lastIndex,
                s.sustainIndex, s.startLevel);
  std::string line = text;
  for (int k = 0; k <= s.lastIndex && k < envBreakpointCount; ++k) {
    std::snprintf(text, sizeof text, " %.17g/%.9g", s.breakpoints[k].time, s.breakpoints[k].level);
    line += text;
  }
  return line;
}

Sound playingSound() {
  Sound s;
  for (std::int16_t i = 0; i < envSlotCount; ++i)
    if (envSlot(engine(), i)->destination > 0) s.envelopes.push_back(lineOf(*envSlot(engine(), i)));
  std::sort(s.envelopes.begin(), s.envelopes.end());
  if (const WaveRecord* w = engineLocalWave(engine(), 0)) s.wave0.assign(w->samples, w->samples + waveLength);
  return s;
}

Sound presetSound(const Preset* p) {
  Sound s;
  for (int i = 0; p && i < p->envelopeCount; ++i)
    if (p->envelopes[i].destination > 0) s.envelopes.push_back(lineOf(p->envelopes[i]));
  std::sort(s.envelopes.begin(), s.envelopes.end());
  for (int i = 0; p && i < p->waveCount; ++i)
    if ((p->waves[i].id & 0xFF) == 0) s.wave0.assign(p->waves[i].samples, p->waves[i].samples + waveLength);
  return s;
}

// Presets 0 and 1 of a bank file as read back.
std::vector<Sound> fileSounds(const std::string& path) {
  Bank* b = bankCreate();
  std::vector<Sound> sounds;
  if (banktest::openBank(b, path))
    for (std::int16_t n = 0; n < 2; ++n) sounds.push_back(presetSound(b->slots[n]));
  bankDestroy(b);
  return sounds;
}

std::string shownBank() { return bank()->file.path; }

// ---- the panes

enum PaneKind { toolsPane, wavePanel, addPane };
const char* const kPaneNames[] = {"envelope tools pane", "wave transform panel", "add-envelope pane"};

bool paneOpen(PaneKind pane) {
  switch (pane) {
    case toolsPane: return envToolsState()->open != 0;
    case wavePanel: return waveXformPanelIsOpen(kMain);
    default: winSelectPort(kMain, nullptr); return ctrlIsShown(kMain, paneEnvAdd) != 0;
  }
}

// Opened as the user opens it, on the sound just loaded; its first result written (the tools pane's
// Seconds 0.05 on "oscil 1 amp" alone; Fractalize at once; the add pane writes nothing yet).
void openPane(PaneKind pane) {
  if (pane == wavePanel) {
    mainWindowShowPage(kMain, pageWave);
    settle();
    ASSERT_TRUE(choosePopup(pageWave, waveItemWaveMenu, "Fractalize..."));
  } else {
    mainWindowShowPage(kMain, pageEnvelope);
    settle();
    if (pane == addPane) {
      clickItem(pageEnvelope, envItemAddEnvelope);
    } else {
      ASSERT_TRUE(choosePopup(pageEnvelope, envItemMenu, "Set Duration..."));
      winSetCurrent(kMain);
      winSelectPane(kMain, paneEnvTools);
      for (int r = 0; r < envSlotCount; ++r)
        listSetRowSelected(kMain, envToolsList, r, envToolsState()->toolRowSlots[r] == 0 ? 1 : 0);
      envToolsListChanged(ctrlFind(kMain, envToolsList));
      typeInto(paneEnvTools, envToolsSeconds, "0.05");
    }
  }
  ASSERT_TRUE(paneOpen(pane)) << kPaneNames[pane];
}

// The pane's next change (each recomputes from what the pane holds and writes it).
void changePane(PaneKind pane) {
  if (pane == toolsPane) typeInto(paneEnvTools, envToolsSeconds, "0.1");
  if (pane == wavePanel) typeInto(paneWaveXform, xformItemDisplacement, "0.5");
}

void finishPane(PaneKind pane, bool ok) {
  switch (pane) {
    case toolsPane: clickItem(paneEnvTools, ok ? envToolsOk : envToolsCancel); break;
    case wavePanel: clickItem(paneWaveXform, ok ? xformItemOk : xformItemCancel); break;
    default: clickItem(paneEnvAdd, ok ? envAddOk : envAddCancelButton); break;
  }
}

// ---- the routes

// What a route does while a pane holds the sound: nothing (its menu item greyed, its key ignored),
// waits until the pane has closed, or closes the pane as its Cancel does and goes on. The last row is
// no route of the program's: the sound replaced behind the pane's back, which the pane refuses to
// write into.
enum Outcome { unavailable, waitsForThePane, closesAsCancel, refusedByThePane };

std::string g_pathA, g_pathB;
banktest::Bytes g_imageA, g_imageB;
std::vector<Sound> g_soundsA;  // presets 0 and 1 of bank A as its file holds them

bool mayQuit() {
  appQuitQueryReset();
  UiaAllowEvent query = {1};
  app()->handleEvent(UIA_EVENT_MAY_QUIT, &query);
  appQuitQueryReset();  // the next query (window 1 closing after the tests) is a first one again
  return query.allow != 0;
}

void programChange(int program) {
  MidiEvent event = {};
  event.status = 0xC0;
  event.data1 = static_cast<std::uint16_t>(program);
  midiOnProgramChange(engine(), &event);  // as the audio thread hands it on
  const DWORD start = GetTickCount();
  pumpUntil([&] { return GetTickCount() - start > 300; });  // several beats of the 50 ms page update
}

struct Route {
  const char* name;
  Outcome outcome;
  std::function<void()> take;
  std::int32_t menuBarItem;   // the command's item in the menu bar, greyed while it is unavailable (0 none)
  bool bothFinishes = false;  // taken before OK and before Cancel (else before one of them, by turns)
};

const std::vector<Route>& routes() {
  static const std::vector<Route> table = {
      {"File > New (menu bar)", unavailable, [] { chooseFromMenuBar(1, 'F', cmdIdNew); }, cmdIdNew},
      {"File > Open (menu bar)", unavailable,
       [] {
         appChooseFileQueue(1, g_pathB.c_str());
         chooseFromMenuBar(1, 'F', cmdIdOpen);
       },
       cmdIdOpen, true},
      {"Ctrl+O", unavailable,
       [] {
         appChooseFileQueue(1, g_pathB.c_str());
         sendChord({VK_CONTROL, 'O'});
       },
       cmdIdOpen},
      {"File > Save (menu bar)", unavailable, [] { chooseFromMenuBar(1, 'F', cmdIdSave); }, cmdIdSave},
      {"File > Import Preset (menu bar)", unavailable,
       [] {
         appChooseFileQueue(1, g_pathB.c_str());
         chooseFromMenuBar(1, 'F', cmdIdImportPreset);
       },
       cmdIdImportPreset},
      {"File popup > Open (top strip)", unavailable,
       [] {
         appChooseFileQueue(1, g_pathB.c_str());
         EXPECT_FALSE(chooseStripPopup(mainItemFilePopup, "Open...")) << "offered";
       },
       0},
      {"File popup > recent bank (top strip)", unavailable,
       [] { EXPECT_FALSE(chooseStripPopup(mainItemFilePopup, "heldB.glo")) << "offered"; }, 0},
      {"Edit > Undo (Ctrl+Z)", unavailable,
       [] {
         sendChord({VK_CONTROL, 'Z'});
       },
       cmdIdUndo},
      {"Edit popup > Paste (top strip)", unavailable,
       [] { EXPECT_FALSE(chooseStripPopup(mainItemEditPopup, "", editPopupPosPaste)) << "offered"; }, 0},
      {"F5 (Window > Main)", unavailable, [] { sendChord({VK_F5}); }, cmdIdShowMain},
      {"program change 1 from MIDI", waitsForThePane, [] { programChange(1); }, 0, true},
      {"close box or Exit (the quit query)", closesAsCancel, [] { EXPECT_TRUE(mayQuit()); }, 0},
      {"the session's end", closesAsCancel,
       [] { EXPECT_NE(SendMessageA(mainHandle(), WM_QUERYENDSESSION, 0, 0), FALSE); }, 0},
      {"the sound replaced behind the pane", refusedByThePane, [] { bankSelectPreset(bank(), engine(), 1); }, 0, true},
  };
  return table;
}

// Closes a pane a failed case left open, as its Cancel would.
void closeAnyPane() {
  if (envToolsState()->open) finishPane(toolsPane, false);
  if (waveXformPanelIsOpen(kMain)) finishPane(wavePanel, false);
  if (paneOpen(addPane)) finishPane(addPane, false);
}

// The sound the pane's OK leaves from the one it was opened on: Set Duration 0.1 s on slot 0 alone,
// Fractalize with displacement 0.5, or one envelope added (checked by count and inclusion).
Sound afterOk(PaneKind pane, const Sound& opened, const EnvelopeSlot& slot0) {
  Sound s = opened;
  if (pane == toolsPane) {
    EnvelopeSlot out = slot0;
    EXPECT_TRUE(envToolSetDuration(&slot0, &out, 0.1));
    std::replace(s.envelopes.begin(), s.envelopes.end(), lineOf(slot0), lineOf(out));
    std::sort(s.envelopes.begin(), s.envelopes.end());
  } else if (pane == wavePanel) {
    waveFractalize(opened.wave0.data(), s.wave0.data());
  }
  return s;
}

void expectSound(const Sound& actual, const Sound& expected, bool oneAdded, const char* what) {
  EXPECT_TRUE(Sound::sameWave(actual.wave0, expected.wave0)) << what << ": wave 0";
  if (!oneAdded) {
    EXPECT_EQ(actual.envelopes, expected.envelopes) << what << ": envelopes";
    return;
  }
  EXPECT_EQ(actual.envelopes.size(), expected.envelopes.size() + 1) << what << ": one envelope added";
  for (const std::string& line : expected.envelopes)
    EXPECT_NE(std::find(actual.envelopes.begin(), actual.envelopes.end(), line), actual.envelopes.end())
        << what << ": kept " << line;
}

class HeldSoundTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ctrlSetTickSource(kitTick);
    appChooseFileSetRoutine(nullptr);  // the script answers
    g_pathA = testTempPath("heldA.glo");
    g_pathB = testTempPath("heldB.glo");
    g_imageB = makeBank(true, g_pathB);
    g_imageA = makeBank(false, g_pathA);
    g_soundsA = fileSounds(g_pathA);
    ASSERT_EQ(g_soundsA.size(), 2u);
    ASSERT_FALSE(g_soundsA[0] == g_soundsA[1]);
    ASSERT_FALSE(fileSounds(g_pathB)[0] == g_soundsA[0]);
  }
  void SetUp() override {
    appChooseFileClearQueue();
    appSwitches()->enableProgramChange = 1;
  }
  void TearDown() override {
    quietBoxes();
    closeAnyPane();
    appChooseFileClearQueue();
    mainWindowShowPage(kMain, pageMain);
    settle();
  }
  // Fresh files; bank A opened (its preset 0 playing), B heading the recent list.
  void openBankA() {
    closeAnyPane();
    appChooseFileClearQueue();
    banktest::writeFile(g_pathA, g_imageA);
    banktest::writeFile(g_pathB, g_imageB);
    recentFileNote(g_pathB.c_str());
    msgBoxCaptureBegin(msgAnswerNo);
    bankSelectPreset(bank(), engine(), 0);  // the preset number a new or opened bank starts at
    cmdNew(kMain, engine(), bank());
    appChooseFileQueue(1, g_pathA.c_str());
    cmdOpen(kMain, engine(), bank());
    quietBoxes();
    ASSERT_EQ(shownBank(), g_pathA);
    ASSERT_EQ(engine()->header.slot, 0);
  }
};

// Every route with the pane open, then the pane closed with OK or Cancel (both for the rows that ask
// it, else by turns), File > Save and the bank files read back.
class HeldSoundRoutes : public HeldSoundTest, public ::testing::WithParamInterface<PaneKind> {};

TEST_P(HeldSoundRoutes, NoRouteReplacesTheSoundUnderThePane) {
  const PaneKind pane = GetParam();
  for (std::size_t r = 0; r < routes().size(); ++r) {
    const Route& route = routes()[r];
    for (bool ok : {true, false}) {
      // The route that closes the pane leaves nothing to finish: taken once.
      const bool once = route.outcome == closesAsCancel || !route.bothFinishes;
      if (once && ok != (route.outcome == closesAsCancel || (r + pane) % 2 == 0)) continue;
      SCOPED_TRACE(std::string(kPaneNames[pane]) + ", " + route.name + (ok ? ", OK" : ", Cancel"));
      openBankA();
      const Sound opened = playingSound();
      ASSERT_EQ(opened, g_soundsA[0]);
      const EnvelopeSlot slot0 = *envSlot(engine(), 0);
      const int page = pane == wavePanel ? pageWave : pageEnvelope;
      openPane(pane);
      const Sound preview = playingSound();
      if (pane != addPane) {
        ASSERT_FALSE(preview == opened) << "the pane's first result is in the sound";
      }

      if (route.menuBarItem) {
        const int menu = route.menuBarItem == cmdIdUndo ? 2 : route.menuBarItem == cmdIdShowMain ? 4 : 1;
        EXPECT_TRUE(menuBarGreyed(menu, route.menuBarItem)) << "greyed in the menu bar";
      }
      msgBoxCaptureBegin(msgAnswerNo);  // "not stored" and "save changes" questions: No
      const int chooserCalls = appChooseFileCalls();
      route.take();
      quietBoxes();
      if (route.bothFinishes || route.outcome == closesAsCancel)  // the window kept for one route of each kind
        windowCapturePng(mainHandle(), "held_" + std::to_string(pane) + "_" + std::to_string(r) + ".png");
      const bool stillOpen = paneOpen(pane);
      switch (route.outcome) {
        case unavailable:
          EXPECT_TRUE(stillOpen);
          EXPECT_EQ(appChooseFileCalls(), chooserCalls) << "no file dialog";
          EXPECT_EQ(mainWindowShownPage(kMain), page);
          EXPECT_EQ(banktest::readFile(g_pathA), g_imageA) << "nothing written";
          EXPECT_EQ(shownBank(), g_pathA);
          EXPECT_EQ(playingSound(), preview);
          break;
        case waitsForThePane:
          EXPECT_TRUE(stillOpen);
          EXPECT_EQ(engine()->header.slot, 0) << "the program change waits";
          EXPECT_EQ(playingSound(), preview);
          break;
        case closesAsCancel:
          EXPECT_FALSE(stillOpen) << "closed as its Cancel";
          EXPECT_EQ(playingSound(), opened) << "the sound the pane was opened on";
          break;
        case refusedByThePane: EXPECT_TRUE(stillOpen); break;
      }
      const Sound replaced = playingSound();
      if (paneOpen(pane)) {
        changePane(pane);
        if (route.outcome == refusedByThePane) {
          EXPECT_EQ(playingSound(), replaced) << "a change writes nothing";
        }
        finishPane(pane, ok);
        EXPECT_FALSE(paneOpen(pane));
      }
      if (route.outcome == refusedByThePane) {
        EXPECT_EQ(playingSound(), replaced) << "OK or Cancel writes nothing";
      } else if (route.outcome != waitsForThePane) {
        expectSound(playingSound(), ok && route.outcome == unavailable ? afterOk(pane, opened, slot0) : opened,
                    ok && route.outcome == unavailable && pane == addPane, "playing");
      } else {
        EXPECT_TRUE(pumpUntil([] { return engine()->header.slot == 1; })) << "the program change came after";
      }
      if (route.outcome == unavailable && std::string(route.name).rfind("F5", 0) == 0) {
        sendChord({VK_F5});
        EXPECT_EQ(mainWindowShownPage(kMain), pageMain) << "the page key works again";
      }

      msgBoxCaptureBegin(msgAnswerYes);  // store the edits into their preset
      chooseFromMenuBar(1, 'F', cmdIdSave);
      quietBoxes();
      EXPECT_EQ(shownBank(), g_pathA);
      EXPECT_EQ(banktest::readFile(g_pathB), g_imageB) << "bank B untouched";
      const std::vector<Sound> saved = fileSounds(g_pathA);
      ASSERT_EQ(saved.size(), 2u);
      const bool okWorks = ok && route.outcome == unavailable;
      expectSound(saved[0], okWorks ? afterOk(pane, opened, slot0) : g_soundsA[0], okWorks && pane == addPane,
                  "saved preset 0");
      expectSound(saved[1], g_soundsA[1], false, "saved preset 1");
    }
  }
}

std::string paneTestName(const ::testing::TestParamInfo<PaneKind>& info) {
  static const char* const names[] = {"ToolsPane", "WavePanel", "AddPane"};
  return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Panes, HeldSoundRoutes, ::testing::Values(toolsPane, wavePanel, addPane), paneTestName);

// A pane's OK leaves its work as one Edit > Undo step. Once another sound plays (another bank opened, a
// new bank, a recent bank, an imported preset, a program change) Undo no longer reaches back into it:
// the new sound stays as it came.
TEST_F(HeldSoundTest, UndoOfAPaneStaysWithItsSound) {
  struct Way {
    const char* name;
    std::function<void()> take;
  };
  const Way ways[] = {{"File > Open",
                       [] {
                         appChooseFileQueue(1, g_pathB.c_str());
                         chooseFromMenuBar(1, 'F', cmdIdOpen);
                       }},
                      {"File > New", [] { chooseFromMenuBar(1, 'F', cmdIdNew); }},
                      {"recent bank", [] { EXPECT_TRUE(chooseStripPopup(mainItemFilePopup, "heldB.glo")); }},
                      {"Import Preset",
                       [] {
                         appChooseFileQueue(1, g_pathB.c_str());
                         chooseFromMenuBar(1, 'F', cmdIdImportPreset);
                       }},
                      {"program change", [] { programChange(1); }}};
  for (PaneKind pane : {toolsPane, wavePanel}) {
    for (const Way& way : ways) {
      SCOPED_TRACE(std::string(kPaneNames[pane]) + ", " + way.name);
      openBankA();
      openPane(pane);
      finishPane(pane, true);
      ASSERT_FALSE(menuBarGreyed(2, cmdIdUndo)) << "the pane's work can be undone";
      msgBoxCaptureBegin(msgAnswerNo);
      way.take();
      quietBoxes();
      const Sound replaced = playingSound();
      EXPECT_FALSE(replaced == g_soundsA[0]) << "another sound plays";
      sendChord({VK_CONTROL, 'Z'});
      EXPECT_EQ(playingSound(), replaced) << "Edit > Undo";
    }
  }
}

// Add... then Cancel changes nothing: the sound is not taken for edited (closing asks nothing).
TEST_F(HeldSoundTest, AddPaneCancelLeavesTheSoundUnedited) {
  openBankA();
  mainWindowShowPage(kMain, pageEnvelope);
  ASSERT_FALSE(engineIsModified(engine()));
  openPane(addPane);
  windowCapturePng(mainHandle(), "held_add_open.png");
  finishPane(addPane, false);
  EXPECT_FALSE(paneOpen(addPane));
  EXPECT_FALSE(engineIsModified(engine())) << "the sound is not taken for edited";
  EXPECT_FALSE(bankSoundDiffersFromSlot(bank(), engine()));
  msgBoxCaptureBegin(msgAnswerCancel);
  EXPECT_TRUE(mayQuit());
  EXPECT_EQ(msgBoxCaptureCount(), 0u) << msgBoxCaptureText(0);
  quietBoxes();
}

// ---- edits the question about unstored edits must see, and only those

// Bank A's preset 0 with channels 1 and 2 on at unequal levels, stored and saved: nothing to ask.
void storeUnbalancedLevels() {
  Engine* e = engine();
  oscSetOn(e, 1, 1);
  oscSetLevel(e, 0, 0.7f);
  oscSetLevel(e, 1, 0.2f);
  bankStorePreset(bank(), e, 0);
  banktest::saveBank(bank(), g_pathA);
  bankMarkSaved(bank());
  engineClearModified(e);
}

// Exit's questions answered Yes (the edits stored into their preset, the bank saved); the texts asked.
std::vector<std::string> exitAnsweringYes() {
  msgBoxCaptureBegin(msgAnswerYes);
  EXPECT_TRUE(mayQuit());
  std::vector<std::string> asked;
  for (std::size_t k = 0; k < msgBoxCaptureCount(); ++k) asked.push_back(msgBoxCaptureText(k));
  quietBoxes();
  return asked;
}

std::size_t questionsAtExit() {
  msgBoxCaptureBegin(msgAnswerCancel);
  EXPECT_TRUE(mayQuit());
  const std::size_t n = msgBoxCaptureCount();
  if (n) ADD_FAILURE() << "asked: " << msgBoxCaptureText(0);
  quietBoxes();
  return n;
}

bool asksAboutEdits(const std::vector<std::string>& asked) {
  for (const std::string& text : asked)
    if (text.find("not stored") != std::string::npos) return true;
  return false;
}

// Balance levels is an edit of the levels, from the keyboard or the menu bar, with or without the tools
// pane open (its Cancel puts back its envelopes, not the levels): Exit asks about it and Yes keeps it in
// the file. Balancing levels already balanced is no edit: nothing asked.
TEST_F(HeldSoundTest, BalanceLevelsIsAnEditTheQuestionSees) {
  struct Way {
    const char* name;
    bool pane;
    std::function<void()> take;
  };
  const Way ways[] = {
      {"Ctrl+B", false,
       [] {
         sendChord({VK_CONTROL, 'B'});
       }},
      {"Edit > Balance levels (menu bar)", false, [] { chooseFromMenuBar(2, 'E', cmdIdBalanceLevels); }},
      {"Ctrl+B with the tools pane open, then its Cancel", true,
       [] {
         sendChord({VK_CONTROL, 'B'});
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    openBankA();
    storeUnbalancedLevels();
    mainWindowShowPage(kMain, pageEnvelope);
    settle();
    ASSERT_EQ(questionsAtExit(), 0u);
    if (way.pane) openPane(toolsPane);
    way.take();
    if (way.pane) {
      finishPane(toolsPane, false);
      ASSERT_FALSE(paneOpen(toolsPane));
      EXPECT_EQ(playingSound(), g_soundsA[0]) << "the pane's Cancel put its envelopes back";
    }
    EXPECT_FLOAT_EQ(oscGetLevel(engine(), 0), 0.5f);
    EXPECT_FLOAT_EQ(oscGetLevel(engine(), 1), 0.5f);
    EXPECT_TRUE(engineIsModified(engine())) << "marked edited";
    EXPECT_TRUE(asksAboutEdits(exitAnsweringYes())) << "Exit asks about the unstored edits";
    Bank* read = bankCreate();
    ASSERT_TRUE(banktest::openBank(read, g_pathA));
    ASSERT_NE(read->slots[0], nullptr);
    EXPECT_FLOAT_EQ(read->slots[0]->channels[0].level, 0.5f) << "Yes kept the balanced levels";
    EXPECT_FLOAT_EQ(read->slots[0]->channels[1].level, 0.5f);
    EXPECT_EQ(presetSound(read->slots[0]), g_soundsA[0]);
    bankDestroy(read);

    way.take();  // balanced already
    EXPECT_EQ(questionsAtExit(), 0u) << "nothing changed, nothing asked";
  }
}

// With the LFOs running (their runtime fields moving as the audio thread moves them), a press that
// changes nothing (the Wave page's Harmonics tab, and back) leaves nothing to ask; a press that changes something
// (the Patch page's oscil 2 switch) still asks.
TEST_F(HeldSoundTest, RunningLfosAreNoEditAPressThatChangesIsOne) {
  const auto run = [] {
    for (Lfo& lfo : engine()->lfos) {
      lfo.displayValue = std::fmod(lfo.displayValue + 0.37f, 1.0f);
      lfo.depth = 0.5f * lfo.depth + 0.1f;
      lfo.rateFactor = 0.75f;
      lfo.holdRateFactor = 0.25f;
    }
  };
  openBankA();
  ASSERT_NE(engine()->lfos[0].on, 0) << "LFO 1 runs";
  run();
  mainWindowShowPage(kMain, pageWave);
  settle();
  for (std::uint16_t tab : {waveItemHarmTab, waveItemWaveTab}) {  // the view shown, then back
    clickItem(pageWave, tab);
    ASSERT_TRUE(engineIsModified(engine())) << "the press marks the sound";
    run();
    EXPECT_FALSE(bankSoundDiffersFromSlot(bank(), engine()));
    EXPECT_EQ(questionsAtExit(), 0u) << "nothing changed";
  }

  mainWindowShowPage(kMain, pagePatch);
  settle();
  clickItem(pagePatch, static_cast<std::uint16_t>(patchChannelIdBase(2) + patchKOn));
  ASSERT_NE(oscIsOn(engine(), 2), 0) << "the press switched oscil 3 on";
  run();
  msgBoxCaptureBegin(msgAnswerCancel);
  EXPECT_FALSE(mayQuit()) << "Cancel stays";
  ASSERT_GE(msgBoxCaptureCount(), 1u);
  EXPECT_NE(std::string(msgBoxCaptureText(0)).find("not stored"), std::string::npos) << msgBoxCaptureText(0);
  quietBoxes();
}

// The Envelope page's number box `id` as it reads.
std::string envFieldText(std::uint16_t id) {
  winSetCurrent(kMain);
  winSelectPane(kMain, pageEnvelope);
  char text[numboxTextSize] = {};
  if (NumboxData* box = numboxData(ctrlFind(kMain, id))) numboxFormatValue(box, text);
  return text;
}

// The sustain point of oscil 1 amp selected, Set Duration 2 s: after OK (and after a Cancel) the
// breakpoint fields read the point as it now is: its segment and its time from the start. The two
// differ by the first segment (both scaled), not by a rounding: 0.2 s x 2 / 0.45 s and 2 s.
TEST_F(HeldSoundTest, PaneOkAndCancelLeaveTheFieldsShowingTheSound) {
  openBankA();
  mainWindowShowPage(kMain, pageEnvelope);
  settle();
  const std::int16_t sustain = envSlot(engine(), 0)->sustainIndex;
  // A click on the point as the graph of oscil 1 amp lays it out.
  winSetCurrent(kMain);
  winSelectPane(kMain, pageEnvelope);
  const GraphHit* point = nullptr;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast && !point; ++id) {
    const EnvelopeGraphRecord* r = envGraphRecordOf(kMain, id);
    for (int k = 0; r && r->slotIndex == 0 && k < r->pointCount; ++k)
      if (r->pointHits[k].breakpoint == sustain) point = &r->pointHits[k];
  }
  ASSERT_NE(point, nullptr) << "the sustain point of oscil 1 amp on screen";
  g_tickAhead += 1000;
  const int x = (point->left + point->right) / 2 + winGetOriginX(kMain);
  const int y = (point->top + point->bottom) / 2 + winGetOriginY(kMain);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  settle();
  ASSERT_EQ(envGraphSelectedSlotIndex(kMain), 0);
  ASSERT_EQ(envBpSelFirst(kMain), sustain);
  const auto fieldsRead = [&](const char* segment, const char* fromStart) {
    EXPECT_EQ(envFieldText(envItemBpSegTime), segment);
    EXPECT_EQ(envFieldText(envItemBpAbsTime), fromStart);
  };
  fieldsRead("0.2000", "0.4500");
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    ASSERT_TRUE(choosePopup(pageEnvelope, envItemMenu, "Set Duration..."));
    typeInto(paneEnvTools, envToolsSeconds, "2");
    finishPane(toolsPane, ok);
    ASSERT_FALSE(paneOpen(toolsPane));
    EXPECT_NEAR(envSlot(engine(), 0)->breakpoints[sustain].time / 44100.0, ok ? 0.2 * 2 / 0.45 : 0.2, 1e-9);
    if (ok)
      fieldsRead("0.8889", "2.0000");
    else
      fieldsRead("0.2000", "0.4500");
  }
  windowCapturePng(mainHandle(), "held_fields_after_ok.png");
}

}  // namespace

int main(int argc, char** argv) { return runTestsOnceWindowOneTakesInput(argc, argv); }
