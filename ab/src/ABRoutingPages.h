// The Routing and MIDI pages of the audio setup dialog. The Routing page shows one row per client
// channel of the chosen direction and connects each to one device port through a pop-up menu; the
// MIDI page lists the MIDI device's input and output ports, each switched on or off by a click. Both
// work on copies of the manager's tables, which the dialog fills before init and applies at OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>
#include "ABAudioEngine.h"
#include "NGLForm.h"
#include "NGLWidget.h"

class AudioHostClient;
class AudioManager;
class ItemMenu;
class List;

// Widget ids of the pages' forms.
constexpr int32_t AB_ROUTING_LIST_ID = 1;
constexpr int32_t AB_ROUTING_INPUTS_SWITCH = 116;
constexpr int32_t AB_ROUTING_OUTPUTS_SWITCH = 117;
constexpr int32_t AB_ROUTING_MENU_ID = 5556;
constexpr int32_t AB_MIDI_INPUT_LIST_ID = 1;
constexpr int32_t AB_MIDI_OUTPUT_LIST_ID = 2;

// The text of an unconnected channel.
extern const char* const kAbNotConnected;  // "- not connected -"

// The name of port p of a direction: "<p + 1>: <port name>", or kAbNotConnected for -1 and for a port
// the device does not list.
std::string abChannelName(uint32_t device, bool isOutput, int32_t port);

class AudioRoutingPage : public Form, public WidgetListener {
 public:
  AudioRoutingPage(AudioManager* manager, AudioHostClient* client);
  ~AudioRoutingPage() override;

  // Listens to list 1, switches 117 and 116 and the menu (which it adds to the form); hides the
  // inputs switch for a client without inputs, disables the outputs switch for one without outputs;
  // then fills the list and shows the outputs.
  void init();
  // A device has been opened: every channel routes to the port of the same number where both exist.
  void deviceChanged(int32_t id);
  // 117 shows the outputs, any other id the inputs.
  void setDirection(int32_t switchId);
  void fillList();
  void fillRouteCells();
  void openChannelMenu(int32_t row);
  bool widgetEvent(int32_t id, int32_t code, void* data);
  bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) override { return widgetEvent(widgetId, code, data); }

  // The channel names of the shown direction: "- not connected -", then one per offered port.
  std::vector<std::string> channelNames();
  // Rows shown (client channels of the shown direction, at most the table size).
  int32_t shownChannels();
  int32_t* shownRoutes() { return showInputs ? inputRoutes : outputRoutes; }
  List* list();

  int32_t device = 0;
  int32_t inputRoutes[AB_MAX_CHANNELS];
  int32_t outputRoutes[AB_MAX_CHANNELS];
  int32_t showInputs = 0;
  AudioManager* manager;
  AudioHostClient* client;
  ItemMenu* menu = nullptr;  // owned by the form once init has added it
  int32_t menuRow = 0;
};

class MidiPortsPage : public Form, public WidgetListener {
 public:
  MidiPortsPage();
  ~MidiPortsPage() override;

  // Ties lists 1 (inputs) and 2 (outputs) to the page, listens to them and fills them.
  void init();
  void fillLists();
  bool widgetEvent(int32_t id, int32_t code, void* data);
  bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) override { return widgetEvent(widgetId, code, data); }

  int32_t midiInPorts[AB_MAX_CHANNELS];
  int32_t midiOutPorts[AB_MAX_CHANNELS];
  int32_t midiDevice = -1;
};
