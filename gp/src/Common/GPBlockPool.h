// Fixed-size block allocators. A pool hands out blocks of one size from chunks it takes from the
// system; chunk sizes double from the first chunk's up to a maximum, a chunk is returned as soon as
// its last block is freed (except the first chunk), and alloc and free run in constant time.
#pragma once

#include "GPLock.h"

#include <cstddef>
#include <cstdint>

class BlockPool {
 public:
  enum Flags {
    ONE_CHUNK = 1,  // never more than the first chunk
    ALIGNED_32 = 4  // every block 32-byte aligned
  };

  BlockPool() = default;
  // Destroying the object does not free its chunks: destroy does.
  virtual ~BlockPool() = default;
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // blockSize in bytes; firstChunkBlocks blocks in the first chunk; a chunk's blocks are limited so
  // that blocks and their headers fit maxChunkBytes (<= 0: no limit). True (also when created).
  bool create(int blockSize, int firstChunkBlocks, int maxChunkBytes, int flags);
  // A block of the pool's block size (the size argument is not used; callers pass the block size).
  // Throws std::bad_alloc when no block can be had.
  void* alloc(std::size_t size);
  // Returns a block (null does nothing).
  void free(void* block);
  // Frees every chunk; the pool may be created again.
  void destroy();

  bool isCreated() const { return m_created; }
  int blockSize() const { return m_blockSize; }
  int slotSize() const { return m_slotSize; }
  int nextChunkBlocks() const { return m_nextBlocks; }
  int largestChunkBlocks() const { return m_largestBlocks; }
  int maxChunkBlocks() const { return m_maxBlocks; }
  // Bytes taken from the system for all chunks.
  std::size_t totalBytes() const { return m_totalBytes; }
  int chunkHeaderSize() const { return m_chunkHeader; }
  int blockHeaderSize() const { return m_blockHeader; }
  int flags() const { return m_flags; }
  // Number of chunks, and the blocks each holds and has in use, in list order (for inspection).
  int chunkCount() const;
  int chunkCapacity(int index) const;
  int chunkInUse(int index) const;

 protected:
  virtual void* allocChunk(std::size_t bytes) = 0;
  virtual void freeChunk(void* chunk) = 0;

 private:
  struct Chunk;
  struct Link {
    Link* prev;
    Link* next;
  };
  // Header at the start of each chunk: seven words.
  struct Chunk {
    Chunk* prev;  // all-chunks list
    Chunk* next;
    Link freeLink;      // free-chunks list
    void* freeHead;     // first free block
    intptr_t inUse;     // blocks handed out
    intptr_t capacity;  // blocks in the chunk
  };
  static Chunk* chunkOf(Link* link);
  Chunk* newChunk();
  void releaseChunk(Chunk* chunk);
  void appendFree(Chunk* chunk);
  void unlinkFree(Chunk* chunk);
  const Chunk* chunkAt(int index) const;

  int m_blockSize = 0;
  int m_slotSize = 0;
  int m_nextBlocks = 0;
  int m_largestBlocks = 0;
  int m_maxBlocks = 0;
  std::size_t m_totalBytes = 0;
  int m_chunkHeader = 0;
  int m_blockHeader = 0;
  int m_flags = 0;
  bool m_created = false;
  Chunk* m_first = nullptr;
  Chunk* m_last = nullptr;
  Link* m_freeFirst = nullptr;
  Link* m_freeLast = nullptr;
};

// Chunks from operator new.
class FixedBlockPool : public BlockPool {
 protected:
  void* allocChunk(std::size_t bytes) override;
  void freeChunk(void* chunk) override;
};

// A pool with its own critical section, which its users enter around alloc and free.
class LockedBlockPool : public FixedBlockPool {
 public:
  LockedBlockPool() { m_lock.initialised = false; }
  bool create(int blockSize, int firstChunkBlocks, int maxChunkBytes, int flags);
  void destroy();
  void enter() { m_lock.enter(); }
  void leave() { m_lock.leave(); }
  // alloc and free inside the pool's lock.
  void* lockedAlloc();
  void lockedFree(void* block);

 private:
  CriticalSection m_lock;
};

// The library's global pool (serves the critical sections of every RecursiveLock); exists between
// gpInit and gpExit. Its blocks are sizeof(CriticalSection) bytes.
LockedBlockPool* gpGlobalPool();
bool gpCreateGlobalPool();
void gpDestroyGlobalPool();
// Counts the global pool's creations: a block taken under one generation belongs to no later pool.
unsigned gpGlobalPoolGeneration();
