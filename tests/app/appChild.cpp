// The program under test in a child process: the real module, application and audio client, with a
// scenario chosen on the command line. A UI-thread timer watches the running program (window 1
// shown, frames played) and acts as a user would; every step is written to the log file, and every
// message box goes to the log instead of the screen.
//   --scenario=close        start, keep a capture of window 1, close window 1
//   --scenario=audio        start, play note 69 once audio runs, release it, close window 1
//   --scenario=keys         as audio, by posted clicks on the Main page: Hold on, the key of note 69,
//                           then the wheel pulled fully up (a capture kept) and let go, Hold off
//   --scenario=record       as audio, through the Record window: F3, Record (waiting for a note), the
//                           note starts the take, Stop after its release, then Play of the take
//   --scenario=fail-engine  the engine cannot be made; likewise fail-bank and fail-chunk
//   --scenario=fail-fatal   a fatal error of the libraries while the engine is made (its box noted)
//   --scenario=fail-window  window 1 cannot be made: the system destroys it while it is being made
//   --scenario=exit-write   start, switch auto-balance off, end without the quit query
//   --scenario=order        as close, with a client that notes whether the engine still exists when
//                           the host closes its devices
//   --scenario=close-starting  a close request (as MorvaneClose sends it) while the program starts, once
//                           window 1 exists and takes input (in place of the Audio Setup dialog), the
//                           start-up splash then taking window 1; once the start is done the watcher
//                           asks again as MorvaneClose does whenever no close is under way
//   --scenario=close-dialog a close request once the start is done, a modal dialog taking window 1
//                           before the loop handles anything, then the watcher asks as above
//   In both, "no close" is noted (and window 1 closed) when no close has come 10 s after the start.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ABAudioManager.h"
#include "ABDeviceAccessors.h"
#include "GPError.h"
#include "GPTimer.h"
#include "about/aboutDialog.h"
#include "app/appCommands.h"
#include "app/audioClient.h"
#include "app/closeRequest.h"
#include "app/recordWindow.h"
#include "app/synthApp.h"
#include "audioPath/recorder.h"
#include "controls/ctrlItems.h"
#include "controls/ctrlKit.h"
#include "controls/itemScreen.h"
#include "controls/keyboard.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/midiQueue.h"
#include "pages/mainPage.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"

namespace {

SynthAppModule g_module;
FILE* g_log = nullptr;
std::string g_scenario;
int g_state = 0;
std::uint32_t g_mark = 0;
ULONGLONG g_stateTick = 0;

void note(const std::string& line) {
  if (!g_log) return;
  std::fprintf(g_log, "%s\n", line.c_str());
  std::fflush(g_log);
}

std::string argument(const std::string& commandLine, const char* flag) {
  size_t at = commandLine.find(flag);
  if (at == std::string::npos) return std::string();
  at += std::strlen(flag);
  const bool quoted = at < commandLine.size() && commandLine[at] == '"';
  if (quoted) ++at;
  const size_t end = commandLine.find(quoted ? '"' : ' ', at);
  return commandLine.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

int recordBox(void*, int, const char* text, int) {
  note(std::string("box ") + text);
  return 0;
}

// The "Audio Setup" dialog that an empty store opens at start-up: noted, not shown.
void noteAudioSetup(SynthApp*) { note("audio setup"); }

// Window 1 refused as a display that cannot take it refuses it: its creation fails (WM_CREATE answered
// -1), and the system destroys the half-made window.
WNDPROC g_windowProc = nullptr;
LRESULT CALLBACK refuseCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return -1;
  return CallWindowProcA(g_windowProc, window, message, wParam, lParam);
}
LRESULT CALLBACK onCreateWindow(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
    const char* title = create->lpcs->lpszName;
    if (!g_windowProc && title && !IS_INTRESOURCE(title) && std::strcmp(title, "Morvane") == 0) {
      HWND window = reinterpret_cast<HWND>(wParam);
      g_windowProc =
          reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(refuseCreate)));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

Engine* failEngine() { return nullptr; }
Engine* fatalEngine() { gpFatalError("engine.cpp", 7, nullptr); }
int noteFatalBox(const char*, const char* text, unsigned) {
  note(std::string("fatal box ") + text);
  return IDOK;
}
Bank* failBank() { return nullptr; }
bool failChunk(std::uint32_t) { return false; }

class OrderClient : public AudioClient {
 public:
  void close() override {
    SynthApp* app = dynamic_cast<SynthApp*>(uiaApplication());
    note(std::string("devices close, engine ") + (app && app->engine ? "alive" : "gone"));
    AudioClient::close();
  }
};
AudioClient* makeOrderClient() { return new OrderClient; }

std::atomic<long long> g_clientFrames{0};
std::atomic<int> g_calls{0};
// The engine frame of the first device block that began with the take playing (-1 before).
std::atomic<long long> g_playbackFrom{-1};
class CountingClient : public AudioClient {
 public:
  void process(float** in, float** out, int nIn, int nOut, int frames) override {
    g_clientFrames += frames;
    g_calls += 1;
    if (g_playbackFrom.load() < 0 && recIsPlaying() && engine()) g_playbackFrom.store(engine()->framesDone);
    AudioClient::process(in, out, nIn, nOut, frames);
  }
};
AudioClient* makeCountingClient() { return new CountingClient; }

SynthApp* app() { return dynamic_cast<SynthApp*>(uiaApplication()); }

void closeWindow1() {
  note("close " + std::to_string(GetTickCount64()));
  PostMessageA(appGetMainWindowHandle(), WM_CLOSE, 0, 0);
}

// The Main page's controls by their item ids, as the program places them.
enum { itemHold = 27, itemWheel = 35, itemKeyboard = 44 };

// A point of the Main page as window 1's client gets it: the page's items are placed in page
// coordinates, shifted by the window's origin.
POINT clientPoint(int x, int y) { return POINT{x + winGetOriginX(1), y + winGetOriginY(1)}; }

void post(UINT message, WPARAM buttons, POINT at) {
  PostMessageA(appGetMainWindowHandle(), message, buttons, MAKELPARAM(at.x, at.y));
}
void postClickAt(POINT at) {
  post(WM_LBUTTONDOWN, MK_LBUTTON, at);
  post(WM_LBUTTONUP, 0, at);
}

POINT itemCentre(uint16_t id) {
  mainPageSelect(1);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(1, id, &r);
  return clientPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// The lower part of the key of `note` (below the black keys for a white one); (-1, -1) if none.
POINT keyPoint(int note) {
  mainPageSelect(1);
  KeyboardData* d = keyboardGetData(1, itemKeyboard);
  const int16_t k = d ? keyboardFindKey(d, static_cast<uint16_t>(note)) : -1;
  if (k < 0) return POINT{-1, -1};
  const CtrlRect& r = d->keys[k].rect;
  return clientPoint((r.left + r.right) / 2, r.bottom - 4);
}

// A click in the middle of an item of the Record window (window 2).
HWND recordHandle() { return winGetFrameworkWindow(2); }
void recordClick(std::uint16_t id) {
  winSelectPort(2, nullptr);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(2, id, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(recordHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(recordHandle(), WM_LBUTTONUP, 0, at);
}
int g_noted = 0;

std::string hexText(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

// A close request as MorvaneClose sends it (here from window 1's own thread): the answer, 0 without
// window 1.
unsigned closeRequest(CloseRequest what) {
  static const UINT message = RegisterWindowMessageA(closeRequestName);
  HWND main = appGetMainWindowHandle();
  return main ? static_cast<unsigned>(SendMessageA(main, message, what, 0)) : 0;
}

// In place of the Audio Setup dialog of the start (window 1 made, not yet shown, taking input).
void askDuringStart(SynthApp*) { note("answer during start " + hexText(closeRequest(closeRequestAsk))); }

// A modal dialog over window 1 that ends itself on its first timer tick: until then window 1 takes no
// input, and what was posted to it is handled meanwhile.
INT_PTR CALLBACK briefDialog(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetTimer(dialog, 1, 300, nullptr);
    return TRUE;
  }
  if (message == WM_TIMER) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}
void runBriefDialog() {
  // The template: no controls, then no menu, the system's dialog class and no title.
  DWORD words[16] = {};  // (a template starts on a 4-byte boundary)
  auto* form = reinterpret_cast<DLGTEMPLATE*>(words);
  form->style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  form->cx = 120;
  form->cy = 40;
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), form, appGetMainWindowHandle(), briefDialog, 0);
}

std::string pointText(POINT p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

void CALLBACK watch(HWND, UINT, UINT_PTR, DWORD) {
  SynthApp* a = app();
  if (!a || !a->engine) return;
  HWND main = appGetMainWindowHandle();
  const ULONGLONG now = GetTickCount64();
  switch (g_state) {
    case 0:
      // Window 1 takes input once the start-up splash over it has closed.
      if (!main || !IsWindowVisible(main) || !IsWindowEnabled(main)) return;
      note("shown " + std::to_string(now));
      note("channel " + std::to_string(midiGetReceiveChannel(a->engine)));
      windowCapturePng(main, "app_window1_" + g_scenario + ".png");
      g_state = 1;
      g_stateTick = now;
      if (g_scenario == "close-dialog") {
        note("answer after start " + hexText(closeRequest(closeRequestAsk)));
        g_state = 40;  // (the watcher's ticks during the dialog do nothing)
        runBriefDialog();
        g_state = 50;
        g_stateTick = GetTickCount64();
        note("dialog ended, answer " + hexText(closeRequest(closeRequestQuery)));
        return;
      }
      if (g_scenario == "close-starting") {
        g_state = 50;
        return;
      }
      if (g_scenario == "exit-write") {
        // The auto-balance switch turned off, then the window goes without a quit query: only the
        // exit writes the flag.
        cmdAutoBalance(1);
        note("destroy " + std::to_string(now));
        a->requestQuit();
        a->mainWindowObject->destroy();
        return;
      }
      if (g_scenario != "audio" && g_scenario != "keys" && g_scenario != "record") closeWindow1();
      return;
    case 1:  // audio: wait until the device plays
      if (a->engine->framesDone >= 4410 && g_scenario == "record") {
        // F3 shows the Record window; Record waits for a note; the note starts the take.
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(VK_F3, 0)) << 16;
        PostMessageA(main, WM_KEYDOWN, VK_F3, 1 | scan);
        PostMessageA(main, WM_KEYUP, VK_F3, 1 | scan | (1L << 30) | (1L << 31));
        recordClick(recItemRecord);
        g_state = 29;
      } else if (a->engine->framesDone >= 4410 && g_scenario == "keys") {
        // Hold on, then a click on the key: the note stays on after the button is up.
        const POINT key = keyPoint(69);
        mainPageSelect(1);
        const ControlItem* keyboard = ctrlFind(1, itemKeyboard);
        note(std::string("keyboard shown ") + (keyboard && itemOnScreen(keyboard) ? "1" : "0") + " key " +
             pointText(key));
        postClickAt(itemCentre(itemHold));
        postClickAt(key);
        g_mark = a->engine->framesDone;
        note("key clicked " + std::to_string(g_mark) + " at " + std::to_string(engineSampleRate()) + " Hz");
        g_state = 19;
        g_stateTick = now;
      } else if (a->engine->framesDone >= 4410) {
        midiQueueNoteOn(a->engine, 69, 100, 0);
        g_mark = a->engine->framesDone;
        note("note on " + std::to_string(g_mark) + " at " + std::to_string(engineSampleRate()) + " Hz");
        if (AudioManager* m = a->audioClient ? a->audioClient->manager : nullptr) {
          int32_t rate = 0, buffer = 0;
          uint32_t size = 4;
          abDevGetProperty("SampleRate", static_cast<uint32_t>(m->audioDevice), &rate, &size);
          size = 4;
          abDevGetProperty("BufferSize", static_cast<uint32_t>(m->audioDevice), &buffer, &size);
          note("host device " + std::to_string(m->deviceRate) + " client " + std::to_string(m->clientRate) + " ratio " +
               std::to_string(m->ratioP) + "/" + std::to_string(m->ratioQ) + " device rate " + std::to_string(rate) +
               " buffer " + std::to_string(buffer));
        }
        g_state = 2;
      } else if (now - g_stateTick > 15000) {
        note("no audio");
        closeWindow1();
        g_state = 9;
      }
      return;
    case 2:  // one and a half seconds of the note, then its release
      if (a->engine->framesDone - g_mark >= 66150) {
        midiQueuePushShort(&a->engine->midi, 0x80, 69, 64);
        g_mark = a->engine->framesDone;
        note("note off " + std::to_string(g_mark) + " client frames " + std::to_string(g_clientFrames.load()) +
             " calls " + std::to_string(g_calls.load()));
        g_state = 3;
      }
      return;
    case 3:  // a second of the release
      if (a->engine->framesDone - g_mark >= 44100) {
        closeWindow1();
        g_state = 9;
      }
      return;
    case 19:  // keys: the engine has the note (a loaded machine may handle the posted clicks late)
      if (a->engine->midi.noteOnCount[69] > 0 || now - g_stateTick > 15000) {
        g_mark = a->engine->framesDone;
        note("note read " + std::to_string(g_mark));
        g_state = 20;
      }
      return;
    case 20:  // keys: a second and a half of the held note, then the wheel pressed and pulled up
      if (a->engine->framesDone - g_mark >= 66150) {
        const POINT wheel = itemCentre(itemWheel);
        post(WM_LBUTTONDOWN, MK_LBUTTON, wheel);
        post(WM_MOUSEMOVE, MK_LBUTTON, POINT{wheel.x, wheel.y - 100});
        g_mark = a->engine->framesDone;
        note("wheel up " + std::to_string(g_mark) + " wheel " + pointText(wheel) + " bend range " +
             std::to_string(static_cast<int>(a->engine->controllers.bendRange)));
        g_state = 21;
        g_stateTick = now;
      }
      return;
    case 21:  // keys: the engine has read the pulled wheel
      if (a->engine->midi.pitchBend == 128 || now - g_stateTick > 15000) {
        g_mark = a->engine->framesDone;
        note("bend read " + std::to_string(g_mark));
        g_state = 22;
      }
      return;
    case 22:  // two seconds of the bent note; the wheel let go, Hold off ends the note
      if (a->engine->framesDone - g_mark >= 88200) {
        const int bend = a->engine->midi.pitchBend;           // as the engine read the wheel
        windowCapturePng(main, "app_window1_keys_bent.png");  // the key lit, the wheel's bar at the top
        const POINT wheel = itemCentre(itemWheel);
        post(WM_LBUTTONUP, 0, POINT{wheel.x, wheel.y - 100});
        postClickAt(itemCentre(itemHold));
        g_mark = a->engine->framesDone;
        note("note off " + std::to_string(g_mark) + " bend " + std::to_string(bend));
        g_state = 3;
      }
      return;
    case 29:  // record: the window waits for a note
      if (recWinState() != recStateWaiting) return;
      midiQueueNoteOn(a->engine, 69, 100, 0);
      g_mark = a->engine->framesDone;
      note("note on " + std::to_string(g_mark) + " window " + std::string(IsWindowVisible(recordHandle()) ? "1" : "0"));
      g_state = 30;
      return;
    case 30:  // the note started the take; a second and a half of it, then its release
      if (recIsRecording() && g_noted == 0) {
        note("recording from the note, state " + std::to_string(recWinState()));
        g_noted = 1;
      }
      if (a->engine->framesDone - g_mark >= 66150) {
        midiQueuePushShort(&a->engine->midi, 0x80, 69, 64);
        g_mark = a->engine->framesDone;
        note("note off " + std::to_string(g_mark));
        g_state = 31;
      }
      return;
    case 31:  // a second of the release, then Stop
      if (a->engine->framesDone - g_mark >= 44100) {
        recordClick(recItemStop);
        g_mark = a->engine->framesDone;
        g_state = 32;
      }
      return;
    case 32:  // half a second without sound, then Play
      if (a->engine->framesDone - g_mark >= 22050) {
        note("stopped length " + std::to_string(recGetLength()) + " state " + std::to_string(recWinState()));
        recordClick(recItemPlay);
        g_mark = a->engine->framesDone;
        g_state = 33;
      }
      return;
    case 33:  // the take plays to its end; half a second more, then the program closes
      if (recWinState() == recStatePlaying && g_noted == 1) {
        // The click was posted at g_mark; it has been handled by now (the take asked to play).
        note("play " + std::to_string(g_mark) + " asked by " + std::to_string(a->engine->framesDone));
        g_noted = 2;
      }
      if (g_noted == 2 && !recIsPlaying() && g_noted != 3) {
        note("playback from " + std::to_string(g_playbackFrom.load()));
        note("played " + std::to_string(a->engine->framesDone));
        g_noted = 3;
        g_mark = a->engine->framesDone;
      }
      if (g_noted == 3 && a->engine->framesDone - g_mark >= 22050) {
        closeWindow1();
        g_state = 9;
      } else if (a->engine->framesDone - g_mark >= 44100 * 8) {
        note("no playback end");
        closeWindow1();
        g_state = 9;
      }
      return;
    case 50: {  // as MorvaneClose: asks again whenever no close is under way
      const unsigned answer = closeRequest(closeRequestQuery);
      if (answer && (answer & closeStateMask) == closeStateIdle && !(answer & closeStarting)) {
        note("asks again");
        closeRequest(closeRequestAsk);
      }
      if (now - g_stateTick > 10000) {
        note("no close, answer " + hexText(answer));
        closeWindow1();
        g_state = 9;
      }
      return;
    }
    default: return;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::string commandLine = GetCommandLineA();
  g_scenario = argument(commandLine, "--scenario=");
  const std::string logPath = argument(commandLine, "--log=");
  if (!logPath.empty()) g_log = std::fopen(logPath.c_str(), "wb");
  msgBoxSetHook(recordBox, nullptr);
  AppStartHooks* hooks = appStartHooks();
  hooks->openAudioSetup = noteAudioSetup;
  if (g_scenario == "fail-engine") hooks->createEngine = failEngine;
  if (g_scenario == "fail-fatal") {
    hooks->createEngine = fatalEngine;
    gpSetMessageBoxHook(noteFatalBox);
  }
  if (g_scenario == "fail-bank") hooks->createBank = failBank;
  if (g_scenario == "fail-chunk") hooks->initChunkBuffer = failChunk;
  if (g_scenario == "fail-window") SetWindowsHookExA(WH_CBT, onCreateWindow, nullptr, GetCurrentThreadId());
  if (g_scenario == "order") hooks->createAudioClient = makeOrderClient;
  if (g_scenario == "close-starting") hooks->openAudioSetup = askDuringStart;
  if (g_scenario == "audio" || g_scenario == "keys" || g_scenario == "record")
    hooks->createAudioClient = makeCountingClient;
  // The start-up splash closes on its first message: its 4 seconds count as passed at once. For a close
  // asked during the start it runs a loop of its own over window 1 for half a second.
  if (g_scenario == "close-starting")
    aboutSetMillisFunction([](std::int64_t start, std::int64_t end) { return gpCounterMillis(start, end) * 8; });
  else
    aboutSetMillisFunction([](std::int64_t, std::int64_t) -> std::int64_t { return 1 << 30; });
  note("start " + std::to_string(GetTickCount64()));
  SetTimer(nullptr, 0, 5, watch);
  uiaSetInstance(instance);
  uiaRun();
  note("kit users " + std::to_string(ctrlKitUserCount()));
  note("end " + std::to_string(GetTickCount64()));
  if (g_log) std::fclose(g_log);
  return 0;
}
