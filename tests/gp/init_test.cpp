// Start-up, version handshake and fatal errors. Everything that ends the process runs in a child.
#include "GPBlockPool.h"
#include "GPError.h"
#include "GPInit.h"
#include "GPThread.h"
#include "gpChild.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {

const unsigned kFatalStyle = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;

// ---- Child scenarios ----

CHILD_SCENARIO(secondInit) {
  gpSetMessageBoxTitle("Morvane");
  if (!gpInit(GP_VERSION, GP_BUILD)) childNote("first init failed");
  childNote("first init done");
  gpInit(GP_VERSION, GP_BUILD);
}

CHILD_SCENARIO(wrongVersion) {
  gpSetMessageBoxTitle("Morvane");
  gpInit(0x01030002, GP_BUILD);
}

CHILD_SCENARIO(wrongBuildNumber) {
  gpInit(GP_VERSION, 0x00060032);  // build 50
}

CHILD_SCENARIO(wrongBuildSeries) {
  gpInit(GP_VERSION, 0x00070031);  // series 7
}

CHILD_SCENARIO(wrongNumberAndSeries) { gpInit(GP_VERSION, 0x00070032); }

CHILD_SCENARIO(otherLibraryCheck) {
  if (!gpInit(GP_VERSION, GP_BUILD)) childNote("init failed");
  gpCheckVersion(GP_VERSION, GP_BUILD);
  childNote("right words pass");
  gpCheckVersion(0x2010003, GP_BUILD);  // a library passing its own word instead of gp's
}

CHILD_SCENARIO(fatalWithText) {
  gpSetMessageBoxTitle("Morvane");
  childNoteUnflushed("still buffered");
  gpFatalError("gp/src/Common/GPRegion.cpp", 77, "bad node");
}

CHILD_SCENARIO(fatalLongText) {
  std::string text(3000, 'x');
  gpFatalError("f.cpp", 1, text.c_str());
}

int g_boxes = 0;

int nestedSameThreadHook(const char* caption, const char* text, unsigned style) {
  ++g_boxes;
  childNote("box " + std::to_string(g_boxes) + ": " + text);
  // Code run while the box is open fails too: it must not come back here, nor show a box.
  gpFatalError("inner.cpp", 2, nullptr);
  childNote("nested call returned");
  return IDOK;
}

CHILD_SCENARIO(nestedSameThread) {
  gpSetMessageBoxHook(nestedSameThreadHook);
  gpFatalError("outer.cpp", 1, nullptr);
}

DWORD WINAPI failingThread(void*) {
  gpFatalError("worker.cpp", 3, nullptr);
  childNote("worker returned");
  return 0;
}

int nestedOtherThreadHook(const char* caption, const char* text, unsigned style) {
  ++g_boxes;
  childNote("box " + std::to_string(g_boxes) + ": " + text);
  HANDLE worker = CreateThread(nullptr, 0, failingThread, nullptr, 0, nullptr);
  // The worker's fatal error must hold it for good; the first report then ends the process.
  childNote(WaitForSingleObject(worker, 300) == WAIT_TIMEOUT ? "worker held" : "worker ended");
  return IDOK;
}

CHILD_SCENARIO(nestedOtherThread) {
  gpSetMessageBoxHook(nestedOtherThreadHook);
  gpFatalError("outer.cpp", 1, nullptr);
}

void beforeReport() { childNote(std::string("before ") + gpFatalErrorText()); }

void afterReport() { childNote("after"); }

CHILD_SCENARIO(reportHooks) {
  gpSetFatalErrorHooks(beforeReport, afterReport);
  gpFatalError("hooks.cpp", 9, nullptr);
}

CHILD_SCENARIO(assertion) {
  int value = 3;
  GP_ASSERT(value == 3);
  childNote("true assertion passed");
  GP_ASSERT(value == 4);
}

CHILD_SCENARIO(outOfMemoryBoxes) {
  gpOutOfMemory(nullptr);
  gpOutOfMemory("Cannot process GUI event!");
  std::string longText(3000, 'y');
  gpOutOfMemory(longText.c_str());
}

// ---- Tests ----

struct VersionCase {
  const char* scenario;
  int line;
};

class VersionHandshake : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionHandshake, EndsWithExitCode1AfterOneBoxNamingTheLine) {
  const VersionCase& c = GetParam();
  ChildResult r = runChild(c.scenario);
  ASSERT_TRUE(r.started);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].text, "Error gp/src/Common/GPInit.cpp:" + std::to_string(c.line));
  EXPECT_EQ(r.boxes[0].style, kFatalStyle);
  for (const std::string& note : r.notes) EXPECT_NE(note, "returned");
}

INSTANTIATE_TEST_SUITE_P(Init, VersionHandshake,
                         ::testing::Values(VersionCase{"secondInit", 51}, VersionCase{"wrongVersion", 121},
                                           VersionCase{"wrongBuildNumber", 124}, VersionCase{"wrongBuildSeries", 127},
                                           VersionCase{"wrongNumberAndSeries", 124},
                                           VersionCase{"otherLibraryCheck", 121}));

TEST(VersionHandshake, CaptionSetBeforeInitShowsOnTheFailure) {
  ChildResult r = runChild("wrongVersion");
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].caption, "Morvane");
  ChildResult second = runChild("secondInit");
  ASSERT_EQ(second.notes.size(), 1u);
  EXPECT_EQ(second.notes[0], "first init done");
}

TEST(FatalError, ShowsTextAndFlushesOpenStreams) {
  ChildResult r = runChild("fatalWithText");
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].text, "Error gp/src/Common/GPRegion.cpp:77\n\nbad node");
  EXPECT_EQ(r.boxes[0].caption, "Morvane");
  // A line left in a stream's buffer reached the file: the streams were closed before the end.
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], "still buffered");
}

TEST(FatalError, LongTextIsCutTo1023Characters) {
  ChildResult r = runChild("fatalLongText");
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].text.size(), 1023u);
  EXPECT_EQ(r.boxes[0].text.substr(0, 18), "Error f.cpp:1\n\nxxx");
}

TEST(FatalError, NestedOnTheReportingThreadEndsAtOnceWithoutASecondBox) {
  ChildResult r = runChild("nestedSameThread");
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], "box 1: Error outer.cpp:1");
}

TEST(FatalError, NestedOnAnotherThreadHoldsThatThreadAndTheFirstReportEndsTheProcess) {
  ChildResult r = runChild("nestedOtherThread");
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.notes.size(), 2u);
  EXPECT_EQ(r.notes[0], "box 1: Error outer.cpp:1");
  EXPECT_EQ(r.notes[1], "worker held");
}

TEST(FatalError, HooksRunAroundTheBox) {
  ChildResult r = runChild("reportHooks");
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.boxes.size(), 1u);
  ASSERT_EQ(r.notes.size(), 2u);
  EXPECT_EQ(r.notes[0], "before Error hooks.cpp:9");  // the report's text is known to the hook
  EXPECT_EQ(r.notes[1], "after");
}

TEST(FatalError, AssertionNamesItsModuleAndLine) {
  ChildResult r = runChild("assertion");
  EXPECT_EQ(r.exitCode, 1u);
  ASSERT_EQ(r.notes.size(), 1u);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].text.rfind("Error tests/gp/init_test.cpp:", 0), 0u) << r.boxes[0].text;
}

TEST(FatalError, SourcePathStartsAtTheTreesTopFolder) {
  EXPECT_STREQ(gpSourcePath("/work/x/gp/src/Common/GPInit.cpp"), "gp/src/Common/GPInit.cpp");
  EXPECT_STREQ(gpSourcePath("C:\\b\\source\\engine\\engine.cpp"), "source\\engine\\engine.cpp");
  EXPECT_STREQ(gpSourcePath("/r/source/gp/src/A.cpp"), "gp/src/A.cpp");
  EXPECT_STREQ(gpSourcePath("plain.cpp"), "plain.cpp");
  EXPECT_STREQ(gpSourcePath("/r/mysource/a.cpp"), "/r/mysource/a.cpp");
}

TEST(OutOfMemory, ReportsInAnOkBox) {
  ChildResult r = runChild("outOfMemoryBoxes");
  EXPECT_EQ(r.exitCode, 0u);
  ASSERT_EQ(r.boxes.size(), 3u);
  EXPECT_EQ(r.boxes[0].text, "Out of memory!");
  EXPECT_EQ(r.boxes[1].text, "Out of memory:\nCannot process GUI event!\n");
  EXPECT_EQ(r.boxes[2].text.size(), 2047u);
  for (const ChildBox& box : r.boxes) EXPECT_EQ(box.style, kFatalStyle);
}

// ---- In-process start-up and shut-down ----

void customHandler() { throw std::bad_alloc(); }

TEST(Init, StartsAndEndsEverythingItMakes) {
  ASSERT_FALSE(gpIsInitialised());
  std::set_new_handler(nullptr);
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  EXPECT_TRUE(gpIsInitialised());
  ASSERT_NE(gpGlobalPool(), nullptr);
  EXPECT_EQ(gpGlobalPool()->blockSize(), static_cast<int>(sizeof(CriticalSection)));
  EXPECT_EQ(gpGlobalPool()->chunkCount(), 1);
  ASSERT_NE(gpMainThread(), nullptr);
  EXPECT_EQ(gpMainThread()->handleHolder().id(), GetCurrentThreadId());
  EXPECT_NE(std::get_new_handler(), nullptr);
  gpSetMemoryReserve(16);

  EXPECT_TRUE(gpExit());
  EXPECT_FALSE(gpIsInitialised());
  EXPECT_EQ(gpGlobalPool(), nullptr);
  EXPECT_EQ(gpMainThread(), nullptr);
  EXPECT_EQ(gpNewHandler(0), 0) << "the reserve outlived gpExit";
  EXPECT_EQ(std::get_new_handler(), nullptr) << "operator new kept the library's handler";

  // A second cycle works and hands back a handler that was there before.
  std::set_new_handler(customHandler);
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  EXPECT_NE(std::get_new_handler(), customHandler);
  gpExit();
  EXPECT_EQ(std::get_new_handler(), customHandler);
  std::set_new_handler(nullptr);
}

TEST(Init, FailedStepIsUndoneAndReported) {
  // The main-thread object made before start-up makes that step fail.
  ASSERT_TRUE(gpInitMainThread());
  EXPECT_FALSE(gpInit(GP_VERSION, GP_BUILD));
  EXPECT_FALSE(gpIsInitialised());
  EXPECT_EQ(gpGlobalPool(), nullptr);
  EXPECT_EQ(std::get_new_handler(), nullptr);
  EXPECT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  gpExit();
}

TEST(OutOfMemory, ReserveIsSpentOnceThenAllocationFails) {
  gpSetMemoryReserve(0);
  EXPECT_EQ(gpNewHandler(0), 0);
  gpSetMemoryReserve(64);
  EXPECT_EQ(gpNewHandler(0), 1);
  EXPECT_EQ(gpNewHandler(0), 0);

  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  gpSetMemoryReserve(64);
  volatile std::size_t huge = SIZE_MAX - 4096;  // no heap can serve it
  EXPECT_THROW(::operator delete(::operator new(huge)), std::bad_alloc);
  EXPECT_EQ(gpNewHandler(0), 0) << "operator new did not spend the reserve";
  gpExit();
}

TEST(OutOfMemory, ReserveIsSpentByOnlyOneOfManyThreads) {
  for (int round = 0; round < 5; ++round) {
    gpSetMemoryReserve(4);
    std::atomic<int> ready{0}, retried{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
      threads.emplace_back([&] {
        ++ready;
        while (ready < 6) SwitchToThread();
        retried += gpNewHandler(0);
      });
    }
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(retried, 1) << "round " << round;
  }
}

// ---- Message box ----

struct Captured {
  std::string caption;
  std::string text;
  unsigned style = 0;
  int answer = IDOK;
};
Captured g_captured;

int capturingHook(const char* caption, const char* text, unsigned style) {
  g_captured.caption = caption;
  g_captured.text = text;
  g_captured.style = style;
  return g_captured.answer;
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { m_previous = gpSetMessageBoxHook(capturingHook); }
  void TearDown() override {
    gpSetMessageBoxHook(m_previous);
    gpSetMessageBoxTitle("");
  }
  GPMessageBoxHook m_previous = nullptr;
};

TEST_F(MessageBoxTest, TitleKeeps255CharactersAndNullIsTheMakersName) {
  std::string title(300, 'T');
  title[254] = 'e';
  EXPECT_TRUE(gpSetMessageBoxTitle(title.c_str()));
  gpMessageBox("hello", 0, 7);
  EXPECT_EQ(g_captured.caption, title.substr(0, 255));
  EXPECT_EQ(g_captured.text, "hello");
  gpSetMessageBoxTitle(nullptr);
  gpMessageBox("hello", 0, 7);
  EXPECT_EQ(g_captured.caption, "Veltrano");
}

struct StyleCase {
  int buttons;
  int defaultButton;
  unsigned style;  // without the task-modal and foreground bits
};

TEST_F(MessageBoxTest, ButtonSetsAndDefaults) {
  const StyleCase cases[] = {
      {0, 7, MB_OK},
      {0, 1, MB_OK},
      {1, 7, MB_OKCANCEL},
      {1, 1, MB_OKCANCEL | MB_DEFBUTTON2},
      {1, 0, MB_OKCANCEL},
      {2, 3, MB_YESNO | MB_DEFBUTTON2},
      {2, 1, MB_YESNO},
      {3, 2, MB_YESNOCANCEL},
      {3, 3, MB_YESNOCANCEL | MB_DEFBUTTON2},
      {3, 1, MB_YESNOCANCEL | MB_DEFBUTTON3},
      {4, 1, MB_RETRYCANCEL | MB_DEFBUTTON2},
      {4, 5, MB_RETRYCANCEL},
      {5, 5, MB_ABORTRETRYIGNORE | MB_DEFBUTTON2},
      {5, 6, MB_ABORTRETRYIGNORE | MB_DEFBUTTON3},
      {5, 4, MB_ABORTRETRYIGNORE},
      {9, 1, MB_OK},
      {-1, 7, MB_OK},
  };
  for (const StyleCase& c : cases) {
    gpMessageBox("x", c.buttons, c.defaultButton);
    EXPECT_EQ(g_captured.style, c.style | MB_TASKMODAL | MB_SETFOREGROUND)
        << "buttons " << c.buttons << " default " << c.defaultButton;
  }
}

TEST_F(MessageBoxTest, AnswersMapToResultCodes) {
  const int answers[][2] = {{IDOK, 0},    {IDCANCEL, 1}, {IDYES, 2},   {IDNO, 3}, {IDABORT, 4},
                            {IDRETRY, 5}, {IDIGNORE, 6}, {IDCLOSE, 0}, {0, 0}};
  for (const auto& a : answers) {
    g_captured.answer = a[0];
    EXPECT_EQ(gpMessageBox("x", 3, 7), a[1]) << "answer " << a[0];
  }
  g_captured.answer = IDOK;
}

TEST_F(MessageBoxTest, NullTextShowsAnEmptyBox) {
  gpMessageBox(nullptr, 0, 7);
  EXPECT_EQ(g_captured.text, "");
}

}  // namespace
