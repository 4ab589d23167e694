// The root of the program: the module object the UI framework finds at process start, the
// application object that owns the engine, the bank and the audio client, and the order in which
// everything is brought up and torn down.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "uia.h"

class AudioClient;
class FormHostListener;
struct Bank;
struct Engine;
struct UiTimerRecord;

extern const char* const appProgramName;  // "Morvane"

class SynthApp : public UiaApplication {
 public:
  SynthApp();
  ~SynthApp() override;

  bool handleEvent(std::int32_t code, void* data) override;
  bool init() override;
  void exit(bool initResult) override;

  std::unique_ptr<FormHostListener> formHost;
  std::unique_ptr<AudioClient> audioClient;
  Engine* engine = nullptr;
  Bank* bank = nullptr;
  Window* mainWindowObject = nullptr;
  UiTimerRecord* pageUpdateTimer = nullptr;
  // The "&File", "&Edit", "Setup", "Window" and "?" menus with their flags.
  MenuHandle menus[5];
  std::uint8_t menuFlags[5] = {0, 0, 0, 0, 0};
  std::uint16_t word16 = 0;
  std::uint32_t words[16] = {};
};

class SynthAppModule : public UiaModule {
 public:
  // Module init: the libraries, the widget classes, the settings, the application. Answers whether
  // the application started (a failed start never enters the message loop).
  bool init() override;
  void exit(bool initResult) override;
  bool createApplication() { return init(); }
  void shutdown() { exit(initResult()); }
};

// The module's instance handle (the executable's resources).
HINSTANCE appGetInstance();
// The main window's native handle; null without an application or main window.
HWND appGetMainWindowHandle();
// 1 when the zero-terminated paths of the two file specifications are equal byte for byte, else 0.
struct FileSpec;
int nameEquals(const FileSpec* a, const FileSpec* b);
inline std::intptr_t passThrough(std::intptr_t x) { return x; }

// What start-up makes, replaceable by tests that force a failure (null: the real routine).
struct AppStartHooks {
  Engine* (*createEngine)();
  Bank* (*createBank)();
  bool (*initChunkBuffer)(std::uint32_t capacity);
  AudioClient* (*createAudioClient)();
  void (*openAudioSetup)(SynthApp* app);  // in place of the "Audio Setup" dialog
};
AppStartHooks* appStartHooks();

// The "Audio Setup" dialog over the main window (Setup > "Audio and Midi settings...", and at
// start-up when no device could be opened).
void appOpenAudioSetup(SynthApp* app);

// The window-style word and the application timer handle (0 before init).
std::uint32_t appWindowStyleWord();
TimerEntry* appTimerHandle();
