// The Main page's lower panel by posted mouse events: the keyboard, Hold, the pedal and the wheel
// against the engine's MIDI ring; keys, pedal and wheel following the engine; the controller slots
// of the default preset (captures kept as PNG).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <cmath>
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/keyboard.h"
#include "controls/knob.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/surround.h"
#include "engine/testAudioThread.h"
#include "entryTestSupport.h"
#include "mainPageTestSupport.h"
#include "pages/midiSlots.h"
#include "preset/sliderList.h"
#include "preset/wave.h"
#include "support/signal.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

typedef std::vector<std::vector<int>> Queue;

// Page coordinates of the keyboard panel's controls in the short layout (panel at y 201).
const int panelY = 201;
const int keysX = 103, keysY = panelY + 1;
int whiteX(int w) { return keysX + 12 * w + 6; }
const int lowY = keysY + 48;  // below the black keys
const int wheelX = 69 + 12, wheelY = panelY + 5 + 25;

CtrlRect itemRect(uint16_t id) {
  mainPageSelect(1);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(1, id, &r);
  return r;
}

void lightKey(Engine* engine, int note, bool down) {
  MidiState& m = engine->midi;
  m.keyDown[note] = down ? 1 : 0;
  m.keyChanged[0][note] = 1;
  m.keyDisplayChanged[0] = 1;
}

bool keyLit(int note) {
  mainPageSelect(1);
  KeyboardData* d = keyboardGetData(1, 44);
  int16_t k = keyboardFindKey(d, static_cast<uint16_t>(note));
  return k >= 0 && d->keys[k].pressed;
}

}  // namespace

TEST(MainPageKeys, PlayingQueuesTheEnginesEvents) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    int y0 = winGetOriginY(1);
    HWND h = rig.hwnd;
    struct Step {
      const char* name;
      void (*act)(HWND, int);
      Queue expect;
    } steps[] = {
        {"press and release C3 (48)",
         [](HWND w, int o) { postClick(w, whiteX(14), lowY + o); },
         {{0x90, 48, 75}, {0x90, 48, 0}}},
        {"glide C to D: on D before off C",
         [](HWND w, int o) {
           postPress(w, whiteX(14), lowY + o);
           postMove(w, whiteX(15), lowY + o, true);
           postRelease(w, whiteX(15), lowY + o);
         },
         {{0x90, 48, 75}, {0x90, 50, 75}, {0x90, 48, 0}, {0x90, 50, 0}}},
        {"pedal down and up",
         [](HWND w, int o) {
           postClick(w, 27 + 5, panelY + 10 + 5 + o);
           postClick(w, 27 + 5, panelY + 10 + 5 + o);
         },
         {{0xB0, 64, 127}, {0xB0, 64, 0}}},
        {"Hold on: E then G",
         [](HWND w, int o) {
           postClick(w, 27 + 5, panelY + 30 + 5 + o);
           postClick(w, whiteX(2), lowY + o);
           postClick(w, whiteX(4), lowY + o);
         },
         {{0x90, 28, 75}, {0x90, 28, 0}, {0x90, 31, 75}}},
    };
    for (auto& s : steps) {
      rig.clearQueue();
      s.act(h, y0);
      EXPECT_EQ(rig.queued(), s.expect) << s.name;
    }
    // Hold off ends the latched note first.
    rig.clearQueue();
    postClick(h, 27 + 5, panelY + 30 + 5 + y0);
    EXPECT_EQ(rig.queued(), (Queue{{0x90, 31, 0}}));

    // A receive channel puts the events on it.
    midiSetChannel(rig.engine, 3, 1);
    rig.clearQueue();
    postClick(h, whiteX(14), lowY + y0);
    EXPECT_EQ(rig.queued(), (Queue{{0x93, 48, 75}, {0x93, 48, 0}}));
  });
}

TEST(MainPageKeys, WheelSendsTheCoarseValueSecond) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    int y0 = winGetOriginY(1);
    HWND h = rig.hwnd;
    // A press without movement is the centre; up 100 px the top; down 10,000 px the bottom;
    // the release always sends the centre and shows it at once.
    rig.clearQueue();
    postPress(h, wheelX, wheelY + y0);
    postMove(h, wheelX, wheelY + y0 - 100, true);
    postMove(h, wheelX, wheelY + y0 + 10000, true);
    EXPECT_EQ(rig.queued(), (Queue{{0xE0, 0, 64}, {0xE0, 0, 127}, {0xE0, 0, 0}}));
    // The engine reads the second byte: a full bend up.
    rig.engine->midi.pitchBend = 128;
    mainPageSustainEntry(1);
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(h, shot, "mainpage_wheel_up.png"));
    CtrlRect w = itemRect(35);
    EXPECT_NE(shot.at(w.left + 12, w.top + y0 + 1), 0x000000u) << "the bar reaches the top row";
    rig.clearQueue();
    postRelease(h, wheelX, wheelY + y0 + 10000);
    EXPECT_EQ(rig.queued(), (Queue{{0xE0, 0, 64}}));
    EXPECT_EQ(rig.engine->midi.pitchBend, 64);
    EXPECT_FLOAT_EQ(rig.engine->controllers.bendFactor, 1.0f);
    ASSERT_TRUE(captureShown(h, shot, "mainpage_wheel_centre.png"));
    EXPECT_EQ(shot.at(w.left + 12, w.top + y0 + 1), 0x000000u);
  });
}

TEST(MainPageKeys, KeysPedalAndRingFollowTheEngine) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    // Keys changed in the engine light and unlight; notes outside 24..96 change nothing.
    for (int n : {26, 60, 96, 20, 100}) lightKey(rig.engine, n, true);
    mainPageUpdateKeyboard(1);
    EXPECT_TRUE(keyLit(26));
    EXPECT_TRUE(keyLit(60));
    EXPECT_TRUE(keyLit(96));
    EXPECT_EQ(midiReadNoteFlag(rig.engine, 0), 0) << "the page's flag set is cleared";
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(rig.hwnd, shot, "mainpage_keys_lit.png"));
    int y0 = winGetOriginY(1);
    EXPECT_NE(shot.at(keysX + 12 + 2, keysY + y0 + 10), shot.at(whiteX(1), lowY + y0))
        << "the black key C# stays drawn over the lit D";
    lightKey(rig.engine, 60, false);
    mainPageUpdateKeyboard(1);
    EXPECT_FALSE(keyLit(60));
    EXPECT_TRUE(keyLit(26));

    // The pedal light follows controller 64 from any source.
    rig.engine->midi.controllers[64] = 127;
    mainPageUpdateKeyboard(1);
    mainPageSelect(1);
    EXPECT_EQ(buttonIsPressed(1, 28), 1);
    rig.engine->midi.controllers[64] = 0;
    mainPageSustainEntry(1);
    mainPageSelect(1);
    EXPECT_EQ(buttonIsPressed(1, 28), 0);

    // 2,000 pedal clicks with the audio paused: the ring fills, the rest is dropped and counted,
    // nothing queued is overwritten.
    rig.clearQueue();
    uint32_t droppedBefore = midiDroppedCount(rig.engine);
    for (int i = 0; i < 2000; ++i) postClick(rig.hwnd, 27 + 5, panelY + 10 + 5 + y0);
    EXPECT_EQ(rig.queued().size(), static_cast<size_t>(midiRingSize - 1));
    EXPECT_EQ(midiDroppedCount(rig.engine) - droppedBefore, static_cast<uint32_t>(2000 - (midiRingSize - 1)));
  });
}

TEST(MainPageKeys, ControllerSlotsOfTheDefaultPreset) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    int y0 = winGetOriginY(1);
    MidiSlot* slots = midiPageSlots();
    ASSERT_TRUE(slots[0].used);
    EXPECT_TRUE(slots[0].isXY);
    EXPECT_EQ(slots[0].xController, 10);
    EXPECT_EQ(slots[0].yController, 11);
    ASSERT_TRUE(slots[1].used);
    EXPECT_FALSE(slots[1].isXY);
    EXPECT_EQ(slots[1].controller, 7);
    EXPECT_FALSE(slots[2].used);
    EXPECT_EQ(mainPageFields()->mode, 4);
    char text[64];
    mainPageSelect(1);
    displayGetText(1, 45 + 7, text, sizeof text);
    EXPECT_STREQ(text, "X: LR pan 10");
    displayGetText(1, 45 + 8, text, sizeof text);
    EXPECT_STREQ(text, "Y: FB pan 11");
    displayGetText(1, 54 + 6, text, sizeof text);
    EXPECT_STREQ(text, "vol 7");
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(rig.hwnd, shot, "mainpage_slots.png"));

    // The slider at its top end queues controller 7 at 127 on the engine's channel.
    CtrlRect s = itemRect(54 + 4);
    rig.clearQueue();
    g_testTick += 1000;  // not a double click with an earlier test's press (that opens the slot's menu)
    postPress(rig.hwnd, s.right - 1, (s.top + s.bottom) / 2 + y0);
    // The handle follows the pointer through its smoothing: a few moves past the end reach it.
    for (int i = 0; i < 40; ++i) postMove(rig.hwnd, s.right + 40, (s.top + s.bottom) / 2 + y0, true);
    EXPECT_EQ(rig.queued().back(), (std::vector<int>{0xB0, 7, 127}));
    // Held: an incoming value does not move it; released, the next tick does.
    rig.engine->midi.controllers[7] = 20;
    midiPageUpdateSlotValues(1);
    mainPageSelect(1);
    EXPECT_NEAR(knobGetX(1, 54 + 4), 1.0, 1e-9);
    postRelease(rig.hwnd, s.right + 40, (s.top + s.bottom) / 2 + y0);
    midiPageUpdateSlotValues(1);
    mainPageSelect(1);
    EXPECT_EQ(static_cast<int>(knobGetX(1, 54 + 4) * 127.0 + 0.5), 20);

    // Ctrl-click on the pad sends 63 on both controllers.
    CtrlRect pad = itemRect(45 + 5);
    rig.clearQueue();
    BYTE keys[256], saved[256];
    GetKeyboardState(saved);
    std::memcpy(keys, saved, sizeof keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    // A second after the slider's press: a click of its own, not the second half of a double click
    // (which opens the pad's menu).
    g_testTick += 1000;
    postClick(rig.hwnd, pad.left + 5, pad.top + 5 + y0);
    SetKeyboardState(saved);
    Queue q = rig.queued();
    ASSERT_GE(q.size(), 2u);
    EXPECT_EQ(q[0], (std::vector<int>{0xB0, 10, 63}));
    EXPECT_EQ(q[1], (std::vector<int>{0xB0, 11, 63}));

    // Renaming a field "Mod Wheel 1" stores "Mod Wheel".
    mainPageSelect(1);
    CtrlRect name = itemRect(54 + 6);
    postClick(rig.hwnd, name.left + 10, (name.top + name.bottom) / 2 + y0);
    HWND edit = findEditChild(rig.hwnd);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "");
    typeIntoEntry(edit, "Mod Wheel 1");
    SliderEntry* e = sliderListFind(engineGetSliderList(rig.engine), 7);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::string(e->label, strnlen(e->label, 16)), "Mod Wheel");
  });
}

// The keyboard and the wheel through the engine's own audio path: the page's events leave the ring
// on the next block and the rendered output carries the pitch.
TEST(MainPageKeys, ClickedNoteSoundsAndTheWheelBendsIt) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    presetWavesInit();
    MainPageRig rig;
    Engine* e = rig.engine;
    surroundSetModeAndClamp(&e->surround, 0);  // stereo
    e->channels[0]->on = 1;
    engineApplyPatchChange(e, 1);
    std::vector<std::vector<float>> outs(2, std::vector<float>(engineBlockMax, 0.0f));
    float* ptrs[2] = {outs[0].data(), outs[1].data()};
    auto record = [&](int blocks) {
      std::vector<float> taken;
      for (int b = 0; b < blocks; ++b) {
        TestAudioThread::runClientSubBlock(e, ptrs, 2);
        taken.insert(taken.end(), outs[0].begin(), outs[0].end());
      }
      return taken;
    };
    int y0 = winGetOriginY(1);
    postPress(rig.hwnd, whiteX(26), lowY + y0);  // A above middle C: note 69, held
    record(8);
    std::vector<float> a = record(128);
    EXPECT_GT(signalRms(a), 0.01);
    EXPECT_NEAR(signalPeakFrequency(a, 44100.0), 440.0, 1.0);
    postRelease(rig.hwnd, whiteX(26), lowY + y0);
    record(4);

    // Hold keeps the note while the wheel is pulled fully up: up by the bend range.
    postClick(rig.hwnd, 27 + 5, panelY + 30 + 5 + y0);
    postClick(rig.hwnd, whiteX(26), lowY + y0);
    postPress(rig.hwnd, wheelX, wheelY + y0);
    postMove(rig.hwnd, wheelX, wheelY + y0 - 100, true);
    record(600);  // the bend glides to its target
    std::vector<float> up = record(256);
    double expected = 440.0 * std::pow(2.0, e->controllers.bendRange / 12.0);
    EXPECT_NEAR(signalPeakFrequency(up, 44100.0), expected, expected * 0.003);
    EXPECT_TRUE(signalAllNormal(up.data(), up.size()));
    postRelease(rig.hwnd, wheelX, wheelY + y0 - 100);
  });
}
