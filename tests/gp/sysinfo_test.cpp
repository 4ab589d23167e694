// System information and processor identification.
#include "GPCpu.h"
#include "GPSystemInfo.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(SystemInfo, OsKindTable) {
  const unsigned cases[][4] = {
      // platform, major, minor, kind
      {0, 3, 10, 1}, {1, 4, 0, 2},  {1, 4, 3, 2},  {1, 4, 10, 3}, {1, 4, 89, 3}, {1, 4, 90, 4},
      {1, 5, 0, 4},  {1, 3, 95, 4}, {2, 3, 51, 5}, {2, 4, 0, 5},  {2, 5, 0, 6},  {2, 5, 1, 7},
      {2, 6, 0, 6},  {2, 6, 1, 7},  {2, 10, 0, 6}, {3, 5, 0, 0},  {7, 1, 1, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(gpOsKindOf(c[0], c[1], c[2]), static_cast<int>(c[3])) << c[0] << " " << c[1] << "." << c[2];
}

TEST(SystemInfo, LanguageTable) {
  const unsigned cases[][2] = {{0x09, 0}, {0x0C, 1}, {0x07, 2}, {0x11, 3}, {0x0A, 4}, {0x13, 5}, {0x00, 5}, {0x3FF, 5}};
  for (const auto& c : cases) EXPECT_EQ(gpLanguageOf(c[0]), static_cast<int>(c[1])) << std::hex << c[0];
}

TEST(SystemInfo, ProcessorClassTable) {
  const int cases[][5] = {
      // architecture, level, type, current, class
      {0, 0, 386, 0, 1}, {0, 0, 486, 0, 2}, {0, 0, 586, 0, 3}, {0, 0, 587, 0, 4}, {0, 0, 2200, 0, 4}, {0, 3, 586, 0, 1},
      {0, 4, 0, 0, 2},   {0, 5, 0, 0, 3},   {0, 6, 0, 0, 4},   {0, 15, 0, 0, 5},  {0, 7, 0, 0, 4},    {0, 16, 0, 0, 4},
      {0, 2, 0, 3, 3},   {6, 0, 0, 0, 6},   {3, 0, 0, 2, 2},   {5, 6, 0, 0, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(gpProcessorClassOf(c[0], c[1], c[2], c[3]), c[4]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(SystemInfo, ReadsThisMachine) {
  ASSERT_TRUE(gpReadSystemInfo());
  const GPSystemInfo& info = gpSystemInfo();
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(info.osMajor, version.dwMajorVersion);
  EXPECT_EQ(info.osMinor, version.dwMinorVersion);
  EXPECT_EQ(info.osKind,
            static_cast<uint32_t>(gpOsKindOf(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion)));
  EXPECT_GE(info.processorCount, 1u);
  EXPECT_GE(info.processorClass, static_cast<uint32_t>(GP_CPU_686));
  EXPECT_EQ(info.language, static_cast<uint32_t>(gpLanguageOf(PRIMARYLANGID(GetUserDefaultLCID()))));
  // Every x86-64 processor has MMX and SSE.
  EXPECT_TRUE(info.features & GP_FEATURE_MMX);
  EXPECT_TRUE(info.features & GP_FEATURE_SSE);
  EXPECT_EQ((info.features & GP_FEATURE_SSE_FAMILY15) != 0, info.processorClass == GP_CPU_FAMILY15);
}

TEST(Cpu, IdentifiesTheProcessor) {
  EXPECT_EQ(gpCpuId(GP_CPU_PRESENT), 1);
  EXPECT_EQ(gpCpuId(GP_CPU_FPU), 1);
  EXPECT_EQ(gpCpuId(GP_CPU_MMX), 1);
  EXPECT_EQ(gpCpuId(13), 0);
  EXPECT_EQ(gpCpuId(-1), 0);
  const int vendor = gpCpuId(GP_CPU_VENDOR);
  EXPECT_GE(vendor, 0);
  EXPECT_LE(vendor, 4);
  EXPECT_TRUE(gpCpuHasSse());
  EXPECT_TRUE(gpOsHasSse());
  EXPECT_TRUE(gpHasSse());
  EXPECT_TRUE(gpOsHasSseExceptions());
  // The probes leave the SSE control word as they found it.
  unsigned before = 0, after = 0;
  asm volatile("stmxcsr %0" : "=m"(before));
  gpOsHasSseExceptions();
  asm volatile("stmxcsr %0" : "=m"(after));
  EXPECT_EQ(before & 0xFFC0, after & 0xFFC0);
  EXPECT_EQ(gpHasMmx(), true);
  EXPECT_EQ(gpHas3DNow(), gpCpuId(GP_CPU_3DNOW) != 0);
}

TEST(Cpu, ProbesRunOnAnyThread) {
  std::vector<std::thread> threads;
  std::vector<int> passed(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &passed] {
      int ok = 0;
      for (int i = 0; i < 50; ++i) ok += gpHasSse() && gpOsHasSseExceptions();
      passed[t] = ok;
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(passed[t], 50) << "thread " << t;
}

TEST(Cpu, VendorStrings) {
  EXPECT_EQ(gpCpuVendorOf("AuthenticAMD"), 1);
  EXPECT_EQ(gpCpuVendorOf("GenuineIntel"), 2);
  EXPECT_EQ(gpCpuVendorOf("CyrixInstead"), 3);
  EXPECT_EQ(gpCpuVendorOf("CentaurHauls"), 4);
  EXPECT_EQ(gpCpuVendorOf("HygonGenuine"), 0);
}

TEST(Cpu, ModelCodeTable) {
  const int cases[][4] = {
      // vendor, family, model, code
      {1, 4, 9, 1},  {1, 5, 0, 2},  {1, 5, 3, 2},  {1, 5, 4, 3},  {1, 5, 7, 3},  {1, 5, 8, 4},  {1, 5, 9, 5},
      {1, 5, 10, 0}, {1, 6, 2, 6},  {1, 15, 0, 0}, {2, 4, 0, 7},  {2, 4, 1, 7},  {2, 4, 2, 8},  {2, 4, 3, 9},
      {2, 4, 4, 10}, {2, 4, 5, 11}, {2, 4, 6, 0},  {2, 4, 7, 12}, {2, 4, 8, 13}, {2, 5, 1, 14}, {2, 5, 3, 14},
      {2, 5, 4, 15}, {2, 5, 0, 0},  {2, 6, 1, 16}, {2, 6, 3, 17}, {2, 6, 5, 17}, {2, 6, 6, 18}, {2, 6, 7, 19},
      {2, 6, 8, 0},  {3, 5, 2, 0},  {4, 6, 0, 0},  {0, 6, 6, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(gpCpuModelCode(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

}  // namespace
