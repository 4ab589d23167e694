// The recorder's buffer on Windows: a page-file-backed section without a name, so no other process
// (a second instance of the program among them) can open it or share its take.
#include <windows.h>

#include "audioPath/recorder.h"

void* recMapPlatform(std::uint32_t bytes, void** handle) {
  if (handle) *handle = nullptr;
  if (bytes == 0) return nullptr;
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes, nullptr);
  if (!section) return nullptr;
  void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, bytes);
  if (!view) {
    CloseHandle(section);
    return nullptr;
  }
  if (handle) *handle = section;
  return view;
}

void recUnmapPlatform(void* view, void* handle) {
  if (view) UnmapViewOfFile(view);
  if (handle) CloseHandle(static_cast<HANDLE>(handle));
}
