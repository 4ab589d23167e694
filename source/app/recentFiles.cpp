// Recent bank files: ten records (and a spare) behind the File popup's last entries. They are filled
// from the stored "bankPath 0".."bankPath 9" (0 the newest) at start-up; every bank file opened or
// written moves to the head, and the list is stored again.
#include <cstdio>
#include <cstring>

#include "app/appCommands.h"
#include "app/appSettings.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/chunk.h"
#include "uiSeams/msgBox.h"

namespace {

struct RecentFileRecord {
  FileSpec spec;
  std::int32_t id;  // -1 free
};

const int kRecentCount = 10;
RecentFileRecord g_records[kRecentCount + 1];  // the last one is the spare
std::int32_t g_recentIds[kRecentCount];        // per File-popup position 12..21

void fileRecordClear(RecentFileRecord* r) {
  std::memset(r, 0, sizeof *r);
  r->id = -1;
}

const char* baseName(const char* path) {
  const char* cut = std::strrchr(path, '\\');
  const char* slash = std::strrchr(path, '/');
  if (!cut || (slash && slash > cut)) cut = slash;
  return cut ? cut + 1 : path;
}

// Record k gets id k and popup position 12 + k.
void setRecord(int k, const char* path) {
  fileRecordClear(&g_records[k]);
  fileSpecSetPath(&g_records[k].spec, path, baseName(path));
  g_records[k].id = k;
  g_recentIds[k] = k;
}

void store() {
  for (int k = 0; k < kRecentCount; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "bankPath %d", k);
    appWriteText(name, g_records[k].id >= 0 ? g_records[k].spec.path : "");
  }
}

}  // namespace

void recentFilesClear() {
  for (int k = 0; k < kRecentCount; ++k) g_recentIds[k] = -1;
  for (RecentFileRecord& r : g_records) fileRecordClear(&r);
  g_records[kRecentCount].id = 777;
}

void recentFilesLoad() {
  recentFilesClear();
  int filled = 0;
  for (int n = 0; n < kRecentCount; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "bankPath %d", n);
    char path[appPathChars + 1];
    appReadText(name, "", path, sizeof path);
    if (path[0]) setRecord(filled++, path);
  }
}

void recentFileNote(const char* path) {
  if (!path || !path[0] || std::strlen(path) >= sizeof g_records[0].spec.path) return;
  char paths[kRecentCount][sizeof g_records[0].spec.path];
  int count = 0;
  std::snprintf(paths[count++], sizeof paths[0], "%s", path);
  for (int k = 0; k < kRecentCount && count < kRecentCount; ++k) {
    if (g_records[k].id < 0 || _stricmp(g_records[k].spec.path, path) == 0) continue;
    std::snprintf(paths[count++], sizeof paths[0], "%s", g_records[k].spec.path);
  }
  recentFilesClear();
  for (int k = 0; k < count; ++k) setRecord(k, paths[k]);
  store();
}

bool recentFileName(int n, char* buffer, int size) {
  for (int k = 0; k < kRecentCount; ++k) {
    if (g_records[k].id != n) continue;
    if (!g_records[k].spec.name[0]) return false;
    if (buffer && size > 0) std::snprintf(buffer, static_cast<std::size_t>(size), "%s", g_records[k].spec.name);
    return true;
  }
  return false;
}

void recentFileOpen(Bank* bank, Engine* engine, int position) {
  if (position < 12 || position > 21) return;
  const std::int32_t id = g_recentIds[position - 12];
  if (id < 0) return;
  for (int k = 0; k < kRecentCount; ++k) {
    if (g_records[k].id != id) continue;
    FileSpec file = g_records[k].spec;
    if (!bankFileOpen(bank, &file)) {
      appOpenFailureMessage(file.path, true);
      return;
    }
    bankSelectPreset(bank, engine, bankCurrentIndex(bank));
    recentFileNote(file.path);
    return;
  }
}
