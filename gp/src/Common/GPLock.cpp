// RecursiveLock: its critical section lives in a block of the global pool.
#include "GPLock.h"

#include "GPBlockPool.h"

#include <new>

bool RecursiveLock::create() {
  if (m_section) return true;
  LockedBlockPool* pool = gpGlobalPool();
  if (!pool) return false;
  void* block = nullptr;
  try {
    block = pool->lockedAlloc();
  } catch (const std::bad_alloc&) {
    block = nullptr;
  }
  if (!block) return false;
  CriticalSection* section = static_cast<CriticalSection*>(block);
  section->initialised = false;
  if (!section->init()) {
    pool->lockedFree(block);
    return false;
  }
  m_section = section;
  m_poolGeneration = gpGlobalPoolGeneration();
  return true;
}

void RecursiveLock::destroy() {
  if (!m_section) return;
  LockedBlockPool* pool = gpGlobalPool();
  if (pool && m_poolGeneration == gpGlobalPoolGeneration()) {
    m_section->destroy();
    pool->lockedFree(m_section);
  }
  m_section = nullptr;
}
