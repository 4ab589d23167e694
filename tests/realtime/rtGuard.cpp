#include "rtGuard.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define RT_ASAN 1
extern "C" {
// The sanitizer runtime's allocator hooks (its allocator_interface header is not shipped with every
// compiler, so the one function is declared here).
int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                              void (*freeHook)(const volatile void*));
void __sanitizer_symbolize_pc(void* pc, const char* fmt, char* outBuf, std::size_t outBufSize);
}
#else
// Without the sanitizers (the benchmark configuration) this program defines the C allocation
// functions itself, counting, and forwards them to the C library's own entry points.
#define RT_ASAN 0
extern "C" {
void* __libc_malloc(std::size_t);
void __libc_free(void*);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
}
#endif

namespace {

const int kMaxRecords = 8;
const int kMaxFrames = 24;

struct Record {
  int kind;
  const char* what;
  std::size_t size;
  void* frames[kMaxFrames];
  int depth;
};

thread_local bool tArmed = false;
thread_local bool tInside = false;  // inside a hook: what the recording itself does is not counted

std::atomic<int> gCounts[rtKindCount];
std::atomic<int> gRecordsTaken{0};
Record gRecords[kMaxRecords];
std::atomic<bool> gInit{false};

void record(int kind, const char* what, std::size_t size) {
  if (!tArmed || tInside) return;
  tInside = true;
  gCounts[kind].fetch_add(1);
  const int slot = gRecordsTaken.fetch_add(1);
  if (slot < kMaxRecords) {
    Record& r = gRecords[slot];
    r.kind = kind;
    r.what = what;
    r.size = size;
    r.depth = backtrace(r.frames, kMaxFrames);  // warmed up in rtGuardInit: no allocation here
  }
  tInside = false;
}

void mallocHook(const volatile void*, std::size_t size) { record(rtKindAlloc, "malloc/new", size); }
void freeHook(const volatile void* p) {
  if (p) record(rtKindFree, "free/delete", 0);
}

// The next definition of a forwarded function (the sanitizer's interceptor or the C library's).
template <typename F>
F next(F& cache, const char* name) {
  if (!cache) {
    cache = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    if (!cache) {
      std::fprintf(stderr, "realtime guard: no next definition of %s\n", name);
      std::abort();
    }
  }
  return cache;
}

const char* kindName(int kind) {
  switch (kind) {
    case rtKindAlloc: return "allocation";
    case rtKindFree: return "release";
    case rtKindLock: return "lock/wait";
    default: return "?";
  }
}

}  // namespace

void rtGuardInit() {
  if (gInit.exchange(true)) return;
  void* warm[4];
  backtrace(warm, 4);  // the first call loads the unwinder (and allocates); later ones do not
#if RT_ASAN
  __sanitizer_install_malloc_and_free_hooks(mallocHook, freeHook);
#endif
}

#if !RT_ASAN
extern "C" {
void* malloc(std::size_t n) {
  mallocHook(nullptr, n);
  return __libc_malloc(n);
}
void free(void* p) {
  freeHook(p);
  __libc_free(p);
}
void* calloc(std::size_t a, std::size_t b) {
  mallocHook(nullptr, a * b);
  return __libc_calloc(a, b);
}
void* realloc(void* p, std::size_t n) {
  mallocHook(nullptr, n);
  return __libc_realloc(p, n);
}
void* memalign(std::size_t alignment, std::size_t n) {
  mallocHook(nullptr, n);
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
  mallocHook(nullptr, n);
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
  mallocHook(nullptr, n);
  void* p = __libc_memalign(alignment, n);
  if (!p) return 12;  // ENOMEM
  *out = p;
  return 0;
}
}
#endif

void rtArm() { tArmed = true; }
void rtDisarm() { tArmed = false; }
bool rtIsArmed() { return tArmed; }

void rtReset() {
  for (auto& c : gCounts) c.store(0);
  gRecordsTaken.store(0);
}

int rtViolations() {
  int n = 0;
  for (auto& c : gCounts) n += c.load();
  return n;
}

int rtViolations(RtViolationKind kind) { return gCounts[kind].load(); }

std::string rtSymbolize(void* const* frames, int depth, int skip) {
  std::string out;
  char line[512];
  for (int i = skip; i < depth; ++i) {
    // Return addresses point after the call: step back one byte to name the calling line.
    void* pc = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(frames[i]) - (i > 0 ? 1 : 0));
#if RT_ASAN
    __sanitizer_symbolize_pc(pc, "%F %L", line, sizeof line);
#else
    char** names = backtrace_symbols(&pc, 1);  // exported names only
    std::snprintf(line, sizeof line, "%s", names && names[0] ? names[0] : "?");
    std::free(names);
#endif
    out += "    #" + std::to_string(i - skip) + " " + line + "\n";
  }
  return out;
}

std::string rtReport(int maxEntries) {
  const bool wasArmed = tArmed;
  tArmed = false;
  std::string out;
  const int taken = std::min(gRecordsTaken.load(), kMaxRecords);
  for (int i = 0; i < taken && i < maxEntries; ++i) {
    const Record& r = gRecords[i];
    out += std::string(kindName(r.kind)) + ": " + r.what;
    if (r.kind == rtKindAlloc) out += " of " + std::to_string(r.size) + " bytes";
    // Past the recording itself (and for allocations the sanitizer's allocator and hook runner).
    const int skip = r.kind == rtKindLock ? 1 : (RT_ASAN ? 4 : 3);
    out += "\n" + rtSymbolize(r.frames, std::min(r.depth, skip + 12), skip);
  }
  tArmed = wasArmed;
  return out;
}

// ---- Lock and wait functions of this program: counted while armed, then forwarded.
#define RT_FORWARD(name, sig, args)  \
  static sig##_t s_##name = nullptr; \
  record(rtKindLock, #name, 0);      \
  return next(s_##name, #name) args;

namespace {
typedef int (*mutex_fn_t)(pthread_mutex_t*);
typedef int (*mutex_timed_fn_t)(pthread_mutex_t*, const struct timespec*);
typedef int (*rw_fn_t)(pthread_rwlock_t*);
typedef int (*rw_timed_fn_t)(pthread_rwlock_t*, const struct timespec*);
typedef int (*sem_fn_t)(sem_t*);
typedef int (*sem_timed_fn_t)(sem_t*, const struct timespec*);
typedef int (*cond_fn_t)(pthread_cond_t*, pthread_mutex_t*);
typedef int (*cond_timed_fn_t)(pthread_cond_t*, pthread_mutex_t*, const struct timespec*);
typedef int (*spin_fn_t)(pthread_spinlock_t*);
typedef int (*mutex_clock_fn_t)(pthread_mutex_t*, clockid_t, const struct timespec*);
typedef int (*rw_clock_fn_t)(pthread_rwlock_t*, clockid_t, const struct timespec*);
typedef int (*sem_clock_fn_t)(sem_t*, clockid_t, const struct timespec*);
typedef int (*cond_clock_fn_t)(pthread_cond_t*, pthread_mutex_t*, clockid_t, const struct timespec*);
}  // namespace

extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m) noexcept { RT_FORWARD(pthread_mutex_lock, mutex_fn, (m)) }
int pthread_mutex_trylock(pthread_mutex_t* m) noexcept { RT_FORWARD(pthread_mutex_trylock, mutex_fn, (m)) }
int pthread_mutex_timedlock(pthread_mutex_t* m, const struct timespec* t) noexcept {
  RT_FORWARD(pthread_mutex_timedlock, mutex_timed_fn, (m, t))
}
int pthread_mutex_clocklock(pthread_mutex_t* m, clockid_t c, const struct timespec* t) noexcept {
  RT_FORWARD(pthread_mutex_clocklock, mutex_clock_fn, (m, c, t))
}
int pthread_rwlock_clockrdlock(pthread_rwlock_t* l, clockid_t c, const struct timespec* t) noexcept {
  RT_FORWARD(pthread_rwlock_clockrdlock, rw_clock_fn, (l, c, t))
}
int pthread_rwlock_clockwrlock(pthread_rwlock_t* l, clockid_t c, const struct timespec* t) noexcept {
  RT_FORWARD(pthread_rwlock_clockwrlock, rw_clock_fn, (l, c, t))
}
int sem_clockwait(sem_t* s, clockid_t c, const struct timespec* t) {
  RT_FORWARD(sem_clockwait, sem_clock_fn, (s, c, t))
}
int pthread_cond_clockwait(pthread_cond_t* cv, pthread_mutex_t* m, clockid_t c, const struct timespec* t) {
  RT_FORWARD(pthread_cond_clockwait, cond_clock_fn, (cv, m, c, t))
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) noexcept { RT_FORWARD(pthread_rwlock_rdlock, rw_fn, (l)) }
int pthread_rwlock_wrlock(pthread_rwlock_t* l) noexcept { RT_FORWARD(pthread_rwlock_wrlock, rw_fn, (l)) }
int pthread_rwlock_tryrdlock(pthread_rwlock_t* l) noexcept { RT_FORWARD(pthread_rwlock_tryrdlock, rw_fn, (l)) }
int pthread_rwlock_trywrlock(pthread_rwlock_t* l) noexcept { RT_FORWARD(pthread_rwlock_trywrlock, rw_fn, (l)) }
int pthread_rwlock_timedrdlock(pthread_rwlock_t* l, const struct timespec* t) noexcept {
  RT_FORWARD(pthread_rwlock_timedrdlock, rw_timed_fn, (l, t))
}
int pthread_rwlock_timedwrlock(pthread_rwlock_t* l, const struct timespec* t) noexcept {
  RT_FORWARD(pthread_rwlock_timedwrlock, rw_timed_fn, (l, t))
}
int pthread_spin_lock(pthread_spinlock_t* l) noexcept { RT_FORWARD(pthread_spin_lock, spin_fn, (l)) }
int sem_wait(sem_t* s) { RT_FORWARD(sem_wait, sem_fn, (s)) }
int sem_timedwait(sem_t* s, const struct timespec* t) { RT_FORWARD(sem_timedwait, sem_timed_fn, (s, t)) }
int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) { RT_FORWARD(pthread_cond_wait, cond_fn, (c, m)) }
int pthread_cond_timedwait(pthread_cond_t* c, pthread_mutex_t* m, const struct timespec* t) {
  RT_FORWARD(pthread_cond_timedwait, cond_timed_fn, (c, m, t))
}
}

#undef RT_FORWARD
#undef RT_ASAN
