// Opening the About box: its resource set, the dialog over the window and the window description.
#include "app/aboutBox.h"

#include <new>

#include "NGLFormHost.h"
#include "about/aboutDialog.h"
#include "app/synthApp.h"
#include "controls/winSlots.h"
#include "uia.h"

const char* const appAboutTitle = "About VL Morvane 3";

void appRunAboutBox(WinId window, std::int32_t autoCloseSeconds) {
  FormHostListener listener;
  listener.attach(kAboutMapId, kAboutMapId);
  Window* owner = window >= 1 && window <= 32 ? winGetFrameworkObject(window) : nullptr;
  AboutDialog* dialog = new (std::nothrow) AboutDialog(owner, &listener, dynamic_cast<SynthApp*>(uiaApplication()));
  if (dialog) {
    if (autoCloseSeconds > 0) dialog->setAutoClose(autoCloseSeconds);
    if (dialog->formLoaded()) {
      WindowSpec spec;
      spec.flags = UIA_SPEC_BACKGROUND | UIA_SPEC_PARENT;
      spec.options = 32;
      spec.parent = owner;
      spec.setTitle(appAboutTitle);
      dialog->run(spec, 0);
    }
    delete dialog;
  }
  listener.detach();
}

void appShowAbout(WinId window) {
  if (uiaApplication()) appRunAboutBox(window);
}
