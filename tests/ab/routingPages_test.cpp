// The Routing and MIDI pages on forms built like theirs, against a test device whose port list the
// test chooses and the fake MIDI ports: routes after a device change, the cells' texts, the channel
// menu opened by a press on a row and chosen from, the direction switches, tables of 32 entries
// against larger clients and devices, and the MIDI switches toggled by clicks.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ABAudioClient.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDeviceErrors.h"
#include "ABPortEntry.h"
#include "ABRoutingPages.h"
#include "ABSetupLists.h"
#include "GPRegion.h"
#include "NGLItemMenu.h"
#include "NGLList.h"
#include "NGLSwitch.h"
#include "fakeMidiSystem.h"
#include "setupFakes.h"

namespace {

void press(Widget& w, int32_t x, int32_t y, uint32_t action = UIA_ACTION_PRESS) {
  UiaMouseButtonEvent e = {x, y, 0, UIA_BUTTON_LEFT, action};
  w.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
}

// A click on a list cell: press and release at its centre.
void clickCell(List& list, int32_t row, int32_t column) {
  RegionRect r;
  ASSERT_TRUE(list.cellRect(r, row, column));
  press(list, (r.x1 + r.x2) / 2, (r.y1 + r.y2) / 2);
  press(list, (r.x1 + r.x2) / 2, (r.y1 + r.y2) / 2, UIA_ACTION_RELEASE);
}

// Chooses a row of the open menu with a press on it.
void chooseRow(ItemMenu& menu, int32_t row) {
  ASSERT_TRUE(menu.isOpen());
  const int32_t y = menu.listRect().y1 + menu.offsetY() + row * menu.rowHeight() + menu.rowHeight() / 2;
  press(menu, (menu.listRect().x1 + menu.listRect().x2) / 2, y);
}

class RoutingPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gpRegionPoolAcquire();
    abRegisterSetupLists();
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
  }
  void TearDown() override {
    page.reset();
    client.reset();
    abDevDestroy();
    gpRegionPoolRelease();
  }
  // The device gets these ports; the page is built like form 1006 and initialised.
  void build(int clientIn, int clientOut, int deviceIn, int deviceOut) {
    device = new PortsDevice(deviceIn, deviceOut);
    deviceId = abDevAddTestDevice(device);
    ASSERT_NE(deviceId, 0u);
    client.reset(new TestClient(clientIn, clientOut));
    page.reset(new AudioRoutingPage(client->manager, client.get()));
    page->setSize({400, 205});
    page->layout();
    inputs = new Switch;
    inputs->setId(AB_ROUTING_INPUTS_SWITCH);
    inputs->setRect({22, 18, 102, 41});
    page->addWidget(inputs);
    outputs = new Switch;
    outputs->setId(AB_ROUTING_OUTPUTS_SWITCH);
    outputs->setRect({108, 18, 188, 41});
    page->addWidget(outputs);
    list = static_cast<List*>(WidgetRegistry::create("AudioRoutingList"));
    ASSERT_NE(dynamic_cast<AudioRoutingList*>(list), nullptr);
    list->setId(AB_ROUTING_LIST_ID);
    list->setRect({19, 46, 383, 186});
    page->addWidget(list);
    page->init();
    page->deviceChanged(int32_t(deviceId));
  }
  std::string cell(int32_t row, int32_t column) { return list->cellText(row, column); }

  PortsDevice* device = nullptr;
  uint32_t deviceId = 0;
  std::unique_ptr<TestClient> client;
  std::unique_ptr<AudioRoutingPage> page;
  Switch* inputs = nullptr;
  Switch* outputs = nullptr;
  List* list = nullptr;
};

}  // namespace

TEST_F(RoutingPageTest, DeviceChangeRoutesMatchingChannelsAndCellsNameThePorts) {
  build(0, 2, 4, 8);
  for (int32_t c = 0; c < AB_MAX_CHANNELS; ++c) {
    EXPECT_EQ(page->outputRoutes[c], c < 2 ? c : -1) << c;
    EXPECT_EQ(page->inputRoutes[c], -1) << c;  // the client has no inputs
  }
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(cell(0, 0), "Output 1");
  EXPECT_EQ(cell(0, 1), " 1: Out 1");
  EXPECT_EQ(cell(1, 1), " 2: Out 2");
  EXPECT_TRUE(list->hideHeader());
  EXPECT_FALSE(list->sortable());
  EXPECT_EQ(list->columnWidth(0), 150);
  EXPECT_EQ(list->column(0)->minWidth, 130);
  EXPECT_EQ(list->columnWidth(2), 18);
  EXPECT_EQ(list->iconAreaWidth(), 0);
  // No inputs: the inputs switch is hidden and the outputs switch takes its corner, same size.
  EXPECT_FALSE(inputs->isVisible());
  EXPECT_FALSE(inputs->isEnabled());
  EXPECT_EQ(outputs->rect().x1, 22);
  EXPECT_EQ(outputs->rect().y1, 18);
  EXPECT_EQ(outputs->rect().x2 - outputs->rect().x1, 80);
  EXPECT_EQ(outputs->state(), 1u);
  EXPECT_EQ(page->showInputs, 0);
}

TEST_F(RoutingPageTest, ChoosingAPortMovesItAndNotConnectedClearsOnlyThatRow) {
  build(2, 6, 2, 8);
  page->outputRoutes[5] = 3;
  page->outputRoutes[3] = 7;
  page->fillList();
  // A press on column 1 of row 0 opens the channel menu below the cell.
  clickCell(*list, 0, 1);
  ItemMenu* menu = page->menu;
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(menu->isOpen());
  EXPECT_EQ(menu->id(), 5556);
  ASSERT_EQ(menu->itemCount(), 9);
  EXPECT_EQ(menu->item(0)->name, "- not connected -");
  EXPECT_EQ(menu->item(0)->value, -1);
  EXPECT_EQ(menu->item(4)->name, "4: Out 4");
  EXPECT_EQ(menu->item(4)->value, 3);
  RegionRect c;
  list->cellRect(c, 0, 1);
  EXPECT_EQ(menu->popupRect().y1, c.y2);
  EXPECT_EQ(menu->popupRect().x1, 19 + 150);
  EXPECT_GE(menu->popupRect().x2 - menu->popupRect().x1, 150);
  chooseRow(*menu, 4);  // port 3
  EXPECT_FALSE(menu->isOpen());
  EXPECT_EQ(page->outputRoutes[0], 3);
  EXPECT_EQ(page->outputRoutes[5], -1);
  EXPECT_EQ(cell(0, 1), " 4: Out 4");
  EXPECT_EQ(cell(5, 1), " - not connected -");
  // "- not connected -" for row 1 clears row 1 only.
  clickCell(*list, 1, 1);
  chooseRow(*page->menu, 0);
  const int32_t expected[6] = {3, -1, 2, 7, 4, -1};
  for (int32_t r = 0; r < 6; ++r) EXPECT_EQ(page->outputRoutes[r], expected[r]) << r;
  EXPECT_EQ(cell(1, 1), " - not connected -");
  EXPECT_EQ(cell(3, 1), " 8: Out 8");
  // A press outside the menu changes nothing.
  clickCell(*list, 2, 1);
  ASSERT_TRUE(page->menu->isOpen());
  press(*page->menu, 2, 2);
  EXPECT_FALSE(page->menu->isOpen());
  EXPECT_EQ(page->outputRoutes[2], 2);
}

TEST_F(RoutingPageTest, ColumnZeroAndPortlessDevicesOpenNoMenu) {
  build(2, 2, 0, 0);
  EXPECT_EQ(cell(0, 1), " - not connected -");
  EXPECT_EQ(page->outputRoutes[0], -1);
  clickCell(*list, 0, 1);
  EXPECT_FALSE(page->menu->isOpen());
  EXPECT_EQ(page->menuRow, 0);
  // A device with ports: column 0 still does nothing.
  device->add(true, 0, "Late");
  page->deviceChanged(int32_t(deviceId));
  clickCell(*list, 1, 0);
  EXPECT_FALSE(page->menu->isOpen());
  clickCell(*list, 1, 1);
  EXPECT_TRUE(page->menu->isOpen());
  EXPECT_EQ(page->menuRow, 1);
  page->menu->closeTree();
}

TEST_F(RoutingPageTest, SwitchesShowInputsAndOutputs) {
  build(3, 2, 4, 4);
  inputs->notifyListeners(NGL_NOTIFY_VALUE, nullptr, false);
  EXPECT_EQ(page->showInputs, 1);
  EXPECT_EQ(inputs->state(), 1u);
  EXPECT_EQ(outputs->state(), 0u);
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(cell(2, 0), "Input 3");
  EXPECT_EQ(cell(2, 1), " 3: In 3");
  // Choosing in the inputs view changes the input table only.
  clickCell(*list, 0, 1);
  chooseRow(*page->menu, 3);
  EXPECT_EQ(page->inputRoutes[0], 2);
  EXPECT_EQ(page->inputRoutes[2], -1);
  EXPECT_EQ(page->outputRoutes[0], 0);
  outputs->notifyListeners(NGL_NOTIFY_VALUE, nullptr, false);
  EXPECT_EQ(page->showInputs, 0);
  EXPECT_EQ(list->rowCount(), 2);
}

TEST_F(RoutingPageTest, TablesOf32AgainstLargerClientsDevicesAndStrayRoutes) {
  build(0, 33, 0, 40);
  std::memset(device->ports[2].name, 'N', sizeof device->ports[2].name);  // 64 bytes, no terminator
  page->outputRoutes[4] = 35;                                             // a port past the offered 32
  page->outputRoutes[6] = 1000;                                           // a port the device does not list
  page->outputRoutes[7] = -5;
  page->fillList();
  ASSERT_EQ(list->rowCount(), 32);
  EXPECT_EQ(cell(31, 0), "Output 32");
  EXPECT_EQ(cell(4, 1), " - not connected -");
  EXPECT_EQ(cell(6, 1), " - not connected -");
  EXPECT_EQ(cell(7, 1), " - not connected -");
  EXPECT_EQ(page->outputRoutes[6], 1000);  // kept until the user changes it
  EXPECT_EQ(cell(2, 1), " 3: " + std::string(63, 'N'));
  clickCell(*list, 0, 1);
  ASSERT_TRUE(page->menu->isOpen());
  EXPECT_EQ(page->menu->itemCount(), 33);
  EXPECT_TRUE(page->menu->scrollBarShown());
  EXPECT_LE(page->menu->popupRect().y2 - page->menu->popupRect().y1, 200);
  page->menu->closeTree();
}

namespace {

class MidiPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gpRegionPoolAcquire();
    abRegisterSetupLists();
    fake.reset(new FakeMidiSystem({"Keys In", "Pads In"}, {"Synth Out"}));
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    std::vector<uint32_t> ids;
    listMidiDevices(&ids);
    ASSERT_FALSE(ids.empty());
    ASSERT_EQ(abDevOpen(ids[0], true), 0);  // the host keeps its MIDI device open
    page.reset(new MidiPortsPage);
    page->midiDevice = int32_t(ids[0]);
    page->midiOutPorts[0] = 1;
    page->setSize({400, 205});
    page->layout();
    const RegionRect rects[2] = {{21, 28, 371, 98}, {21, 123, 371, 193}};
    for (int i = 0; i < 2; ++i) {
      lists[i] = static_cast<List*>(WidgetRegistry::create("AudioMidiList"));
      ASSERT_NE(lists[i], nullptr);
      lists[i]->setId(i + 1);
      lists[i]->setRect(rects[i]);
      page->addWidget(lists[i]);
    }
    page->init();
  }
  void TearDown() override {
    page.reset();
    abDevDestroy();
    fake.reset();
    gpRegionPoolRelease();
  }
  std::unique_ptr<FakeMidiSystem> fake;
  std::unique_ptr<MidiPortsPage> page;
  List* lists[2] = {nullptr, nullptr};
};

}  // namespace

TEST_F(MidiPageTest, ColumnOneTogglesAndColumnZeroDoesNothing) {
  List& in = *lists[0];
  List& out = *lists[1];
  EXPECT_EQ(static_cast<AudioMidiList&>(in).isInput, 1);
  EXPECT_EQ(static_cast<AudioMidiList&>(out).isInput, 0);
  EXPECT_EQ(static_cast<AudioMidiList&>(in).owner, page.get());
  ASSERT_EQ(in.rowCount(), 2);
  ASSERT_EQ(out.rowCount(), 1);
  EXPECT_STREQ(in.cellText(1, 0), "Pads In");
  EXPECT_STREQ(in.cellText(1, 1), "off");
  EXPECT_STREQ(out.cellText(0, 0), "Synth Out");
  EXPECT_STREQ(out.cellText(0, 1), "on");
  EXPECT_EQ(in.columnWidth(0), 310);
  EXPECT_EQ(in.columnWidth(1), 25);
  clickCell(in, 1, 0);
  EXPECT_EQ(page->midiInPorts[1], 0);
  EXPECT_STREQ(in.cellText(1, 1), "off");
  clickCell(in, 1, 1);
  EXPECT_EQ(page->midiInPorts[1], 1);
  EXPECT_STREQ(in.cellText(1, 1), "on");
  EXPECT_EQ(page->midiInPorts[0], 0);
  clickCell(in, 1, 1);
  EXPECT_EQ(page->midiInPorts[1], 0);
  clickCell(out, 0, 1);
  EXPECT_EQ(page->midiOutPorts[0], 0);
  EXPECT_STREQ(out.cellText(0, 1), "off");
}
