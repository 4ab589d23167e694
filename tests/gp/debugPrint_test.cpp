// Debug output: the text handed to the debugger, read back through the exception that
// OutputDebugStringA raises for a debugger to see.
#include "GPError.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::mutex g_printedLock;
std::vector<std::pair<DWORD, std::string>> g_printed;  // printing thread, text

LONG CALLBACK catchDebugText(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
    std::lock_guard<std::mutex> hold(g_printedLock);
    g_printed.emplace_back(GetCurrentThreadId(), reinterpret_cast<const char*>(record->ExceptionInformation[1]));
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

std::vector<std::string> printedBy(DWORD thread) {
  std::lock_guard<std::mutex> hold(g_printedLock);
  std::vector<std::string> texts;
  for (const auto& p : g_printed)
    if (p.first == thread) texts.push_back(p.second);
  return texts;
}

class DebugPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    g_printed.clear();
    m_handler = AddVectoredExceptionHandler(1, catchDebugText);
  }
  void TearDown() override { RemoveVectoredExceptionHandler(m_handler); }
  void* m_handler = nullptr;
};

TEST_F(DebugPrint, FormatsWithoutAddingANewline) {
  gpDebugPrint("device %d: %s", 3, "open");
  gpDebugPrint("%s", "");
  const std::vector<std::string> texts = printedBy(GetCurrentThreadId());
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "device 3: open");
  EXPECT_EQ(texts[1], "");
}

TEST_F(DebugPrint, CutsAt511Characters) {
  const std::string text(700, 'd');
  gpDebugPrint("%s!", text.c_str());
  const std::vector<std::string> texts = printedBy(GetCurrentThreadId());
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], text.substr(0, 511));
}

TEST_F(DebugPrint, ThreadsDoNotMixTheirTexts) {
  std::vector<std::thread> threads;
  std::vector<DWORD> ids(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &ids] {
      ids[t] = GetCurrentThreadId();
      const std::string mine(100 + t, static_cast<char>('a' + t));
      for (int i = 0; i < 200; ++i) gpDebugPrint("%s%d", mine.c_str(), i);
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 4; ++t) {
    const std::vector<std::string> texts = printedBy(ids[t]);
    ASSERT_EQ(texts.size(), 200u) << "thread " << t;
    const std::string mine(100 + t, static_cast<char>('a' + t));
    for (int i = 0; i < 200; ++i) EXPECT_EQ(texts[i], mine + std::to_string(i));
  }
}

}  // namespace
