// Locks: a Win32 critical section record and the lazily created RecursiveLock whose record comes from
// the library's global block pool.
#pragma once

#include <windows.h>

struct CriticalSection {
  CRITICAL_SECTION section;
  bool initialised;

  bool init() {
    InitializeCriticalSection(&section);
    initialised = true;
    return true;
  }
  void destroy() {
    if (initialised) DeleteCriticalSection(&section);
    initialised = false;
  }
  void enter() { EnterCriticalSection(&section); }
  // Enters without waiting; true when the section is now held (also when this thread held it).
  bool tryEnter() { return TryEnterCriticalSection(&section) != 0; }
  void leave() { LeaveCriticalSection(&section); }
};
#if !defined(_WIN64)
static_assert(sizeof(CriticalSection) == 28, "the 32-bit global pool serves 28-byte records");
#endif

// A re-entrant lock. It keeps no count of its own: its users keep a nesting depth and enter on the
// step 0 -> 1, leave on 1 -> 0. Must be destroyed before gpExit; a lock destroyed later only forgets
// its record, whose memory went with the pool.
class RecursiveLock {
 public:
  RecursiveLock() = default;
  virtual ~RecursiveLock() = default;
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  // Takes the critical section from the global pool; true at once when already created, false when
  // no record can be had (the library is not started or the pool is exhausted).
  bool create();
  void destroy();
  bool isCreated() const { return m_section != nullptr; }
  void enter() { m_section->enter(); }
  // Enters only when no other thread holds the lock, never waiting (the audio thread's way in);
  // false, without entering, when another thread holds it or the lock was never created.
  bool tryEnter() { return m_section && m_section->tryEnter(); }
  void leave() { m_section->leave(); }
  CriticalSection* section() const { return m_section; }

 private:
  CriticalSection* m_section = nullptr;
  unsigned m_poolGeneration = 0;  // the global pool the record came from
};
