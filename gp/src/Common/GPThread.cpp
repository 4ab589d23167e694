// Threads and the main-thread object.
#include "GPThread.h"

#include <process.h>

#include <new>

int ThreadPriority::fromLevel(int level) {
  static const int priorities[9] = {
      THREAD_PRIORITY_NORMAL,        THREAD_PRIORITY_HIGHEST,       THREAD_PRIORITY_LOWEST,
      THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_IDLE,
      THREAD_PRIORITY_BELOW_NORMAL,  THREAD_PRIORITY_BELOW_NORMAL,  THREAD_PRIORITY_NORMAL};
  return level >= 0 && level <= 8 ? priorities[level] : THREAD_PRIORITY_NORMAL;
}

namespace {

unsigned __stdcall threadEntry(void* argument) {
  Thread* thread = static_cast<Thread*>(argument);
  if (!thread) return static_cast<unsigned>(-1);
  thread->run();
  if (thread->deleteWhenDone()) {
    thread->closeHandle();
    thread->handleHolder().clear();
    delete thread;
  }
  return 0;
}

}  // namespace

bool ThreadHandle::start(Thread* thread, ThreadPriority priority, unsigned stackSize, bool suspended) {
  unsigned id = 0;
  uintptr_t made = _beginthreadex(nullptr, stackSize, threadEntry, thread, CREATE_SUSPENDED, &id);
  HANDLE handle = reinterpret_cast<HANDLE>(made);
  m_handle = handle;
  m_id = made ? id : 0;
  if (!handle) return false;
  setPriority(priority);
  // From here on the object may be deleted by its own thread: touch only the local handle.
  if (!suspended) ResumeThread(handle);
  return true;
}

HANDLE ThreadHandle::handle() const {
  if (m_handle == GetCurrentThread() && m_id != GetCurrentThreadId()) return nullptr;
  return m_handle;
}

void ThreadHandle::setPriority(ThreadPriority priority) {
  if (HANDLE h = handle()) SetThreadPriority(h, priority.value());
}

void ThreadHandle::wait() {
  if (HANDLE h = handle()) WaitForSingleObject(h, INFINITE);
}

bool ThreadHandle::closeHandle() {
  HANDLE h = handle();
  if (!h) return false;
  return CloseHandle(h) != FALSE;
}

namespace {

MainThread* g_createdMainThread = nullptr;
MainThread* g_currentMainThread = nullptr;
bool g_mainThreadDone = false;

}  // namespace

MainThread::MainThread() {
  HANDLE real = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &real, 0, FALSE,
                      DUPLICATE_SAME_ACCESS))
    handleHolder().set(real, GetCurrentThreadId());
}

MainThread::~MainThread() {
  closeHandle();
  handleHolder().clear();
  g_currentMainThread = nullptr;
}

bool gpInitMainThread() {
  if (g_mainThreadDone) return false;
  if (!g_currentMainThread) {
    MainThread* made = new (std::nothrow) MainThread;
    g_createdMainThread = made;
    g_currentMainThread = made;
  }
  g_mainThreadDone = true;
  return true;
}

void gpExitMainThread() {
  if (g_createdMainThread && g_createdMainThread == g_currentMainThread) {
    delete g_createdMainThread;
    g_createdMainThread = nullptr;
    g_currentMainThread = nullptr;
  }
  g_mainThreadDone = false;
}

MainThread* gpMainThread() { return g_currentMainThread; }

void gpSleep(unsigned milliseconds) { SleepEx(milliseconds, FALSE); }
