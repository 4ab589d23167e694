// The few operating-system calls of the sound core: plain files and sleeping. The Windows build
// maps them onto the Win32 file API, the native build onto POSIX, so the core and its tests run on both.
#pragma once
#include <cstdint>

typedef std::intptr_t OsFile;            // an open file; osFileInvalid when none
const OsFile osFileInvalid = -1;

// read: an existing file, shared for reading; write: create or truncate; readWrite: an existing file
enum OsFileMode { osOpenRead = 0, osOpenWrite = 1, osOpenReadWrite = 2 };
enum OsSeek { osSeekSet = 0, osSeekCur = 1, osSeekEnd = 2 };

OsFile osFileOpen(const char* path, OsFileMode mode);
void osFileClose(OsFile file);
// Both return the byte count moved, or -1 on an error.
std::int32_t osFileRead(OsFile file, void* data, std::int32_t bytes);
std::int32_t osFileWrite(OsFile file, const void* data, std::int32_t bytes);
// Returns the new position, or -1 on an error.
std::int64_t osFileSeek(OsFile file, std::int64_t offset, OsSeek origin);
std::int64_t osFileSize(OsFile file);     // -1 on an error
bool osFileFlush(OsFile file);
bool osFileExists(const char* path);
bool osFileDelete(const char* path);

void osSleepMs(int milliseconds);
