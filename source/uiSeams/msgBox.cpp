// Shared part of the message box: owner and caption, the diagnostics switch and the test hook.
// User-interface thread only.
#include "uiSeams/msgBox.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void* gOwner = nullptr;
char gCaption[257] = "Morvane";  // 256 characters kept, always terminated

bool gDiagOn = false;
char gDiagText[260] = {};

MsgBoxHook gHook = nullptr;
void* gHookContext = nullptr;

struct Capture {
  int answer = 0;
  std::vector<std::string> texts;
  std::vector<int> styles;
};
std::unique_ptr<Capture> gCapture;

int captureHook(void* context, int style, const char* text, int extra) {
  Capture* c = static_cast<Capture*>(context);
  c->texts.push_back(text ? text : "");
  c->styles.push_back(style + extra);
  return extra == 0 ? 0 : c->answer;
}

}  // namespace

void msgBoxSetOwner(void* owner, const char* caption) {
  gOwner = owner;
  std::memset(gCaption, 0, sizeof gCaption);
  if (caption) std::strncpy(gCaption, caption, 256);
}

const char* msgBoxCaption() { return gCaption; }

int msgBox(int style, const char* text, int extra) {
  if (!text) text = "";
  if (gHook) {
    int answer = gHook(gHookContext, style, text, extra);
    return extra == 0 ? 0 : answer;
  }
  int answer = msgBoxShowNative(gOwner, gCaption, style, text, extra);
  return extra == 0 ? 0 : answer;
}

void diagReset() {
  std::memset(gDiagText, 0, sizeof gDiagText);
  gDiagOn = false;
}

void diagSetEnabled(bool on) { gDiagOn = on; }
bool diagIsEnabled() { return gDiagOn; }

void diagMessage(const char* text) {
  if (!gDiagOn || !text) return;
  std::memset(gDiagText, 0, sizeof gDiagText);
  std::strncpy(gDiagText, text, 256);
  msgBox(0, gDiagText, 0);
}

const char* diagLastText() { return gDiagText; }

void msgBoxSetHook(MsgBoxHook hook, void* context) {
  gHook = hook;
  gHookContext = context;
}

void msgBoxCaptureBegin(int answer) {
  msgBoxCaptureEnd();
  gCapture = std::make_unique<Capture>();
  gCapture->answer = answer;
  msgBoxSetHook(captureHook, gCapture.get());
}

void msgBoxCaptureEnd() {
  if (gHook == captureHook) msgBoxSetHook(nullptr, nullptr);
  gCapture.reset();
}

std::size_t msgBoxCaptureCount() { return gCapture ? gCapture->texts.size() : 0; }

const char* msgBoxCaptureText(std::size_t index) {
  if (!gCapture || index >= gCapture->texts.size()) return "";
  return gCapture->texts[index].c_str();
}

int msgBoxCaptureStyle(std::size_t index) {
  if (!gCapture || index >= gCapture->styles.size()) return -1;
  return gCapture->styles[index];
}
