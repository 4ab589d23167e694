// Windows file search through FindFirstFileA / FindNextFileA; folders are skipped.
#include "os/osFile.h"

#include <windows.h>

#include <cstring>

namespace {

bool take(const WIN32_FIND_DATAA& d, OsFindData* out) {
  if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (std::strlen(d.cFileName) >= sizeof out->name) return false;
  std::strcpy(out->name, d.cFileName);
  return true;
}

}  // namespace

OsFind osFindFirst(const char* pattern, OsFindData* out) {
  if (!pattern || !out) return osFindInvalid;
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA(pattern, &d);
  if (h == INVALID_HANDLE_VALUE) return osFindInvalid;
  while (!take(d, out)) {
    if (!FindNextFileA(h, &d)) {
      FindClose(h);
      return osFindInvalid;
    }
  }
  return reinterpret_cast<OsFind>(h);
}

bool osFindNext(OsFind find, OsFindData* out) {
  if (find == osFindInvalid || !out) return false;
  WIN32_FIND_DATAA d;
  while (FindNextFileA(reinterpret_cast<HANDLE>(find), &d)) {
    if (take(d, out)) return true;
  }
  return false;
}

void osFindClose(OsFind find) {
  if (find != osFindInvalid) FindClose(reinterpret_cast<HANDLE>(find));
}
