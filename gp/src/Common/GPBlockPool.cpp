// Fixed-size block pools.
//
// A chunk is one allocation: a seven-word header, then `capacity` slots of slotSize bytes. A slot starts
// with a block header whose first word holds the owning chunk while the block is in use and the next
// free block while it is free; the caller's pointer follows the block header. With ALIGNED_32 the
// block header is 32 bytes, slots are multiples of 32 and the first slot starts on a 32-byte boundary,
// so every pointer handed out is 32-byte aligned.
#include "GPBlockPool.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

constexpr int kWord = static_cast<int>(sizeof(void*));
constexpr int kAlign = 32;
constexpr int kUnlimitedBlocks = 0x10000000;

int roundUp(int value, int step) { return (value + step - 1) / step * step; }

}  // namespace

BlockPool::Chunk* BlockPool::chunkOf(Link* link) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<char*>(link) - offsetof(Chunk, freeLink));
}

bool BlockPool::create(int blockSize, int firstChunkBlocks, int maxChunkBytes, int flags) {
  if (m_created) return true;
  if (blockSize < 0) return false;
  m_blockSize = blockSize;
  m_flags = flags;
  const bool aligned = (flags & ALIGNED_32) != 0;
  m_chunkHeader = aligned ? roundUp(static_cast<int>(sizeof(Chunk)), kAlign) : static_cast<int>(sizeof(Chunk));
  m_blockHeader = aligned ? kAlign : kWord;
  int slot = blockSize + m_blockHeader;
  if (slot < kWord) slot = kWord;
  m_slotSize = roundUp(slot, aligned ? kAlign : kWord);
  m_maxBlocks = maxChunkBytes > 0 ? maxChunkBytes / (blockSize + m_blockHeader) : kUnlimitedBlocks;
  if (m_maxBlocks < 1) m_maxBlocks = 1;
  // A chunk of no blocks could never serve an alloc.
  if (firstChunkBlocks < 1) firstChunkBlocks = 1;
  m_nextBlocks = firstChunkBlocks;
  m_largestBlocks = firstChunkBlocks;
  m_totalBytes = 0;
  m_first = m_last = nullptr;
  m_freeFirst = m_freeLast = nullptr;
  newChunk();  // a failure here is retried by alloc
  m_created = true;
  return true;
}

BlockPool::Chunk* BlockPool::newChunk() {
  if ((m_flags & ONE_CHUNK) && m_first) return nullptr;
  const std::size_t n = static_cast<std::size_t>(m_nextBlocks);
  const std::size_t extra = (m_flags & ALIGNED_32) ? kAlign - kWord : 0;
  const std::size_t fixed = static_cast<std::size_t>(m_chunkHeader) + extra;
  const std::size_t slot = static_cast<std::size_t>(m_slotSize);
  if (n > (SIZE_MAX - fixed) / slot) return nullptr;
  const std::size_t bytes = n * slot + fixed;
  void* memory = nullptr;
  try {
    memory = allocChunk(bytes);
  } catch (...) {
    memory = nullptr;
  }
  if (!memory) return nullptr;

  Chunk* chunk = static_cast<Chunk*>(memory);
  chunk->inUse = 0;
  chunk->capacity = static_cast<intptr_t>(n);
  chunk->freeHead = nullptr;
  m_totalBytes += bytes;
  chunk->next = nullptr;
  chunk->prev = m_last;
  if (m_last)
    m_last->next = chunk;
  else
    m_first = chunk;
  m_last = chunk;
  appendFree(chunk);

  uintptr_t start = reinterpret_cast<uintptr_t>(chunk) + static_cast<uintptr_t>(m_chunkHeader);
  if (m_flags & ALIGNED_32) start = (start + kAlign - 1) & ~static_cast<uintptr_t>(kAlign - 1);
  char* block = reinterpret_cast<char*>(start);
  for (std::size_t i = 0; i < n; ++i, block += slot) {
    *reinterpret_cast<void**>(block) = chunk->freeHead;
    chunk->freeHead = block;
  }

  if (m_nextBlocks > m_largestBlocks) m_largestBlocks = m_nextBlocks;
  if (m_nextBlocks >= m_largestBlocks) {
    const long long doubled = 2LL * m_nextBlocks;
    m_nextBlocks = doubled < m_maxBlocks ? static_cast<int>(doubled) : m_maxBlocks;
  }
  return chunk;
}

void BlockPool::appendFree(Chunk* chunk) {
  Link* link = &chunk->freeLink;
  link->next = nullptr;
  link->prev = m_freeLast;
  if (m_freeLast)
    m_freeLast->next = link;
  else
    m_freeFirst = link;
  m_freeLast = link;
}

void BlockPool::unlinkFree(Chunk* chunk) {
  Link* link = &chunk->freeLink;
  if (link->prev)
    link->prev->next = link->next;
  else
    m_freeFirst = link->next;
  if (link->next)
    link->next->prev = link->prev;
  else
    m_freeLast = link->prev;
  link->prev = link->next = nullptr;
}

void* BlockPool::alloc(std::size_t) {
  if (!m_freeFirst && !newChunk()) throw std::bad_alloc();
  Chunk* chunk = chunkOf(m_freeFirst);
  char* block = static_cast<char*>(chunk->freeHead);
  chunk->freeHead = *reinterpret_cast<void**>(block);
  *reinterpret_cast<Chunk**>(block) = chunk;
  if (++chunk->inUse == chunk->capacity) unlinkFree(chunk);
  return block + m_blockHeader;
}

void BlockPool::free(void* pointer) {
  if (!pointer) return;
  char* block = static_cast<char*>(pointer) - m_blockHeader;
  Chunk* chunk = *reinterpret_cast<Chunk**>(block);
  *reinterpret_cast<void**>(block) = chunk->freeHead;
  chunk->freeHead = block;
  if (chunk->inUse == chunk->capacity) appendFree(chunk);
  if (--chunk->inUse == 0 && chunk != m_first) releaseChunk(chunk);
}

void BlockPool::releaseChunk(Chunk* chunk) {
  const std::size_t extra = (m_flags & ALIGNED_32) ? kAlign - kWord : 0;
  m_totalBytes -= static_cast<std::size_t>(chunk->capacity) * static_cast<std::size_t>(m_slotSize) +
                  static_cast<std::size_t>(m_chunkHeader) + extra;
  if (m_largestBlocks <= chunk->capacity) m_nextBlocks = m_largestBlocks;
  unlinkFree(chunk);
  if (chunk->prev)
    chunk->prev->next = chunk->next;
  else
    m_first = chunk->next;
  if (chunk->next)
    chunk->next->prev = chunk->prev;
  else
    m_last = chunk->prev;
  freeChunk(chunk);
}

void BlockPool::destroy() {
  if (!m_created) return;
  Chunk* chunk = m_first;
  while (chunk) {
    Chunk* next = chunk->next;
    freeChunk(chunk);
    chunk = next;
  }
  m_first = m_last = nullptr;
  m_freeFirst = m_freeLast = nullptr;
  m_totalBytes = 0;
  m_created = false;
}

const BlockPool::Chunk* BlockPool::chunkAt(int index) const {
  const Chunk* chunk = m_first;
  for (int i = 0; chunk && i < index; ++i) chunk = chunk->next;
  return chunk;
}

int BlockPool::chunkCount() const {
  int count = 0;
  for (const Chunk* chunk = m_first; chunk; chunk = chunk->next) ++count;
  return count;
}

int BlockPool::chunkCapacity(int index) const {
  const Chunk* chunk = chunkAt(index);
  return chunk ? static_cast<int>(chunk->capacity) : 0;
}

int BlockPool::chunkInUse(int index) const {
  const Chunk* chunk = chunkAt(index);
  return chunk ? static_cast<int>(chunk->inUse) : 0;
}

void* FixedBlockPool::allocChunk(std::size_t bytes) { return ::operator new(bytes); }

void FixedBlockPool::freeChunk(void* chunk) { ::operator delete(chunk); }

bool LockedBlockPool::create(int blockSize, int firstChunkBlocks, int maxChunkBytes, int flags) {
  if (isCreated()) return true;
  m_lock.init();
  if (!BlockPool::create(blockSize, firstChunkBlocks, maxChunkBytes, flags)) {
    m_lock.destroy();
    return false;
  }
  return true;
}

void LockedBlockPool::destroy() {
  BlockPool::destroy();
  m_lock.destroy();
}

void* LockedBlockPool::lockedAlloc() {
  enter();
  void* block = nullptr;
  try {
    block = alloc(static_cast<std::size_t>(blockSize()));
  } catch (...) {
    leave();
    throw;
  }
  leave();
  return block;
}

void LockedBlockPool::lockedFree(void* block) {
  enter();
  free(block);
  leave();
}

namespace {

LockedBlockPool g_globalPool;
bool g_globalPoolLive = false;
unsigned g_globalPoolGeneration = 0;

}  // namespace

LockedBlockPool* gpGlobalPool() { return g_globalPoolLive ? &g_globalPool : nullptr; }

bool gpCreateGlobalPool() {
  if (g_globalPoolLive) return true;
  g_globalPoolLive = g_globalPool.create(static_cast<int>(sizeof(CriticalSection)), 40, 20480, 0);
  if (g_globalPoolLive) ++g_globalPoolGeneration;
  return g_globalPoolLive;
}

unsigned gpGlobalPoolGeneration() { return g_globalPoolGeneration; }

void gpDestroyGlobalPool() {
  if (!g_globalPoolLive) return;
  g_globalPoolLive = false;
  g_globalPool.destroy();
}
