#include "os/osFile.h"

#include <windows.h>

static HANDLE toHandle(OsFile file) { return reinterpret_cast<HANDLE>(file); }

OsFile osFileOpen(const char* path, OsFileMode mode) {
  if (!path) return osFileInvalid;
  HANDLE h = mode == osOpenWrite
                 ? CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
             : mode == osOpenReadWrite
                 ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr)
                 : CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return osFileInvalid;
  return reinterpret_cast<OsFile>(h);
}

void osFileClose(OsFile file) {
  if (file != osFileInvalid) CloseHandle(toHandle(file));
}

std::int32_t osFileRead(OsFile file, void* data, std::int32_t bytes) {
  if (file == osFileInvalid || bytes < 0) return -1;
  DWORD got = 0;
  if (!ReadFile(toHandle(file), data, static_cast<DWORD>(bytes), &got, nullptr)) return -1;
  return static_cast<std::int32_t>(got);
}

std::int32_t osFileWrite(OsFile file, const void* data, std::int32_t bytes) {
  if (file == osFileInvalid || bytes < 0) return -1;
  DWORD put = 0;
  if (!WriteFile(toHandle(file), data, static_cast<DWORD>(bytes), &put, nullptr)) return -1;
  return static_cast<std::int32_t>(put);
}

std::int64_t osFileSeek(OsFile file, std::int64_t offset, OsSeek origin) {
  if (file == osFileInvalid) return -1;
  LARGE_INTEGER to, now;
  to.QuadPart = offset;
  DWORD method = origin == osSeekSet ? FILE_BEGIN : origin == osSeekCur ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(toHandle(file), to, &now, method)) return -1;
  return now.QuadPart;
}

std::int64_t osFileSize(OsFile file) {
  LARGE_INTEGER size;
  if (file == osFileInvalid || !GetFileSizeEx(toHandle(file), &size)) return -1;
  return size.QuadPart;
}

bool osFileFlush(OsFile file) { return file != osFileInvalid && FlushFileBuffers(toHandle(file)) != 0; }

bool osFileExists(const char* path) {
  if (!path) return false;
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool osFileDelete(const char* path) { return path && DeleteFileA(path) != 0; }

bool osFileRename(const char* from, const char* to) {
  return from && to && MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void osSleepMs(int milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}
