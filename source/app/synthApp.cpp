#include "app/synthApp.h"

#include <cstring>

#include "ABAudioClient.h"
#include "ABSetupLists.h"
#include "GPError.h"
#include "GPInit.h"
#include "GPRegistryKey.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLInit.h"
#include "NGLLabel.h"
#include "NGLList.h"
#include "NGLSelector.h"
#include "NGLSwitch.h"
#include "NGLTextEdit.h"
#include "NGLTreeView.h"
#include "about/aboutDialog.h"
#include "app/aboutBox.h"
#include "app/appCloseRequest.h"
#include "app/appCommands.h"
#include "app/appGdi.h"
#include "app/appSession.h"
#include "app/appSettings.h"
#include "app/appStartReport.h"
#include "app/appWindowIds.h"
#include "app/appWindows.h"
#include "app/audioClient.h"
#include "app/mainWindow.h"
#include "app/outSetup.h"
#include "app/recordWindow.h"
#include "audioPath/recorder.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlKit.h"
#include "controls/selector.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/midiQueue.h"
#include "midi/midiNames.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/chunk.h"
#include "preset/fileTypes.h"
#include "preset/library.h"
#include "preset/samplePool.h"
#include "preset/tuning.h"
#include "preset/undo.h"
#include "skinBitmaps.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/appMenu.h"
#include "uiSeams/msgBox.h"

const char* const appProgramName = "Morvane";

namespace {

const std::uint32_t kBuildWord = 0x60031;
std::uint32_t g_windowStyleWord = 0;
TimerEntry* g_appTimer = nullptr;
AppStartHooks g_hooks = {nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

AppStartHooks* appStartHooks() { return &g_hooks; }
std::uint32_t appWindowStyleWord() { return g_windowStyleWord; }
TimerEntry* appTimerHandle() { return g_appTimer; }

HINSTANCE appGetInstance() {
  UiaModule* module = uiaModule();
  return module && module->instance() ? module->instance() : GetModuleHandleA(nullptr);
}

HWND appGetMainWindowHandle() {
  UiaApplication* application = uiaApplication();
  if (!application || !application->mainWindow()) return nullptr;
  return application->mainWindow()->nativeHandle();
}

int nameEquals(const FileSpec* a, const FileSpec* b) {
  if (!a || !b) return 0;
  return std::strncmp(a->path, b->path, sizeof a->path) == 0 ? 1 : 0;
}

// ---- module ----

bool SynthAppModule::init() {
  // Every failure of the start says which step failed on the error output (appStartReport.h).
  appStartReportBegin();
  gpSetMessageBoxTitle(appProgramName);
  // A library whose words differ from these stops the process with a fatal error.
  if (!gpInit(GP_VERSION, kBuildWord)) {
    appStartFailed("its platform library could not start");
    return false;
  }
  if (!uiaInit(UIA_VERSION, kBuildWord)) {
    appStartFailed("its window library could not start (its keys, font, drawing context, window classes or cursors)");
    return false;
  }
  if (!nglInit(NGL_VERSION, kBuildWord)) {
    appStartFailed("its form library could not start");
    return false;
  }
  if (!abInit(0x1030001, kBuildWord)) {
    appStartFailed("its audio library could not start");
    return false;
  }

  registerSelector();
  registerSwitch();
  registerTextEdit();
  registerLabel();
  registerTreeView();
  registerList();
  abRegisterSetupLists();
  aboutRegisterContent();

  Form::setDefaultColors(1001, 0xfffff0ff, 0xffc8c8c8, 0xff003200, 0xff003200, false);
  gpOpenAppRegistry(appProgramName, 0x434C614D);  // "CLaM"
  recInit();

  SynthApp* application = new SynthApp;
  application->setName(appProgramName);
  return attachApplication(application);
}

void SynthAppModule::exit(bool) {
  deleteApplication();
  gpCloseAppRegistry();
  abExit();
  nglExit();
  uiaExit();
  gpExit();
}

// ---- application ----

SynthApp::SynthApp() : formHost(std::make_unique<FormHostListener>()) {}

SynthApp::~SynthApp() = default;

void appOpenAudioSetup(SynthApp* app) {
  if (!app || !app->audioClient) return;
  if (g_hooks.openAudioSetup) {
    g_hooks.openAudioSetup(app);
    return;
  }
  app->audioClient->abOpenAudioSetup(app->mainWindowObject, true, nullptr);
}

bool SynthApp::handleEvent(std::int32_t code, void* data) {
  if (code == UIA_EVENT_COMMAND && data) {
    // Every menu command, accelerator key and command sent by code: handled here unless the id has
    // no handler (30002 Exit goes to the framework, which asks the quit query).
    if (appRunCommand(this, static_cast<UiaCommandEvent*>(data)->id)) return true;
  } else if (code == UIA_EVENT_TIMER) {
    UiTimer::dispatch();
  } else if (code == UIA_EVENT_MAY_QUIT && data) {
    static_cast<UiaAllowEvent*>(data)->allow = appQuitQuery(this) ? 1 : 0;
  }
  return UiaApplication::handleEvent(code, data);
}

bool SynthApp::init() {
  // 1
  ctrlKitAcquire();
  samplePoolClearAll();
  word16 = 0;
  std::memset(words, 0, sizeof words);
  // 2
  appBuildMenus(this);
  appMenuSetRoutines(appEnableMenuItem, appSetMenuItemText);
  appChooseFileSetRoutine(appChooseFileDialog);
  appCreateGdiResources();
  // 3
  g_windowStyleWord = uiaSetWindowStyleFlags(0x8000);
  // 4
  const bool chunkOk = g_hooks.initChunkBuffer ? g_hooks.initChunkBuffer(65535) : chunkBufferInit(65535);
  if (!chunkOk) {
    appStartFailed("its chunk buffer could not be made (memory error 58843)");
    msgBox(0, "Morvane memory error, 58843", 0);
    return false;
  }
  // 5
  fileTypesRegister();
  appWriteProgramPaths();
  fileSetChunkTypeCallback(chunkHeaderCheck);
  engineCfgInitDefaults();
  // 6
  engine = g_hooks.createEngine ? g_hooks.createEngine() : engineCreate();
  if (!engine) {
    appStartFailed("its sound engine could not be made (memory error 58841)");
    msgBox(0, "Morvane memory error, 58841", 0);
    return false;
  }
  // 7
  engineCfgSetFlag(1);
  bank = g_hooks.createBank ? g_hooks.createBank() : bankCreate();
  if (!bank) {
    appStartFailed("its bank could not be made (memory error 58842)");
    msgBox(0, "Morvane memory error, 58842", 0);
    return false;
  }
  // 8
  outSetupLoad(engine);
  engineSetBank(engine, bank);
  bankSelectPreset(bank, engine, 0);
  // A tuning read from the library becomes a bank tuning and plays; a saved one is the playing map.
  tuningInstallLibraryRoutines();
  // 9
  selectorSetDefaultBitmap(bmpPopupSelectorFrameLeft);
  bitmapCacheInit(3000, appGetInstance());
  editHistoryCreate();
  samplePoolInitNames(engine);
  midiNamesInitNotes();
  midiNamesInitControllers();
  // 10
  mainWindowObject = appCreateMainWindow(appMainWindowId, appProgramName, 3, 50, 386, 512, 31, false);
  // Without the main window nothing could end the message loop: the start ends here like the others.
  if (!mainWindowObject) {
    appStartFailed("its main window could not be created (error 58844)");
    msgBox(0, "Morvane cannot start: its main window could not be created. Error 58844", 0);
    return false;
  }
  mainWindowObject->setIcon(appGetInstance(), 100);
  HWND mainHandle = mainWindowObject->nativeHandle();
  appWatchSessionEnd(mainHandle);
  appWatchCloseRequests(mainHandle);
  // 11
  engineSetStartFlag(engine, 1);
  mainWindowBuild(appMainWindowId, engine, bank);
  undoCreateBank();
  libSetupAll();
  msgBoxSetOwner(mainHandle, appProgramName);
  // 12
  audioClient.reset(g_hooks.createAudioClient ? g_hooks.createAudioClient() : new AudioClient);
  audioClient->attach(engine, bank);
  // 13: without usable device settings the "Audio Setup" dialog opens over the main window.
  audioClient->registerSetupWidgets(mainHandle);
  if (audioClient->loadSettings() == 0) appOpenAudioSetup(this);
  // 14
  midiSetChannel(engine, appReadMidiChannel(), 1);
  // 15
  appReadBankPaths();
  recentFilesLoad();
  appReadWindowLayout();
  appLoadSwitches();
  // 16
  appCreateRecordWindow();
  appApplySwitches();
  // 17
  mainWindowRefreshAll(appMainWindowId);
  // The sound as start-up leaves it (its device, outputs and channel applied) is its preset's: no
  // edit of the user's to store yet.
  bankNoteSound(bank, engine);
  // 18
  setTick(50);
  addTimer(&g_appTimer, 50, 1);
  // 19
  pageUpdateTimer = UiTimer::create(appMainWindowId, 1, appPageUpdate, 0.05, 1);
  // 20
  winShow(appMainWindowId, true);
  // 21: the About box as a start-up splash over the main window, closing itself after 4 seconds
  appRunAboutBox(appMainWindowId, 4);
  // The start is done: closes asked for from now on begin (once the message loop runs).
  appCloseStartDone();
  appStartReportEnd();
  return true;
}

void SynthApp::exit(bool initResult) {
  // 1
  libFreeKindBuffer(8);
  fileTypesUnregister();
  chunkBufferFree();
  samplePoolClearNames();
  // 2
  if (g_appTimer) removeTimer(g_appTimer);
  g_appTimer = nullptr;
  // 3: no block reaches the engine once the devices are closed
  if (audioClient) {
    audioClient->closeDevices();
    audioClient.reset();
  }
  // 4
  if (engine) {
    engineDestroy(engine);
    engine = nullptr;
  }
  // What init made besides the engine goes too, after the engine that played it.
  if (bank) {
    undoDestroyBank();
    editHistoryDestroy();
    bankDestroy(bank);
    bank = nullptr;
  }
  // 5
  mainWindowFreeData(appMainWindowId);
  // 6
  ctrlKitRelease(true);
  samplePoolFreeAll();
  UiaApplication::exit(initResult);
}
