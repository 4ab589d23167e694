// The list widgets of the audio setup dialog's Routing and MIDI pages. Both are plain form lists that
// the pages' forms create by their class names; the routing list draws its port column in the header
// style with a pop-up marker beside it.
#pragma once

#include <cstdint>
#include "NGLList.h"

class Form;

class AudioRoutingList : public List {
 public:
  AudioRoutingList() = default;
  ~AudioRoutingList() override = default;
  int32_t iconAreaWidth() override { return 0; }
  // Column 0 as a list draws it; column 1 in the header style and never as selected; column 2 shows
  // frame 0 of the icon-1 picture at the cell's top-left corner; other columns are not drawn.
  void drawCell(Picture& picture, const char* text, int32_t column, const RegionRect& rect, bool selected) override;

  Form* owner = nullptr;  // the page that uses the list
  uint8_t isInput = 0;
};

class AudioMidiList : public List {
 public:
  AudioMidiList() = default;
  ~AudioMidiList() override = default;
  int32_t iconAreaWidth() override { return 0; }

  Form* owner = nullptr;  // the MIDI page
  uint8_t isInput = 0;    // the list shows input ports
};

// Registers "AudioRoutingList" and "AudioMidiList" with the widget registry unless it has them.
void abRegisterSetupLists();
