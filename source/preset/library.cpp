// Library kinds, folder scans into the kinds' menus, the header check of library files.
#include "preset/library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "preset/sampleSettings.h"
#include "uiSeams/popupMenu.h"

namespace {

LibraryKind g_kinds[libKindCount];
bool g_setUp = false;

const char* const kFolders[libKindCount] = {"Oscil",    "Filter", "Mod",    "Waveshape", "Effect",
                                            "Envelope", "Wave",   "Tuning", "Channel",   "Notescale"};

bool validKind(int kind) { return kind >= 1 && kind <= libKindCount; }

bool isLibId(std::uint32_t id) { return id >= chunkId("lib0") && id <= chunkId("lib9"); }

}  // namespace

LibraryKind* libGetKindRecord(int kind) { return validKind(kind) ? &g_kinds[kind - 1] : nullptr; }

std::uint32_t libKindId(int kind) { return validKind(kind) ? chunkId("lib0") + std::uint32_t(kind - 1) : 0; }

void libFolderName(int kind, char* out, std::uint32_t capacity) {
  if (!out || capacity == 0) return;
  out[0] = 0;
  if (!validKind(kind)) return;
  std::snprintf(out, capacity, "%s%c", kFolders[kind - 1], samplePathSeparator());
}

std::int16_t libGetKindHandle(int kind) { return validKind(kind) ? g_kinds[kind - 1].menu : 0; }

void libSetKindHandle(int kind, std::int16_t handle) {
  if (validKind(kind)) g_kinds[kind - 1].menu = handle;
}

void libEnsureMenu(int kind) {
  LibraryKind* k = libGetKindRecord(kind);
  if (k && k->menu == 0) k->menu = popupCreate();
}

void libRelease(int kind) {
  LibraryKind* k = libGetKindRecord(kind);
  if (!k || k->menu == 0) return;
  popupDestroy(k->menu);
  k->menu = 0;
}

bool libGetEntry(int kind, std::int32_t index, FileSpec* out) {
  LibraryKind* k = libGetKindRecord(kind);
  if (!k || !k->entries || !out || index < 0 || index >= k->count) return false;
  *out = k->entries[index];
  return true;
}

void libSetEntry(int kind, std::int32_t index, const FileSpec* file) {
  LibraryKind* k = libGetKindRecord(kind);
  if (!k || !k->entries || !file || index < 0 || index >= k->count) return;
  k->entries[index] = *file;
  k->entries[index].handle = osFileInvalid;
}

void libFreeKindBuffer(int kind) {
  LibraryKind* k = libGetKindRecord(kind);
  if (!k) return;
  std::free(k->entries);
  k->entries = nullptr;
  k->count = 0;
}

void libSetupAll() {
  if (g_setUp) return;
  g_setUp = true;
  for (int kind = 1; kind <= libKindCount; ++kind) {
    LibraryKind* k = &g_kinds[kind - 1];
    k->menu = 0;
    k->count = 0;
    k->entries = static_cast<FileSpec*>(std::malloc(sizeof(FileSpec) * libEntrySlots));
    if (k->entries) {
      for (std::int32_t i = 0; i < libEntrySlots; ++i) fileSpecClear(&k->entries[i]);
      k->count = libEntrySlots;
    }
    libScanFolder(kind);
  }
}

void libResetForTest() {
  for (int kind = 1; kind <= libKindCount; ++kind) {
    libRelease(kind);
    libFreeKindBuffer(kind);
  }
  g_setUp = false;
}

bool libFileIsKind(FileSpec* file, std::uint32_t headerId) {
  if (!file) return false;
  FileSpec probe = *file;
  probe.handle = osFileInvalid;
  if (!fileOpen(&probe, fileAccessRead)) return false;
  std::uint8_t head[12];
  const bool got = fileReadBytes(&probe, head, sizeof head);
  fileClose(&probe);
  if (!got) return false;
  std::uint32_t id;
  std::memcpy(&id, head, 4);
  std::uint32_t reversed = headerId;
  swap32(&reversed);
  return id == headerId || id == reversed;
}

void libScanFolder(int kind) {
  libEnsureMenu(kind);
  LibraryKind* k = libGetKindRecord(kind);
  const std::uint32_t id = libKindId(kind);
  if (!k || !id || k->menu == 0) return;
  char root[520];
  sampleSettingsGet("LibrariesPath", root, sizeof root);
  char folderName[32];
  libFolderName(kind, folderName, sizeof folderName);
  char folder[600];
  std::snprintf(folder, sizeof folder, "%s%s", root, folderName);
  char pattern[620];
  std::snprintf(pattern, sizeof pattern, "%s*gly", folder);
  popupClear(k->menu);
  int accepted = 0;
  OsFindData found;
  OsFind search = osFindFirst(pattern, &found);
  for (bool more = search != osFindInvalid; more; more = osFindNext(search, &found)) {
    char base[261];
    std::snprintf(base, sizeof base, "%s", found.name);
    if (char* dot = std::strrchr(base, '.')) *dot = 0;
    char path[900];
    const int n = std::snprintf(path, sizeof path, "%s%s.gly", folder, base);
    if (n < 0 || n >= int(sizeof(FileSpec::path))) continue;  // a path the file layer cannot hold
    FileSpec file;
    fileSpecClear(&file);
    fileSpecSetPath(&file, path, base);
    if (!libFileIsKind(&file, id)) continue;
    ++accepted;
    popupAppend(k->menu, static_cast<std::int16_t>(accepted), true, base);
    if (accepted - 1 < k->count) libSetEntry(kind, accepted - 1, &file);
  }
  if (search != osFindInvalid) osFindClose(search);
  if (accepted == 0) popupAppend(k->menu, 1, false, "This library is empty");
}

int libChunkCheck(std::uint32_t* words) {
  if (!words) return 1;
  ChunkHeader h{words[0], words[1], words[2]};
  chunkHeaderSwap(&h);
  if (isLibId(h.id)) {
    words[0] = h.id;
    words[1] = h.size;
    words[2] = h.version;
    return 0;
  }
  std::uint32_t reversed = words[0];
  swap32(&reversed);
  if (isLibId(reversed)) {
    // The header chunk of a file of the other byte order.
    swapToggle();
    for (int i = 0; i < 3; ++i) swap32(&words[i]);
    return 0;
  }
  return chunkHeaderCheck(words) == 0 ? 0 : 1;
}
