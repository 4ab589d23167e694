// The SoundCard page: device, rate, latency and input choices applied to the manager as they are made.
#include "ABSoundCardPage.h"

#include <cstdio>
#include <cstring>

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "ABDevice.h"
#include "ABDeviceAccessors.h"
#include "ABRoutingPages.h"
#include "GPClamp.h"
#include "NGLItemMenu.h"
#include "NGLLabel.h"
#include "NGLSelector.h"
#include "NGLSwitch.h"

AudioManager* setupManager = nullptr;
int32_t setupDevice = -1;
AudioRoutingPage* setupRoutingPage = nullptr;
float setupSampleRate = 44100.0f;
int32_t setupOutputLatency = 10;
int32_t setupInputLatency = 10;
int32_t setupDriverKind = -1;

namespace {

// Widgets of the page.
enum : int32_t {
  kLatencyOut = 2,
  kLatencyIn = 3,
  kOutputCaption = 5,
  kDeviceLabel = 6,
  kKindLabel = 8,
  kInputCaption = 9,
  kInputLabel = 10,
  kDeviceButton = 14,
  kInputButton = 15,
  kOutLatencyCaption = 18,
  kOutLatencyLabel = 19,
  kInLatencyCaption = 20,
  kRateLabel = 22,
  kRateButton = 23,
  kKindButton = 24,
  kInLatencyLabel = 25,
  kPanelButton = 103,
};

// What switches, selectors and menus send for a press, a change or a choice.
const int32_t kNotify = 100001;
const int32_t kMenuMaxHeight = 140;
const int32_t kLatencyMax = 400;

std::string entryName(const AudioInDeviceEntry& e) { return std::string(e.name, strnlen(e.name, sizeof e.name)); }

}  // namespace

// ---------------------------------------------------------------------------------------------------
// AudioSetupPage

AudioSetupPage::AudioSetupPage() {
  for (uint8_t& k : driverKindEnabled) k = 1;
}

AudioSetupPage::~AudioSetupPage() = default;

void AudioSetupPage::disableDriverKind(int kind) {
  if (kind >= 0 && kind < 10) driverKindEnabled[kind] = 0;
}

void AudioSetupPage::fillDeviceList() {
  deviceIds.clear();
  deviceKinds.clear();
  std::vector<uint32_t> ids;
  listAudioDevices(&ids);
  for (uint32_t id : ids) {
    int kind = deviceKind(id);
    if (kind == AB_ERR_NOT_OPEN && abDevIsOpen(id) == 0 && abDevOpen(id, true) == AB_OK) {
      kind = deviceKind(id);
      abDevOpen(id, false);
    }
    deviceIds.push_back(static_cast<int32_t>(id));
    deviceKinds.push_back(kind >= 0 ? kind : -1);
  }
}

int32_t AudioSetupPage::kindOf(int32_t id) const {
  for (size_t i = 0; i < deviceIds.size(); ++i)
    if (deviceIds[i] == id) return deviceKinds[i];
  return -1;
}

ItemMenu* AudioSetupPage::menu() {
  if (!menu_) {
    menu_ = new ItemMenu;
    menu_->setId(AB_MENU_DEVICE);
    addWidget(menu_);
    menu_->addListener(this);
  }
  return menu_;
}

bool AudioSetupPage::selectDevice(int32_t id) {
  AudioManager* manager = setupManager;
  if (!manager) return false;
  if (setupDevice != -1) manager->switchDevice(static_cast<uint32_t>(setupDevice), false);
  setupDevice = id;
  if (id < 0 || !manager->switchDevice(static_cast<uint32_t>(id), true)) return false;
  if (setupRoutingPage) setupRoutingPage->deviceChanged(id);
  return true;
}

void AudioSetupPage::openMenu(int32_t menuId, int32_t labelId, const std::vector<std::string>& names,
                              const std::vector<int32_t>& values) {
  Widget* label = findWidget(labelId);
  ItemMenu* m = menu();
  if (!label || !m) return;
  m->setId(menuId);
  m->clear();
  const RegionRect& r = label->rect();
  m->setFixedWidth(r.x2 - r.x1);
  m->setMaxHeight(kMenuMaxHeight);
  menuValues_ = values;
  for (size_t i = 0; i < names.size(); ++i) m->addItem(names[i].c_str(), nullptr, values[i]);
  m->open(r.x1, r.y2, this, true, true);
}

bool AudioSetupPage::onWidgetEvent(int32_t widgetId, int32_t code, void* data) {
  if (!menu_ || widgetId != menu_->id() || code != kNotify || !data) return false;
  const ItemMenuChoice* choice = static_cast<const ItemMenuChoice*>(data);
  const int32_t row = choice->row;
  if (row < 0 || static_cast<size_t>(row) >= menuValues_.size()) return true;
  const int32_t value = menuValues_[static_cast<size_t>(row)];
  AudioManager* manager = setupManager;
  switch (widgetId) {
    case AB_MENU_INTERFACE:
      if (value != setupDriverKind) {
        setupDriverKind = value;
        // Every device of the kind is opened in turn; the last one stays chosen.
        for (int32_t id : deviceIds)
          if (kindOf(id) == value) selectDevice(id);
        refreshDevice();
      }
      break;
    case AB_MENU_DEVICE:
      if (value >= 0 && static_cast<size_t>(value) < deviceIds.size() && deviceIds[value] != setupDevice) {
        selectDevice(deviceIds[value]);
        refreshDevice();
      }
      break;
    case AB_MENU_INPUT:
      if (value >= 0 && static_cast<size_t>(value) < inputDevices.size() && setupDevice != -1) {
        selectInputDevice(static_cast<uint32_t>(setupDevice), &inputDevices[value]);
        selectDevice(setupDevice);  // closed and opened again with the new input
        refreshDevice();
      }
      break;
    case AB_MENU_RATE:
      if (value >= 0 && static_cast<size_t>(value) < sampleRates.size()) {
        const int rate = sampleRates[value];
        setupSampleRate = static_cast<float>(rate);
        if (manager && setupDevice != -1) manager->setSampleRate(static_cast<uint32_t>(setupDevice), rate);
        refreshRate();
      }
      break;
    default: break;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// SoundCardPage

SoundCardPage::SoundCardPage() {
  setupOutputLatency = 10;
  setupInputLatency = 10;
}

void SoundCardPage::driverKindName(int kind, std::string* name) {
  const char* text = "hu?";
  switch (kind) {
    case 1: text = "ASIO"; break;
    case 2: text = "MultiMedia"; break;
    case 3: text = "DirectSound"; break;
    case 4: text = "SoundManager"; break;
    case 5: text = "CoreAudio"; break;
    case 9: text = "Alsa"; break;
    case 10: text = "aRts"; break;
    case 11: text = "OSS"; break;
    case 12: text = "Jack"; break;
    default: break;
  }
  *name = text;
}

void SoundCardPage::setLabel(int32_t id, const char* text) {
  if (Label* label = dynamic_cast<Label*>(findWidget(id))) label->setText(text);
}

void SoundCardPage::showWidget(int32_t id, bool on) {
  if (Widget* w = findWidget(id)) w->setVisible(on);
}

void SoundCardPage::init() {
  for (int32_t id : {kDeviceButton, kDeviceLabel, kLatencyOut, kRateButton, kRateLabel, kPanelButton, kKindButton,
                     kKindLabel, kInputButton, kInputLabel, kLatencyIn})
    if (Widget* w = findWidget(id)) w->addListener(this);
  menu();
  setLabel(kKindLabel, "--");
  if (setupDevice == -1) {
    const int id = defaultDevice();
    if (id >= 0) selectDevice(id);
  }
  refreshDevice();
  refreshRate();
  refreshLatency(false);
}

void SoundCardPage::refreshDevice() {
  AudioManager* manager = setupManager;
  for (int32_t id : deviceIds) {
    std::string name;
    deviceName(static_cast<uint32_t>(id), &name);
    if (id != setupDevice) continue;
    setLabel(kDeviceLabel, name.c_str());
    setupDriverKind = kindOf(id);
    std::string kind;
    driverKindName(setupDriverKind, &kind);
    setLabel(kKindLabel, kind.c_str());
    if (manager) setupOutputLatency = manager->latencyMs;
  }
  if (setupDevice != -1) {
    const uint32_t id = static_cast<uint32_t>(setupDevice);
    hasInputDevices = listInputDevices(id, &inputDevices) == AB_OK ? 1 : 0;
    AudioInDeviceEntry active;
    if (hasInputDevices && activeInputDevice(id, &active) == AB_OK) setLabel(kInputLabel, entryName(active).c_str());
    setupInputLatency =
        (manager && manager->audioDevice != -1) ? deviceInputLatency(static_cast<uint32_t>(manager->audioDevice)) : 0;
  }
  refreshLatency(false);
}

void SoundCardPage::refreshRate() {
  char text[32];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(setupSampleRate));
  setLabel(kRateLabel, text);
  refreshLatency(false);
}

void SoundCardPage::refreshLatency(bool apply) {
  AudioManager* manager = setupManager;
  const bool hasDevice = setupDevice != -1;
  const uint32_t id = hasDevice ? static_cast<uint32_t>(setupDevice) : 0;
  int outLow = 0, outHigh = kLatencyMax, inLow = 0, inHigh = kLatencyMax;
  const bool outRange = hasDevice && latencyRange(id, &outLow, &outHigh) && outLow <= outHigh;
  const bool inRange = hasDevice && inputLatencyRange(id, &inLow, &inHigh) && inLow <= inHigh;
  // One value for the page, the selector and the device: clamped into the device's range here.
  const int32_t asked = setupOutputLatency;
  if (outRange) setupOutputLatency = gpClamp(setupOutputLatency, outLow, outHigh);
  const bool cut = setupOutputLatency != asked;
  if (inRange) setupInputLatency = gpClamp(setupInputLatency, inLow, inHigh);

  bool settable = false;
  const bool latencySettable = hasDevice && hasLatency(id, &settable) && settable;
  // A device that runs at another latency than the page shows (another device or rate chosen) is
  // given the page's, so the label tells what the thumb says.
  const bool chosen = apply;
  if (latencySettable && deviceLatency(id) != setupOutputLatency) apply = true;
  if (apply && manager && hasDevice) {
    const int32_t kept = manager->latencyMs;
    manager->setLatency(id, setupOutputLatency);
    setInputLatency(id, setupInputLatency);
    // The device keeps the latency it can make of the value (whole frames): from here on the
    // thumb, the label and the manager (hence the stored setting) all hold that one.
    const int32_t actual = latencySettable ? deviceLatency(id) : 0;
    if (actual > 0) {
      setupOutputLatency = actual;
      manager->latencyMs = actual;
    }
    // A latency that only this device's range cut, not a choice, stays the one kept: the next
    // device that can make it gets it again.
    if (!chosen && cut && asked == kept) manager->latencyMs = kept;
    if (latencySettable && hasInputLatency(id, nullptr) && deviceInputLatency(id) > 0)
      setupInputLatency = deviceInputLatency(id);
  }
  showWidget(kPanelButton, hasDevice && hasControlPanel(id));

  Selector* outSelector = dynamic_cast<Selector*>(findWidget(kLatencyOut));
  Selector* inSelector = dynamic_cast<Selector*>(findWidget(kLatencyIn));
  bool changeable = false;
  char text[32];
  if (hasDevice && hasLatency(id, &changeable) && changeable) {
    if (outSelector) {
      outSelector->setMinimum(outRange ? float(outLow) : 0.0f);
      outSelector->setMaximum(outRange ? float(outHigh) : float(kLatencyMax));
      outSelector->setValue(static_cast<float>(static_cast<uint32_t>(setupOutputLatency)));
    }
    if (inSelector) {
      inSelector->setMinimum(inRange ? float(inLow) : 0.0f);
      inSelector->setMaximum(inRange ? float(inHigh) : float(kLatencyMax));
      inSelector->setValue(static_cast<float>(static_cast<uint32_t>(setupInputLatency)));
    }
    std::snprintf(text, sizeof text, "%u ms", static_cast<unsigned>(deviceLatency(id)));
    setLabel(kOutLatencyLabel, text);
    std::snprintf(text, sizeof text, "%u ms", static_cast<unsigned>(deviceInputLatency(id)));
    setLabel(kInLatencyLabel, text);
    showWidget(kLatencyOut, true);
    AudioInDeviceEntry active;
    const bool inputShown =
        hasInputLatency(id, nullptr) && activeInputDevice(id, &active) == AB_OK && active.index >= 0;
    showWidget(kLatencyIn, inputShown);
    showWidget(kInLatencyLabel, inputShown);
    showWidget(kInLatencyCaption, inputShown);
  } else {
    if (hasDevice && hasLatency(id, &changeable)) {
      std::snprintf(text, sizeof text, "%u ms", static_cast<unsigned>(deviceLatency(id)));
    } else {
      const int frames = hasDevice && hasBufferSize(id) ? deviceBufferSize(id) : 0;
      if (frames > 0 && setupSampleRate > 0.0f)
        std::snprintf(text, sizeof text, "%u ms", static_cast<unsigned>(frames * 1000.0 / setupSampleRate));
      else
        std::snprintf(text, sizeof text, "--");
    }
    setLabel(kOutLatencyLabel, text);
    for (int32_t w : {kLatencyOut, kLatencyIn, kInLatencyLabel, kInLatencyCaption}) showWidget(w, false);
  }

  AudioHostClient* c = client;
  if (c && c->inputCount() > 0) {
    for (int32_t w : {kInputCaption, kInputLabel, kInputButton}) showWidget(w, hasInputDevices != 0);
  } else {
    // Without inputs the output latency row takes the input device row's place (once: afterwards
    // the two tops agree).
    Widget* inputCaption = findWidget(kInputCaption);
    Widget* outputCaption = findWidget(kOutLatencyCaption);
    const int32_t shift = inputCaption && outputCaption ? inputCaption->rect().y1 - outputCaption->rect().y1 : 0;
    if (shift != 0) {
      for (int32_t wid : {kOutLatencyCaption, kLatencyOut, kOutLatencyLabel}) {
        if (Widget* w = findWidget(wid)) {
          RegionRect r = w->rect();
          r.y1 += shift;
          r.y2 += shift;
          w->setRect(r);
        }
      }
    }
    for (int32_t wid : {kInputCaption, kInputLabel, kInputButton, kInLatencyCaption, kLatencyIn, kInLatencyLabel}) {
      if (Widget* w = findWidget(wid)) {
        w->setVisible(false);
        w->setEnabled(false);
      }
    }
  }
  if (Widget* w = findWidget(kPanelButton)) w->invalidate(0);
  if (outSelector) outSelector->invalidate(0);
  const FormSize s = size();
  invalidateRect(RegionRect{0, 0, s.width, s.height});
}

void SoundCardPage::openInterfaceMenu() {
  std::vector<std::string> names;
  std::vector<int32_t> values;
  for (int32_t id : deviceIds) {
    const int kind = kindOf(id);
    if (kind < 0 || (kind < 10 && !driverKindEnabled[kind])) continue;
    bool listed = false;
    for (int32_t v : values) listed = listed || v == kind;
    if (listed) continue;
    std::string name;
    driverKindName(kind, &name);
    names.push_back(name);
    values.push_back(kind);
  }
  openMenu(AB_MENU_INTERFACE, kKindLabel, names, values);
}

void SoundCardPage::openDeviceMenu() {
  std::vector<std::string> names;
  std::vector<int32_t> values;
  for (size_t i = 0; i < deviceIds.size(); ++i) {
    const uint32_t id = static_cast<uint32_t>(deviceIds[i]);
    if (deviceKinds[i] != setupDriverKind) continue;
    std::string name;
    deviceName(id, &name);
    names.push_back(name);
    values.push_back(static_cast<int32_t>(i));
  }
  openMenu(AB_MENU_DEVICE, kDeviceLabel, names, values);
}

void SoundCardPage::openInputMenu() {
  std::vector<std::string> names;
  std::vector<int32_t> values;
  for (size_t i = 0; i < inputDevices.size(); ++i) {
    names.push_back(entryName(inputDevices[i]));
    values.push_back(static_cast<int32_t>(i));
  }
  openMenu(AB_MENU_INPUT, kInputLabel, names, values);
}

void SoundCardPage::openRateMenu() {
  sampleRates.clear();
  if (setupDevice != -1) {
    std::vector<int> rates;
    listSampleRates(static_cast<uint32_t>(setupDevice), &rates, setupManager);
    sampleRates.assign(rates.begin(), rates.end());
  }
  std::vector<std::string> names;
  std::vector<int32_t> values;
  char text[32];
  for (size_t i = 0; i < sampleRates.size(); ++i) {
    std::snprintf(text, sizeof text, "%d", sampleRates[i]);
    names.push_back(text);
    values.push_back(static_cast<int32_t>(i));
  }
  openMenu(AB_MENU_RATE, kRateLabel, names, values);
}

bool SoundCardPage::onWidgetEvent(int32_t widgetId, int32_t code, void* data) {
  if (menu_ && widgetId == menu_->id()) return AudioSetupPage::onWidgetEvent(widgetId, code, data);
  if (code != kNotify) return false;
  switch (widgetId) {
    case kLatencyOut:
      if (Selector* s = dynamic_cast<Selector*>(findWidget(kLatencyOut))) {
        setupOutputLatency = static_cast<int32_t>(s->currentValue());
        refreshLatency(true);
      }
      break;
    case kLatencyIn:
      if (Selector* s = dynamic_cast<Selector*>(findWidget(kLatencyIn))) {
        setupInputLatency = static_cast<int32_t>(s->currentValue());
        refreshLatency(true);
      }
      break;
    case kDeviceLabel:
    case kDeviceButton: openDeviceMenu(); break;
    case kKindLabel:
    case kKindButton: openInterfaceMenu(); break;
    case kInputLabel:
    case kInputButton: openInputMenu(); break;
    case kRateLabel:
    case kRateButton: openRateMenu(); break;
    case kPanelButton:
      if (Switch* s = dynamic_cast<Switch*>(findWidget(kPanelButton))) {
        s->setState(1);
        if (setupDevice != -1) controlPanelSet(static_cast<uint32_t>(setupDevice));  // shows the panel
        s->setState(0);
      }
      refreshLatency(false);
      break;
    default: break;
  }
  return true;
}
