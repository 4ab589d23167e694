// The few operating-system calls of the sound core: plain files and sleeping. The Windows build
// maps them onto the Win32 file API, the native build onto POSIX, so the core and its tests run on both.
#pragma once
#include <cstdint>

typedef std::intptr_t OsFile;  // an open file; osFileInvalid when none
const OsFile osFileInvalid = -1;

// read: an existing file, shared for reading; write: create or truncate; readWrite: an existing file;
// createNew: a file made by this call, failing when any file of that name exists (nothing is touched)
enum OsFileMode { osOpenRead = 0, osOpenWrite = 1, osOpenReadWrite = 2, osOpenCreateNew = 3 };
enum OsSeek { osSeekSet = 0, osSeekCur = 1, osSeekEnd = 2 };

OsFile osFileOpen(const char* path, OsFileMode mode);
void osFileClose(OsFile file);
// Both return the byte count moved, or -1 on an error.
std::int32_t osFileRead(OsFile file, void* data, std::int32_t bytes);
std::int32_t osFileWrite(OsFile file, const void* data, std::int32_t bytes);
// Returns the new position, or -1 on an error.
std::int64_t osFileSeek(OsFile file, std::int64_t offset, OsSeek origin);
std::int64_t osFileSize(OsFile file);  // -1 on an error
bool osFileFlush(OsFile file);
bool osFileExists(const char* path);
bool osFileDelete(const char* path);
// Moves the file `from` to `to`, replacing a file of that name in one step; false on an error (then
// `to` is left as it was). On Windows a read-only `to` is never replaced.
bool osFileRename(const char* from, const char* to);

// The system's words for the error of the last file call above that failed (open, read, write, flush,
// delete, rename), cut to fit `capacity`; "" when no call failed yet.
void osFileErrorText(char* out, int capacity);

void osSleepMs(int milliseconds);

// ---- Finding files: a folder followed by a name pattern with '*' and '?' ("C:\Lib\Oscil\*gly").
// Only plain files are reported, by their names without the folder.
typedef std::intptr_t OsFind;
const OsFind osFindInvalid = -1;
struct OsFindData {
  char name[260];  // found file's name, zero-terminated
};
// The first match, or osFindInvalid when the folder is missing or nothing matches.
OsFind osFindFirst(const char* pattern, OsFindData* out);
bool osFindNext(OsFind find, OsFindData* out);  // false when no further file matches
void osFindClose(OsFind find);

// ---- Named shared memory sections (the sample displays). Windows: page-file-backed file mappings
// that other processes can open by name; natively: named blocks of this process's memory.
typedef void* OsShared;  // an open section; null for none
// Creates a zeroed section of `bytes`; null when one of that name exists already or on failure.
OsShared osSharedCreate(const char* name, std::uint32_t bytes);
OsShared osSharedOpen(const char* name);  // an existing section, null when there is none
// A view of the first `bytes` of the section; null on failure.
void* osSharedMap(OsShared section, std::uint32_t bytes, bool writable);
void osSharedUnmap(void* view);
// Closes the handle; the section goes away with its last handle.
void osSharedClose(OsShared section);
