#include "os/osFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int g_lastError = 0;  // errno of the last file call that failed

bool noted(bool ok) {
  if (!ok) g_lastError = errno ? errno : EIO;
  return ok;
}

}  // namespace

OsFile osFileOpen(const char* path, OsFileMode mode) {
  if (!path) return osFileInvalid;
  int fd = mode == osOpenWrite       ? ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644)
           : mode == osOpenCreateNew ? ::open(path, O_WRONLY | O_CREAT | O_EXCL, 0644)
           : mode == osOpenReadWrite ? ::open(path, O_RDWR)
                                     : ::open(path, O_RDONLY);
  // A folder opens for reading here but is no file.
  struct stat st;
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fd = -1;
    errno = EISDIR;
  }
  return noted(fd >= 0) ? static_cast<OsFile>(fd) : osFileInvalid;
}

void osFileClose(OsFile file) {
  if (file != osFileInvalid) ::close(static_cast<int>(file));
}

std::int32_t osFileRead(OsFile file, void* data, std::int32_t bytes) {
  if (file == osFileInvalid || bytes < 0) return -1;
  std::int32_t done = 0;
  while (done < bytes) {
    ssize_t n = ::read(static_cast<int>(file), static_cast<char*>(data) + done, static_cast<size_t>(bytes - done));
    if (!noted(n >= 0)) return -1;
    if (n == 0) break;
    done += static_cast<std::int32_t>(n);
  }
  return done;
}

std::int32_t osFileWrite(OsFile file, const void* data, std::int32_t bytes) {
  if (file == osFileInvalid || bytes < 0) return -1;
  std::int32_t done = 0;
  while (done < bytes) {
    ssize_t n =
        ::write(static_cast<int>(file), static_cast<const char*>(data) + done, static_cast<size_t>(bytes - done));
    if (n == 0) errno = ENOSPC;
    if (!noted(n > 0)) return -1;
    done += static_cast<std::int32_t>(n);
  }
  return done;
}

std::int64_t osFileSeek(OsFile file, std::int64_t offset, OsSeek origin) {
  if (file == osFileInvalid) return -1;
  int whence = origin == osSeekSet ? SEEK_SET : origin == osSeekCur ? SEEK_CUR : SEEK_END;
  return ::lseek(static_cast<int>(file), static_cast<off_t>(offset), whence);
}

std::int64_t osFileSize(OsFile file) {
  struct stat st;
  if (file == osFileInvalid || ::fstat(static_cast<int>(file), &st) != 0) return -1;
  return st.st_size;
}

bool osFileFlush(OsFile file) { return file != osFileInvalid && noted(::fsync(static_cast<int>(file)) == 0); }

bool osFileExists(const char* path) {
  struct stat st;
  return path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool osFileDelete(const char* path) { return path && noted(::unlink(path) == 0); }

bool osFileRename(const char* from, const char* to) { return from && to && noted(std::rename(from, to) == 0); }

void osFileErrorText(char* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = 0;
  if (g_lastError != 0) std::snprintf(out, static_cast<std::size_t>(capacity), "%s", std::strerror(g_lastError));
}

void osSleepMs(int milliseconds) {
  if (milliseconds <= 0) return;
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0) {
  }
}
