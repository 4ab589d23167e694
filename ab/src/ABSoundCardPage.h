// The SoundCard page of the Audio Setup dialog: the driver kind ("Interface"), the output device of
// that kind, its input device, the sample rate and the two latencies, and the driver's own control
// panel. Every choice goes to the audio manager and the device at once; the dialog's OK or Cancel then
// keeps or reverts it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ABPortEntry.h"
#include "NGLForm.h"
#include "NGLWidget.h"

class AudioHostClient;
class AudioManager;
class AudioRoutingPage;
class ItemMenu;

// Values shared by the dialog and its pages while one dialog is open. The page's rate, latencies and
// driver kind outlive the dialog (a new page resets the latencies to 10 ms).
extern AudioManager* setupManager;
extern int32_t setupDevice;  // the audio device chosen in the dialog, -1 none
extern AudioRoutingPage* setupRoutingPage;
extern float setupSampleRate;
extern int32_t setupOutputLatency;
extern int32_t setupInputLatency;
extern int32_t setupDriverKind;

// Ids of the page's pop-up menu, one per use.
constexpr int32_t AB_MENU_DEVICE = 5555;
constexpr int32_t AB_MENU_RATE = 5557;
constexpr int32_t AB_MENU_INTERFACE = 5558;
constexpr int32_t AB_MENU_INPUT = 5559;

// The base of the dialog's device pages: the device list, the offered rates, the input devices and
// the one pop-up menu that all of the page's menus share.
class AudioSetupPage : public Form, public WidgetListener {
 public:
  AudioSetupPage();
  ~AudioSetupPage() override;

  virtual void refreshDevice() {}
  virtual void refreshRate() {}
  // The menu's choices (100001 from the menu); false for anything else.
  bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) override;

  // Closes the device chosen so far, opens this one in the manager and, when it opened, tells the
  // routing page. The device is named as chosen even when it fails to open.
  bool selectDevice(int32_t id);
  void disableDriverKind(int kind);
  // Fills deviceIds from "AudioDeviceList" and learns each device's driver kind. A device that
  // describes itself only while open is opened for the question and closed again.
  void fillDeviceList();
  // The driver kind of a listed device (-1 when it cannot be learned).
  int32_t kindOf(int32_t id) const;
  // The page's pop-up menu, made on first use once the form is loaded and kept in the form (which
  // owns it and deletes it with its widgets).
  ItemMenu* menu();

  std::vector<int32_t> deviceIds;
  std::vector<int32_t> deviceKinds;  // one per entry of deviceIds
  std::vector<int32_t> sampleRates;
  std::vector<AudioInDeviceEntry> inputDevices;
  uint8_t driverKindEnabled[10];

 protected:
  // Fills the menu (id, items with their values) and opens it under the label.
  void openMenu(int32_t menuId, int32_t labelId, const std::vector<std::string>& names,
                const std::vector<int32_t>& values);

  ItemMenu* menu_ = nullptr;
  std::vector<int32_t> menuValues_;  // the value of each row of the open menu
};

class SoundCardPage : public AudioSetupPage {
 public:
  SoundCardPage();

  // Called by the dialog before it is shown: listeners, the default device when none is chosen,
  // and the first refresh.
  void init();
  void refreshDevice() override;
  void refreshRate() override;
  // Shows the latency rows as the device allows; with apply, the page's latencies go to the device
  // first. A latency outside the range the device reports is clamped into it once, so the value
  // shown, the selector's and the device's agree.
  void refreshLatency(bool apply);
  bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) override;
  static void driverKindName(int kind, std::string* name);

  uint8_t hasInputDevices = 0;
  AudioHostClient* client = nullptr;

 private:
  void openInterfaceMenu();
  void openDeviceMenu();
  void openInputMenu();
  void openRateMenu();
  void setLabel(int32_t id, const char* text);
  void showWidget(int32_t id, bool on);
};
