#include "preset/bankTitle.h"

#include <windows.h>

#include <commdlg.h>  // needs the types of windows.h

#include <cstring>

bool bankFileTitle(const char* path, char* out, std::size_t capacity) {
  if (!path || !out || capacity == 0) return false;
  char title[MAX_PATH + 1];
  // A path the system cannot title (wildcards, a trailing separator, a title longer than MAX_PATH)
  // falls back to the path's last part.
  if (GetFileTitleA(path, title, static_cast<WORD>(sizeof title)) != 0) return bankPathTitle(path, out, capacity);
  title[MAX_PATH] = 0;
  const std::size_t n = std::strlen(title) < capacity - 1 ? std::strlen(title) : capacity - 1;
  std::memcpy(out, title, n);
  out[n] = 0;
  return n > 0;
}
