// Threads, priorities, the main-thread object and the recursive lock.
#include "GPBlockPool.h"
#include "GPInit.h"
#include "GPLock.h"
#include "GPThread.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(ThreadPriority, FromLevel) {
  const int expected[][2] = {
      {0, THREAD_PRIORITY_NORMAL},        {1, THREAD_PRIORITY_HIGHEST},       {2, THREAD_PRIORITY_LOWEST},
      {3, THREAD_PRIORITY_TIME_CRITICAL}, {4, THREAD_PRIORITY_TIME_CRITICAL}, {5, THREAD_PRIORITY_IDLE},
      {6, THREAD_PRIORITY_BELOW_NORMAL},  {7, THREAD_PRIORITY_BELOW_NORMAL},  {8, THREAD_PRIORITY_NORMAL},
      {9, THREAD_PRIORITY_NORMAL},        {-1, THREAD_PRIORITY_NORMAL},       {1000, THREAD_PRIORITY_NORMAL}};
  for (const auto& e : expected) EXPECT_EQ(ThreadPriority(e[0]).value(), e[1]) << "level " << e[0];
  EXPECT_EQ(ThreadPriority().value(), THREAD_PRIORITY_NORMAL);
}

// Records what its body saw.
class ProbeThread : public Thread {
 public:
  void run() override {
    ranOn = GetCurrentThreadId();
    seenPriority = GetThreadPriority(GetCurrentThread());
    if (gate) WaitForSingleObject(gate, INFINITE);
    ++runs;
  }
  DWORD ranOn = 0;
  int seenPriority = -999;
  HANDLE gate = nullptr;
  std::atomic<int> runs{0};
};

TEST(Thread, ConstructedIdle) {
  ProbeThread t;
  EXPECT_EQ(t.reserved, 0);
  EXPECT_EQ(t.priority().value(), THREAD_PRIORITY_NORMAL);
  EXPECT_EQ(t.handle(), nullptr);
  EXPECT_EQ(t.handleHolder().id(), 0u);
  EXPECT_FALSE(t.deleteWhenDone());
  EXPECT_FALSE(t.closeHandle());
  t.wait();  // no handle: returns at once
}

TEST(Thread, RunsItsBodyOnItsOwnThreadAtThePriority) {
  for (int level : {0, 1, 2, 3, 5, 6}) {
    ProbeThread t;
    ASSERT_TRUE(t.start(ThreadPriority(level)));
    ASSERT_NE(t.handle(), nullptr);
    t.wait();
    EXPECT_EQ(t.runs, 1);
    EXPECT_EQ(t.ranOn, t.handleHolder().id());
    EXPECT_NE(t.ranOn, GetCurrentThreadId());
    EXPECT_EQ(t.seenPriority, ThreadPriority(level).value()) << "level " << level;
    DWORD code = 99;
    GetExitCodeThread(t.handle(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(t.closeHandle());
    t.handleHolder().clear();
  }
}

TEST(Thread, SuspendedStartWaitsForResume) {
  ProbeThread t;
  ASSERT_TRUE(t.start(ThreadPriority(0), 64 * 1024, true));
  EXPECT_EQ(WaitForSingleObject(t.handle(), 50), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(t.runs, 0);
  ResumeThread(t.handle());
  t.wait();
  EXPECT_EQ(t.runs, 1);
  t.closeHandle();
}

TEST(Thread, PriorityChangedWhileRunning) {
  ProbeThread t;
  t.gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(t.start(ThreadPriority(0)));
  t.setPriority(ThreadPriority(ThreadPriority::LEVEL_LOWEST));
  EXPECT_EQ(GetThreadPriority(t.handle()), THREAD_PRIORITY_LOWEST);
  EXPECT_EQ(t.priority().value(), THREAD_PRIORITY_LOWEST);
  SetEvent(t.gate);
  t.wait();
  t.closeHandle();
  CloseHandle(t.gate);
}

class SelfDeletingThread : public Thread {
 public:
  explicit SelfDeletingThread(HANDLE done) : m_done(done) { setDeleteWhenDone(true); }
  ~SelfDeletingThread() override { SetEvent(m_done); }
  void run() override {}

 private:
  HANDLE m_done;
};

TEST(Thread, DeleteWhenDoneCleansUpItself) {
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Thread* t = new SelfDeletingThread(done);
  ASSERT_TRUE(t->start(ThreadPriority(0)));
  // The object is gone once the event fires; nothing of it may be touched here.
  EXPECT_EQ(WaitForSingleObject(done, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(done);
}

TEST(Thread, NullObjectEndsWithMinusOne) {
  ThreadHandle holder;
  ASSERT_TRUE(holder.start(nullptr, ThreadPriority(0), 0, false));
  holder.wait();
  DWORD code = 0;
  GetExitCodeThread(holder.handle(), &code);
  EXPECT_EQ(code, static_cast<DWORD>(-1));
  EXPECT_TRUE(holder.closeHandle());
}

TEST(Thread, PseudoHandleOfAnotherThreadIsNotHandedOut) {
  ThreadHandle holder;
  holder.set(GetCurrentThread(), GetCurrentThreadId() + 4);
  EXPECT_EQ(holder.handle(), nullptr);
  EXPECT_FALSE(holder.closeHandle());
  holder.set(GetCurrentThread(), GetCurrentThreadId());
  EXPECT_EQ(holder.handle(), GetCurrentThread());
  holder.clear();
}

TEST(MainThread, MadeOnceWithARealHandle) {
  ASSERT_TRUE(gpInitMainThread());
  EXPECT_FALSE(gpInitMainThread());
  MainThread* main = gpMainThread();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->handleHolder().id(), GetCurrentThreadId());
  HANDLE h = main->handle();
  ASSERT_NE(h, nullptr);
  EXPECT_NE(h, GetCurrentThread());
  // The real handle names this thread from any thread.
  DWORD seen = 0;
  std::thread([&] { seen = GetThreadId(h); }).join();
  EXPECT_EQ(seen, GetCurrentThreadId());
  gpExitMainThread();
  EXPECT_EQ(gpMainThread(), nullptr);
  EXPECT_TRUE(gpInitMainThread());
  gpExitMainThread();
}

TEST(RecursiveLock, NeedsTheLibrary) {
  RecursiveLock lock;
  EXPECT_FALSE(lock.create());
  EXPECT_FALSE(lock.isCreated());
  lock.destroy();
}

TEST(RecursiveLock, TakesItsRecordFromTheGlobalPoolAndGivesItBack) {
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  LockedBlockPool* pool = gpGlobalPool();
  const int before = pool->chunkInUse(0);
  {
    RecursiveLock a, b;
    ASSERT_TRUE(a.create());
    ASSERT_TRUE(a.create());  // already made: no second record
    ASSERT_TRUE(b.create());
    EXPECT_EQ(pool->chunkInUse(0), before + 2);
    EXPECT_TRUE(a.section()->initialised);
    a.enter();
    a.enter();  // re-entrant on the owning thread
    a.leave();
    a.leave();
    a.destroy();
    b.destroy();
    EXPECT_FALSE(a.isCreated());
    EXPECT_EQ(pool->chunkInUse(0), before);
  }
  gpExit();
}

TEST(RecursiveLock, DestroyedAfterTheLibraryEndedOnlyForgetsItsRecord) {
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  RecursiveLock late;
  ASSERT_TRUE(late.create());
  gpExit();
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  const int inUse = gpGlobalPool()->chunkInUse(0);
  late.destroy();  // its record belonged to the pool of the first start-up
  EXPECT_FALSE(late.isCreated());
  EXPECT_EQ(gpGlobalPool()->chunkInUse(0), inUse);
  gpExit();
  late.destroy();
}

TEST(RecursiveLock, ExcludesOtherThreads) {
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  RecursiveLock lock;
  ASSERT_TRUE(lock.create());
  volatile long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      lock.enter();
      long value = counter;
      if ((i & 255) == 0) SwitchToThread();
      counter = value + 1;
      lock.leave();
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back(work);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, 80000);
  lock.destroy();
  gpExit();
}

TEST(RecursiveLock, ManyLocksGrowTheGlobalPool) {
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  std::vector<RecursiveLock> locks(200);
  for (RecursiveLock& l : locks) ASSERT_TRUE(l.create());
  EXPECT_EQ(gpGlobalPool()->chunkCount(), 3);  // 40 + 80 + 160 blocks
  for (RecursiveLock& l : locks) l.destroy();
  EXPECT_EQ(gpGlobalPool()->chunkCount(), 1);
  gpExit();
}

}  // namespace

namespace {

// tryEnter never waits: it fails while another thread holds the lock, succeeds when it is free and
// re-enters on the owning thread.
TEST(RecursiveLock, TryEnterNeverWaits) {
  RecursiveLock never;
  EXPECT_FALSE(never.tryEnter());  // not created: refuses instead of touching a null record

  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  RecursiveLock lock;
  ASSERT_TRUE(lock.create());
  ASSERT_TRUE(lock.tryEnter());
  ASSERT_TRUE(lock.tryEnter());  // re-entrant
  lock.leave();

  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool otherGot = true;
  std::thread other([&] {
    otherGot = lock.tryEnter();  // this thread still holds it once
    SetEvent(held);
  });
  WaitForSingleObject(held, INFINITE);
  other.join();
  EXPECT_FALSE(otherGot);
  lock.leave();

  // Free now: the other thread gets it, and while it holds it this thread's try fails at once.
  ResetEvent(held);
  std::thread owner([&] {
    otherGot = lock.tryEnter();
    SetEvent(held);
    WaitForSingleObject(release, INFINITE);
    if (otherGot) lock.leave();
  });
  WaitForSingleObject(held, INFINITE);
  EXPECT_TRUE(otherGot);
  EXPECT_FALSE(lock.tryEnter());
  SetEvent(release);
  owner.join();
  EXPECT_TRUE(lock.tryEnter());
  lock.leave();
  CloseHandle(held);
  CloseHandle(release);
  lock.destroy();
  gpExit();
}

}  // namespace
