// The Main page on a real window of its own: slot 1 with pane 2, an engine and a bank in the window's
// user data, the page built and shown. No audio runs unless a test starts it, so what the page sends
// stays in the engine's MIDI ring to be read back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "kitTestSupport.h"
#include "pages/mainPage.h"

struct Engine;
struct Bank;

struct MainPageRig {
  MainPageRig();
  ~MainPageRig();
  Engine* engine = nullptr;
  Bank* bank = nullptr;
  MainWindowHead head{};
  KitWindow window{1};
  HWND hwnd = nullptr;
  // The window's client point of a page point (the page sits at the window's origin).
  void click(int x, int y);
  std::vector<std::vector<int>> queued();  // (status, data1, data2) of the unread ring entries
  void clearQueue();
  std::string gridLine(int r);
};

// The answer the next question box gets, and the texts asked.
extern int g_answer;
extern std::vector<std::string> g_asked;
