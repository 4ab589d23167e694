// The Envelope page's view record and engine of a window, through the main window's data.
#include "app/mainWindowData.h"
#include "envelope/envView.h"

EnvelopeView* envViewOf(WinId win) {
  MainWindowData* d = mainWindowData(win);
  return d ? &d->envView : nullptr;
}

Engine* envEngineOf(WinId win) {
  MainWindowData* d = mainWindowData(win);
  return d ? d->engine : nullptr;
}
