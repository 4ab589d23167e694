// Out-of-memory report, the memory reserve and the operator-new handler that spends it.
#include "GPError.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// Exchanged atomically: allocations failing on two threads at once must not both free it.
std::atomic<void*> g_reserve{nullptr};

}  // namespace

void gpOutOfMemory(const char* text) {
  char message[2048];
  if (text)
    std::snprintf(message, sizeof message, "Out of memory:\n%s\n", text);
  else
    std::snprintf(message, sizeof message, "Out of memory!");
  gpMessageBox(message, GP_BUTTONS_OK, GP_NO_DEFAULT);
}

void gpSetMemoryReserve(int kilobytes) {
  // malloc, not operator new: the reserve must not itself call the new-handler that frees it.
  std::free(g_reserve.exchange(nullptr));
  if (kilobytes > 0) std::free(g_reserve.exchange(std::malloc(static_cast<std::size_t>(kilobytes) * 1024)));
}

int gpNewHandler(std::size_t) {
  void* reserve = g_reserve.exchange(nullptr);
  if (!reserve) return 0;
  std::free(reserve);
  return 1;
}
