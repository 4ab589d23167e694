#include "uiaTestSupport.h"

#include "GPInit.h"

namespace {

std::function<void(RecordingApplication&)> g_body;
bool g_loop = false;

class TestModule : public UiaModule {
 public:
  bool init() override {
    RecordingApplication* application = new RecordingApplication;
    if (!attachApplication(application)) return false;
    if (g_body) g_body(*application);
    return g_loop;
  }
  void exit(bool) override { deleteApplication(); }
};

}  // namespace

void startLibraries() {
  static bool started = false;
  if (started) return;
  started = true;
  // The module first: the window classes are named after its instance.
  static TestModule module;
  uiaSetInstance(GetModuleHandleA(nullptr));
  gpInit(GP_VERSION, GP_BUILD);
  uiaInit(UIA_VERSION, UIA_BUILD);
}

bool RecordingApplication::handleEvent(int32_t code, void* data) {
  codes.push_back(code);
  if (code == UIA_EVENT_KEY_DOWN || code == UIA_EVENT_KEY_UP) keys.push_back(*static_cast<uint32_t*>(data));
  if (code == UIA_EVENT_COMMAND) {
    commands.push_back(static_cast<UiaCommandEvent*>(data)->id);
    if (handleCommands) return true;
  }
  if (code == UIA_EVENT_MAY_QUIT && refuseQuit > 0) {
    --refuseQuit;
    static_cast<UiaAllowEvent*>(data)->allow = 0;
    return true;
  }
  return UiaApplication::handleEvent(code, data);
}

void runInApplication(const std::function<void(RecordingApplication&)>& body, bool loop) {
  startLibraries();
  g_body = body;
  g_loop = loop;
  uiaRun();
  g_body = nullptr;
}

void pumpMessages(int ms) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (GetTickCount() - start >= static_cast<DWORD>(ms)) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (true);
}

bool pumpUntil(const std::function<bool()>& done, int ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= static_cast<DWORD>(ms)) return done();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}
