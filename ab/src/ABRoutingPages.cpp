// The Routing and MIDI pages: the route tables and MIDI switches shown in their lists, the channel
// menu and the clicks that change them.
#include "ABRoutingPages.h"

#include <boost/lexical_cast.hpp>

#include "ABAudioClient.h"
#include "ABDeviceAccessors.h"
#include "ABSetupLists.h"
#include "NGLItemMenu.h"
#include "NGLList.h"
#include "NGLSwitch.h"

const char* const kAbNotConnected = "- not connected -";

namespace {

// Port and channel rows stop at the size of the route and switch tables.
int32_t offered(int32_t count) { return count < 0 ? 0 : (count > AB_MAX_CHANNELS ? AB_MAX_CHANNELS : count); }

// A press (not a release) reported by a list on a row, in a column other than 0.
bool pressOnRow(int32_t code, void* data, int32_t& row) {
  if (code != NGL_NOTIFY_LIST_BUTTON || !data) return false;
  const ListNote* note = static_cast<const ListNote*>(data);
  if (note->code != UIA_EVENT_MOUSE_BUTTON || !note->data) return false;
  const UiaMouseButtonEvent* e = static_cast<const UiaMouseButtonEvent*>(note->data);
  if (e->action == UIA_ACTION_RELEASE || note->row < 0 || note->column == 0) return false;
  row = note->row;
  return true;
}

void setSwitch(Form& form, int32_t id, uint32_t state) {
  if (Switch* s = dynamic_cast<Switch*>(form.findWidget(id))) s->setState(state);
}

}  // namespace

std::string abChannelName(uint32_t device, bool isOutput, int32_t port) {
  std::string name;
  if (port < 0 || port >= AB_MAX_CHANNELS || !portName(device, isOutput, port, &name)) return kAbNotConnected;
  return boost::lexical_cast<std::string>(port + 1) + ": " + name;
}

// ---- Routing page -------------------------------------------------------------------------------

AudioRoutingPage::AudioRoutingPage(AudioManager* manager, AudioHostClient* client) : manager(manager), client(client) {
  for (int32_t c = 0; c < AB_MAX_CHANNELS; ++c) inputRoutes[c] = outputRoutes[c] = -1;
}

AudioRoutingPage::~AudioRoutingPage() {
  // The form deletes its widgets, the menu among them.
  menu = nullptr;
}

List* AudioRoutingPage::list() { return dynamic_cast<List*>(findWidget(AB_ROUTING_LIST_ID)); }

int32_t AudioRoutingPage::shownChannels() {
  if (!client) return 0;
  return offered(showInputs ? client->inputCount() : client->outputCount());
}

void AudioRoutingPage::init() {
  // Loading a form deletes the widgets it had: the menu is added once per loaded form.
  if (!menu || findWidget(AB_ROUTING_MENU_ID) != menu) {
    menu = new ItemMenu;
    menu->setId(AB_ROUTING_MENU_ID);
    addWidget(menu);
  }
  if (List* l = list()) l->addListener(this);
  Widget* outputs = findWidget(AB_ROUTING_OUTPUTS_SWITCH);
  Widget* inputs = findWidget(AB_ROUTING_INPUTS_SWITCH);
  if (outputs) outputs->addListener(this);
  if (inputs) inputs->addListener(this);
  menu->addListener(this);
  if (client && client->inputCount() == 0 && inputs) {
    inputs->setEnabled(false);
    inputs->setVisible(false);
    if (outputs) {
      const RegionRect& from = inputs->rect();
      const RegionRect& r = outputs->rect();
      outputs->setRect({from.x1, from.y1, from.x1 + (r.x2 - r.x1), from.y1 + (r.y2 - r.y1)});
    }
  }
  if (client && client->outputCount() == 0 && outputs) outputs->setEnabled(false);
  fillList();
  setDirection(AB_ROUTING_OUTPUTS_SWITCH);
}

void AudioRoutingPage::setDirection(int32_t switchId) {
  if (switchId == AB_ROUTING_OUTPUTS_SWITCH) {
    setSwitch(*this, AB_ROUTING_OUTPUTS_SWITCH, 1);
    setSwitch(*this, AB_ROUTING_INPUTS_SWITCH, 0);
    showInputs = 0;
  } else {
    setSwitch(*this, AB_ROUTING_INPUTS_SWITCH, 1);
    setSwitch(*this, AB_ROUTING_OUTPUTS_SWITCH, 0);
    showInputs = 1;
  }
}

void AudioRoutingPage::deviceChanged(int32_t id) {
  device = id;
  const int32_t nOut = portCount(uint32_t(id), true);
  const int32_t nIn = portCount(uint32_t(id), false);
  const int32_t clientOut = client ? client->outputCount() : 0;
  const int32_t clientIn = client ? client->inputCount() : 0;
  for (int32_t c = 0; c < AB_MAX_CHANNELS; ++c) {
    outputRoutes[c] = c < nOut && c < clientOut ? c : -1;
    inputRoutes[c] = c < nIn && c < clientIn ? c : -1;
  }
  fillList();
}

void AudioRoutingPage::fillList() {
  List* l = list();
  if (!l) return;
  l->clear();
  l->setHideHeader(true);
  l->setSortable(false);
  const int32_t widths[3] = {150, 150, 18};
  const int32_t minimums[3] = {130, 150, 18};
  for (int32_t c = 0; c < 3; ++c) {
    l->setColumnWidth(c, widths[c]);
    l->setColumnMinWidth(c, minimums[c]);
  }
  const int32_t rows = shownChannels();
  for (int32_t r = 0; r < rows; ++r) {
    std::string name;
    if (showInputs)
      client->inputName(r, &name);
    else
      client->outputName(r, &name);
    l->setCell(l->addRow(), 0, name.c_str(), nullptr);
  }
  fillRouteCells();
}

std::vector<std::string> AudioRoutingPage::channelNames() {
  const bool isOutput = showInputs == 0;
  std::vector<std::string> names = {kAbNotConnected};
  const int32_t ports = offered(portCount(uint32_t(device), isOutput));
  for (int32_t p = 0; p < ports; ++p) names.push_back(abChannelName(uint32_t(device), isOutput, p));
  return names;
}

void AudioRoutingPage::fillRouteCells() {
  List* l = list();
  if (!l) return;
  const std::vector<std::string> names = channelNames();
  const int32_t* routes = shownRoutes();
  const int32_t rows = l->rowCount() < AB_MAX_CHANNELS ? l->rowCount() : AB_MAX_CHANNELS;
  for (int32_t r = 0; r < rows; ++r) {
    const int64_t index = int64_t(routes[r]) + 1;
    const std::string& name =
        index >= 0 && index < int64_t(names.size()) ? names[size_t(index)] : std::string(kAbNotConnected);
    l->setCell(r, 1, (" " + name).c_str(), nullptr);
  }
}

void AudioRoutingPage::openChannelMenu(int32_t row) {
  menuRow = row;
  const bool isOutput = showInputs == 0;
  if (portCount(uint32_t(device), isOutput) <= 0 || !menu) return;
  List* l = list();
  if (!l) return;
  menu->clear();
  const std::vector<std::string> names = channelNames();
  for (size_t i = 0; i < names.size(); ++i) menu->addItem(names[i].c_str(), nullptr, int32_t(i) - 1);
  RegionRect cell;
  l->cellRect(cell, row, 1);
  menu->setMinWidth(l->columnWidth(1));
  menu->setMaxHeight(200);
  menu->open(l->rect().x1 + l->columnWidth(0), cell.y2, this, true, true);
}

bool AudioRoutingPage::widgetEvent(int32_t id, int32_t code, void* data) {
  if (id == AB_ROUTING_MENU_ID && code == NGL_NOTIFY_MENU_CHOSEN && data) {
    const int32_t k = static_cast<const ItemMenuChoice*>(data)->row;
    if (k >= 0 && menuRow >= 0 && menuRow < AB_MAX_CHANNELS) {
      const int32_t port = k - 1;
      int32_t* routes = shownRoutes();
      // A device port serves at most one client channel.
      for (int32_t c = 0; c < AB_MAX_CHANNELS; ++c)
        if (routes[c] == port) routes[c] = -1;
      routes[menuRow] = port;
    }
    fillList();
  } else if (id == AB_ROUTING_OUTPUTS_SWITCH || id == AB_ROUTING_INPUTS_SWITCH) {
    setDirection(id);
    fillList();
    markDirtyRegionStale();
  } else if (id == AB_ROUTING_LIST_ID) {
    int32_t row = -1;
    if (pressOnRow(code, data, row)) openChannelMenu(row);
  }
  return code == NGL_NOTIFY_MENU_CHOSEN;
}

// ---- MIDI page ----------------------------------------------------------------------------------

MidiPortsPage::MidiPortsPage() {
  for (int32_t p = 0; p < AB_MAX_CHANNELS; ++p) midiInPorts[p] = midiOutPorts[p] = 0;
}

MidiPortsPage::~MidiPortsPage() = default;

void MidiPortsPage::init() {
  if (AudioMidiList* out = dynamic_cast<AudioMidiList*>(findWidget(AB_MIDI_OUTPUT_LIST_ID))) {
    out->owner = this;
    out->isInput = 0;
  }
  if (AudioMidiList* in = dynamic_cast<AudioMidiList*>(findWidget(AB_MIDI_INPUT_LIST_ID))) {
    in->owner = this;
    in->isInput = 1;
  }
  if (Widget* out = findWidget(AB_MIDI_OUTPUT_LIST_ID)) out->addListener(this);
  if (Widget* in = findWidget(AB_MIDI_INPUT_LIST_ID)) in->addListener(this);
  fillLists();
}

void MidiPortsPage::fillLists() {
  for (int32_t which = 0; which < 2; ++which) {
    const bool isInput = which == 0;
    List* l = dynamic_cast<List*>(findWidget(isInput ? AB_MIDI_INPUT_LIST_ID : AB_MIDI_OUTPUT_LIST_ID));
    if (!l) continue;
    l->clear();
    l->setHideHeader(true);
    l->setSortable(false);
    l->setColumnWidth(0, 310);
    l->setColumnWidth(1, 25);
    const int32_t* switches = isInput ? midiInPorts : midiOutPorts;
    const int32_t ports = offered(portCount(uint32_t(midiDevice), !isInput));
    for (int32_t p = 0; p < ports; ++p) {
      std::string name;
      portName(uint32_t(midiDevice), !isInput, p, &name);
      const int32_t r = l->addRow();
      l->setCell(r, 0, name.c_str(), nullptr);
      l->setCell(r, 1, switches[p] ? "on" : "off", nullptr);
    }
  }
}

bool MidiPortsPage::widgetEvent(int32_t id, int32_t code, void* data) {
  int32_t row = -1;
  if ((id == AB_MIDI_INPUT_LIST_ID || id == AB_MIDI_OUTPUT_LIST_ID) && pressOnRow(code, data, row) &&
      row < AB_MAX_CHANNELS) {
    int32_t* switches = id == AB_MIDI_INPUT_LIST_ID ? midiInPorts : midiOutPorts;
    switches[row] = switches[row] == 0 ? 1 : 0;
    fillLists();
  }
  return true;
}
