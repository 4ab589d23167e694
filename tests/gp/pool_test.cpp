// Block pools: chunk growth and release, limits, alignment and the locked pool under threads.
#include "GPBlockPool.h"
#include "GPInit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <set>
#include <thread>
#include <vector>

namespace {

// A pool that counts what it takes from the system and can be told to refuse.
class CountingPool : public FixedBlockPool {
 public:
  ~CountingPool() override { destroy(); }
  std::size_t liveBytes = 0;
  int liveChunks = 0;
  int refuseAfter = -1;  // chunks still granted; -1: no limit
  bool throwOnRefuse = false;

 protected:
  void* allocChunk(std::size_t bytes) override {
    if (refuseAfter == 0) {
      if (throwOnRefuse) throw std::bad_alloc();
      return nullptr;
    }
    if (refuseAfter > 0) --refuseAfter;
    void* chunk = FixedBlockPool::allocChunk(bytes);
    m_sizes[chunk] = bytes;
    liveBytes += bytes;
    ++liveChunks;
    return chunk;
  }
  void freeChunk(void* chunk) override {
    liveBytes -= m_sizes[chunk];
    m_sizes.erase(chunk);
    --liveChunks;
    FixedBlockPool::freeChunk(chunk);
  }

 private:
  std::map<void*, std::size_t> m_sizes;
};

const int kWord = static_cast<int>(sizeof(void*));

std::vector<int> chunkSizes(const BlockPool& pool) {
  std::vector<int> sizes;
  for (int i = 0; i < pool.chunkCount(); ++i) sizes.push_back(pool.chunkCapacity(i));
  return sizes;
}

TEST(BlockPool, LayoutFollowsTheBlockSize) {
  struct Case {
    int blockSize, flags, slot, blockHeader;
  };
  const Case cases[] = {
      {28, 0, (28 + kWord + kWord - 1) / kWord * kWord, kWord},
      {0, 0, kWord, kWord},
      {1, 0, 2 * kWord, kWord},
      {28, BlockPool::ALIGNED_32, 64, 32},
      {1, BlockPool::ALIGNED_32, 64, 32},
      {32, BlockPool::ALIGNED_32, 64, 32},
      {33, BlockPool::ALIGNED_32, 96, 32},
  };
  for (const Case& c : cases) {
    CountingPool pool;
    ASSERT_TRUE(pool.create(c.blockSize, 4, 0, c.flags));
    EXPECT_EQ(pool.slotSize(), c.slot) << c.blockSize << " flags " << c.flags;
    EXPECT_EQ(pool.blockHeaderSize(), c.blockHeader);
    EXPECT_EQ(pool.maxChunkBlocks(), 0x10000000);
    EXPECT_EQ(pool.chunkHeaderSize() % kWord, 0);
    if (c.flags & BlockPool::ALIGNED_32) {
      EXPECT_EQ(pool.chunkHeaderSize() % 32, 0);
    }
  }
}

TEST(BlockPool, ChunksDoubleUpToTheMaximumAndBytesAreAccounted) {
  CountingPool pool;
  ASSERT_TRUE(pool.create(28, 40, 20480, 0));
  const int maxBlocks = 20480 / (28 + kWord);
  EXPECT_EQ(pool.maxChunkBlocks(), maxBlocks);
  std::vector<void*> blocks;
  int expectedTotal = 0;
  std::vector<int> expected;
  for (int n = 40; expected.size() < 7; n = std::min(2 * n, maxBlocks)) {
    expected.push_back(n);
    expectedTotal += n;
  }
  for (int i = 0; i < expectedTotal; ++i) blocks.push_back(pool.alloc(28));
  EXPECT_EQ(chunkSizes(pool), expected);
  EXPECT_EQ(pool.totalBytes(), pool.liveBytes);
  EXPECT_EQ(pool.liveChunks, 7);
  // Every block is distinct and usable for its whole size.
  std::set<void*> distinct(blocks.begin(), blocks.end());
  EXPECT_EQ(distinct.size(), blocks.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) std::memset(blocks[i], static_cast<int>(i & 0xFF), 28);
  for (std::size_t i = 0; i < blocks.size(); ++i)
    ASSERT_EQ(static_cast<unsigned char*>(blocks[i])[27], static_cast<unsigned char>(i & 0xFF));
  for (void* b : blocks) pool.free(b);
  // All but the first chunk went back to the system.
  EXPECT_EQ(pool.liveChunks, 1);
  EXPECT_EQ(pool.totalBytes(), pool.liveBytes);
  pool.destroy();
  EXPECT_EQ(pool.liveChunks, 0);
  EXPECT_EQ(pool.liveBytes, 0u);
  EXPECT_EQ(pool.totalBytes(), 0u);
  EXPECT_FALSE(pool.isCreated());
  // A destroyed pool can be created again.
  ASSERT_TRUE(pool.create(28, 40, 20480, 0));
  pool.free(pool.alloc(28));
  EXPECT_EQ(pool.liveChunks, 1);
}

TEST(BlockPool, GlobalPoolLayout) {
  ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
  LockedBlockPool* pool = gpGlobalPool();
  ASSERT_NE(pool, nullptr);
  const int block = static_cast<int>(sizeof(CriticalSection));
  EXPECT_EQ(pool->blockSize(), block);
  EXPECT_EQ(pool->maxChunkBlocks(), 20480 / (block + kWord));
  if (kWord == 4) {
    EXPECT_EQ(block, 28);
    EXPECT_EQ(pool->slotSize(), 32);
    EXPECT_EQ(pool->maxChunkBlocks(), 640);
  }
  EXPECT_EQ(pool->nextChunkBlocks(), 80);
  gpExit();
}

TEST(BlockPool, ReleasingTheLargestChunkMakesTheNextThatSize) {
  CountingPool pool;
  ASSERT_TRUE(pool.create(16, 40, 0, 0));
  std::vector<void*> first, second, third;
  for (int i = 0; i < 40; ++i) first.push_back(pool.alloc(16));
  for (int i = 0; i < 80; ++i) second.push_back(pool.alloc(16));
  EXPECT_EQ(pool.nextChunkBlocks(), 160);
  EXPECT_EQ(pool.largestChunkBlocks(), 80);
  const std::size_t before = pool.liveBytes;
  for (void* b : second) pool.free(b);
  EXPECT_EQ(pool.liveChunks, 1);
  EXPECT_LT(pool.liveBytes, before);
  EXPECT_EQ(pool.nextChunkBlocks(), 80) << "the largest chunk went back";

  // Now 40 | 80 | 160; releasing the 80 (smaller than the largest) changes nothing.
  second.clear();
  for (int i = 0; i < 80; ++i) second.push_back(pool.alloc(16));
  for (int i = 0; i < 160; ++i) third.push_back(pool.alloc(16));
  EXPECT_EQ(chunkSizes(pool), (std::vector<int>{40, 80, 160}));
  EXPECT_EQ(pool.nextChunkBlocks(), 320);
  for (void* b : second) pool.free(b);
  EXPECT_EQ(chunkSizes(pool), (std::vector<int>{40, 160}));
  EXPECT_EQ(pool.nextChunkBlocks(), 320);
  EXPECT_EQ(pool.totalBytes(), pool.liveBytes);
  for (void* b : third) pool.free(b);
  for (void* b : first) pool.free(b);
}

TEST(BlockPool, FreedBlocksAreReusedBeforeANewChunk) {
  CountingPool pool;
  ASSERT_TRUE(pool.create(8, 4, 0, 0));
  std::vector<void*> blocks;
  for (int i = 0; i < 4; ++i) blocks.push_back(pool.alloc(8));
  void* again = blocks[2];
  pool.free(again);
  EXPECT_EQ(pool.alloc(8), again);
  EXPECT_EQ(pool.liveChunks, 1);
  blocks.push_back(pool.alloc(8));  // a full first chunk: a second one
  EXPECT_EQ(pool.liveChunks, 2);
  // Freeing a block of the full first chunk puts it back on the free list, ahead of nothing lost.
  pool.free(blocks[0]);
  EXPECT_EQ(pool.chunkInUse(0), 3);
  for (std::size_t i = 1; i < blocks.size(); ++i) pool.free(blocks[i]);
  EXPECT_EQ(pool.liveChunks, 1);
  EXPECT_EQ(pool.chunkInUse(0), 0);
}

TEST(BlockPool, FreeNullAndTheLastBlockOfTheFirstChunk) {
  CountingPool pool;
  ASSERT_TRUE(pool.create(28, 40, 20480, 0));
  pool.free(nullptr);
  EXPECT_EQ(pool.chunkInUse(0), 0);
  void* block = pool.alloc(28);
  pool.free(block);
  EXPECT_EQ(pool.liveChunks, 1) << "the first chunk stays";
  EXPECT_EQ(pool.chunkCount(), 1);
}

TEST(BlockPool, OneChunkFlagLimitsTheBlocks) {
  CountingPool pool;
  ASSERT_TRUE(pool.create(28, 40, 20480, BlockPool::ONE_CHUNK));
  std::vector<void*> blocks;
  for (int i = 0; i < 40; ++i) blocks.push_back(pool.alloc(28));
  EXPECT_THROW(pool.alloc(28), std::bad_alloc);
  pool.free(blocks.back());
  blocks.pop_back();
  EXPECT_NO_THROW(blocks.push_back(pool.alloc(28)));
  for (void* b : blocks) pool.free(b);
}

TEST(BlockPool, AlignedBlocksAcrossChunks) {
  for (int size : {1, 4, 28, 33, 100}) {
    CountingPool pool;
    ASSERT_TRUE(pool.create(size, 3, 0, BlockPool::ALIGNED_32));
    std::vector<void*> blocks;
    for (int i = 0; i < 3 + 6 + 12; ++i) {
      void* b = pool.alloc(size);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 32, 0u) << "size " << size << " block " << i;
      std::memset(b, 0xA5, size);
      blocks.push_back(b);
    }
    EXPECT_EQ(pool.liveChunks, 3);
    EXPECT_EQ(pool.totalBytes(), pool.liveBytes);
    for (void* b : blocks) pool.free(b);
    EXPECT_EQ(pool.totalBytes(), pool.liveBytes) << "released chunks are accounted as they were taken";
  }
}

TEST(BlockPool, RefusedChunksThrowAndAreRetried) {
  CountingPool pool;
  pool.refuseAfter = 0;
  ASSERT_TRUE(pool.create(16, 2, 0, 0)) << "a refused first chunk is not reported by create";
  EXPECT_EQ(pool.liveChunks, 0);
  EXPECT_THROW(pool.alloc(16), std::bad_alloc);
  pool.refuseAfter = 1;
  void* a = pool.alloc(16);
  void* b = pool.alloc(16);
  pool.throwOnRefuse = true;
  EXPECT_THROW(pool.alloc(16), std::bad_alloc);
  pool.free(a);
  pool.free(b);
  EXPECT_EQ(pool.liveChunks, 1);
}

TEST(BlockPool, ChunkSizesThatOverflowFailAndEmptyFirstChunksAreRaised) {
  CountingPool pool;
  if (kWord == 4) {
    // 2^31 slots of 1 MB do not fit a 32-bit size: refused without asking the system.
    ASSERT_TRUE(pool.create(1 << 20, 0x7FFFFFFF, 0, 0));
    EXPECT_EQ(pool.liveChunks, 0);
    EXPECT_THROW(pool.alloc(1), std::bad_alloc);
    pool.destroy();
  }
  ASSERT_TRUE(pool.create(8, 0, 0, 0));
  EXPECT_EQ(pool.chunkCapacity(0), 1);
  void* b = pool.alloc(8);
  EXPECT_NE(b, nullptr);
  pool.free(b);
  pool.destroy();
  EXPECT_FALSE(pool.create(-1, 4, 0, 0));
}

TEST(BlockPool, LockedPoolUnderThreads) {
  LockedBlockPool pool;
  ASSERT_TRUE(pool.create(24, 8, 4096, 0));
  auto worker = [&pool](int seed) {
    std::vector<uint32_t*> held;
    for (int round = 0; round < 2000; ++round) {
      uint32_t* b = static_cast<uint32_t*>(pool.lockedAlloc());
      for (int k = 0; k < 6; ++k) b[k] = static_cast<uint32_t>(seed * 100000 + round);
      held.push_back(b);
      if (held.size() > 50 || (round % 3) == 0) {
        uint32_t* old = held.front();
        held.erase(held.begin());
        for (int k = 0; k < 6; ++k) ASSERT_EQ(old[k], old[0]);
        pool.lockedFree(old);
      }
    }
    for (uint32_t* b : held) pool.lockedFree(b);
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker, t + 1);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(pool.chunkCount(), 1);
  EXPECT_EQ(pool.chunkInUse(0), 0);
  pool.destroy();
}

}  // namespace
