// The "Audio Setup" dialog and the client's entry that opens it.
#include "ABAudioSetupDialog.h"

#include "ABAudioClient.h"
#include "ABAudioManager.h"
#include "ABDeviceAccessors.h"
#include "ABRoutingPages.h"
#include "ABSoundCardPage.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLFormWindow.h"
#include "NGLSwitch.h"

namespace {

const int32_t kTabSoundCard = 100;
const int32_t kTabRouting = 103;
const int32_t kTabMidi = 104;
const int32_t kButtonOk = 1;
const int32_t kButtonCancel = 2;
const int32_t kNotify = 100001;

void setSwitchState(Form* form, int32_t id, uint32_t state) {
  if (Switch* s = dynamic_cast<Switch*>(form->findWidget(id))) s->setState(state);
}

}  // namespace

AudioSetupDialog::AudioSetupDialog(FormHostListener* listener)
    : FormDialogHost(nullptr, nullptr, true),
      tabForm(std::make_unique<Form>()),
      buttonForm(std::make_unique<Form>()),
      soundCardPage(std::make_unique<SoundCardPage>()),
      routingPage(std::make_unique<AudioRoutingPage>(nullptr, nullptr)),
      midiPage(std::make_unique<MidiPortsPage>()) {
  setOwnerData(listener);
  Form* forms[] = {tabForm.get(), soundCardPage.get(), routingPage.get(), midiPage.get(), buttonForm.get()};
  for (Form* f : forms) f->setProvider(listener);
  FormWindow& window = *formWindow();
  window.appendChildFromResource(tabForm.get(), AB_FORM_TABS, true);
  window.appendChildFromResource(soundCardPage.get(), AB_FORM_SOUNDCARD, false);
  window.appendChildFromResource(routingPage.get(), AB_FORM_ROUTING, false);
  window.appendChildFromResource(midiPage.get(), AB_FORM_MIDI, false);
  window.appendChildFromResource(buttonForm.get(), AB_FORM_BUTTONS, true);
  for (int32_t id : {kTabSoundCard, kTabRouting, kTabMidi})
    if (Widget* w = tabForm->findWidget(id)) w->addListener(this);
  for (int32_t id : {kButtonOk, kButtonCancel})
    if (Widget* w = buttonForm->findWidget(id)) w->addListener(this);
  showPage(AB_FORM_SOUNDCARD);
}

AudioSetupDialog::~AudioSetupDialog() {
  if (FormWindow* window = formWindow()) window->clearChildren();
}

void AudioSetupDialog::disableDriverKind(int kind) { soundCardPage->disableDriverKind(kind); }

void AudioSetupDialog::showPage(int32_t formId) {
  int32_t tab = kTabSoundCard;
  Form* page = nullptr;
  switch (formId) {
    case AB_FORM_SOUNDCARD: page = soundCardPage.get(); break;
    case AB_FORM_ROUTING:
      tab = kTabRouting;
      page = routingPage.get();
      break;
    case AB_FORM_MIDI:
      tab = kTabMidi;
      page = midiPage.get();
      break;
    default: break;
  }
  for (int32_t id : {kTabSoundCard, kTabRouting, kTabMidi}) setSwitchState(tabForm.get(), id, 0);
  setSwitchState(tabForm.get(), tab, 1);
  FormWindow& window = *formWindow();
  if (!currentPage) {
    if (page) window.setChildActive(page, true);
  } else if (currentPage != page) {
    window.switchChild(currentPage, page);
  }
  currentPage = page;
}

bool AudioSetupDialog::onWidgetEvent(int32_t widgetId, int32_t code, void* data) {
  (void)data;
  Widget* tab = tabForm->findWidget(widgetId);
  if (tab && widgetId == kTabSoundCard) {
    showPage(AB_FORM_SOUNDCARD);
  } else if (tab && widgetId == kTabRouting) {
    showPage(AB_FORM_ROUTING);
  } else if (tab && widgetId == kTabMidi) {
    showPage(AB_FORM_MIDI);
  } else if ((widgetId == kButtonOk || widgetId == kButtonCancel) && code == kNotify) {
    result = widgetId == kButtonOk ? 1 : 0;
    end();
  }
  return true;
}

int AudioSetupDialog::run(const WindowSpec& spec) {
  AudioManager* m = manager;
  setupManager = m;
  setupDevice = m ? m->audioDevice : -1;
  setupRoutingPage = routingPage.get();

  AudioHostClient* client = m ? m->client() : nullptr;
  soundCardPage->client = client;
  soundCardPage->fillDeviceList();

  routingPage->manager = m;
  routingPage->client = client;
  routingPage->device = setupDevice;
  if (!showTabs) formWindow()->setChildActive(tabForm.get(), false);
  for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
    midiPage->midiInPorts[n] = m ? m->midiInPorts[n] : 0;
    midiPage->midiOutPorts[n] = m ? m->midiOutPorts[n] : 0;
  }
  midiPage->midiDevice = m ? m->midiDevice : -1;
  if (setupDevice != -1) {
    const uint32_t id = static_cast<uint32_t>(setupDevice);
    for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
      routingPage->outputRoutes[n] = m->outputRoutes[n];
      routingPage->inputRoutes[n] = m->inputRoutes[n];
    }
    setupSampleRate = static_cast<float>(deviceSampleRate(id));
    setupOutputLatency = m->latencyMs;
    setupInputLatency = deviceInputLatency(id);
  }
  soundCardPage->init();
  routingPage->init();
  midiPage->init();

  FormDialogHost::run(spec, 0);
  const int answer = result;

  if (m) {
    if (setupDevice != -1) m->switchDevice(static_cast<uint32_t>(setupDevice), false);
    if (answer == 1) {
      uint8_t in[AB_MAX_CHANNELS], out[AB_MAX_CHANNELS];
      for (int n = 0; n < AB_MAX_CHANNELS; ++n) {
        in[n] = midiPage->midiInPorts[n] != 0 ? 1 : 0;
        out[n] = midiPage->midiOutPorts[n] != 0 ? 1 : 0;
      }
      m->applyMidiPorts(false, in);
      m->applyMidiPorts(true, out);
      if (setupDevice != -1) {
        const uint32_t id = static_cast<uint32_t>(setupDevice);
        if (m->switchDevice(id, true)) {
          m->applyRoutes(true, routingPage->outputRoutes);
          m->applyRoutes(false, routingPage->inputRoutes);
          m->restartDevice(id, true);
        }
      }
      m->saveSettings();
    } else {
      // Cancel, Esc and the close box: back to what is stored, nothing written.
      m->loadSettings();
    }
  }
  setupRoutingPage = nullptr;
  setupManager = nullptr;
  return answer;
}

void AudioHostClient::abOpenAudioSetup(Window* parent, bool showTabs, const char* title) {
  if (!manager) return;
  FormHostListener listener;
  listener.attach(1000, 1000);
  {
    AudioSetupDialog dialog(&listener);
    WindowSpec spec;
    spec.flags = UIA_SPEC_BACKGROUND | UIA_SPEC_PARENT;
    spec.options = UIA_DIALOG_SYSTEM_MENU;
    spec.parent = parent;
    spec.setTitle(title ? title : "Audio Setup");
    dialog.manager = manager;
    dialog.showTabs = showTabs ? 1 : 0;
    for (int kind = 0; kind < 10; ++kind)
      if (!driverKinds[kind]) dialog.disableDriverKind(kind);
    dialog.run(spec);
  }
  listener.detach();
}
