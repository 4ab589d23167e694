// Start-up of the signal library: the version handshake and the second-start guard end the process,
// so each case runs in a child.
#include "GPError.h"
#include "GPInit.h"
#include "Init_DSP.h"
#include "gpChild.h"

#include <gtest/gtest.h>

namespace {

CHILD_SCENARIO(dspSecondInit) {
  gpInit(GP_VERSION, GP_BUILD);
  childNote(Init_DSP(DSP_VERSION, DSP_BUILD) == 1 ? "first" : "first failed");
  Init_DSP(DSP_VERSION, DSP_BUILD);
}
CHILD_SCENARIO(dspRestart) {
  gpInit(GP_VERSION, GP_BUILD);
  Init_DSP(DSP_VERSION, DSP_BUILD);
  dspExit();
  childNote(Init_DSP(DSP_VERSION, DSP_BUILD) == 1 && dspIsInitialised() ? "restarted" : "no");
  dspExit();
  gpExit();
}
CHILD_SCENARIO(dspWrongVersion) {
  gpInit(GP_VERSION, GP_BUILD);
  Init_DSP(0x70003, DSP_BUILD);
}
CHILD_SCENARIO(dspWrongNumber) {
  gpInit(GP_VERSION, GP_BUILD);
  Init_DSP(DSP_VERSION, 0x60032);
}
CHILD_SCENARIO(dspWrongSeries) {
  gpInit(GP_VERSION, GP_BUILD);
  Init_DSP(DSP_VERSION, 0x70031);
}
CHILD_SCENARIO(dspBothWrong) {
  gpInit(GP_VERSION, GP_BUILD);
  Init_DSP(0x1, 0x70032);
}

TEST(InitDsp, FatalErrorsNameTheirLine) {
  struct Case {
    const char* scenario;
    const char* text;
  } cases[] = {
      {"dspSecondInit", "Error dsp/src/Init_DSP.cpp:53"},  {"dspWrongVersion", "Error dsp/src/Init_DSP.cpp:95"},
      {"dspWrongNumber", "Error dsp/src/Init_DSP.cpp:98"}, {"dspWrongSeries", "Error dsp/src/Init_DSP.cpp:101"},
      {"dspBothWrong", "Error dsp/src/Init_DSP.cpp:95"},  // the first failing check decides
  };
  for (const Case& c : cases) {
    ChildResult r = runChild(c.scenario);
    ASSERT_TRUE(r.started) << c.scenario;
    EXPECT_EQ(r.exitCode, 1u) << c.scenario;
    ASSERT_EQ(r.boxes.size(), 1u) << c.scenario;
    EXPECT_EQ(r.boxes[0].text, c.text) << c.scenario;
    for (const std::string& n : r.notes) EXPECT_NE(n, "returned");
  }
}

TEST(InitDsp, EndsAndStartsAgain) {
  ChildResult r = runChild("dspRestart");
  EXPECT_EQ(r.exitCode, 0u);
  ASSERT_GE(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], "restarted");
  EXPECT_TRUE(r.boxes.empty());
}

}  // namespace
