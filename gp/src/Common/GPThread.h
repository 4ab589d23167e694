// Threads: an abstract Thread whose subclass supplies the body, the MainThread object standing for the
// process's main thread, priorities from a portable level, and sleep.
#pragma once

#include <windows.h>

#include <cstdint>

// A Windows thread priority made from a portable level 0..8.
class ThreadPriority {
 public:
  enum Level {
    LEVEL_NORMAL = 0,
    LEVEL_HIGHEST = 1,
    LEVEL_LOWEST = 2,
    LEVEL_TIME_CRITICAL = 3,
    LEVEL_REALTIME = 4,
    LEVEL_IDLE = 5,
    LEVEL_BELOW_NORMAL = 6,
    LEVEL_BACKGROUND = 7,
    LEVEL_DEFAULT = 8
  };

  // Levels outside 0..8 give the normal priority.
  explicit ThreadPriority(int level = LEVEL_NORMAL) : m_value(fromLevel(level)) {}
  static int fromLevel(int level);
  int value() const { return m_value; }

 private:
  int m_value;  // THREAD_PRIORITY_* value
};

class Thread;

// A thread's handle and id, and what is done through them.
class ThreadHandle {
 public:
  // Creates the thread suspended with `thread` as its object (stackSize 0: the default), stores the
  // handle and id, sets the priority and resumes it unless `suspended`. False when it cannot be made.
  bool start(Thread* thread, ThreadPriority priority, unsigned stackSize, bool suspended);
  // The stored handle, or null when it is the pseudo-handle of a thread other than the caller.
  HANDLE handle() const;
  void setPriority(ThreadPriority priority);
  // Waits without time limit for the thread to end (when there is a handle).
  void wait();
  // Closes the handle; false without one. The stored handle is not cleared.
  bool closeHandle();
  void clear() {
    m_handle = nullptr;
    m_id = 0;
  }
  void set(HANDLE handle, DWORD id) {
    m_handle = handle;
    m_id = id;
  }
  HANDLE storedHandle() const { return m_handle; }
  DWORD id() const { return m_id; }

 private:
  HANDLE m_handle = nullptr;
  DWORD m_id = 0;
};

class Thread {
 public:
  Thread() = default;
  virtual ~Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // The thread's body.
  virtual void run() = 0;

  bool start(ThreadPriority priority, unsigned stackSize = 0, bool suspended = false) {
    m_priority = priority;
    return m_handle.start(this, priority, stackSize, suspended);
  }
  HANDLE handle() const { return m_handle.handle(); }
  void setPriority(ThreadPriority priority) {
    m_priority = priority;
    m_handle.setPriority(priority);
  }
  void wait() { m_handle.wait(); }
  bool closeHandle() { return m_handle.closeHandle(); }

  ThreadHandle& handleHolder() { return m_handle; }
  ThreadPriority priority() const { return m_priority; }
  // When set before start, the thread closes its handle and deletes its object after run returns.
  void setDeleteWhenDone(bool on) { m_deleteWhenDone = on; }
  bool deleteWhenDone() const { return m_deleteWhenDone; }

  // Free for a subclass's own use; 0 when constructed.
  intptr_t reserved = 0;

 private:
  ThreadPriority m_priority;
  ThreadHandle m_handle;
  bool m_deleteWhenDone = false;
};

// The process's main thread: a real (duplicated) handle and the thread's id.
class MainThread : public Thread {
 public:
  MainThread();
  ~MainThread() override;
  void run() override {}
};

// Creates the main-thread object (from the thread that calls it). False when it has already run.
bool gpInitMainThread();
// Deletes the main-thread object made by gpInitMainThread.
void gpExitMainThread();
// The current main-thread object, null outside gpInitMainThread .. gpExitMainThread.
MainThread* gpMainThread();

// Sleeps, not alertable.
void gpSleep(unsigned milliseconds);
