// The "Audio Setup" dialog: the host's own modal form dialog with a tab bar, one of three pages
// (SoundCard, Routing, MIDI) and an OK/Cancel bar. While it is open the pages change the manager and
// its devices directly; OK applies the pages' copies of the routes and MIDI switches and saves the
// settings, any other ending reloads the stored ones.
#pragma once

#include <cstdint>
#include <memory>

#include "NGLFormDialogHost.h"
#include "NGLWidget.h"

class AudioManager;
class AudioRoutingPage;
class Form;
class FormHostListener;
class MidiPortsPage;
class SoundCardPage;

// Forms of the dialog.
constexpr int32_t AB_FORM_SOUNDCARD = 1001;
constexpr int32_t AB_FORM_BUTTONS = 1002;
constexpr int32_t AB_FORM_ROUTING = 1006;
constexpr int32_t AB_FORM_TABS = 1007;
constexpr int32_t AB_FORM_MIDI = 1008;

class AudioSetupDialog : public FormDialogHost, public WidgetListener {
 public:
  // Loads the five forms into the form window (the pages hidden) and shows the SoundCard page.
  explicit AudioSetupDialog(FormHostListener* listener);
  // Takes the forms out of the form window, then destroys them in reverse order.
  ~AudioSetupDialog() override;

  // Tabs switch pages; OK (1) and Cancel (2) set the result word and end the dialog.
  bool onWidgetEvent(int32_t widgetId, int32_t code, void* data) override;
  // Withholds driver kind `kind` (0..9) from the SoundCard page's Interface menu.
  void disableDriverKind(int kind);
  // 1001, 1006 or 1008; any other id selects the first tab and hides the page.
  void showPage(int32_t formId);
  // Fills the pages from the manager, runs the dialog modally and applies (result 1) or reloads the
  // stored settings (0 Cancel, -1 Esc or the close box). Answers the result word.
  int run(const WindowSpec& spec);

  AudioManager* manager = nullptr;
  uint8_t showTabs = 1;
  std::unique_ptr<Form> tabForm;
  std::unique_ptr<Form> buttonForm;
  std::unique_ptr<SoundCardPage> soundCardPage;
  std::unique_ptr<AudioRoutingPage> routingPage;
  std::unique_ptr<MidiPortsPage> midiPage;
  Form* currentPage = nullptr;
};
