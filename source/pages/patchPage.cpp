// The Patch page: building the master strip and the three channel panels once, showing and hiding
// the page, and the refresh that reads every control's value from the engine again.
#include "pages/patchPage.h"

#include <cmath>
#include <cstring>

#include "app/pageShell.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/surround.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "oscillators/oscGranular.h"
#include "app/mainWindowData.h"
#include "pages/clipKinds.h"
#include "pages/moduleMenu.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"
#include "preset/undo.h"
#include "preset/waveMenu.h"

namespace {

PatchPageState g_state = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, 0, 0, 0, {1.0f, 1.0f, 1.0f}, 0};

const CtrlRgb kSelA = {198, 198, 198}, kSelB = {22, 16, 49}, kSelC = {250, 250, 215}, kSelD = {66, 85, 92};

uint16_t cid(int16_t channel, int k) { return static_cast<uint16_t>(patchChannelIdBase(channel) + k); }

void active(int16_t win, uint16_t id, bool on) { winNotifyItemsOfType2(win, id, on ? 1 : 0); }

// A channel's switchable panel (filter, modulator): its switch lit when on and drawn in its inactive
// look, taking no input, while the oscillator is off; the panel shown only when both are on.
void showChannelPanel(int16_t win, int16_t c, int button, int panel, bool osc, bool on) {
    patchButtonSetOn(win, cid(c, button), on);
    patchButtonSetActive(win, cid(c, button), osc);
    pictureShowChild(win, cid(c, 3), cid(c, panel), osc && on);
    ctrlShow(win, cid(c, panel), osc && on);
}

// A number box value clamped into the box's range (the box does that) and shown when on screen.
void boxSet(int16_t win, uint16_t id, double value) {
    if (!std::isfinite(value)) value = 0.0;
    numboxSetValue(win, id, static_cast<float>(value));
}

void frame(int16_t win, uint16_t id, int f) { framePictureSetFrame(win, id, f); }

// Oscillator buttons, section tabs and boxes active by type: one row per control of the enable table.
// Columns: Single, Double, FM, Ringmod, Fractalize, Sample, Granular, Audio In (types 0, 1, 2, 3, 6,
// 4, 5, 7). 'o' active when the oscillator is on, 'y' always, '-' never.
struct EnableRow {
    int k;
    const char* cols;
};
const EnableRow kEnable[] = {
    {36, "yyyyy---"}, {38, "yyyyy---"}, {37, "yyyyyyy-"}, {39, "-yyy----"}, {41, "-yyy----"},
    {42, "-yy-----"}, {43, "ooooo---"}, {45, "ooooooo-"}, {44, "oooo----"}, {46, "oooo----"},
    {51, "----y---"}, {52, "----y---"}, {53, "----y---"}, {54, "ooooo---"}, {55, "-----oo-"},
    {56, "-----oo-"}, {57, "------y-"}, {58, "------y-"}, {60, "------y-"}, {61, "------y-"},
    {62, "------y-"}, {63, "------y-"}, {64, "-----ooo"}, {65, "-----y--"}, {68, "-------o"},
    {70, "-------o"}, {71, "yyyyy---"},
};

int enableColumn(int16_t type) {
    static const int columns[8] = {0, 1, 2, 3, 5, 6, 4, 7};   // by type code 0..7
    return type >= 0 && type < 8 ? columns[type] : 0;
}

void applyEnableSet(int16_t win, int16_t channel, int16_t type, bool on) {
    Engine* e = patchEngineOf(win);
    const int col = enableColumn(type);
    for (const EnableRow& row : kEnable) {
        const char c = row.cols[col];
        active(win, cid(channel, row.k), c == 'y' || (c == 'o' && on));
    }
    active(win, cid(channel, 40), false);
    const bool loopEdit = type == 4 && sampleGetLoopMode(e, channel) == 2;
    active(win, cid(channel, 66), loopEdit);
    active(win, cid(channel, 67), loopEdit);
    active(win, cid(channel, 69), type == 7 && on && engineGetVoiceBufferCount(e, channel) >= 2);
}

void refreshOscPanel(int16_t win, int16_t c) {
    Engine* e = patchEngineOf(win);
    patchButtonSetOn(win, cid(c, 36), oscGetAuxSwitch(e, c) != 0);
    waveMenuSetLabel(win, cid(c, 43), oscGetWaveA(e, c));
    waveMenuSetLabel(win, cid(c, 44), oscGetWaveB(e, c));
    patchButtonSetOn(win, cid(c, 54), oscGetBandLimited(e, c) != 0);
    patchButtonSetOn(win, cid(c, 64), engineGetVoiceBufferCount(e, c) >= 2);
    char name[65] = {0};
    sampleGetFileName(e, c, name, sizeof(name));
    buttonSetText(win, cid(c, 55), name);
    patchOscTypeShow(win, c);
    patchRefreshChannelControls(win, c, oscGetType(e, c), oscIsOn(e, c));
}

void refreshChannel(int16_t win, int16_t c) {
    Engine* e = patchEngineOf(win);
    const bool on = oscIsOn(e, c) != 0;
    if (buttonIsPressed(win, cid(c, 13)) != (on ? 1 : 0)) patchButtonSetOn(win, cid(c, 13), on);
    pictureShowChild(win, cid(c, 3), cid(c, 4), on);
    ctrlShow(win, cid(c, 4), on);
    refreshOscPanel(win, c);
    patchRefreshFilterPanel(win, c);
    patchRefreshModPanel(win, c);
    g_state.oscOnShown[c] = on ? 1 : 0;
}

void refreshRouting(int16_t win) {
    Engine* e = patchEngineOf(win);
    const bool c1 = oscIsOn(e, 0) != 0, c2 = oscIsOn(e, 1) != 0, c3 = oscIsOn(e, 2) != 0;
    frame(win, 22, c1 ? 1 : 0);
    patchButtonSetOn(win, 23, c2);
    patchButtonSetOn(win, 24, c3);
    frame(win, 25, (c2 || c3) ? 1 : 0);
    frame(win, 26, c3 ? 1 : 0);
    frame(win, 28, c1 ? ((c2 || c3) ? 0 : 1) : ((c2 || c3) ? 2 : 3));
    frame(win, 29, c2 ? (c3 ? 0 : 1) : (c3 ? 2 : 3));
}

void refreshWaveshaper(int16_t win) {
    Engine* e = patchEngineOf(win);
    waveMenuSetLabel(win, 90, static_cast<int32_t>(waveshaperGetWave(e)));
    boxSet(win, 86, waveshaperGetInGainDb(e));
    boxSet(win, 87, waveshaperGetOutGainDb(e));
    boxSet(win, 88, waveshaperGetPhase(e));
    patchButtonSetOn(win, 89, waveshaperIsPostMix(e) != 0);
}

void fullRefresh(int16_t win) {
    Engine* e = patchEngineOf(win);
    for (int16_t c = 0; c < patchChannelCount; ++c) refreshChannel(win, c);
    patchRefreshMixSection(win);
    refreshRouting(win);
    patchWaveshaperShow(win);
    refreshWaveshaper(win);
    patchMasterFilterShow(win);
    patchFilterShowType(win, 3, filterGetType(e, 3));
    patchPostMixShow(win);
    patchEffectShow(win);
    g_state.anyChannelOn = engineAnyChannelOn(e) ? 1 : 0;
    g_state.masterStereo = engineGetVoiceBufferCount(e, 3) >= 2 ? 1 : 0;
}

ControlItem* button(int16_t win, uint16_t id, int x, int y, uint32_t style, int bitmap, const char* text = "") {
    return buttonPlace(win, id, x, y, style, bitmap, text, 1, 0, 1, patchButtonAction);
}

// A module switch cut from the page background; its lit look comes from the state bitmap, cut at the
// same place.
void areaButton(int16_t win, uint16_t id, int x, int y, int w, int h, int srcX, int srcY, int stateBitmap) {
    ControlItem* item = buttonCreate(win, id, x, y, w, h, srcX, srcY, 17, 500, "", 1, 0, 1, patchButtonAction);
    ButtonData* d = item && item->kind == kindButton ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
    if (!d || !d->pictures) return;
    bitmapAcquire(stateBitmap);
    if (!bitmapGetHandle(stateBitmap)) return;
    d->pictures[1] = static_cast<uint16_t>(stateBitmap);
    bitmapAcquire(stateBitmap);
    d->pictures[3] = static_cast<uint16_t>(stateBitmap);
}

ControlItem* box(int16_t win, uint16_t id, int x, int y, int w, uint16_t mode, uint16_t decimals, double lo,
                 double hi, ValueStepRule rule, const char* label, double value = 0.0) {
    return numboxCreate(win, id, static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(w), mode,
                        decimals, value, lo, hi, rule, patchNumboxChanged, label);
}

ControlItem* selector(int16_t win, uint16_t id, int x, int y, int w, uint32_t style, int bitmap, const char* label,
                      SelectorOpening fill) {
    ControlItem* item = selectorCreate(win, id, x, y, w, 0, style, bitmap, label, 1, patchSelectorChosen);
    if (fill) selectorSetOpeningCallback(win, id, fill);
    return item;
}

void wireWaveSelector(int16_t win, uint16_t id) { waveMenusSetup(win, id, true); }

void emptyPicture(int16_t win, uint16_t id, int x = 0, int y = 0, int w = 0, int h = 0) {
    pictureCreate(win, id, x, y, x + w, y + h, pictureOwnRect, 0, nullptr);
}

}  // namespace

PatchPageState* patchPageState() { return &g_state; }

int16_t patchChannelIdBase(int16_t channel) {
    return channel == 1 ? 98 : channel == 2 ? 196 : 0;
}

int16_t patchChannelOfId(int32_t id) {
    if (id < 98) return 0;
    if (id < 196) return 1;
    if (id < 294) return 2;
    return 0;
}

Engine* patchEngineOf(int16_t win) {
    void* data = winGetUserData(win);
    return data ? *static_cast<Engine**>(data) : nullptr;
}

bool patchControlIsActive(int16_t win, uint16_t id) {
    ControlItem* item = ctrlFind(win, id);
    if (!item) return false;
    ControlItem* parent = item->parentPicture ? ctrlFind(win, item->parentPicture) : nullptr;
    PictureData* d = parent && parent->kind == kindPicture ? static_cast<PictureData*>(parent->k.kindData) : nullptr;
    if (!d) return item->visible != 0;
    for (int i = 0; i < pictureMaxChildren; ++i)
        if (d->children[i].inUse && d->children[i].id == id) return d->children[i].shown != 0;
    return item->visible != 0;
}

void patchButtonSetOn(int16_t win, uint16_t id, bool on) {
    ControlItem* item = ctrlFindKind(win, id, kindButton);
    ButtonData* d = item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
    if (!d || !d->pictures) return;
    if ((d->pressed != 0) == on) return;
    d->pressed = on ? 1 : 0;
    const int32_t look = d->state * 8 + d->pressed + (item->drawable ? 0 : 2);
    if (d->pictures[look]) d->picture = static_cast<int16_t>(d->pictures[look]);
    ctrlRedraw(win, id);
}

void patchButtonSetActive(int16_t win, uint16_t id, bool on) {
    ControlItem* item = ctrlFindKind(win, id, kindButton);
    ButtonData* d = item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
    if (!d || !d->pictures || (item->drawable != 0) == on) return;
    item->drawable = on ? 1 : 0;
    const int32_t look = d->state * 8 + d->pressed + (on ? 0 : 2);
    if (d->pictures[look]) d->picture = static_cast<int16_t>(d->pictures[look]);
    ctrlRedraw(win, id);
}

void patchPageSelectPane(int16_t win) {
    winSetCurrent(win);
    winSelectPane(win, patchPaneId);
}


void patchPageShow(std::uint16_t window, std::uint8_t on) {
    const int16_t win = static_cast<int16_t>(window);
    Engine* e = patchEngineOf(win);
    WinSlot* slot = winSlot(win);
    if (!e || !slot) return;
    if (on) {
        winSelectPort(win, &slot->ownPort);
        if (paneGetOption(win, patchPaneId) == 0) {
            patchPageBuild(win);
            // The pictures of a pane built while it is shown take their bitmaps now.
            winSelectPort(win, &slot->ownPort);
            portReloadPictures(panePort(ctrlFind(win, patchPaneId)));
        }
        patchPageSelectPane(win);
        winSetSize(win, 650 + inputGetOriginX(), 638 + winGetOriginY(win));
        undoSetEnabled(undoGetKind() == undoKindPatch ? 1 : 0);
        clipEnablePaste(0);
        clipSetCopyKind(0);
    }
    winSelectPort(win, &slot->ownPort);
    ctrlShowInWindow(win, patchPaneId, on);
    if (on) patchPageRefresh(win);
}

std::uint8_t patchPageIsShown(std::uint16_t window) {
    const int16_t win = static_cast<int16_t>(window);
    if (win == 0) return 0;
    winSetCurrent(win);
    WinSlot* slot = winSlot(win);
    if (!slot) return 0;
    ItemPort* saved = slot->currentPort;
    winSelectPort(win, &slot->ownPort);
    const bool shown = ctrlIsShown(win, patchPaneId) != 0;
    winSelectPort(win, saved);
    return shown ? 1 : 0;
}

void patchPageBuildEntry(std::uint16_t win) { patchPageBuild(static_cast<int16_t>(win)); }
void patchPageRefreshEntry(std::uint16_t win) { patchPageRefresh(static_cast<int16_t>(win)); }

float* patchBalanceWeights(int16_t win) {
    MainWindowData* data = mainWindowData(win);
    return data ? data->balanceWeights : g_state.balanceWeight;
}

bool patchPageRefresh(int16_t win) {
    Engine* e = patchEngineOf(win);
    WinSlot* slot = winSlot(win);
    if (!e || !slot) return false;
    winSetCurrent(win);
    winSelectPort(win, &slot->ownPort);
    if (!ctrlIsShown(win, patchPaneId)) return false;
    winSelectPane(win, patchPaneId);
    g_state.refreshFlag = 0;
    fullRefresh(win);
    winSelectPort(win, &slot->ownPort);
    paneActivate(win, patchPaneId);
    winSelectPane(win, patchPaneId);
    return true;
}

void patchPageBuild(int16_t win) {
    Engine* e = patchEngineOf(win);
    WinSlot* slot = winSlot(win);
    if (!e || !slot) return;
    pageSetDrawDefaults();
    winSelectPort(win, &slot->ownPort);
    paneSetOption(win, patchPaneId, 1);
    patchPageSelectPane(win);
    moduleClipboardInitOnce();
    ctrlSetGroupMode(0, 1);
    knobSetDefaultParamA(1.0f);
    knobSetDefaultParamB(2.0f);
    static const CtrlRgb white = {255, 255, 255}, black = {0, 0, 0};
    displaySetDefaultColors(&white, &black);
    selectorSetDefaultColors(&kSelA, &kSelB, &kSelC, &kSelD);
    selectorSetDefaultFontSize(9);

    pictureCreate(win, 2, 0, 0, 0, 0, 0, 500, patchPageMouse);
    areaButton(win, 19, 33, 427, 187, 119, 33, 427, 511);
    areaButton(win, 20, 219, 427, 201, 119, 219, 427, 512);
    areaButton(win, 21, 419, 415, 218, 131, 419, 415, 513);
    framePictureCreate(win, 22, 26, 349, 0, 600, 2, nullptr);
    button(win, 23, 140, 349, 16, 580);
    button(win, 24, 343, 349, 16, 588);
    framePictureCreate(win, 25, 36, 416, 0, 602, 2, nullptr);
    framePictureCreate(win, 26, 170, 416, 0, 604, 2, nullptr);
    framePictureCreate(win, 28, 26, 416, 0, 606, 4, nullptr);
    framePictureCreate(win, 29, 118, 416, 0, 610, 4, nullptr);
    framePictureCreate(win, 27, 26, 425, 0, 632, 4, nullptr);
    button(win, 35, 14, 496, 16, 680);
    emptyPicture(win, 10);
    selector(win, 90, 112, 452, 78, 64, 726, "Wave", nullptr);
    wireWaveSelector(win, 90);
    button(win, 89, 66, 451, 16, 700);
    box(win, 86, 112, 470, 68, 2, 2, -48, 12, stepTenth, "In dB");
    box(win, 87, 112, 488, 68, 2, 2, -48, 12, stepTenth, "Out dB");
    box(win, 88, 112, 506, 68, 2, 4, -1, 1, stepHundredth, "Phase");
    emptyPicture(win, 11);
    button(win, 96, 267, 451, 16, 708);
    selector(win, 95, 313, 452, 78, 64, 726, "Mode", patchFilterTypeMenuFill);
    box(win, 91, 313, 452, 68, 3, 4, -64, 64, nullptr, "");
    box(win, 92, 313, 470, 68, 3, 3, 20, 22000, stepSemitoneRatio, "Hz");
    box(win, 93, 313, 488, 68, 3, 4, -64, 64, nullptr, "Q");
    box(win, 94, 313, 506, 68, 2, 4, -64, 64, nullptr, "");
    // Box 91 sits under the type selector and has no role: it stays hidden and takes no input.
    active(win, 91, false);
    emptyPicture(win, 12);
    button(win, 97, 472, 451, 0, 624);

    for (int16_t c = 0; c < patchChannelCount; ++c) patchBuildChannel(win, c);
    patchPageRefresh(win);
    patchPageSelectPane(win);
    knobSetDefaultParamB(1.0f);
}

void patchBuildChannel(int16_t win, int16_t c) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount) return;
    const int base = patchChannelIdBase(c);
    auto id = [base](int k) { return static_cast<uint16_t>(base + k); };
    emptyPicture(win, id(3), 0, 0, 0, 0);
    areaButton(win, id(13), 26, 6, 192, 126, 26 + 201 * c, 6, 508);
    areaButton(win, id(17), 26, 131, 192, 109, 26 + 201 * c, 131, 509);
    areaButton(win, id(18), 26, 240, 192, 109, 26 + 201 * c, 240, 510);
    buttonCreate(win, id(14), 108, 32, 28, 12, 0, 0, 3, 516 + 8 * c, "", 1, 0, 1, patchButtonAction);
    buttonCreate(win, id(15), 137, 32, 27, 12, 29, 0, 3, 516 + 8 * c, "", 1, 0, 1, patchButtonAction);
    buttonCreate(win, id(16), 166, 32, 23, 12, 58, 0, 3, 516 + 8 * c, "", 1, 0, 1, patchButtonAction);
    pictureAddChild(win, 2, id(3));

    emptyPicture(win, id(4), 27, 16, 190, 104);
    emptyPicture(win, id(5));
    button(win, id(54), 69, 49, 16, 664);
    button(win, id(55), 112, 66, 0, 1532);
    button(win, id(64), 63, 66, 16, 672);
    selector(win, id(47), 112, 48, 78, 64, 726, "Mode", patchOscTypeMenuFill);
    box(win, id(56), 112, 102, 68, 3, 4, 0, 100, nullptr, "Start %");
    selector(win, id(43), 112, 66, 78, 64, 726, "Wave", nullptr);
    wireWaveSelector(win, id(43));
    selector(win, id(45), 62, 84, 46, 66, 724, "", patchFreqModeMenuFill);
    buttonCreate(win, id(36), 67, 100, 16, 16, 112, 0, 16, 716, "", 1, 0, 1, patchButtonAction);
    button(win, id(71), 89, 102, 16, 740, "phase");
    box(win, id(37), 112, 84, 68, 3, 4, -64, 64, nullptr, "");
    box(win, id(38), 128, 102, 52, 2, 3, -1, 1, stepHundredth, "");
    selector(win, id(68), 112, 66, 78, 64, 726, "In 1", patchAudioInputMenu);
    selector(win, id(69), 112, 84, 78, 64, 726, "In 2", patchAudioInputMenu);
    active(win, id(68), false);
    active(win, id(69), false);
    box(win, id(70), 112, 102, 68, 1, 1, -103, 12, stepTenth, "dB");

    emptyPicture(win, id(6));
    selector(win, id(44), 112, 66, 78, 64, 726, "Wave", nullptr);
    wireWaveSelector(win, id(44));
    selector(win, id(46), 62, 84, 46, 66, 724, "", patchFreqModeMenuFill);
    box(win, id(39), 112, 48, 68, 3, 4, -64, 64, nullptr, "Balance");
    box(win, id(40), 112, 66, 68, 3, 4, -64, 64, nullptr, "");
    box(win, id(41), 112, 84, 68, 3, 4, -64, 64, nullptr, "");
    box(win, id(42), 112, 102, 68, 3, 4, -64, 64, nullptr, "Balance");
    box(win, id(51), 124, 48, 56, 1, 0, 1, 7, stepCount, "Iterations");   // the range the oscillator takes
    box(win, id(52), 124, 66, 56, 3, 3, 0, 100, nullptr, "Amount");
    box(win, id(53), 124, 84, 56, 3, 4, 0, 100, nullptr, "Displacement");
    selector(win, id(65), 112, 48, 78, 64, 726, "Play Mode", patchLoopModeMenu);
    box(win, id(66), 112, 66, 68, 3, 0, 0, 999999, stepThousand, "Loopstart");
    box(win, id(67), 112, 84, 68, 3, 0, 0, 999999, stepThousand, "Loopend");
    box(win, id(57), 112, 48, 68, 3, 3, 0, 9999.99, nullptr, "Time %");
    box(win, id(58), 93, 66, 32, 1, 0, 1, 8, nullptr, "Dens", 4);
    box(win, id(62), 93, 84, 32, 1, 0, 0, 100, nullptr, "R Freq");
    box(win, id(60), 157, 66, 40, 1, 0, 128, 10000, stepSemitoneRatio, "Size", 1024);
    box(win, id(63), 169, 84, 28, 1, 0, 0, 100, nullptr, "R Time");
    box(win, id(61), 134, 102, 32, 1, 0, 0, 100, nullptr, "R Amp");

    emptyPicture(win, id(7));
    box(win, id(48), 112, 48, 32, 1, 0, 1, 8, nullptr, "Num voices", 1);
    box(win, id(49), 112, 66, 68, 3, 4, 0, 24, stepUnit, "Trans");
    box(win, id(50), 112, 84, 68, 3, 4, 0, 72, stepUnit, "Rand trans");
    ctrlShow(win, id(7), 0);
    pictureAddChild(win, id(4), id(5));
    pictureAddChild(win, id(4), id(6));
    pictureAddChild(win, id(4), id(7));
    patchChannelSelectSection(win, c, 0);

    pictureCreate(win, id(30), 42, 348, 214, 377, 0, 648, nullptr);
    knobSetDefaultParamB(2.0f);
    knobCreateItem(win, id(32), 47, 353, 586, 640, 1, patchKnobChanged, 0.0f, 0.0f);
    knobSetDefaultParamB(3.0f);
    knobCreateItem(win, id(33), 104, 369, 0, 688, 1, patchKnobChanged, 0.5f, 0.5f);
    knobSetDefaultParamB(1.0f);
    displaySetDefaultFontSize(9);
    displayCreate(win, id(31), 152, 367, 54, "-6.0dB", 0, 0, 0, nullptr, nullptr);
    pictureAddChild(win, id(3), id(4));
    pictureAddChild(win, id(3), id(30));

    emptyPicture(win, id(8), 27, 120, 190, 107);
    selector(win, id(76), 112, 152, 78, 64, 726, "Mode", patchFilterTypeMenuFill);
    box(win, id(73), 112, 170, 68, 3, 3, 20, 22000, stepSemitoneRatio, "Hz");
    box(win, id(74), 112, 188, 68, 3, 4, -64, 64, nullptr, "Feedback");
    box(win, id(75), 112, 206, 68, 2, 4, -64, 64, nullptr, "");
    pictureAddChild(win, id(3), id(8));

    emptyPicture(win, id(9), 27, 227, 190, 107);
    selector(win, id(81), 112, 261, 78, 64, 726, "Mode", patchModTypeMenu);
    button(win, id(84), 66, 261, 16, 756);
    selector(win, id(82), 112, 279, 78, 64, 726, "Wave", nullptr);
    wireWaveSelector(win, id(82));
    selector(win, id(83), 62, 297, 46, 66, 724, "", patchFreqModeMenuFill);
    box(win, id(79), 112, 297, 68, 3, 4, -64, 64, nullptr, "");
    box(win, id(80), 112, 315, 68, 2, 3, 0, 1, stepHundredth, "Balance");
    pictureAddChild(win, id(3), id(9));

    refreshOscPanel(win, c);
    patchRefreshFilterPanel(win, c);
    patchRefreshModPanel(win, c);
    ctrlMoveBy(win, id(3), 201 * c, 0);
}

void patchChannelSelectSection(int16_t win, int16_t c, uint16_t s) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount || s > 2) return;
    const bool on = oscIsOn(e, c) != 0;
    const int16_t type = oscGetType(e, c);
    active(win, cid(c, 14), on);
    active(win, cid(c, 15), on && type != 0 && type != 7);
    active(win, cid(c, 16), on && type != 7 && type != 4 && type != 5);
    for (int k = 0; k < 3; ++k) {
        const bool lit = s == k;
        if ((buttonIsPressed(win, cid(c, 14 + k)) != 0) != lit) patchButtonSetOn(win, cid(c, 14 + k), lit);
    }
    if (s != 0) pictureShowChild(win, cid(c, 4), cid(c, 5), 0);
    for (int k = 0; k < 3; ++k) {
        const bool show = on && s == k;
        pictureShowChild(win, cid(c, 4), cid(c, 5 + k), show);
        ctrlShow(win, cid(c, 5 + k), show);
    }
    g_state.section[c] = s;
}

void patchRefreshChannelControls(int16_t win, int16_t c, int16_t type, uint8_t on) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount) return;
    uint16_t section = g_state.section[c];
    patchOscTypeShow(win, c);
    const bool pitched = type == 0 || type == 1 || type == 2 || type == 3 || type == 6;
    if (type == 1 || type == 2) {
        if (type == 1)
            numboxConfigure(win, cid(c, 39), "Balance", stepHundredth, 0.0f, 1.0f,
                            static_cast<float>(engineGetChannel(e, c) ? engineGetChannel(e, c)->balanceDouble : 0));
        else
            numboxConfigure(win, cid(c, 39), "FM index", stepTenth, 0.0f, 32.0f, static_cast<float>(oscGetFmIndex(e, c)));
        numboxConfigure(win, cid(c, 42), "Phase", stepHundredth, -1.0f, 1.0f, static_cast<float>(oscGetPhaseB(e, c)));
        numboxConfigure(win, cid(c, 41), "", stepUnit, -128.0f, 64.0f, static_cast<float>(oscGetPitchB(e, c)));
    } else if (type == 3) {
        numboxConfigure(win, cid(c, 39), "Balance", stepHundredth, 0.0f, 1.0f,
                        static_cast<float>(engineGetChannel(e, c) ? engineGetChannel(e, c)->balanceRingmod : 0));
        numboxConfigure(win, cid(c, 41), "", stepUnit, -128.0f, 64.0f, static_cast<float>(oscGetPitchB(e, c)));
    }
    if (pitched) {
        patchOscPitchShow(win, c);
        boxSet(win, cid(c, 38), oscGetPhaseA(e, c));
    }
    if (type == 6) {
        const ChannelOscRecord* r = engineGetChannel(e, c);
        if (r) {
            boxSet(win, cid(c, 51), r->iterations);
            boxSet(win, cid(c, 52), r->amount * 100.0);
            boxSet(win, cid(c, 53), r->displacement * 100.0);
        }
    }
    if (type == 4 || type == 5) {
        patchRefreshSampleLoop(win, c);
        const ChannelOscRecord* r = engineGetChannel(e, c);
        boxSet(win, cid(c, 56), r ? r->sampleInfo.startPosition * 100.0 : 0.0);
    }
    if (type == 5) {
        static const struct { int k; int16_t sel; } granular[] = {{57, 4}, {58, 3}, {60, 1}, {61, 7}, {62, 6}, {63, 5}};
        for (const auto& g : granular) boxSet(win, cid(c, g.k), oscGrainParamGet(e, c, g.sel));
    }
    if (type == 7) {
        const ChannelOscRecord* r = engineGetChannel(e, c);
        for (int k = 0; k < 2; ++k) {
            const int16_t item = audioInputItemOf(static_cast<uint16_t>(win), r ? r->inputs[k] : -1);
            selectorSelect(win, cid(c, 68 + k), item);
        }
        boxSet(win, cid(c, 70), r && r->inputGain > 0 ? 6.0 * std::log2(r->inputGain) : -103.0);
    }
    // The sections a type has no use for fall back to section 0.
    if ((type == 0 && section == 1) || ((type == 4 || type == 5) && section == 2) || type == 7) section = 0;
    patchChannelSelectSection(win, c, section);
    applyEnableSet(win, c, type, on != 0);
    if (pitched) patchSetPhaseMode(win, c, oscGetPhaseReset(e, c) == 0 ? 1 : 0);
    boxSet(win, cid(c, 48), oscGetNumVoices(e, c));
    boxSet(win, cid(c, 49), oscGetTrans(e, c));
    boxSet(win, cid(c, 50), oscGetRandTrans(e, c));
}

void patchSetPhaseMode(int16_t win, int16_t c, uint8_t free) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount) return;
    oscSetPhaseReset(e, c, free ? 0 : 1);
    buttonSetText(win, cid(c, 71), free ? "Free" : "Phase");
    patchButtonSetOn(win, cid(c, 71), free != 0);
    active(win, cid(c, 38), !free);
}

void patchRefreshFilterPanel(int16_t win, int16_t c) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount) return;
    showChannelPanel(win, c, 17, 8, oscIsOn(e, c) != 0, filterIsOn(e, c) != 0);
    patchFilterShowType(win, c, filterGetType(e, c));
}

void patchRefreshModPanel(int16_t win, int16_t c) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount) return;
    showChannelPanel(win, c, 18, 9, oscIsOn(e, c) != 0, modulatorIsOn(e, c) != 0);
    waveMenuSetLabel(win, cid(c, 82), modulatorGetWave(e, c));
    patchModFreqShow(win, c);
    patchModShowType(win, c, static_cast<int16_t>(modulatorGetType(e, c)));
}

void patchRefreshMixSection(int16_t win) {
    Engine* e = patchEngineOf(win);
    if (!e) return;
    int n = 0;
    for (int16_t c = 0; c < patchChannelCount; ++c) n += oscIsOn(e, c) ? 1 : 0;
    for (int16_t c = 0; c < patchChannelCount; ++c) {
        if (oscIsOn(e, c)) {
            const float level = oscGetLevel(e, c);
            knobSetValue(win, cid(c, 32), std::sqrt(level > 0 ? level : 0.0f), knobGetY(win, cid(c, 32)));
            patchLevelShow(win, c, level);
            const float mixed = level * static_cast<float>(n);
            g_state.mixLevel[c] = mixed > 1.0f ? 1.0f : mixed;
        }
        knobSetValue(win, cid(c, 33), 0.5 + 0.5 * surroundGetChannelPair(e, c, 0),
                     0.5 + 0.5 * surroundGetChannelPair(e, c, 1));
    }
}

void patchRefreshSampleLoop(int16_t win, int16_t c) {
    Engine* e = patchEngineOf(win);
    if (!e || c < 0 || c >= patchChannelCount) return;
    const int32_t mode = sampleGetLoopMode(e, c);
    const int16_t item = mode == 1 ? 2 : mode == 2 ? 3 : 1;
    selectorSelect(win, cid(c, 65), item);
    static const char* names[] = {"No Loop", "Loop All", "Loop Edit"};
    selectorSetLabel(win, cid(c, 65), names[item - 1]);
    const int32_t s = sampleGetLoopStart(e, c), end = sampleGetLoopEnd(e, c);
    if (NumboxData* d = numboxFind(win, cid(c, 66))) d->maximum = end - 64 > 0 ? end - 64 : 0;
    boxSet(win, cid(c, 66), s);
    if (NumboxData* d = numboxFind(win, cid(c, 67))) d->minimum = s + 64;
    boxSet(win, cid(c, 67), end);
    active(win, cid(c, 66), oscGetType(e, c) == 4 && mode == 2);
    active(win, cid(c, 67), oscGetType(e, c) == 4 && mode == 2);
}

int16_t audioInputItemOf(uint16_t, int16_t input) {
    return input >= 0 && input <= 5 ? static_cast<int16_t>(input + 3) : 1;
}

int16_t audioInputOfItem(uint32_t, int16_t item) {
    return item >= 3 && item <= 8 ? static_cast<int16_t>(item - 3) : -1;
}
