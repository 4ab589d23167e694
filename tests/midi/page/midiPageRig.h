// The Midi page on a window of its own (slot 1), laid out as the main window lays it out: pane 8 below
// a 72-pixel strip, the engine reset to a fresh preset as the window's user data. The other pages'
// operations are quiet stand-ins, so a page switch (mainWindowShowPage) touches only this page.
#pragma once
#include <windows.h>

#include <string>

#include "kitTestSupport.h"
#include "pages/pageRig.h"

struct ControlItem;

const uint16_t kMidiPaneItems = 79;

struct MidiPageRig : PageWindowRig {
  // buildFirst: build the page into its hidden pane as the main window's builder does; otherwise the
  // first show builds it.
  explicit MidiPageRig(bool buildFirst = true);
  ~MidiPageRig();

  void show(bool on = true);
  void refresh();
  // The caption a picture button stores (empty for anything else).
  std::string text(uint16_t id);
  // A click posted to the window at the centre of an item (two clicks are never one double click).
  void click(uint16_t id);
  void clickAt(int x, int y);
  // Typed into the in-place entry of a box: a click on its value, the text, Enter.
  bool typeInto(uint16_t id, const std::string& text);
  // The panels (2..5) shown now and the tab buttons (6..9) pressed now.
  std::string shownPanels();
  std::string pressedTabs();
};
