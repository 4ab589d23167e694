#include "app/closeLeavingMark.h"

#include <cstdio>

#include "app/closeRequest.h"

namespace {

HANDLE g_mark = nullptr;  // this process's mark, kept until it ends

void markName(DWORD pid, char (&name)[64]) {
  std::snprintf(name, sizeof name, closeLeavingFormat, static_cast<unsigned long>(pid));
}

}  // namespace

bool closeLeavingMarkWrite(unsigned answer) {
  if (g_mark) return true;
  char name[64];
  markName(GetCurrentProcessId(), name);
  g_mark = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(unsigned), name);
  if (!g_mark) return false;
  if (auto* held = static_cast<unsigned*>(MapViewOfFile(g_mark, FILE_MAP_WRITE, 0, 0, sizeof(unsigned)))) {
    *held = answer;
    UnmapViewOfFile(held);
  }
  return true;
}

unsigned closeLeavingMarkRead(DWORD pid) {
  if (!pid) return 0;
  char name[64];
  markName(pid, name);
  HANDLE mark = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
  if (!mark) return 0;
  // A mark whose answer cannot be read still says that Morvane leaves.
  unsigned answer = closeAnswerKnown | closeStateLeaving;
  if (const auto* held = static_cast<const unsigned*>(MapViewOfFile(mark, FILE_MAP_READ, 0, 0, sizeof(unsigned)))) {
    answer = *held;
    UnmapViewOfFile(held);
  }
  CloseHandle(mark);
  return answer;
}
