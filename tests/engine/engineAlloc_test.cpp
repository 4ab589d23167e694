// Nothing allocates while the engine renders: a counting operator new for this test program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/engine.h"
#include "engine/engineFixture.h"

#ifndef _WIN32
static std::atomic<long> allocations{0};

void* operator new(std::size_t size) {
  allocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1);
  return std::malloc(size ? size : 1);
}
// These pair with the malloc of the replacements above; GCC cannot see that and warns.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

using EngineAllocation = EngineFixture;

TEST_F(EngineAllocation, RenderAndRampsAllocateNothing) {
  EXPECT_GT(allocations.load(), 0);  // the counter sees the engine's own allocations
  engineApplyPatchChange(engine, 1);
  engine->polyphony = 8;
  for (int v = 0; v < 8; ++v) {
    engine->voices[v].active = 1;
    engine->voices[v].note = 60;
  }
  for (auto* ch : engine->channels) ch->on = 1;
  engineUpdateChannelFlags(engine);
  float out1[128] = {}, out2[128] = {};
  const long before = allocations.load();
  for (int b = 0; b < 200; ++b) {
    engineRender(engine, 128);
    engineOutputRamp(engine, out1, out2);
  }
  engine->paused.store(1);
  engineRender(engine, 128);
  EXPECT_EQ(allocations.load(), before);
}
#endif
