#include "os/osFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "support/signal.h"
#include "support/tempDir.h"

TEST(OsFile, WriteSeekReadRoundTrip) {
  const std::string path = testTempPath("roundtrip.bin");
  OsFile f = osFileOpen(path.c_str(), osOpenWrite);
  ASSERT_NE(f, osFileInvalid);
  const char text[] = "0123456789";
  EXPECT_EQ(osFileWrite(f, text, 10), 10);
  EXPECT_TRUE(osFileFlush(f));
  osFileClose(f);

  EXPECT_TRUE(osFileExists(path.c_str()));
  f = osFileOpen(path.c_str(), osOpenRead);
  ASSERT_NE(f, osFileInvalid);
  EXPECT_EQ(osFileSize(f), 10);
  EXPECT_EQ(osFileSeek(f, 4, osSeekSet), 4);
  char got[16] = {};
  EXPECT_EQ(osFileRead(f, got, 16), 6);  // a short read at the end is not an error
  EXPECT_STREQ(got, "456789");
  EXPECT_EQ(osFileRead(f, got, 4), 0);
  osFileClose(f);
  EXPECT_TRUE(osFileDelete(path.c_str()));
  EXPECT_FALSE(osFileExists(path.c_str()));
}

TEST(OsFile, MissingFileAndBadArguments) {
  EXPECT_EQ(osFileOpen(testTempPath("does-not-exist").c_str(), osOpenRead), osFileInvalid);
  EXPECT_EQ(osFileOpen(nullptr, osOpenRead), osFileInvalid);
  char b;
  EXPECT_EQ(osFileRead(osFileInvalid, &b, 1), -1);
  EXPECT_EQ(osFileSize(osFileInvalid), -1);
}

// A new file is made only where no file of that name exists; a failed call leaves the system's words.
TEST(OsFile, CreateNewNeverTouchesAnExistingFileAndFailuresHaveWords) {
  const std::string path = testTempPath("kept.bin");
  OsFile f = osFileOpen(path.c_str(), osOpenWrite);
  ASSERT_NE(f, osFileInvalid);
  EXPECT_EQ(osFileWrite(f, "mine", 4), 4);
  osFileClose(f);
  EXPECT_EQ(osFileOpen(path.c_str(), osOpenCreateNew), osFileInvalid);
  char words[256] = {};
  osFileErrorText(words, sizeof words);
  EXPECT_GT(std::strlen(words), 3u) << words;
  f = osFileOpen(path.c_str(), osOpenRead);
  ASSERT_NE(f, osFileInvalid);
  char got[8] = {};
  EXPECT_EQ(osFileRead(f, got, 8), 4);
  EXPECT_STREQ(got, "mine");
  osFileClose(f);

  const std::string fresh = testTempPath("fresh.bin");
  f = osFileOpen(fresh.c_str(), osOpenCreateNew);
  ASSERT_NE(f, osFileInvalid);
  osFileClose(f);
  EXPECT_TRUE(osFileExists(fresh.c_str()));
  EXPECT_TRUE(osFileDelete(fresh.c_str()));

  // A folder is no file to read; the words follow the latest failure, cut to the room given.
  EXPECT_EQ(osFileOpen(testTempDir().c_str(), osOpenRead), osFileInvalid);
  EXPECT_EQ(osFileOpen(testTempPath("missing/x.bin").c_str(), osOpenRead), osFileInvalid);
  char small[6] = {};
  osFileErrorText(small, sizeof small);
  EXPECT_EQ(std::strlen(small), 5u);
  osFileErrorText(nullptr, 10);
}

// The measuring helpers every audio test relies on.
TEST(TestSignal, MeasuresPitchLevelAndTone) {
  const double rate = 44100.0;
  std::vector<float> v(44100);
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = static_cast<float>(0.5 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / rate));
  EXPECT_NEAR(signalPeakFrequency(v, rate), 440.0, 0.05);
  EXPECT_NEAR(signalRms(v), 0.5 / std::sqrt(2.0), 1e-3);
  EXPECT_NEAR(signalToneAmplitude(v.data(), v.size(), rate, 440.0), 0.5, 0.01);
  EXPECT_LT(signalToneAmplitude(v.data(), v.size(), rate, 880.0), 1e-3);
  EXPECT_TRUE(signalAllNormal(v.data(), v.size()));
  v[3] = 1e-40f;
  EXPECT_FALSE(signalAllNormal(v.data(), v.size()));
}
