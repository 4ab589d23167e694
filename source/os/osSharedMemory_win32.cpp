// Windows named sections: page-file-backed file mappings, readable by name from any process.
#include "os/osFile.h"

#include <windows.h>

OsShared osSharedCreate(const char* name, std::uint32_t bytes) {
  if (!name || !*name || bytes == 0) return nullptr;
  HANDLE h = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, name);
  if (!h) return nullptr;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(h);
    return nullptr;
  }
  return h;
}

OsShared osSharedOpen(const char* name) {
  if (!name) return nullptr;
  return OpenFileMappingA(FILE_MAP_ALL_ACCESS, TRUE, name);
}

void* osSharedMap(OsShared section, std::uint32_t bytes, bool writable) {
  if (!section) return nullptr;
  return MapViewOfFile(static_cast<HANDLE>(section), writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, bytes);
}

void osSharedUnmap(void* view) {
  if (view) UnmapViewOfFile(view);
}

void osSharedClose(OsShared section) {
  if (section) CloseHandle(static_cast<HANDLE>(section));
}
