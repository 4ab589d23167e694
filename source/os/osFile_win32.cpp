#include "os/osFile.h"

#include <windows.h>

#include <cstdio>

namespace {

HANDLE toHandle(OsFile file) { return reinterpret_cast<HANDLE>(file); }

DWORD g_lastError = 0;  // of the last file call that failed

// Keeps the error of a failed call; passes the result through.
bool noted(bool ok) {
  if (!ok) g_lastError = GetLastError();
  return ok;
}

}  // namespace

OsFile osFileOpen(const char* path, OsFileMode mode) {
  if (!path) return osFileInvalid;
  HANDLE h =
      mode == osOpenWrite ? CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
      : mode == osOpenCreateNew
          ? CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)
      : mode == osOpenReadWrite
          ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr)
          : CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!noted(h != INVALID_HANDLE_VALUE)) return osFileInvalid;
  return reinterpret_cast<OsFile>(h);
}

void osFileClose(OsFile file) {
  if (file != osFileInvalid) CloseHandle(toHandle(file));
}

std::int32_t osFileRead(OsFile file, void* data, std::int32_t bytes) {
  if (file == osFileInvalid || bytes < 0) return -1;
  DWORD got = 0;
  if (!noted(ReadFile(toHandle(file), data, static_cast<DWORD>(bytes), &got, nullptr) != 0)) return -1;
  return static_cast<std::int32_t>(got);
}

std::int32_t osFileWrite(OsFile file, const void* data, std::int32_t bytes) {
  if (file == osFileInvalid || bytes < 0) return -1;
  DWORD put = 0;
  if (!noted(WriteFile(toHandle(file), data, static_cast<DWORD>(bytes), &put, nullptr) != 0)) return -1;
  if (put < static_cast<DWORD>(bytes)) g_lastError = ERROR_DISK_FULL;  // a short write: the disk is full
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

bool osFileFlush(OsFile file) { return file != osFileInvalid && noted(FlushFileBuffers(toHandle(file)) != 0); }

bool osFileExists(const char* path) {
  if (!path) return false;
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool osFileDelete(const char* path) { return path && noted(DeleteFileA(path) != 0); }

bool osFileRename(const char* from, const char* to) {
  if (!from || !to) return false;
  // A read-only file is not replaced (as Windows refuses it; not every system layer does).
  const DWORD target = GetFileAttributesA(to);
  if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY)) {
    g_lastError = ERROR_ACCESS_DENIED;
    return false;
  }
  return noted(MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0);
}

void osFileErrorText(char* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = 0;
  if (g_lastError == 0) return;
  char text[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, g_lastError, 0, text,
                           sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) text[--n] = 0;
  if (n == 0) std::snprintf(text, sizeof text, "system error %lu", static_cast<unsigned long>(g_lastError));
  std::snprintf(out, static_cast<std::size_t>(capacity), "%s", text);
}

void osSleepMs(int milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}
