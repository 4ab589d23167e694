// Negative controls: each mechanism of the real-time checks catches a deliberate violation (and only
// while armed, and only on the armed thread), so a clean result of the engine checks means something.
#include <gtest/gtest.h>
#include <semaphore.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "os/osFile.h"
#include "rtGuard.h"
#include "rtSyscall.h"

namespace {

struct RtGuard : ::testing::Test {
  void SetUp() override {
    rtGuardInit();
    rtReset();
  }
  void TearDown() override { rtDisarm(); }
};

__attribute__((noinline)) void allocateOnPurpose() {
  std::vector<int> v(100, 1);
  asm volatile("" : : "r"(v.data()) : "memory");  // the optimiser may not drop the vector
}

TEST_F(RtGuard, NewAndDeleteWhileArmedAreCountedWithTheirPlace) {
  {
    RtArmed armed;
    allocateOnPurpose();
  }
  EXPECT_EQ(rtViolations(rtKindAlloc), 1);
  EXPECT_EQ(rtViolations(rtKindFree), 1);
  const std::string report = rtReport();
  EXPECT_NE(report.find("allocation: malloc/new of 400 bytes"), std::string::npos) << report;
#if defined(__SANITIZE_ADDRESS__)  // without the sanitizer's symboliser only exported names are shown
  EXPECT_NE(report.find("allocateOnPurpose"), std::string::npos) << report;
#endif
}

TEST_F(RtGuard, MallocAndFreeAreCountedOnlyWhileArmed) {
  void* p = std::malloc(64);
  std::free(p);
  EXPECT_EQ(rtViolations(), 0);
  rtArm();
  p = std::malloc(64);
  asm volatile("" : : "r"(p) : "memory");
  rtDisarm();
  std::free(p);
  EXPECT_EQ(rtViolations(rtKindAlloc), 1);
  EXPECT_EQ(rtViolations(rtKindFree), 0);
}

TEST_F(RtGuard, AnotherThreadAllocatingIsNotCounted) {
  RtArmed armed;
  std::thread other([] { delete new int(3); });  // the thread's own start-up may allocate on this one
  rtDisarm();
  other.join();
  rtReset();
  rtArm();
  std::thread quiet([] {
    void* p = std::malloc(32);
    asm volatile("" : : "r"(p) : "memory");
    std::free(p);
  });
  rtDisarm();
  quiet.join();
  // Only this thread's creation of `quiet` (armed) may count; the other thread's malloc/free never.
  const std::string report = rtReport(8);
  EXPECT_EQ(report.find("lambda"), std::string::npos) << report;
}

TEST_F(RtGuard, MutexLockIsCounted) {
  std::mutex m;
  {
    RtArmed armed;
    std::lock_guard<std::mutex> lock(m);
  }
  EXPECT_EQ(rtViolations(rtKindLock), 1);
  EXPECT_NE(rtReport().find("lock/wait: pthread_mutex_lock"), std::string::npos) << rtReport();
  m.lock();  // unarmed: not counted, and the forwarded lock really locks
  EXPECT_FALSE(m.try_lock());
  m.unlock();
  EXPECT_EQ(rtViolations(rtKindLock), 1);
}

TEST_F(RtGuard, ConditionWaitSemaphoreAndTryLockAreCounted) {
  std::mutex m;
  std::condition_variable cv;
  sem_t sem;
  ASSERT_EQ(sem_init(&sem, 0, 1), 0);
  {
    RtArmed armed;
    EXPECT_TRUE(m.try_lock());
    m.unlock();
    sem_wait(&sem);
    std::unique_lock<std::mutex> lock(m);
    cv.wait_for(lock, std::chrono::microseconds(1));
  }
  sem_destroy(&sem);
  // try_lock, sem_wait, the unique_lock, and the condition wait (which may relock through the mutex).
  EXPECT_GE(rtViolations(rtKindLock), 4);
  EXPECT_NE(rtReport(8).find("sem_wait"), std::string::npos) << rtReport(8);
}

TEST_F(RtGuard, ArithmeticInAChildFinishesWithoutSystemCalls) {
  const RtSyscallResult r = rtRunWithoutSyscalls(
      [](void* payload) {
        double x = 1.0;
        for (int i = 0; i < 1000; ++i) x = x * 1.0001 + 0.5;
        *static_cast<double*>(payload) = x;
      },
      sizeof(double));
  ASSERT_TRUE(r.childRan) << r.failure;
  EXPECT_TRUE(r.finished) << rtSyscallName(r.syscallNumber) << "\n" << r.where << r.failure;
  EXPECT_EQ(r.syscallNumber, -1);
}

__attribute__((noinline)) void callTheSystemOnPurpose() { syscall(SYS_getppid); }

TEST_F(RtGuard, SystemCallsInAChildAreTrappedWithTheirNumberAndPlace) {
  const void* payload = nullptr;
  const RtSyscallResult r = rtRunWithoutSyscalls(
      [](void* p) {
        *static_cast<int*>(p) = 1;
        callTheSystemOnPurpose();
        *static_cast<int*>(p) = 2;
      },
      sizeof(int), &payload);
  ASSERT_TRUE(r.childRan) << r.failure;
  EXPECT_FALSE(r.finished);
  EXPECT_EQ(r.syscallNumber, SYS_getppid);
  EXPECT_EQ(*static_cast<const int*>(payload), 1);  // ended at the call
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_NE(r.where.find("callTheSystemOnPurpose"), std::string::npos) << r.where;
#endif
}

TEST_F(RtGuard, SleepingWritingAndWaitingAreTrapped) {
  struct Case {
    const char* name;
    void (*work)();
    long expected;
  };
  const Case cases[] = {
      {"sleep", [] { osSleepMs(1); }, SYS_clock_nanosleep},
      {"write", [] { (void)!write(2, "", 0); }, SYS_write},
      {"yield", [] { std::this_thread::yield(); }, SYS_sched_yield},
  };
  for (const Case& c : cases) {
    auto* fn = c.work;
    const RtSyscallResult r = rtRunWithoutSyscalls([fn](void*) { fn(); }, 0);
    ASSERT_TRUE(r.childRan) << c.name << ": " << r.failure;
    EXPECT_FALSE(r.finished) << c.name;
    // osSleepMs may use nanosleep or clock_nanosleep.
    if (c.expected == SYS_clock_nanosleep)
      EXPECT_TRUE(r.syscallNumber == SYS_clock_nanosleep || r.syscallNumber == SYS_nanosleep) << r.syscallNumber;
    else
      EXPECT_EQ(r.syscallNumber, c.expected) << c.name;
  }
}

}  // namespace
