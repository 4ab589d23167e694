// Out-of-memory report, the memory reserve and the operator-new handler that spends it.
#include "GPError.h"

#include <cstdio>
#include <cstdlib>

namespace {

void* g_reserve = nullptr;

}  // namespace

void gpOutOfMemory(const char* text)
{
    char message[2048];
    if (text)
        std::snprintf(message, sizeof message, "Out of memory:\n%s\n", text);
    else
        std::snprintf(message, sizeof message, "Out of memory!");
    gpMessageBox(message, GP_BUTTONS_OK, GP_NO_DEFAULT);
}

void gpSetMemoryReserve(int kilobytes)
{
    // malloc, not operator new: the reserve must not itself call the new-handler that frees it.
    std::free(g_reserve);
    g_reserve = nullptr;
    if (kilobytes > 0) g_reserve = std::malloc(static_cast<std::size_t>(kilobytes) * 1024);
}

int gpNewHandler(std::size_t)
{
    if (!g_reserve) return 0;
    gpSetMemoryReserve(0);
    return 1;
}
