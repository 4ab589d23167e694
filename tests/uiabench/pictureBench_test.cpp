// Drawing throughput of Picture in Mpixel/s: fills (opaque, blended), copies (plain, has-alpha) and
// nine-part frames, on a dialog-sized surface and at 1920 x 1080, for the portable kernels and the
// processor variant the feature bits choose. Prints a table; asserts only that the work was done.
#include "UIAPicture.h"

#include "GPSystemInfo.h"
#include "GPTimer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

struct Surface {
  const char* name;
  uint32_t width, height;
};

// Runs `op` (which draws `pixels` pixels) until at least 60 ms have passed; answers Mpixel/s.
double measure(const std::function<void()>& op, double pixels) {
  const double frequency = double(gpCounterFrequency());
  op();  // warm the caches and the pages
  int runs = 0;
  const int64_t start = gpReadCounter();
  int64_t now = start;
  do {
    op();
    ++runs;
    now = gpReadCounter();
  } while (double(now - start) < 0.06 * frequency && runs < 100000);
  const double seconds = double(now - start) / frequency;
  return pixels * runs / seconds / 1e6;
}

// A source of mixed alpha as widget pictures have it: opaque body, clear surround, soft edges.
void makeSkin(Picture& p, uint32_t w, uint32_t h) {
  ASSERT_TRUE(p.setSize(w, h, false));
  std::mt19937 rng(5);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t band = (x / 16 + y / 16) % 3;
      const uint32_t alpha = band == 0 ? 255 : band == 1 ? 0 : 1 + rng() % 254;
      p.pixels()[size_t(y) * w + x] = (alpha << 24) | (rng() & 0xFFFFFF);
    }
  p.setHasAlpha(true);
}

}  // namespace

TEST(PictureBench, Throughput) {
  gpReadSystemInfo();
  const int chosen = uiaPictureVariantFor(gpSystemInfo().features);
  const Surface surfaces[] = {{"dialog 640x480", 640, 480}, {"1920x1080", 1920, 1080}};
  std::printf("features 0x%X, processor variant %d\n", gpSystemInfo().features, chosen);
  std::printf("%-16s %-26s %12s %12s\n", "surface", "operation", "portable", "chosen");
  for (const Surface& s : surfaces) {
    Picture dest, plain, skin, frame;
    ASSERT_TRUE(dest.setSize(s.width, s.height, false));
    ASSERT_TRUE(plain.setSize(s.width, s.height, false));
    for (uint32_t i = 0; i < s.width * s.height; ++i) plain.pixels()[i] = 0xFF000000u | i;
    makeSkin(skin, s.width, s.height);
    // A 48 x 48 bevel with insets of 12: the inner 24 x 24 is tiled over the surface.
    makeSkin(frame, 48, 48);
    frame.setHasAlpha(false);
    frame.setFlag1(true);
    frame.setFlag2(true);
    frame.setFirstInset(12);
    frame.setSecondInset(12);
    frame.setThirdInset(12);
    frame.setFourthInset(12);
    const double n = double(s.width) * s.height;
    const int32_t w = int32_t(s.width), h = int32_t(s.height);
    struct Op {
      const char* name;
      bool kernel;  // true: run through the two kernel variants
      std::function<void(int)> run;
    } ops[] = {
        {"fill opaque", true, [&](int v) { uiaPictureFillRoutine(v)(dest.pixels(), s.width, 0, 0, w, h, 0xFF336699); }},
        {"fill blended (a=128)", true,
         [&](int v) { uiaPictureFillRoutine(v)(dest.pixels(), s.width, 0, 0, w, h, 0x80336699); }},
        {"fill blended, 100 rects", true,
         [&](int v) {
           for (int r = 0; r < 100; ++r)
             uiaPictureFillRoutine(v)(dest.pixels(), s.width, (r * 37) % (w / 2), (r * 53) % (h / 2), w / 2, h / 2 / 25,
                                      0x80336699);
         }},
        {"copy plain", true, [&](int v) { uiaPictureCopyRoutine(v)(dest.pixels(), s.width, 0, 0, w, h, plain, 0, 0); }},
        {"copy has-alpha", true,
         [&](int v) { uiaPictureCopyRoutine(v)(dest.pixels(), s.width, 0, 0, w, h, skin, 0, 0); }},
        {"drawTiledFrame (opaque)", false,
         [&](int) {
           dest.drawTiledFrame(RegionRect{0, 0, w, h}, frame, 0, nullptr);
         }},
        {"fillArea via Picture", false, [&](int) { dest.fillArea(0, 0, w, h, 0x80336699); }},
        {"copyArea has-alpha", false, [&](int) { dest.copyArea(0, 0, w, h, skin, 0, 0); }},
    };
    for (const Op& op : ops) {
      const double pixels = std::string(op.name) == "fill blended, 100 rects" ? 100.0 * (w / 2) * (h / 2 / 25) : n;
      const double portable = op.kernel ? measure([&] { op.run(0); }, pixels) : 0.0;
      const double fast = measure([&] { op.run(chosen); }, pixels);
      if (op.kernel)
        std::printf("%-16s %-26s %12.0f %12.0f\n", s.name, op.name, portable, fast);
      else
        std::printf("%-16s %-26s %12s %12.0f\n", s.name, op.name, "-", fast);
      EXPECT_GT(fast, 0.0);
    }
  }
  std::fflush(stdout);
}
