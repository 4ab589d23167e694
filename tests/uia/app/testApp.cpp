// A small program on the framework: a module, an application and a main window that paints a Picture.
// Started with no arguments it opens its window and runs until the window is closed. The tests start
// it with --scenario=<name> --log=<file>; it then writes what happened to the file, one line each:
//   close      two closes through the framework timer: the first refused (10002), the second allowed
//   quitcmd    the exit command (1200, 30002) sent to the main window
//   initfalse  the application's init answers false
//   nomem      the module's init runs out of memory
//   attachnull the module's init attaches no application
//   nomemexit  the module's exit runs out of memory (after the exit command ended the loop)
//   paint      the main window is captured (PNG "uia_testapp_window.png" under $MORVANE_ARTIFACTS),
//              its pixel at the middle of each colour band logged, then the exit command ends the run
// Message boxes are answered by a hook and logged as "box <text>", the framework's start failures as
// "start failure <what>".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "GPError.h"
#include "GPInit.h"
#include "UIADrawContext.h"
#include "UIAPicture.h"
#include "support/windowCapture.h"
#include "uia.h"

namespace {

std::string g_scenario;
FILE* g_log = nullptr;

void logLine(const std::string& line) {
  if (!g_log) return;
  std::fprintf(g_log, "%s\n", line.c_str());
  std::fflush(g_log);
}

int boxHook(const char*, const char* text, unsigned) {
  std::string flat(text);
  for (char& c : flat)
    if (c == '\n') c = '|';
  logLine("box " + flat);
  return IDOK;
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

// The main window: paints a picture of colour bands and logs its closing and destruction.
class TestMainWindow : public MainWindow {
 public:
  TestMainWindow() {
    picture_.setSize(320, 200, false);
    const uint32_t bands[4] = {0xFF2060A0, 0xFFE0C040, 0xFF40A060, 0xFFC04040};
    for (int i = 0; i < 4; ++i) picture_.fillArea(i * 80, 0, 80, 200, bands[i]);
  }

  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_PAINT) {
      static_cast<DrawContext*>(data)->blit(picture_);
      return true;
    }
    if (code == UIA_EVENT_DESTROYED) logLine("window destroyed");
    return MainWindow::handleEvent(code, data);
  }

 private:
  Picture picture_;
};

class TestApplication : public UiaApplication {
 public:
  bool init() override {
    logLine("app init");
    if (g_scenario == "initfalse") return false;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_CLIENT_SIZE | UIA_SPEC_POSITION;
    spec.rect = RECT{40, 40, 360, 240};
    spec.setTitle("Framework test");
    window_ = new TestMainWindow;
    window_->setOption(true);  // deleted with its window
    window_->create(spec);
    window_->show(true);
    char className[128] = "";
    GetClassNameA(window_->nativeHandle(), className, sizeof className);
    logLine(std::string("class ") + className);
    char instance[32];
    std::snprintf(instance, sizeof instance, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr))));
    logLine(std::string("instance ") + instance);
    if (g_scenario == "close") {
      setTick(20);
      addTimer(&timer_, 0, 0);
    }
    if (g_scenario == "paint") {
      CapturedWindow capture;
      const std::string png = windowCapturePng(window_->nativeHandle(), "uia_testapp_window.png", &capture);
      logLine("capture " + std::string(png.empty() ? "failed" : "saved"));
      for (int band = 0; band < 4 && !png.empty(); ++band) {
        char pixel[32];
        std::snprintf(pixel, sizeof pixel, "pixel %06X", capture.at(band * 80 + 40, 100));
        logLine(pixel);
      }
      PostMessageA(window_->nativeHandle(), WM_COMMAND, 30002, 0);
      PostMessageA(window_->nativeHandle(), WM_COMMAND, 30002, 0);
    }
    if (g_scenario == "quitcmd" || g_scenario == "nomemexit") {
      // The first is refused, the second allowed.
      PostMessageA(window_->nativeHandle(), WM_COMMAND, 30002, 0);
      PostMessageA(window_->nativeHandle(), WM_COMMAND, 30002, 0);
    }
    return true;
  }

  void exit(bool initResult) override {
    logLine(std::string("app exit ") + (initResult ? "1" : "0"));
    if (timer_) removeTimer(timer_);
    UiaApplication::exit(initResult);
  }

  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_MAY_QUIT) {
      ++quitQuestions_;
      // The first question is refused.
      static_cast<UiaAllowEvent*>(data)->allow = quitQuestions_ > 1 ? 1 : 0;
      logLine("may quit " + std::to_string(quitQuestions_ > 1 ? 1 : 0));
      return true;
    }
    if (code == UIA_EVENT_TIMER) {
      ++ticks_;
      if (ticks_ == 1) {
        logLine("close 1");
        SendMessageA(window_->nativeHandle(), WM_CLOSE, 0, 0);
        logLine(std::string("window alive ") + (IsWindow(window_->nativeHandle()) ? "1" : "0"));
      } else if (ticks_ == 2) {
        logLine("close 2");
        PostMessageA(window_->nativeHandle(), WM_CLOSE, 0, 0);
      }
      return true;
    }
    return UiaApplication::handleEvent(code, data);
  }

 private:
  TestMainWindow* window_ = nullptr;
  TimerEntry* timer_ = nullptr;
  int quitQuestions_ = 0;
  int ticks_ = 0;
};

class TestModule : public UiaModule {
 public:
  bool init() override {
    logLine("module init");
    if (!gpInit(GP_VERSION, GP_BUILD)) return false;
    if (!uiaInit(UIA_VERSION, UIA_BUILD)) return false;
    if (g_scenario == "nomem") throw std::bad_alloc();
    if (g_scenario == "attachnull") return attachApplication(nullptr);
    TestApplication* application = new TestApplication;
    application->setName("Framework test");
    return attachApplication(application);
  }

  void exit(bool initResult) override {
    logLine(std::string("module exit ") + (initResult ? "1" : "0"));
    deleteApplication();
    uiaExit();
    gpExit();
    if (g_scenario == "nomemexit") throw std::bad_alloc();
  }
};

TestModule g_module;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::string commandLine = GetCommandLineA();
  g_scenario = argument(commandLine, "--scenario=");
  const std::string logPath = argument(commandLine, "--log=");
  if (!logPath.empty()) {
    g_log = std::fopen(logPath.c_str(), "wb");
    gpSetMessageBoxHook(boxHook);
  }
  uiaSetStartFailureSink([](const char* what) { logLine(std::string("start failure ") + what); });
  uiaSetInstance(instance);
  logLine("run");
  uiaRun();
  logLine("end");
  if (g_log) std::fclose(g_log);
  return 0;
}
