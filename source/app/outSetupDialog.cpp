// The "Morvane Output Setup" dialog: an outer captioned window holding an inner window with the
// controls. The speaker selectors sit on a circle drawn in the background, one per speaker of the
// layout at its angle; below them the LFE switch, the LFE's output and its frequency and gain. Every
// choice goes to the engine at once; OK also writes the values to the registry, any other way of
// closing leaves the registry as it was.
#include <cmath>
#include <cstdio>

#include "app/appNewToolWindow.h"
#include "app/appWindows.h"
#include "app/mainWindow.h"
#include "app/outSetup.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/stepRules.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/surround.h"
#include "preset/wave.h"
#include "skinPalette.h"

namespace {

const int bitmapBackground = 2408;
const int bitmapOk = 1624;
const int bitmapConfiguration = 340;
const int bitmapLfeSwitch = 2416;
const int bitmapOutput = 2424;  // frame of the output selectors: left, middle, right, then open

// Centre and radius of the speaker circle, for the selectors' top left corners.
const int circleX = 142, circleY = 114, circleRadius = 89;

struct DialogState {
  std::uint8_t open;
  WinId parent;
  Engine* engine;
  WinId window;        // the outer window
  std::int16_t inner;  // the window with the controls
};
DialogState g = {0, 0, nullptr, 0, 0};

SurroundSettings* settings() { return g.engine ? &g.engine->surround : nullptr; }

void setNumberLabel(std::int16_t w, std::uint16_t item, int output) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", output + 1);
  selectorSetLabel(w, item, text);
}

int speakerCount(int layout) {
  const SpeakerLayout* l = surroundGetLayout(layout);
  return l ? l->speakers : 0;
}

// Where the selector of a speaker at `angle` (1024ths of a turn, clockwise from the front) goes: the
// engine's global sine wave gives the sine at the angle and the cosine a quarter turn on.
CtrlPoint speakerPlace(Engine* engine, std::uint16_t angle) {
  const WaveRecord* sine = waveGet(engine, 0);
  const float s = sine ? sine->samples[angle & 1023u] : 0.0f;
  const float c = sine ? sine->samples[(angle + 256u) & 1023u] : 0.0f;
  CtrlPoint p;
  p.x = static_cast<std::int16_t>(static_cast<int>(circleX + circleRadius * s));
  p.y = static_cast<std::int16_t>(static_cast<int>(circleY - circleRadius * c));
  return p;
}

void showLayout(std::int16_t w, int layout) {
  SurroundSettings* s = settings();
  if (!s) return;
  winSetCurrent(w);
  winSelectPort(w, nullptr);
  for (int id = outSetupItemFirstSpeaker; id <= outSetupItemLastSpeaker; ++id)
    ctrlShow(w, static_cast<std::uint16_t>(id), 0);
  char name[32];
  surroundGetModeName(layout, name, sizeof name);
  menuCheckItem(w, outSetupItemConfiguration, layout + 1, 1);
  selectorSetLabel(w, outSetupItemConfiguration, name);
  const SpeakerLayout* l = surroundGetLayout(layout);
  const int speakers = l ? l->speakers : 0;
  for (int i = 0; i < speakers && i < surroundMaxOutputs; ++i) {
    const std::uint16_t id = static_cast<std::uint16_t>(outSetupItemFirstSpeaker + i);
    setNumberLabel(w, id, surroundGetChannelMap(s, static_cast<std::int16_t>(i)));
    const CtrlPoint p = speakerPlace(g.engine, l->angles[i]);
    ctrlMoveTo(w, id, p.x, p.y);
    ctrlShow(w, id, 1);
  }
  setNumberLabel(w, outSetupItemLfeOutput,
                 surroundGetChannelMap(s, static_cast<std::int16_t>(surroundGetLfeChannel(s))));
  const bool roomForLfe = speakers < surroundMaxOutputs;
  ctrlShow(w, outSetupItemLfe, roomForLfe ? 1 : 0);
  ctrlShow(w, outSetupItemLfeGroup, roomForLfe && surroundGetLfeOn(s) ? 1 : 0);
}

void fillConfigurationMenu(ControlItem* item, std::int32_t opening) {
  if (!opening || !item) return;
  const std::int16_t w = item->windowId;
  for (int k = 1; k <= surroundLayoutCount; ++k) {
    char name[32];
    surroundGetModeName(k - 1, name, sizeof name);
    menuAppendItem(w, outSetupItemConfiguration, k, 1, name, 0);
    menuEnableItem(w, outSetupItemConfiguration, k, outSetupLayoutFits(g.engine, k - 1) ? 1 : 0);
  }
  if (SurroundSettings* s = settings()) menuCheckItem(w, outSetupItemConfiguration, surroundGetModeWord(s) + 1, 1);
}

// The output a channel selector shows: a speaker's entry, or the LFE's.
int shownOutput(std::uint16_t id) {
  SurroundSettings* s = settings();
  if (!s) return 0;
  if (id == outSetupItemLfeOutput) return surroundGetChannelMap(s, static_cast<std::int16_t>(surroundGetLfeChannel(s)));
  return surroundGetChannelMap(s, static_cast<std::int16_t>(id - outSetupItemFirstSpeaker));
}

void fillChannelMenu(ControlItem* item, std::int32_t opening) {
  if (!opening || !item) return;
  const std::int16_t w = item->windowId;
  const std::uint16_t id = item->id;
  const int n = engineGetOutputCount(g.engine);
  for (int k = 1; k <= n; ++k) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", k);
    menuAppendItem(w, id, k, 1, text, 0);
  }
  const int current = shownOutput(id) + 1;
  if (current <= n) menuCheckItem(w, id, current, 1);
}

void onConfiguration(ControlItem* item, std::int16_t, std::int16_t entry) {
  SurroundSettings* s = settings();
  if (!s || !item) return;
  const int layout = entry >= 1 && entry <= surroundLayoutCount ? entry - 1 : 0;
  surroundSetModeAndClamp(s, static_cast<std::int16_t>(layout));
  showLayout(item->windowId, layout);
}

void onChannel(ControlItem* item, std::int16_t, std::int16_t entry) {
  SurroundSettings* s = settings();
  if (!s || !item || entry < 1) return;
  const std::int16_t output = static_cast<std::int16_t>(entry - 1);
  if (item->id == outSetupItemLfeOutput)
    surroundSetChannelMap(s, static_cast<std::int16_t>(surroundGetLfeChannel(s)), output);
  else if (item->id >= outSetupItemFirstSpeaker && item->id <= outSetupItemLastSpeaker)
    surroundSetChannelMap(s, static_cast<std::int16_t>(item->id - outSetupItemFirstSpeaker), output);
  else
    return;
  selectorSelect(item->windowId, item->id, entry);
}

void onLfe(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  SurroundSettings* s = settings();
  if (!s || !item) return;
  const std::int16_t w = item->windowId;
  winSelectPort(w, nullptr);
  ctrlShow(w, outSetupItemLfeGroup, pressed ? 1 : 0);
  surroundSetLfeOn(s, pressed ? 1 : 0);
}

void onNumber(ControlItem* item, double value) {
  SurroundSettings* s = settings();
  if (!s || !item) return;
  if (item->id == outSetupItemLfeFreq)
    surroundSetLfeFreq(s, static_cast<float>(value));
  else if (item->id == outSetupItemLfeGain)
    surroundSetLfeGainDb(s, static_cast<float>(value));
}

void build(std::int16_t w) {
  SurroundSettings* s = settings();
  if (!s || !winSlot(w)) return;
  WinSavedDC saved;
  winAcquireDrawContext(w, &saved);
  pageSetDrawDefaults();
  winSetCurrent(w);
  winSelectPort(w, nullptr);
  // Every control made after a picture belongs to it: the LFE row's controls to picture 5, which the
  // LFE switch shows and hides.
  ctrlSetGroupMode(w, 1);

  pictureCreate(w, outSetupItemBackground, 0, 0, 0, 0, 0, bitmapBackground, nullptr);
  buttonPlace(w, outSetupItemOk, 123, 255, 0, bitmapOk, "", 1, 0, 1, outSetupClose);
  winSetDefaultButton(w, outSetupItemOk);

  // The caption stands on the light panel (the skin's text colour), the choice on the dark field.
  const CtrlRgb white = {255, 255, 255};
  const CtrlRgb text = {(kSkinText >> 16) & 0xFF, (kSkinText >> 8) & 0xFF, kSkinText & 0xFF};
  selectorSetDefaultColors(&text, &white, &white, &white);
  selectorCreate(w, outSetupItemConfiguration, 120, 8, 92, 0, selectorOneBitmap, bitmapConfiguration, "Configuration",
                 1, onConfiguration);
  selectorSetOpeningCallback(w, outSetupItemConfiguration, fillConfigurationMenu);

  for (int id = outSetupItemFirstSpeaker; id <= outSetupItemLastSpeaker; ++id) {
    const std::uint16_t item = static_cast<std::uint16_t>(id);
    selectorCreate(w, item, 16, 30 + 16 * (id - outSetupItemFirstSpeaker), 30, 0, 0, bitmapOutput, "", 1, onChannel);
    selectorSetOpeningCallback(w, item, fillChannelMenu);
    setNumberLabel(w, item, surroundGetChannelMap(s, static_cast<std::int16_t>(id - outSetupItemFirstSpeaker)));
    ctrlShow(w, item, 0);
  }

  buttonPlace(w, outSetupItemLfe, 17, 223, buttonToggle, bitmapLfeSwitch, "", 1, 0, 1, onLfe);
  pictureCreate(w, outSetupItemLfeGroup, 0, 0, 0, 0, 0, 0, nullptr);
  selectorCreate(w, outSetupItemLfeOutput, 72, 223, 36, 0, 0, bitmapOutput, "", 1, onChannel);
  selectorSetOpeningCallback(w, outSetupItemLfeOutput, fillChannelMenu);

  numboxCreate(w, outSetupItemLfeFreq, 130, 223, 36, 1, 0, 80.0, 20.0, 300.0, nullptr, onNumber, "Hz");
  numboxCreate(w, outSetupItemLfeGain, 192, 223, 32, 1, 1, -12.0, -96.0, 12.0, stepTenth, onNumber, "dB");

  showLayout(w, surroundGetModeWord(s));
  const bool lfeOn = surroundGetLfeOn(s) != 0;
  recButtonSetPressed(w, outSetupItemLfe, lfeOn ? 1 : 0);
  if (speakerCount(surroundGetModeWord(s)) < surroundMaxOutputs) ctrlShow(w, outSetupItemLfeGroup, lfeOn ? 1 : 0);
  numboxSetValue(w, outSetupItemLfeFreq, numClamp(surroundGetLfeFreq(s), 20.0f, 300.0f));
  numboxSetValue(w, outSetupItemLfeGain, numClamp(surroundGetLfeGainDb(s), -96.0f, 12.0f));
  winReleaseDrawContext(w, &saved);
  winShow(w, 1);
}

void forget() {
  g.open = 0;
  g.engine = nullptr;
  g.window = 0;
  g.inner = 0;
}

}  // namespace

int outSetupOutputsNeeded(int layout) {
  static const int needed[surroundLayoutCount] = {2, 2, 3, 3, 5, 5, 6, 6, 6, 6, 8, 8, 8, 8};
  return layout >= 0 && layout < surroundLayoutCount ? needed[layout] : 0;
}

bool outSetupLayoutFits(Engine* engine, int layout) {
  const int needed = outSetupOutputsNeeded(layout);
  return needed > 0 && engineGetOutputCount(engine) >= needed;
}

std::int16_t outSetupWindowId() { return g.window; }
std::int16_t outSetupInnerId() { return g.inner; }

void outSetupOpen(WinId parent, Engine* engine) {
  if (!engine || g.open) return;
  const std::int16_t id = winFindFreeSlot();
  if (!id) return;  // all 32 windows in use
  g.open = 1;
  g.parent = parent;
  g.engine = engine;
  g.window = id;
  Window* window = appNewToolWindow(id, parent, "Morvane Output Setup", 256, 256, 323, 281, 0, outSetupWindowEvent);
  if (!window) {
    if (g.inner) winCloseById(g.inner);
    forget();
    winSetCurrent(parent);
    return;
  }
  // Opened on the window it serves, whatever the place window 1 was moved to.
  appCentreOnOwner(id, parent);
  window->show(true);
  window->bringToFront();
}

void outSetupWindowEvent(WinId window, std::uint32_t event, void*) {
  if (window != g.window || !g.window) return;
  if (event == winEvCreated) {
    const std::int16_t inner = winFindFreeSlot();
    Window* outer = winGetFrameworkObject(window);
    if (!inner || !outer || !g.engine) return;
    WindowSpec spec;
    spec.parent = outer;
    spec.flags |= UIA_SPEC_PARENT;
    AppPlainWindow* child = new AppPlainWindow(inner);
    child->setOption(true);
    child->create(spec);
    if (!child->nativeHandle()) {
      delete child;
      return;
    }
    if (!winOpen(inner, outSetupItemCount, outSetupItemCount, child)) {
      child->destroy();
      return;
    }
    g.inner = inner;
    build(inner);
    // Keys go to the window with the controls, where Enter presses OK.
    child->setFocus();
  } else if (event == winEvDestroyed) {
    if (g.inner) winCloseById(g.inner);
    winCloseById(g.window);
    const WinId parent = g.parent;
    forget();
    winSetCurrent(parent);
  }
}

void outSetupClose(ControlItem*, std::uint8_t, std::int16_t) {
  if (!g.open) return;
  outSetupSave(g.engine);
  g.engine = nullptr;
  Window* outer = winGetFrameworkObject(g.window);
  if (g.inner) winClose(g.inner);
  // The outer window holds nothing else: it goes with the inner one (its slot first, so that its
  // destruction finds the dialog already ended).
  winCloseById(g.window);
  const WinId parent = g.parent;
  forget();
  winSetCurrent(parent);
  if (outer) outer->destroy();
}
