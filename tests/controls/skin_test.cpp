// The skin made by the resource generator from resources/skinBitmaps.json: every bitmap has the
// size its manifest entry gives, and the cursors and the icon load from the executable.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

namespace {

std::string readManifest() {
  std::ifstream f(MORVANE_SKIN_MANIFEST);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

struct Entry {
  int id, width, height;
};

std::vector<Entry> manifestBitmaps(const std::string& text) {
  std::vector<Entry> out;
  std::regex re("\"id\": *([0-9]+), *\"size\": *\\[([0-9]+), *([0-9]+)\\]");
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
    out.push_back({std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3])});
  return out;
}

std::vector<int> manifestCursors(const std::string& text) {
  std::vector<int> out;
  std::regex re("\"id\": *([0-9]+), *\"hotspot\"");
  for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) out.push_back(std::stoi((*it)[1]));
  return out;
}

}  // namespace

TEST(ControlSkin, EveryManifestBitmapLoadsAtItsSize) {
  KitFixtureScope kit;
  std::vector<Entry> entries = manifestBitmaps(readManifest());
  ASSERT_GE(entries.size(), 6u) << "manifest " << MORVANE_SKIN_MANIFEST;
  std::set<int> ids;
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.id);
    EXPECT_TRUE(ids.insert(e.id).second) << "bitmap id " << e.id << " is defined twice";
    bitmapAcquire(e.id);
    CtrlRect r;
    bitmapGetSize(e.id, &r);
    EXPECT_EQ(r.right, e.width);
    EXPECT_EQ(r.bottom, e.height);
    bitmapRelease(e.id);
  }
}

TEST(ControlSkin, TheCursorsAndTheIconLoad) {
  KitFixtureScope kit;
  std::vector<int> cursors = manifestCursors(readManifest());
  EXPECT_EQ(cursors, (std::vector<int>{143, 144, 145, 146, 149, 150}));
  HCURSOR arrow = cursorLoad(0);
  for (int id : cursors) {
    EXPECT_NE(cursorLoad(static_cast<uint32_t>(id)), arrow) << id;
  }
  EXPECT_EQ(cursorLoad(147), arrow) << "no such cursor: the default";
  EXPECT_EQ(cursorLoad(3), arrow);
  EXPECT_NE(cursorLoad(1), arrow);
  EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100)), nullptr);
}

namespace {

// Palette colours of skin.json that the checks below look for.
constexpr uint32_t kPanel = 0xB0B0B0, kFaceUp = 0xC6C6C6, kFaceLit = 0x5C93D3;

CtrlRect sizeOf(int32_t id) {
  CtrlRect r;
  bitmapAcquire(id);
  bitmapGetSize(id, &r);
  bitmapRelease(id);
  return r;
}

}  // namespace

// The main window's top strip as the window builds it: background, seven tabs cut from the tab
// strip, the About button cut from the background and the strip's right end beyond 650 pixels.
TEST(ControlSkin, TheTopStripAndItsTabsLineUp) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(29);
    openKitWindow(window, 29, 20, 700, 72);
    ASSERT_NE(pictureCreate(29, 1, 0, 0, 0, 0, 0, 1700, nullptr), nullptr);
    const int x[7] = {190, 235, 278, 321, 364, 407, 450}, src[7] = {0, 45, 88, 131, 174, 217, 260};
    for (int i = 0; i < 7; ++i)
      ASSERT_NE(buttonCreate(29, static_cast<uint16_t>(9 + i), x[i], 11, i == 0 ? 44 : 43, 39, src[i], 0, 3, 1708,
                             nullptr, 1, i == 0, 1, nullptr),
                nullptr);
    ASSERT_NE(buttonCreate(29, 16, 589, 23, 36, 30, 589, 23, 576, 1700, nullptr, 1, 0, 1, nullptr), nullptr);
    ASSERT_NE(framePictureCreate(29, 18, 648, 0, 0, 1701, 1, nullptr), nullptr);
    winShow(29, 1);
    HWND hwnd = window.nativeHandle();
    UpdateWindow(hwnd);
    postClick(hwnd, 321 + 20, 11 + 30);  // the Effect tab
    EXPECT_EQ(buttonIsPressed(29, 12), 1);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_skin_top_strip.png", &cap).empty());
    EXPECT_EQ(cap.at(321 + 3, 11 + 30), kFaceLit) << "the pressed tab is cut from the lit strip";
    EXPECT_EQ(cap.at(235 + 3, 11 + 30), kFaceUp) << "a tab that is up";
    EXPECT_EQ(cap.at(190 + 3, 11 + 30), kFaceLit) << "created pressed";
    // The right end continues the strip: the same rows as the middle of the background.
    for (int y = 0; y < 72; ++y) ASSERT_EQ(cap.at(690, y), cap.at(100, y)) << "row " << y;
    EXPECT_EQ(cap.at(690, 36), kPanel);
    winCloseAll();
  });
}

// The Record window built at the places its layout gives, from the skin's bitmaps: every control
// lies inside the background, the round transport buttons take the mouse only inside the circle.
TEST(ControlSkin, TheRecordWindowsControlsFitItsBackground) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    CtrlRect back = sizeOf(2000);
    ASSERT_GT(back.right, 0);
    KitWindow window(31);
    openKitWindow(window, 31, 20, back.right, back.bottom);
    ASSERT_NE(pictureCreate(31, 1, 0, 0, 0, 0, 0, 2000, nullptr), nullptr);
    struct Place {
      uint16_t id;
      int x, y;
      uint32_t flags;
      int bitmap, drawable, pressed, states;
    };
    const Place places[] = {
        {2, 12, 12, 3, 2008, 1, 0, 1},    {3, 37, 12, 3, 2016, 1, 0, 1},    {4, 62, 12, 3, 2032, 1, 0, 1},
        {5, 13, 60, 0x10, 2064, 1, 1, 1}, {6, 11, 73, 0x10, 2080, 1, 1, 1}, {7, 156, 45, 0x10, 2072, 1, 0, 1},
        {8, 15, 95, 0x20, 2088, 0, 0, 2}, {9, 69, 95, 0, 2040, 0, 0, 1},    {10, 123, 95, 0, 2048, 1, 0, 1}};
    for (const Place& p : places)
      ASSERT_NE(buttonPlace(31, p.id, p.x, p.y, p.flags, p.bitmap, nullptr, p.drawable, p.pressed, p.states, nullptr),
                nullptr)
          << p.id;
    ASSERT_NE(pictureCreate(31, 16, 96, 27, 0, 0, 0, 2121, nullptr), nullptr);  // a take, recorded
    winShow(31, 1);
    HWND hwnd = window.nativeHandle();
    UpdateWindow(hwnd);
    for (uint16_t id : {2, 3, 4, 5, 6, 7, 8, 9, 10, 16}) {
      CtrlRect r;
      ctrlGetRect(31, id, &r);
      EXPECT_GT(r.right, r.left) << id;
      EXPECT_LE(r.right, back.right) << id;
      EXPECT_LE(r.bottom, back.bottom) << id;
    }
    CtrlRect rows[3];
    for (int i = 0; i < 3; ++i) ctrlGetRect(31, static_cast<uint16_t>(8 + i), &rows[i]);
    EXPECT_LT(rows[0].right, rows[1].left) << "the bottom row's buttons do not overlap";
    EXPECT_LT(rows[1].right, rows[2].left);
    postClick(hwnd, 12 + 1, 12 + 1);  // outside the circle of Stop
    EXPECT_EQ(buttonIsPressed(31, 2), 0);
    postClick(hwnd, 62 + 11, 12 + 11);  // middle of Record
    EXPECT_EQ(buttonIsPressed(31, 4), 1);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_skin_record_window.png", &cap).empty());
    EXPECT_EQ(cap.at(12, 12), kPanel) << "the background shows beside the round button";
    winCloseAll();
  });
}
