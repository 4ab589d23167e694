// The Midi page: pane pageMidi of the main window, four tabs over the MIDI-related settings of the playing
// preset. Tab 1 (Midi Controllers) edits the controller map (pitch bend, glide, the sources, depths and
// lags of five destinations, the channel switches), tab 2 (Velocity) the ten velocity slots, tab 3
// (Note Scaling) the ten note curves and tab 4 (Tune) the current tuning map. The page keeps no copy of
// these: every refresh reads the engine (the first word of the window's user data) again, and every
// edit goes through the engine's setters, which commit through the edit block.
//
// Protocol: the main window's builder builds the page hidden (midiPageBuildEntry) or the first show
// builds it; a show selects the current tab, greys Undo and Paste, shows the pane, refreshes every tab
// and sets the Edit menu for the tab; a refresh while the page is hidden changes nothing. Other pages
// ask for a refresh with midiPageMarkChanged (pages/midiSlots.h), applied at the next show.
//
// Every entry point does nothing for a window without user data or engine, or a missing control.
// User-interface thread only.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"  // the page protocol: midiPageShow, midiPageIsShown, the entries

struct Engine;

enum { midiPaneId = 8, midiTabCount = 4 };

// Items of the page's pane.
enum MidiPageItem {
  // Tab strip, panels and tabs.
  midiItemTabStrip = 1,
  midiItemPanelControllers = 2,
  midiItemPanelVelocity = 3,
  midiItemPanelNoteScale = 4,
  midiItemPanelTune = 5,
  midiItemTabControllers = 6,
  midiItemTabVelocity = 7,
  midiItemTabNoteScale = 8,
  midiItemTabTune = 9,
  // Tab 3, Note Scaling.
  midiItemCurveChoice = 10,
  midiItemFollowNote = 11,
  midiItemCurveNote = 12,
  midiItemCurveValue = 13,
  midiItemCurveView = 14,
  // Tab 1, Midi Controllers.
  midiItemGlideKeyed = 15,
  midiItemGlideLag = 16,
  midiItemBendDepth = 17,
  midiItemFmDepth = 18,
  midiItemFilterDepth = 19,
  midiItemEffectDepth = 20,
  midiItemPanDepth = 21,
  midiItemBendLag = 22,
  midiItemFmLag = 23,
  midiItemFilterLag = 24,
  midiItemEffectLag = 25,
  midiItemPanLag = 26,
  midiItemVolumeLag = 27,
  midiItemFmChannel1 = 28,
  midiItemFmChannel2 = 29,
  midiItemFmChannel3 = 30,
  midiItemFilterChannel1 = 31,
  midiItemFilterChannel2 = 32,
  midiItemFilterChannel3 = 33,
  midiItemFilterMaster = 34,
  midiItemFmSource = 35,
  midiItemFilterSource = 36,
  midiItemEffectSource = 37,
  midiItemPanLrSource = 38,
  midiItemPanFbSource = 39,
  midiItemVolumeSource = 40,
  // Tab 2, Velocity: box and switch of slot (family, slot) in row order, 41..50 and 51..60.
  midiItemVelocityBoxFirst = 41,
  midiItemVelocityBoxLast = 50,
  midiItemVelocitySwitchFirst = 51,
  midiItemVelocitySwitchLast = 60,
  // Tab 4, Tune.
  midiItemTuneGroup = 61,
  midiItemTuneOverlay = 62,
  midiItemKeyList = 63,
  midiItemKeyScrollbar = 64,
  midiItemTuningName = 65,
  midiItemKeyName = 66,
  midiItemBaseRatioText = 67,
  midiItemKeyHz = 68,
  midiItemKeyNote = 69,
  midiItemKeyRatio = 70,
  midiItemBaseKey = 71,
  midiItemTuneTransform = 72,
  midiItemOctaveGroup = 73,
  midiItemOctaveLink = 74,
  midiItemKeysPerOctave = 75,
  midiItemOctaveInterval = 76,
  midiItemOverlayFactory = 77,
  midiItemOverlayChoose = 78
};

// Pictures (bitmap ids) of the page; a button's pressed look is the bitmap after its own.
enum MidiPageBitmap {
  midiBmpPanelControllers = 1200,
  midiBmpPanelVelocity = 1201,
  midiBmpPanelNoteScale = 1202,
  midiBmpCurveBar = 1203,
  midiBmpPanelTune = 1204,
  midiBmpTabStrip = 1205,
  midiBmpTabControllers = 1216,
  midiBmpTabVelocity = 1224,
  midiBmpTabNoteScale = 1232,
  midiBmpTabTune = 1272,
  midiBmpFollowNote = 1240,
  midiBmpSource = 1248,
  midiBmpPanSource = 1256,
  midiBmpGlideKeyed = 1264,
  midiBmpOctaveLink = 1280,
  midiBmpCurveChoice = 1288,
  midiBmpKeyListRow = 1290,
  midiBmpTuneTransform = 1408,  // first of the selectors' six frame pictures, shared with the Wave page
  midiBmpTuneOverlay = 2409,
  // Shared with the LFO page: the channel switches (Master, 1, 2, 3) and the ramp switch.
  midiBmpChannelSwitches = 408,
  midiBmpRampSwitch = 464
};

// The main window's size while the page is shown (the client area below the origin).
enum { midiPageWidth = 650, midiPageHeight = 427 };

Engine* midiPageEngine(WinId win);  // first word of the window's user data, or null
// Makes the window current and pane pageMidi its item container (nothing for window 0).
void midiPageSelectPane(WinId win);
void midiPageBuild(WinId win);
// False when the page is not shown or the window has no engine.
bool midiPageRefresh(WinId win);
// Tab 1..4: its panel shown, the other three hidden, its button pressed, the Edit menu set for it.
// Any other number does nothing.
void midiPageSelectTab(WinId win, int16_t tab);
int16_t midiPageCurrentTab();
// With the flag's low byte set: the pending refresh, then Undo, Paste and Copy for the current tab.
void midiPageUpdateEditMenu(WinId win, uint16_t flag);
// Shows the page on tab 1 after a full refresh (the controller slots' "edit on the Midi page").
void midiPageRefreshAndShow(WinId win);
// Tab buttons midiItemTabControllers..midiItemTabTune select their tabs.
void midiPageTabPressed(ControlItem* item, uint8_t pressed, int16_t state);
// A stored value shown in number box `id` of the selected pane: clamped to the box's range (a value
// that is not a number shows the minimum), redrawn only while the box is on screen.
void midiBoxShow(WinId win, uint16_t id, double value);
// A value a box hands over, kept inside what a float holds (not a number stays so) for the setters.
float midiBoxValue(double value);

// ---- Tab 1, Midi Controllers (midiControllerTab.cpp)
void midiControllerTabBuild(WinId win);
void midiControllerTabRefresh(WinId win, Engine* engine);
void midiPageRefreshSourceLabels(WinId win);
// The source button whose "Select MIDI Source" window is (or was last) open; midiItemFmSource at start.
uint16_t ccSourceButtonActive();
// Controller index k of the controller map that source button midiItemFmSource..midiItemVolumeSource chooses; 0 for
// another id.
int16_t ccSourceIndexOf(uint16_t button);
void ccDepthBoxChanged(ControlItem* item, double value);
void ccLagBoxChanged(ControlItem* item, double value);
void glideKeyedToggled(ControlItem* item, uint8_t pressed, int16_t state);
void ccChannelSwitchToggled(ControlItem* item, uint8_t pressed, int16_t state);
void ccSourceButtonPressed(ControlItem* item, uint8_t pressed, int16_t state);
void ccSourceChosen(WinId win, int16_t source);

// ---- Tab 2, Velocity (midiVelocityTab.cpp)
void midiVelocityTabBuild(WinId win);
void midiVelocityTabRefresh(WinId win, Engine* engine);
// (family, slot) of velocity box 41..50 or switch 51..60; false for any other id.
bool velocitySlotOf(uint16_t id, int32_t* family, int32_t* slot);
void velocityBoxChanged(ControlItem* item, double value);
void velocitySwitchToggled(ControlItem* item, uint8_t pressed, int16_t state);

// ---- Tabs 3 and 4, Note Scaling and Tune (their own files). The page calls these with pane pageMidi selected:
// the builds right after creating panel 4 / panel 5 (panel 4 / 5 collecting the new items), the
// refreshes as steps 4 and 5 of the page's refresh.
void midiNoteScaleTabBuild(WinId win);
void midiNoteScaleTabRefresh(WinId win);
void midiTuneTabBuild(WinId win);
void tuningTabRefresh(WinId win, uint8_t rebuildList);
