// The Routing and MIDI pages loaded from their forms into a real form window, driven by mouse
// messages posted to the window: a click on a port cell opens the channel menu below it, a click in
// the menu connects the port; a click on a MIDI port's second column switches it on. The open menu
// and both pages are captured as PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABRoutingPages.h"
#include "ABSetupLists.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLInit.h"
#include "NGLItemMenu.h"
#include "NGLLabel.h"
#include "NGLList.h"
#include "NGLSwitch.h"
#include "fakeMidiSystem.h"
#include "setupFakes.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

class PagesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    startLibraries();
    ASSERT_TRUE(nglInit(NGL_VERSION, NGL_BUILD));
    // The classes the program registers at start-up, which the pages' forms use.
    registerLabel();
    registerSwitch();
    registerList();
  }
};

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new PagesEnvironment);

// Runs the steps on a 15 ms timer while the host's modal loop runs; a step answering false ends them.
// waitUntil(cond) inside a step repeats it (up to 200 times) until cond holds and a repaint pass ran.
struct Stepper {
  FormWindow* window = nullptr;
  uint32_t passes = 0;
  int waits = 0;
  void mark() { passes = window->passCount(); }
  bool waitUntil(const std::function<bool()>& done) {
    if (!(done() && window->passCount() != passes) && ++waits < 200) {
      --g_step;
      return false;
    }
    waits = 0;
    return true;
  }
};

void run(FormDialogHost& host, const char* title, std::vector<std::function<bool()>> steps) {
  g_steps = std::move(steps);
  g_step = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
  WindowSpec spec;
  spec.setTitle(title);
  host.run(spec, 0);
  KillTimer(nullptr, timer);
}

}  // namespace

TEST(RoutingPageWindow, ClickOpensTheChannelMenuAndAChoiceConnectsThePort) {
  runInApplication([&](RecordingApplication&) {
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    PortsDevice* device = new PortsDevice(0, 6);
    const uint32_t deviceId = abDevAddTestDevice(device);
    abRegisterSetupLists();
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(1000, 1000));
    Form::setDefaultColors(1001, 0xFFB0B0B0, 0xFFFFFFFF, 0xFF0F0F0F, 0xFFF0F0F0, false);
    {
      FormDialogHost host(nullptr, nullptr, true);
      host.setOwnerData(&resources);
      FormWindow& window = *host.formWindow();
      window.setOwnsChildren(true);
      TestClient client(0, 4);
      AudioRoutingPage* page = new AudioRoutingPage(client.manager, &client);
      page->setProvider(&resources);
      ASSERT_TRUE(page->load(1006));
      window.appendChild(page, true);
      page->init();
      page->deviceChanged(int32_t(deviceId));
      List* list = page->list();
      ASSERT_NE(dynamic_cast<AudioRoutingList*>(list), nullptr);
      ASSERT_EQ(list->rowCount(), 4);
      RegionRect cell;
      ASSERT_TRUE(list->cellRect(cell, 2, 1));

      CapturedWindow menuShot, afterShot;
      Stepper s;
      s.window = &window;
      auto inner = [&] { return host.inner().nativeHandle(); };
      run(host, "Routing",
          {
              [&] {
                s.mark();
                clickAt(inner(), cell.x1 + 20, (cell.y1 + cell.y2) / 2);
                return true;
              },
              [&] {
                if (!s.waitUntil([&] { return page->menu->isOpen(); })) return true;
                UpdateWindow(inner());
                windowCapturePng(inner(), "ab-routing-channel-menu.png", &menuShot);
                s.mark();
                const ItemMenu& m = *page->menu;
                // Row 6 of the menu: port 5, "6: Out 6".
                clickAt(inner(), m.listRect().x1 + 10, m.listRect().y1 + m.offsetY() + 6 * m.rowHeight() + 3);
                return true;
              },
              [&] {
                if (!s.waitUntil([&] { return !page->menu->isOpen(); })) return true;
                UpdateWindow(inner());
                windowCapturePng(inner(), "ab-routing-page.png", &afterShot);
                host.end();
                return false;
              },
          });
      EXPECT_EQ(page->outputRoutes[2], 5);
      EXPECT_STREQ(list->cellText(2, 1), " 6: Out 6");
      EXPECT_STREQ(list->cellText(0, 1), " 1: Out 1");
      EXPECT_EQ(page->menu->itemCount(), 7);
      // The menu opened under the clicked cell, right of column 0.
      EXPECT_EQ(page->menu->popupRect().x1, list->rect().x1 + 150);
      EXPECT_GT(menuShot.width, 0);
      EXPECT_GT(afterShot.width, 0);
      window.clearChildren();
    }
    resources.detach();
    abDevDestroy();
  });
}

TEST(MidiPageWindow, ClickOnTheSecondColumnSwitchesThePortOn) {
  runInApplication([&](RecordingApplication&) {
    FakeMidiSystem midi({"Keys In", "Pads In"}, {"Synth Out"});
    ASSERT_EQ(abDevCreate(0x10001, nullptr), 0);
    std::vector<uint32_t> ids;
    listMidiDevices(&ids);
    ASSERT_FALSE(ids.empty());
    ASSERT_EQ(abDevOpen(ids[0], true), 0);
    abRegisterSetupLists();
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(1000, 1000));
    {
      FormDialogHost host(nullptr, nullptr, true);
      host.setOwnerData(&resources);
      FormWindow& window = *host.formWindow();
      window.setOwnsChildren(true);
      MidiPortsPage* page = new MidiPortsPage;
      page->midiDevice = int32_t(ids[0]);
      page->midiOutPorts[0] = 1;
      page->setProvider(&resources);
      ASSERT_TRUE(page->load(1008));
      window.appendChild(page, true);
      page->init();
      List* inputs = dynamic_cast<AudioMidiList*>(page->findWidget(AB_MIDI_INPUT_LIST_ID));
      ASSERT_NE(inputs, nullptr);
      ASSERT_EQ(inputs->rowCount(), 2);
      RegionRect name, state;
      ASSERT_TRUE(inputs->cellRect(name, 1, 0));
      ASSERT_TRUE(inputs->cellRect(state, 1, 1));
      CapturedWindow shot;
      Stepper s;
      s.window = &window;
      auto inner = [&] { return host.inner().nativeHandle(); };
      run(host, "MIDI",
          {
              [&] {
                s.mark();
                clickAt(inner(), name.x1 + 10, (name.y1 + name.y2) / 2);  // column 0: nothing
                clickAt(inner(), (state.x1 + state.x2) / 2, (state.y1 + state.y2) / 2);
                return true;
              },
              [&] {
                if (!s.waitUntil([&] { return page->midiInPorts[1] != 0; })) return true;
                UpdateWindow(inner());
                windowCapturePng(inner(), "ab-midi-page.png", &shot);
                host.end();
                return false;
              },
          });
      EXPECT_EQ(page->midiInPorts[1], 1);
      EXPECT_EQ(page->midiInPorts[0], 0);
      EXPECT_STREQ(inputs->cellText(1, 1), "on");
      EXPECT_STREQ(inputs->cellText(0, 1), "off");
      EXPECT_GT(shot.width, 0);
      window.clearChildren();
    }
    resources.detach();
    abDevDestroy();
  });
}
