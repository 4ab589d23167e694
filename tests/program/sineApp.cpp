// The libraries working together as the synthesizer will use them: a module that starts gp, uia and ab
// in that order, an application whose main window opens the audio host with its handle and plays a
// 440 Hz sine through the first MME device while the message loop runs. After `--seconds` of audio
// (default 1.5) the program closes its own main window (a real WM_CLOSE); the loop ends, the device
// layer closes and the libraries end in reverse order. Each step is logged to `--log`, and the window
// is kept as "program_main_window.png" under $MORVANE_ARTIFACTS.
#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "GPInit.h"
#include "UIADrawContext.h"
#include "UIAPicture.h"
#include "support/windowCapture.h"
#include "uia.h"

namespace {

FILE* g_log = nullptr;
double g_seconds = 1.5;

void logLine(const std::string& line) {
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

// Two outputs of a 440 Hz sine at half scale; no inputs.
class SineClient : public AudioHostClient {
 public:
  void process(float**, float** out, int, int nOut, int frames) override {
    float** outs = mapOutputs(out, nOut);
    const double step = 6.283185307179586 * 440.0 / rate_;
    for (int f = 0; f < frames; ++f) {
      const float v = static_cast<float>(0.5 * std::sin(phase_));
      phase_ += step;
      if (phase_ > 6.283185307179586) phase_ -= 6.283185307179586;
      for (int c = 0; c < 2; ++c)
        if (outs[c]) outs[c][f] = v;
    }
    frames_.fetch_add(frames, std::memory_order_relaxed);
  }
  bool supportsRate(float rate) override { return rate > 0 && rate <= 48100.0f; }
  void inputName(int index, std::string* name) override { *name = "in " + std::to_string(index + 1); }
  void outputName(int index, std::string* name) override { *name = "out " + std::to_string(index + 1); }
  int inputCount() override { return 0; }
  int outputCount() override { return 2; }
  void setSampleRate(float rate) override { rate_ = rate > 0 ? rate : 44100.0; }
  long long frames() const { return frames_.load(std::memory_order_relaxed); }

 private:
  double rate_ = 44100.0;
  double phase_ = 0.0;
  std::atomic<long long> frames_{0};
};

class SineWindow : public MainWindow {
 public:
  SineWindow() {
    picture_.setSize(360, 120, false);
    picture_.fillArea(0, 0, 360, 120, 0xFF202428);
    // A sine drawn in the accent colour: the window shows what it plays.
    for (int x = 0; x < 360; ++x) {
      const int y = 60 - static_cast<int>(40.0 * std::sin(x * 6.283185307179586 / 90.0));
      picture_.fillArea(x, y - 1, 1, 3, 0xFF40B0E0);
    }
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

class SineApplication : public UiaApplication {
 public:
  bool init() override {
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_CLIENT_SIZE | UIA_SPEC_POSITION;
    spec.rect = RECT{60, 60, 420, 180};
    spec.setTitle("Sine");
    window_ = new SineWindow;
    window_->setOption(true);
    window_->create(spec);
    window_->show(true);
    if (!startAudio()) return false;
    addTimer(&timer_, 0, 0);
    return true;
  }

  void exit(bool initResult) override {
    if (timer_) removeTimer(timer_);
    if (device_) abDevStart(device_, false);
    client_.close();
    logLine("device layer closed");
    UiaApplication::exit(initResult);
  }

  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_TIMER) {
      if (!captured_) {
        captured_ = true;
        logLine(std::string("capture ") +
                (windowCapturePng(window_->nativeHandle(), "program_main_window.png").empty() ? "failed" : "saved"));
      }
      if (!closing_ && client_.frames() >= static_cast<long long>(g_seconds * 44100.0)) {
        closing_ = true;
        logLine("frames " + std::to_string(client_.frames()));
        PostMessageA(window_->nativeHandle(), WM_CLOSE, 0, 0);
      }
      return true;
    }
    return UiaApplication::handleEvent(code, data);
  }

 private:
  bool startAudio() {
    if (!client_.open(window_->nativeHandle())) return false;
    AudioManager* m = client_.manager;
    for (uint32_t d : m->audioDevices) {
      std::string name;
      if (deviceName(d, &name) == 0 && name.compare(0, 4, "MME ") == 0) {
        device_ = d;
        break;
      }
    }
    if (!device_) {
      logLine("no MME device");
      return false;
    }
    if (abDevOpen(device_, true) != 0 || abDevSetCallback(device_, abAudioCallback, m, m) != 0) return false;
    m->audioDevice = static_cast<int32_t>(device_);
    m->outputRoutes[0] = 0;
    m->outputRoutes[1] = 1;
    m->setSampleRate(device_, 44100);
    if (abDevStart(device_, true) != 0) return false;
    logLine("playing");
    return true;
  }

  SineWindow* window_ = nullptr;
  SineClient client_;
  uint32_t device_ = 0;
  TimerEntry* timer_ = nullptr;
  bool captured_ = false;
  bool closing_ = false;
};

class SineModule : public UiaModule {
 public:
  bool init() override {
    if (!gpInit(GP_VERSION, GP_BUILD)) return false;
    logLine("gp started");
    if (!uiaInit(UIA_VERSION, UIA_BUILD)) return false;
    logLine("uia started");
    if (!abInit(0x1030001, 0x60031)) return false;
    logLine("ab started");
    SineApplication* application = new SineApplication;
    application->setName("Sine");
    return attachApplication(application);
  }

  void exit(bool initResult) override {
    deleteApplication();
    abExit();
    logLine("ab ended");
    uiaExit();
    logLine("uia ended");
    gpExit();
    logLine("gp ended");
  }
};

SineModule g_module;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::string commandLine = GetCommandLineA();
  const std::string logPath = argument(commandLine, "--log=");
  const std::string seconds = argument(commandLine, "--seconds=");
  if (!seconds.empty()) g_seconds = std::atof(seconds.c_str());
  if (!logPath.empty()) g_log = std::fopen(logPath.c_str(), "wb");
  uiaSetInstance(instance);
  uiaRun();
  logLine("end");
  if (g_log) std::fclose(g_log);
  return 0;
}
