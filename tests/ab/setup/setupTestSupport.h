// Helpers of the Audio Setup dialog tests: the libraries started as the program starts them, a
// configurable stand-in audio device, a client with any number of channels, and an automation
// thread's tools that reach the real modal dialog: finding it, posting clicks to its inner window at
// widget coordinates, running code on the dialog's own thread, capturing it as PNG and ending it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ABAudioClient.h"
#include "ABAudioMidiDevice.h"
#include "support/windowCapture.h"

class AudioManager;
class AudioSetupDialog;
class Form;

// gp, uia (inside a test module), ngl with the widget classes the program registers, the settings
// object of this process and the item-menu defaults the program sets (font 1001).
void startSetupLibraries();

// A device of the device layer whose properties the test sets: name, driver kind, ports, latency
// (optionally with a range), input latency, control panel, rates and input devices. It streams
// nothing; open can be made to fail.
class SetupTestDevice : public AudioMidiDevice {
 public:
  SetupTestDevice(const std::string& name, int kind, int inputs, int outputs);

  int open(bool on) override;
  bool isOpen() override { return opened; }
  int start(bool on) override;
  bool isRunning() override { return running; }
  int getPropertyInfo(const char* name, uint32_t* size, uint32_t* changeable) override;
  int setProperty(const char* name, const void* value, uint32_t size) override;
  int getProperty(const char* name, void* buffer, uint32_t* size) override;

  std::string name;
  int driverKind;
  // Port names by direction; a name of exactly 64 characters fills the entry without a terminator.
  std::vector<std::string> inputNames, outputNames;
  bool failOpen = false;
  bool hasLatencyProperty = true;
  bool latencyChangeable = true;
  bool latencyRanged = false;
  int32_t latencyLow = 0, latencyHigh = 0;
  int32_t latency = 10;
  bool hasInputLatencyProperty = false;
  int32_t inputLatency = 10;
  bool hasControlPanel = false;
  int32_t bufferSize = 0;  // "BufferSize" offered when above 0
  std::vector<int32_t> rates = {44100, 48000};
  int32_t rate = 44100;
  std::vector<std::string> inputDevices;  // "AudioInDeviceList" offered when not empty
  int32_t activeInput = -1;

  std::atomic<int> opens{0}, closes{0}, panels{0};
  std::atomic<bool> opened{false}, running{false};
};

// A client of any channel counts (up to 32 each): a sine on output 0 (440 Hz) and output 1 (1000 Hz)
// at half scale, written where the routes send them; it accepts rates up to 48,100 Hz.
class SetupClient : public AudioHostClient {
 public:
  SetupClient(int inputs, int outputs) : inputs_(inputs), outputs_(outputs) {}
  void process(float** in, float** out, int nIn, int nOut, int frames) override;
  bool supportsRate(float rate) override { return rate > 0.0f && rate <= 48100.0f; }
  void inputName(int index, std::string* name) override { *name = "In " + std::to_string(index + 1); }
  void outputName(int index, std::string* name) override { *name = "Out " + std::to_string(index + 1); }
  int inputCount() override { return inputs_; }
  int outputCount() override { return outputs_; }
  void setSampleRate(float rate) override { clientRate.store(static_cast<int>(rate)); }
  // MIDI input thread.
  void shortMidi(MidiEventRecord* event) override;

  std::atomic<int> clientRate{0};
  std::atomic<int> blocks{0};
  std::atomic<int> shortMessages{0};
  std::atomic<uint32_t> lastMessage{0};  // status, data 1, data 2 from the low byte up
  double phase[2] = {0.0, 0.0};

 private:
  int inputs_, outputs_;
};

// The automation side. Made on the dialog's (the main) thread before the dialog opens; its methods
// other than the constructor run on the automation thread.
class DialogDriver {
 public:
  DialogDriver();
  ~DialogDriver();

  // Waits for the modal dialog of the main thread; false on time-out.
  bool waitForDialog(int timeoutMs = 10000);
  HWND dialog() const { return dialog_; }
  HWND inner() const { return inner_; }
  // Runs the function on the dialog's thread after everything posted so far (clicks included) has
  // been handled; with the dialog object when one is open (else null).
  void onDialogThread(const std::function<void(AudioSetupDialog*)>& job);
  // The centre of a widget of a form of the dialog, in the inner window's coordinates.
  POINT widgetCentre(Form* (*form)(AudioSetupDialog*), int32_t widgetId);
  // A left click at a point of the inner window (press and release posted), handled before return.
  void click(POINT p);
  void clickWidget(Form* (*form)(AudioSetupDialog*), int32_t widgetId);
  // Clicks the centre of a cell of a list of a form (rows and columns from 0).
  void clickCell(Form* (*form)(AudioSetupDialog*), int32_t listId, int32_t row, int32_t column);
  // Clicks the menu row whose item reads `text` in the page's open pop-up menu; false when no row
  // reads so.
  bool chooseMenuItem(Form* (*form)(AudioSetupDialog*), const std::string& text, bool prefix = false);
  // Repaints the whole form window, then captures the inner window into the test's artifacts.
  std::string capture(const std::string& name, CapturedWindow* out = nullptr);
  // The three ways out besides the buttons; each waits until the dialog is gone.
  void pressEscape();
  void pressCloseBox();
  bool waitUntilClosed(int timeoutMs = 10000);

 private:
  static LRESULT CALLBACK helperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND helper_ = nullptr;
  DWORD thread_ = 0;
  HWND dialog_ = nullptr;
  HWND inner_ = nullptr;
};

// Forms of the open dialog, for the driver.
Form* tabsOf(AudioSetupDialog* d);
Form* soundCardOf(AudioSetupDialog* d);
Form* routingOf(AudioSetupDialog* d);
Form* midiOf(AudioSetupDialog* d);
Form* buttonsOf(AudioSetupDialog* d);
// The dialog that is open on this thread (through the routing page it registered), or null.
AudioSetupDialog* openSetupDialog();
// The text of a label of a form ("" when there is none).
std::string labelText(Form* form, int32_t id);
// The text of a cell of a list of a form ("" when there is none).
std::string cellText(Form* form, int32_t listId, int32_t row, int32_t column);
int32_t listRows(Form* form, int32_t listId);

// The settings as stored: every value of the program's key, by name.
std::map<std::string, std::string> storedValues();
bool widgetVisible(Form* f, int32_t id);
uint32_t switchState(Form* f, int32_t id);
// The item names of the SoundCard page's open menu (empty when it is closed).
std::vector<std::string> openMenuNames(AudioSetupDialog* d);

struct SetupLibraries {
  SetupLibraries() { startSetupLibraries(); }
};

// A client with its device layer open: the enumerated devices plus the test devices added. The
// libraries start before the client (its manager's lock needs gp).
struct Host : SetupLibraries {
  Host(int inputs, int outputs);
  ~Host();
  uint32_t add(SetupTestDevice* device);
  SetupClient client;
};

// Stores the MME device as the chosen one with these two output routes (44100 Hz, 50 ms) and loads
// it: it plays. Answers the device, 0 when it could not be chosen or did not load.
uint32_t storeAndPlayMme(Host& host, int32_t route0, int32_t route1);

// Opens the dialog on this thread as the program does and runs the automation on another; a dialog
// the automation left open is cancelled at its end.
void runDialog(SetupClient& client, bool showTabs, const std::function<void(DialogDriver&)>& automation);
