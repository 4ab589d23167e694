// The Effect page: the master effect's on switch, five tabs choosing its type, the two levels shared by
// every type and one panel per type, of which only the current type's is shown. The page lives in
// pane pageEffect of the main window, finds the engine as the first word of the window's user data and keeps no
// copy of the effect: every refresh reads the engine's records again.
//
// The panels (pictures at (0, 68) of the pane, each with its controls as children in group mode):
// type 1 pipe resonator (picture 2, ids 17..33), type 2 multi-comb (3, ids 34..96), type 3 multi-tap
// delay (4, ids 98..120), type 4 echo (5, ids 121..168), type 5 three-unit effect (6, ids 170..211).
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"

struct Engine;

enum {
  fxPaneId = 5,
  fxItemBackground = 1,
  fxItemFirstPanel = 2,  // picture of type t is 1 + t
  fxItemOn = 7,
  fxItemFirstTab = 8,  // tab of type t is 7 + t
  fxItemLevelA = 13,
  fxItemLevelB = 14,
  fxItemLevelAText = 15,
  fxItemLevelBText = 16,
  fxItemPipeGraph = 33
};
// The panels' controls. Pipe resonator panel:
enum {
  fxPipeLengthMod = 22,
  fxPipeFeedback = 23,
  fxPipeFilterFreq = 24,
  fxPipePickupAPos = 25,
  fxPipePickupBPos = 26,
  fxPipeInputPos = 27,
  fxPipePickupAMod = 28,
  fxPipePickupBMod = 29,
  fxPipeLengthModInvert = 30,
  fxPipePickupAInvert = 31,
  fxPipePickupBInvert = 32
};
// Multi-comb panel: the shared boxes, then comb c's control k at fxCombRowBase + fxCombRowStride * c + k.
enum {
  fxCombFeedback = 41,
  fxCombFilterFreq = 42,
  fxCombRowBase = 43,
  fxCombRowStride = 9,
  fxCombKRow = 0,
  fxCombKOn = 1,
  fxCombKDelay = 2,
  fxCombKModAmount = 3,
  fxCombKModInvert = 4,
  fxCombKFeedback = 5,
  fxCombKFilter = 6,
  fxCombKLevel = 7,
  fxCombKPan = 8
};
// Multi-tap delay panel: the shared boxes (the tap columns are the panel's own).
enum { fxTapFilterFreq = 103, fxTapFeedback = 120 };
// Echo panel: the unit groups and shared boxes, then line l's control k at fxEchoLineBase + fxEchoLineStride * l + k.
enum {
  fxEchoSecondsGroup = 121,
  fxEchoBeatsGroup = 122,
  fxEchoUnitSwitch = 123,
  fxEchoSecondsBox = 124,
  fxEchoBeatsBox = 125,
  fxEchoFeedbackBox = 126,
  fxEchoLineBase = 127,
  fxEchoLineStride = 14,
  fxEchoKRow = 0,
  fxEchoKOn = 1,
  fxEchoKTime = 2,
  fxEchoKModAmount = 3,
  fxEchoKModInvert = 4,
  fxEchoKFeedback = 5,
  fxEchoKLowPassOn = 6,
  fxEchoKLowPassFreq = 7,
  fxEchoKHighPassOn = 8,
  fxEchoKHighPassFreq = 9,
  fxEchoKAllpassOn = 10,
  fxEchoKAllpassFreq = 11,
  fxEchoKLevel = 12,
  fxEchoKPan = 13
};
// The panel picture of effect type t is fxItemFirstPanel - 1 + t.
enum { fxItemEchoPanel = 5 };
// The main window's client size with this page shown (the height counts the window's top strip), and
// where the panels stand in the pane.
enum { fxPageWidth = 650, fxPageHeight = 427, fxPanelTop = 68 };

Engine* fxEngineOf(WinId win);  // null without a slot or user data
void fxPageSelectPane(WinId win);

// The page's own forms of the protocol entries of pages.h.
void fxPageBuild(WinId win);
bool fxPageRefresh(WinId win);  // false when hidden or without an engine
void fxPageSelectPanel(WinId win, std::int16_t type);
void fxPageUpdateLevels(WinId win);
void fxPipeGraphShow(WinId win);

// Levels: a fader position v gives the gain v x v within [2^-16, 1 - 2^-16]; the text is the gain in
// 6-per-doubling decibels with "%2.1f dB", a fraction within 0.199 of the whole number dropped.
double fxLevelOfPosition(double position);
void fxLevelText(double gain, char* out, int capacity);

// Control callbacks (reachable for tests that drive them as the controls do).
void fxTabClicked(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void fxOnClicked(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void fxLevelChanged(ControlItem* item, double x, double y);
void fxPanelMouse(ControlItem* item);

// The page's structural edits pass through these three steps, so that a spy (tests) sees each with
// its argument: "stop" (the fade mode), "type" (the new type), "on" (the switch), "restart" (0).
typedef void (*FxHandshakeSpy)(void* context, const char* step, int argument);
void fxSetHandshakeSpy(FxHandshakeSpy spy, void* context);
void fxStopAudio(Engine* engine);
void fxRestartAudio(Engine* engine);
void fxSpyNote(const char* step, int argument);

// ---- shared by the panels (fxPanelShared.cpp)
// A number box value written into the box (clamped to its range there) and redrawn when on screen.
void fxBoxSet(WinId win, std::uint16_t id, double value);
// A switch lit or darkened without running its action; redrawn when it changed.
void fxButtonSetOn(WinId win, std::uint16_t id, bool on);
// A picture without bitmap: a sub-group of a panel.
void fxGroupPicture(WinId win, std::uint16_t id, int x, int y, void (*callback)(ControlItem*));
// The seconds boxes' common path: the delay setter of type 1, 2 or 3.
void fxSetDelaySeconds(WinId win, std::uint16_t type, double seconds);

// The time group of types 1..3: a unit switch and two boxes at one place, seconds in sub-picture A
// and beats in sub-picture B; exactly one of the two is shown.
struct FxTimeGroup {
  std::uint16_t type, panel, unitSwitch, subSeconds, subBeats, secondsBox, beatsBox;
};
const FxTimeGroup* fxTimeGroup(std::uint16_t type);  // null outside 1..3
void fxTimeGroupBuildSwitch(WinId win, const FxTimeGroup& g, int x, int y);
void fxTimeGroupBuildBoxes(WinId win, const FxTimeGroup& g, int x, int y, int width, double secondsMax, double beatsMax,
                           void (*changed)(ControlItem*, double));
// unit 1 seconds, 2 beats (others change nothing); store 1 also writes the unit to the record.
void fxSetUnitView(WinId win, std::uint16_t type, std::int16_t unit, std::uint8_t store);
void fxTimeGroupRefresh(WinId win, const FxTimeGroup& g, double seconds);
// Shared callbacks of the time group: the unit switch and the beats box.
void fxUnitClicked(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void fxBeatsChanged(ControlItem* item, double value);

// ---- the panels of types 1..4
void fxPipePanelBuild(WinId win);
void fxPipePanelRefresh(WinId win);
void fxPipeSetUnitView(WinId win, std::int16_t unit, std::uint8_t store);
std::int32_t fxPipeGraphHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t b);
std::uint32_t fxPipeGraphPaintCount();  // paints that reached the window (tests)

void fxCombPanelBuild(WinId win);
void fxCombPanelRefresh(WinId win);
void fxCombSetUnitView(WinId win, std::int16_t unit, std::uint8_t store);
std::int16_t fxCombIndexFromId(int id);

void fxTapPanelBuild(WinId win);
void fxTapPanelRefresh(WinId win);
void fxTapSetUnitView(WinId win, std::int16_t unit, std::uint8_t store);
std::int16_t fxTapIndexFromId(int id);

void fxEchoPanelBuild(WinId win);
void fxEchoPanelRefresh(WinId win);
void fxEchoSetUnitView(WinId win, std::int16_t unit);
std::int16_t fxEchoLineFromId(int id);

// The value callbacks of the panels, by id (tests drive them as the number boxes do).
void fxPipeBoxChanged(ControlItem* item, double value);
void fxCombBoxChanged(ControlItem* item, double value);
void fxTapBoxChanged(ControlItem* item, double value);
void fxEchoBoxChanged(ControlItem* item, double value);
