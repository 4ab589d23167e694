// The sample pool on its own: keys of path and mono setting, reference counts, the copy-out of the
// pooled record, and the table's set-up and tear-down.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "preset/samplePool.h"

namespace {

SampleInfo freshSlot() {
  SampleInfo s;
  std::memset(&s, 0, sizeof s);
  sampleInfoInit(&s);
  s.data = nullptr;
  return s;
}

FileSpec fileAt(const char* path) {
  FileSpec f;
  fileSpecClear(&f);
  fileSpecSetPath(&f, path, nullptr);
  return f;
}

TEST(SamplePool, KeysCountsCopyOutAndTearDown) {
  samplePoolClearAll();
  SampleInfo a = freshSlot();
  a.length = 77;
  a.loopStart = 5;
  a.loopMode = 2;
  a.data = static_cast<float*>(std::calloc(100, sizeof(float)));
  const FileSpec file = fileAt("/x/one.wav");
  SampleInfo b = freshSlot();
  EXPECT_FALSE(samplePoolAcquire(&b, &file, 1));  // a miss changes nothing
  EXPECT_EQ(b.poolIndex, -1);
  samplePoolAdd(&a, &file, 1);
  ASSERT_GE(a.poolIndex, 0);
  SamplePoolEntry* e = samplePoolEntry(a.poolIndex);
  EXPECT_EQ(e->refCount, 1);
  EXPECT_EQ(e->data, a.data);
  // Another mono setting or another spelling of the path misses; the same key hits.
  EXPECT_FALSE(samplePoolAcquire(&b, &file, 0));
  const FileSpec upper = fileAt("/X/one.wav");
  EXPECT_FALSE(samplePoolAcquire(&b, &upper, 1));
  b.loopMode = 1;
  b.loadFailed = 1;
  EXPECT_TRUE(samplePoolAcquire(&b, &file, 7));  // any non-zero setting counts as mono
  EXPECT_EQ(e->refCount, 2);
  EXPECT_EQ(b.data, a.data);
  EXPECT_EQ(b.length, 77);
  EXPECT_EQ(b.loopMode, 2);
  EXPECT_EQ(b.loopStart, 5);
  EXPECT_EQ(b.loadFailed, 0);
  EXPECT_EQ(b.poolIndex, a.poolIndex);
  // A slot that holds no entry releases nothing.
  SampleInfo none = freshSlot();
  EXPECT_FALSE(samplePoolRelease(&none));
  none.poolIndex = 64;
  EXPECT_FALSE(samplePoolRelease(&none));
  EXPECT_FALSE(samplePoolRelease(&a));
  EXPECT_EQ(e->refCount, 1);
  // At exit the pool frees what is still held; a later clear-all does nothing.
  const int index = b.poolIndex;
  samplePoolFreeAll();
  EXPECT_EQ(samplePoolEntry(index)->refCount, 0);
  EXPECT_EQ(samplePoolEntry(index)->data, nullptr);
  SampleInfo c = freshSlot();
  c.data = static_cast<float*>(std::calloc(4, sizeof(float)));
  samplePoolAdd(&c, &file, 0);
  samplePoolClearAll();
  EXPECT_EQ(samplePoolEntry(c.poolIndex)->refCount, 1);
  EXPECT_TRUE(samplePoolRelease(&c));
  std::free(c.data);
  EXPECT_EQ(samplePoolEntry(-1), nullptr);
}

}  // namespace
