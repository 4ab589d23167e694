// Shared part of the message box: owner and caption, the diagnostics switch and the test hook.
// User-interface thread only.
#include "uiSeams/msgBox.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void* g_owner = nullptr;
char g_caption[257] = "Morvane";  // 256 characters kept, always terminated

bool g_diagOn = false;
char g_diagText[260] = {};

MsgBoxHook g_hook = nullptr;
void* g_hookContext = nullptr;

struct Capture {
  int answer = 0;
  std::vector<std::string> texts;
  std::vector<int> styles;
};
std::unique_ptr<Capture> g_capture;

int captureHook(void* context, int style, const char* text, int extra) {
  Capture* c = static_cast<Capture*>(context);
  c->texts.push_back(text ? text : "");
  c->styles.push_back(style + extra);
  return extra == 0 ? 0 : c->answer;
}

}  // namespace

void msgBoxSetOwner(void* owner, const char* caption) {
  g_owner = owner;
  std::memset(g_caption, 0, sizeof g_caption);
  if (caption) std::strncpy(g_caption, caption, 256);
}

const char* msgBoxCaption() { return g_caption; }

int msgBox(int style, const char* text, int extra) {
  if (!text) text = "";
  if (g_hook) {
    int answer = g_hook(g_hookContext, style, text, extra);
    return extra == 0 ? 0 : answer;
  }
  int answer = msgBoxShowNative(g_owner, g_caption, style, text, extra);
  return extra == 0 ? 0 : answer;
}

void diagReset() {
  std::memset(g_diagText, 0, sizeof g_diagText);
  g_diagOn = false;
}

void diagSetEnabled(bool on) { g_diagOn = on; }
bool diagIsEnabled() { return g_diagOn; }

void diagMessage(const char* text) {
  if (!g_diagOn || !text) return;
  std::memset(g_diagText, 0, sizeof g_diagText);
  std::strncpy(g_diagText, text, 256);
  msgBox(0, g_diagText, 0);
}

const char* diagLastText() { return g_diagText; }

void msgBoxSetHook(MsgBoxHook hook, void* context) {
  g_hook = hook;
  g_hookContext = context;
}

void msgBoxCaptureBegin(int answer) {
  msgBoxCaptureEnd();
  g_capture = std::make_unique<Capture>();
  g_capture->answer = answer;
  msgBoxSetHook(captureHook, g_capture.get());
}

void msgBoxCaptureEnd() {
  if (g_hook == captureHook) msgBoxSetHook(nullptr, nullptr);
  g_capture.reset();
}

std::size_t msgBoxCaptureCount() { return g_capture ? g_capture->texts.size() : 0; }

const char* msgBoxCaptureText(std::size_t index) {
  if (!g_capture || index >= g_capture->texts.size()) return "";
  return g_capture->texts[index].c_str();
}

int msgBoxCaptureStyle(std::size_t index) {
  if (!g_capture || index >= g_capture->styles.size()) return -1;
  return g_capture->styles[index];
}
