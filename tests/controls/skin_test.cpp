// The skin made by the resource generator from resources/skinBitmaps.json: every bitmap has the
// size its manifest entry gives, and the cursors and the icon load from the executable.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "kitTestSupport.h"
#include "controls/ctrlDraw.h"
#include "controls/inputState.h"

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
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
        out.push_back(std::stoi((*it)[1]));
    return out;
}

}  // namespace

TEST(ControlSkin, EveryManifestBitmapLoadsAtItsSize) {
    KitFixtureScope kit;
    std::vector<Entry> entries = manifestBitmaps(readManifest());
    ASSERT_GE(entries.size(), 6u) << "manifest " << MORVANE_SKIN_MANIFEST;
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.id);
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
