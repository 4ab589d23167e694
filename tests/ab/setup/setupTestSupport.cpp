// Helpers of the Audio Setup dialog tests.
#include "setupTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ABAudioManager.h"
#include "ABAudioSetupDialog.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABDeviceErrors.h"
#include "ABPortEntry.h"
#include "ABRoutingPages.h"
#include "ABSoundCardPage.h"
#include "NGLForm.h"
#include "NGLFormWindow.h"
#include "NGLInit.h"
#include "NGLItemMenu.h"
#include "NGLLabel.h"
#include "NGLList.h"
#include "NGLSelector.h"
#include "NGLSwitch.h"
#include "hostSettings.h"

#include <gtest/gtest.h>
#include <thread>
#include "uiaTestSupport.h"

void startSetupLibraries() {
  static bool started = false;
  if (started) return;
  started = true;
  startLibraries();
  startHostSettings();
  nglInit(NGL_VERSION, NGL_BUILD);
  registerSelector();
  registerSwitch();
  registerLabel();
  registerList();
  // The program's menus use the dialog's font (FNT 1001 of FM 1000).
  Form::setDefaultColors(1001, 0xFFC6C6C6, 0xFF5C93D3, 0xFF3C3C3C, 0xFF5E5E5E, false);
}

// ---------------------------------------------------------------------------------------------------
// SetupTestDevice

namespace {

bool is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

void putU32(void* buffer, size_t offset, uint32_t v) { std::memcpy(static_cast<uint8_t*>(buffer) + offset, &v, 4); }

}  // namespace

SetupTestDevice::SetupTestDevice(const std::string& n, int kind, int inputs, int outputs)
    : AudioMidiDevice(KIND_AUDIO), name(n), driverKind(kind) {
  for (int i = 0; i < inputs; ++i) inputNames.push_back(n + " in " + std::to_string(i + 1));
  for (int i = 0; i < outputs; ++i) outputNames.push_back(n + " out " + std::to_string(i + 1));
}

int SetupTestDevice::open(bool on) {
  if (on) {
    ++opens;
    if (failOpen) return AB_ERR_OPEN_FAILED;
    opened = true;
  } else {
    ++closes;
    running = false;
    opened = false;
  }
  return AB_OK;
}

int SetupTestDevice::start(bool on) {
  if (on && !opened) return AB_ERR_NOT_OPEN;
  running = on;
  return AB_OK;
}

int SetupTestDevice::getPropertyInfo(const char* n, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_BAD_VALUE;
  uint32_t c = 0;
  if (is(n, "DeviceName")) {
    *size = static_cast<uint32_t>(name.size() + 1);
  } else if (is(n, "DeviceDescription")) {
    *size = 8;
  } else if (is(n, "PortDescription")) {
    *size = static_cast<uint32_t>(4 + 76 * (inputNames.size() + outputNames.size()));
    c = 1;
  } else if (is(n, "SampleRate")) {
    *size = 4;
    c = 1;
  } else if (is(n, "SampleRateList")) {
    *size = static_cast<uint32_t>(4 + 4 * rates.size());
    c = rates.size() > 1;
  } else if (is(n, "Latency") && hasLatencyProperty) {
    *size = latencyRanged ? 12 : 4;
    c = latencyChangeable;
  } else if (is(n, "SetInLatency") && hasInputLatencyProperty) {
    *size = 4;
    c = 1;
  } else if (is(n, "ControlPanel") && hasControlPanel) {
    *size = 4;
    c = 1;
  } else if (is(n, "BufferSize") && bufferSize > 0) {
    *size = 4;
  } else if (is(n, "AudioInDeviceList") && !inputDevices.empty()) {
    *size = static_cast<uint32_t>(68 * inputDevices.size());
  } else {
    return AB_ERR_NO_PROPERTY;
  }
  if (changeable) *changeable = c;
  return AB_OK;
}

int SetupTestDevice::setProperty(const char* n, const void* value, uint32_t size) {
  if (!value) return AB_ERR_BAD_VALUE;
  int32_t v = 0;
  if (size >= 4) std::memcpy(&v, value, 4);
  if (is(n, "SampleRate") && size == 4) {
    rate = v;
  } else if (is(n, "Latency") && hasLatencyProperty && latencyChangeable && size == 4) {
    latency = latencyRanged ? std::min(std::max(v, latencyLow), latencyHigh) : v;
  } else if (is(n, "SetInLatency") && hasInputLatencyProperty && size == 4) {
    inputLatency = v;
  } else if (is(n, "AudioInDevice") && size == 68 && !inputDevices.empty()) {
    activeInput = v >= 0 && v < static_cast<int32_t>(inputDevices.size()) ? v : -1;
  } else if (is(n, "EnableAudioPort") || is(n, "ActiveAudioPort") || is(n, "PortDescription")) {
    // Accepted; this device streams nothing.
  } else {
    return AB_ERR_NO_PROPERTY;
  }
  return AB_OK;
}

int SetupTestDevice::getProperty(const char* n, void* buffer, uint32_t* size) {
  if (!buffer || !size) return AB_ERR_BAD_VALUE;
  if (is(n, "DeviceName")) {
    const uint32_t bytes = std::min<uint32_t>(*size, static_cast<uint32_t>(name.size() + 1));
    std::memcpy(buffer, name.c_str(), bytes);
    *size = bytes;
  } else if (is(n, "DeviceDescription")) {
    if (*size < 8) return AB_ERR_BAD_VALUE;
    putU32(buffer, 0, 0);
    putU32(buffer, 4, static_cast<uint32_t>(driverKind));
  } else if (is(n, "PortDescription")) {
    const uint32_t count = static_cast<uint32_t>(inputNames.size() + outputNames.size());
    if (*size < 4 + 76 * count) return AB_ERR_BAD_VALUE;
    putU32(buffer, 0, count);
    uint8_t* at = static_cast<uint8_t*>(buffer) + 4;
    for (int dir = 0; dir < 2; ++dir) {
      const std::vector<std::string>& names = dir == 0 ? inputNames : outputNames;
      for (size_t i = 0; i < names.size(); ++i) {
        AudioPortEntry e;
        std::memset(&e, 0, sizeof e);
        e.index = static_cast<int32_t>(i);
        e.isOutput = static_cast<uint8_t>(dir);
        std::memcpy(e.name, names[i].data(), std::min<size_t>(names[i].size(), sizeof e.name));
        std::memcpy(at, &e, sizeof e);
        at += sizeof e;
      }
    }
  } else if (is(n, "SampleRate")) {
    if (*size != 4) return AB_ERR_BAD_VALUE;
    putU32(buffer, 0, static_cast<uint32_t>(rate));
  } else if (is(n, "SampleRateList")) {
    if (*size < 4 + 4 * rates.size()) return AB_ERR_BAD_VALUE;
    putU32(buffer, 0, static_cast<uint32_t>(rates.size()));
    for (size_t i = 0; i < rates.size(); ++i) putU32(buffer, 4 + 4 * i, static_cast<uint32_t>(rates[i]));
  } else if (is(n, "Latency") && hasLatencyProperty) {
    const int32_t words[3] = {latency, latencyLow, latencyHigh};
    const uint32_t bytes = std::min<uint32_t>(*size, latencyRanged ? 12 : 4);
    std::memcpy(buffer, words, bytes);
    *size = bytes;
  } else if (is(n, "SetInLatency") && hasInputLatencyProperty) {
    if (*size < 4) return AB_ERR_BAD_VALUE;
    putU32(buffer, 0, static_cast<uint32_t>(inputLatency));
  } else if (is(n, "ControlPanel") && hasControlPanel) {
    ++panels;
    putU32(buffer, 0, 0);
  } else if (is(n, "BufferSize") && bufferSize > 0) {
    putU32(buffer, 0, static_cast<uint32_t>(bufferSize));
  } else if (is(n, "AudioInDeviceList") && !inputDevices.empty()) {
    if (*size < 68 * inputDevices.size()) return AB_ERR_BAD_VALUE;
    for (size_t i = 0; i < inputDevices.size(); ++i) {
      AudioInDeviceEntry e;
      std::memset(&e, 0, sizeof e);
      e.index = static_cast<int32_t>(i);
      std::strncpy(e.name, inputDevices[i].c_str(), sizeof e.name - 1);
      std::memcpy(static_cast<uint8_t*>(buffer) + 68 * i, &e, sizeof e);
    }
  } else if (is(n, "ActiveAudioInDevice") && !inputDevices.empty()) {
    if (*size < 68) return AB_ERR_BAD_VALUE;
    AudioInDeviceEntry e;
    std::memset(&e, 0, sizeof e);
    e.index = activeInput;
    std::strncpy(e.name, activeInput >= 0 ? inputDevices[activeInput].c_str() : "no device", sizeof e.name - 1);
    std::memcpy(buffer, &e, sizeof e);
  } else {
    return AB_ERR_NO_PROPERTY;
  }
  return AB_OK;
}

// ---------------------------------------------------------------------------------------------------
// SetupClient

const double kTwoPi = 6.283185307179586;

void SetupClient::process(float** in, float** out, int nIn, int nOut, int frames) {
  (void)in;
  (void)nIn;
  // The device buffers by client channel, as routed (null: not connected).
  float** map = mapOutputs(out, nOut);
  const double rate = clientRate.load() > 0 ? clientRate.load() : 44100.0;
  const double freq[2] = {440.0, 1000.0};
  for (int c = 0; c < 2 && c < outputs_; ++c) {
    if (!map[c]) continue;
    for (int f = 0; f < frames; ++f)
      map[c][f] = 0.5f * static_cast<float>(std::sin(phase[c] + kTwoPi * freq[c] * f / rate));
  }
  for (int c = 0; c < 2; ++c) phase[c] = std::fmod(phase[c] + kTwoPi * freq[c] * frames / rate, kTwoPi);
  blocks.fetch_add(1);
}

void SetupClient::shortMidi(MidiEventRecord* event) {
  if (!event) return;
  lastMessage.store(uint32_t(event->data.bytes[0]) | uint32_t(event->data.bytes[1]) << 8 |
                    uint32_t(event->data.bytes[2]) << 16);
  shortMessages.fetch_add(1);
}

// ---------------------------------------------------------------------------------------------------
// DialogDriver

namespace {

const UINT kRunJob = WM_APP + 17;

struct Job {
  std::function<void(AudioSetupDialog*)> fn;
  HANDLE done;
};

struct FindDialog {
  HWND found;
};

BOOL CALLBACK findDialog(HWND hwnd, LPARAM lParam) {
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd)) {
    reinterpret_cast<FindDialog*>(lParam)->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Ends every dialog of a thread (the calling one: EndDialog acts on its own thread's dialogs only);
// answers whether there was one.
BOOL CALLBACK collectDialog(HWND hwnd, LPARAM list) {
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0) reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  return TRUE;
}

bool endDialogsOf(DWORD thread) {
  std::vector<HWND> dialogs;
  EnumThreadWindows(thread, collectDialog, reinterpret_cast<LPARAM>(&dialogs));
  for (HWND hwnd : dialogs) EndDialog(hwnd, 0);
  return !dialogs.empty();
}

}  // namespace

AudioSetupDialog* openSetupDialog() {
  if (!setupRoutingPage || !setupRoutingPage->host()) return nullptr;
  return dynamic_cast<AudioSetupDialog*>(setupRoutingPage->host()->holder());
}

Form* tabsOf(AudioSetupDialog* d) { return d->tabForm.get(); }
Form* soundCardOf(AudioSetupDialog* d) { return d->soundCardPage.get(); }
Form* routingOf(AudioSetupDialog* d) { return d->routingPage.get(); }
Form* midiOf(AudioSetupDialog* d) { return d->midiPage.get(); }
Form* buttonsOf(AudioSetupDialog* d) { return d->buttonForm.get(); }

std::string labelText(Form* form, int32_t id) {
  Label* label = form ? dynamic_cast<Label*>(form->findWidget(id)) : nullptr;
  return label ? label->textStyle().text() : std::string();
}

LRESULT CALLBACK DialogDriver::helperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunJob) {
    Job* job = reinterpret_cast<Job*>(lParam);
    job->fn(openSetupDialog());
    SetEvent(job->done);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

DialogDriver::DialogDriver() : thread_(GetCurrentThreadId()) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = helperProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MorvaneSetupTestHelper";
    RegisterClassA(&wc);
    registered = true;
  }
  helper_ = CreateWindowA("MorvaneSetupTestHelper", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                          nullptr);
}

DialogDriver::~DialogDriver() {
  if (helper_) DestroyWindow(helper_);
}

bool DialogDriver::waitForDialog(int timeoutMs) {
  dialog_ = inner_ = nullptr;
  for (int t = 0; t < timeoutMs; t += 5) {
    FindDialog f = {nullptr};
    EnumThreadWindows(thread_, findDialog, reinterpret_cast<LPARAM>(&f));
    if (f.found) {
      HWND child = GetWindow(f.found, GW_CHILD);
      if (child && IsWindowVisible(child)) {
        dialog_ = f.found;
        inner_ = child;
        // Whatever the dialog posted to itself while opening is handled first.
        onDialogThread([](AudioSetupDialog*) {});
        return true;
      }
    }
    Sleep(5);
  }
  return false;
}

void DialogDriver::onDialogThread(const std::function<void(AudioSetupDialog*)>& fn) {
  Job job{fn, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  if (PostMessageA(helper_, kRunJob, 0, reinterpret_cast<LPARAM>(&job))) WaitForSingleObject(job.done, 30000);
  CloseHandle(job.done);
}

POINT DialogDriver::widgetCentre(Form* (*form)(AudioSetupDialog*), int32_t widgetId) {
  POINT p = {-1, -1};
  onDialogThread([&](AudioSetupDialog* d) {
    if (!d) return;
    Form* f = form(d);
    Widget* w = f ? f->findWidget(widgetId) : nullptr;
    if (!w) return;
    RegionRect r = w->rect();
    d->formWindow()->childRectToContainer(f, r);
    p.x = (r.x1 + r.x2) / 2;
    p.y = (r.y1 + r.y2) / 2;
  });
  return p;
}

void DialogDriver::click(POINT p) {
  const LPARAM at = MAKELPARAM(p.x, p.y);
  PostMessageA(inner_, WM_MOUSEMOVE, 0, at);
  PostMessageA(inner_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(inner_, WM_LBUTTONUP, 0, at);
  onDialogThread([](AudioSetupDialog*) {});
}

void DialogDriver::clickWidget(Form* (*form)(AudioSetupDialog*), int32_t widgetId) {
  click(widgetCentre(form, widgetId));
}

void DialogDriver::clickCell(Form* (*form)(AudioSetupDialog*), int32_t listId, int32_t row, int32_t column) {
  POINT p = {-1, -1};
  onDialogThread([&](AudioSetupDialog* d) {
    if (!d) return;
    Form* f = form(d);
    List* list = f ? dynamic_cast<List*>(f->findWidget(listId)) : nullptr;
    RegionRect r;
    if (!list || !list->cellRect(r, row, column)) return;
    d->formWindow()->childRectToContainer(f, r);
    p.x = (r.x1 + r.x2) / 2;
    p.y = (r.y1 + r.y2) / 2;
  });
  ASSERT_GE(p.x, 0) << "no cell " << row << ", " << column;
  click(p);
}

std::string cellText(Form* form, int32_t listId, int32_t row, int32_t column) {
  List* list = form ? dynamic_cast<List*>(form->findWidget(listId)) : nullptr;
  return list ? list->cellText(row, column) : std::string();
}

int32_t listRows(Form* form, int32_t listId) {
  List* list = form ? dynamic_cast<List*>(form->findWidget(listId)) : nullptr;
  return list ? list->rowCount() : -1;
}

bool DialogDriver::chooseMenuItem(Form* (*form)(AudioSetupDialog*), const std::string& text, bool prefix) {
  POINT p = {-1, -1};
  onDialogThread([&](AudioSetupDialog* d) {
    if (!d) return;
    Form* f = form(d);
    for (Widget* w : f->widgets()) {
      ItemMenu* m = dynamic_cast<ItemMenu*>(w);
      if (!m || !m->isOpen()) continue;
      for (int32_t i = 0; i < m->itemCount(); ++i) {
        const std::string& name = m->item(i)->name;
        if (prefix ? name.compare(0, text.size(), text) != 0 : name != text) continue;
        // Scrolled into view first when the list is cut.
        const RegionRect& list = m->listRect();
        const int32_t h = m->rowHeight();
        int32_t top = list.y1 + m->offsetY() + i * h;
        if (top < list.y1 || top + h > list.y2) {
          m->setScrollOffset(0, -(i * h));
          top = list.y1 + m->offsetY() + i * h;
        }
        RegionRect r = {list.x1, top, list.x2, top + h};
        d->formWindow()->childRectToContainer(f, r);
        p.x = (r.x1 + r.x2) / 2;
        p.y = (r.y1 + r.y2) / 2;
        return;
      }
    }
  });
  if (p.x < 0) return false;
  click(p);
  return true;
}

std::string DialogDriver::capture(const std::string& name, CapturedWindow* out) {
  onDialogThread([](AudioSetupDialog* d) {
    if (d) d->formWindow()->repaint(false);
  });
  RedrawWindow(inner_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return windowCapturePng(inner_, name, out);
}

void DialogDriver::pressEscape() {
  PostMessageA(dialog_, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageA(dialog_, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  waitUntilClosed();
}

void DialogDriver::pressCloseBox() {
  PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
  waitUntilClosed();
}

bool DialogDriver::waitUntilClosed(int timeoutMs) {
  for (int t = 0; t < timeoutMs; t += 5) {
    if (!IsWindow(dialog_)) return true;
    Sleep(5);
  }
  return !IsWindow(dialog_);
}

// The settings as stored, all values of the program's key.
std::map<std::string, std::string> storedValues() {
  std::map<std::string, std::string> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsUserPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[300];
    DWORD nameLength = sizeof name;
    BYTE data[600];
    DWORD dataLength = sizeof data;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, nullptr, data, &dataLength) != ERROR_SUCCESS) break;
    values[name] = std::string(reinterpret_cast<char*>(data), dataLength);
  }
  RegCloseKey(key);
  return values;
}

uint32_t storeAndPlayMme(Host& host, int32_t route0, int32_t route1) {
  AudioManager* m = host.client.manager;
  const uint32_t mme = firstMme(m);
  if (!mme || !m->switchDevice(mme, true)) return 0;
  m->setSampleRate(mme, 44100);
  m->setLatency(mme, 50);
  m->outputRoutes[0] = route0;
  m->outputRoutes[1] = route1;
  m->saveSettings();
  m->switchDevice(mme, false);
  return host.client.loadSettings() == 1 ? mme : 0;
}

bool widgetVisible(Form* f, int32_t id) {
  Widget* w = f ? f->findWidget(id) : nullptr;
  return w && w->isVisible();
}

uint32_t switchState(Form* f, int32_t id) {
  Switch* s = f ? dynamic_cast<Switch*>(f->findWidget(id)) : nullptr;
  return s ? s->state() : 99;
}

// The names of the SoundCard page's open menu.
std::vector<std::string> openMenuNames(AudioSetupDialog* d) {
  std::vector<std::string> names;
  ItemMenu* m = d ? d->soundCardPage->menu() : nullptr;
  if (!m || !m->isOpen()) return names;
  for (int32_t i = 0; i < m->itemCount(); ++i) names.push_back(m->item(i)->name);
  return names;
}

// A client with its device layer open: the enumerated devices plus the given test devices.
Host::Host(int inputs, int outputs) : client(inputs, outputs) {
  clearSettings();
  client.manager->instance = 0;
  client.open(nullptr);
}

Host::~Host() {
  client.close();
  clearSettings();
}

uint32_t Host::add(SetupTestDevice* device) {
  const uint32_t id = abDevAddTestDevice(device);
  client.manager->audioDevices.push_back(id);
  return id;
}

// Opens the dialog on this thread and runs the automation on another; the automation must end the
// dialog (a forgotten ending is caught by a Cancel at the end of the thread). The modal call must
// return whatever happened: a dialog still up after that (one shown only after the wait for it ran
// out, or one Cancel did not close) is ended outright, and the test fails.
void runDialog(SetupClient& client, bool showTabs, const std::function<void(DialogDriver&)>& automation) {
  runInApplication([&](RecordingApplication&) {
    DialogDriver driver;
    std::atomic<bool> returned{false}, finished{false}, appeared{false}, forced{false};
    std::thread robot([&] {
      if (driver.waitForDialog(60000)) {
        appeared = true;
        automation(driver);
      }
      if (IsWindow(driver.dialog())) {
        driver.clickWidget(buttonsOf, 2);
        driver.waitUntilClosed();
      }
      for (const DWORD start = GetTickCount(); !returned && GetTickCount() - start < 120000; Sleep(20))
        driver.onDialogThread([&](AudioSetupDialog*) {
          if (!returned && endDialogsOf(GetCurrentThreadId())) forced = true;
        });
      finished = true;
    });
    client.abOpenAudioSetup(nullptr, showTabs, nullptr);
    returned = true;
    // The automation's last requests may come after the dialog ended: they are served here.
    pumpUntil([&] { return finished.load(); }, 180000);
    robot.join();
    EXPECT_TRUE(appeared) << "the dialog did not appear within 60 s";
    EXPECT_FALSE(forced) << "the dialog had to be ended: neither the automation nor Cancel closed it";
  });
}
