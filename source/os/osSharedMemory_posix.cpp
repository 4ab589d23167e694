// Native named sections: blocks of this process's memory found by name. The native build has no
// second process that reads the sample displays, so the names only need to be unique in-process.
#include "os/osFile.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Section {
  std::string name;
  std::vector<unsigned char> bytes;
  int handles;
};

std::mutex gLock;
std::vector<Section*> gSections;

Section* findLocked(const char* name) {
  for (Section* s : gSections)
    if (s->name == name) return s;
  return nullptr;
}

}  // namespace

OsShared osSharedCreate(const char* name, std::uint32_t bytes) {
  if (!name || !*name || bytes == 0) return nullptr;
  std::lock_guard<std::mutex> hold(gLock);
  if (findLocked(name)) return nullptr;
  Section* s = new Section{name, std::vector<unsigned char>(bytes, 0), 1};
  gSections.push_back(s);
  return s;
}

OsShared osSharedOpen(const char* name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> hold(gLock);
  Section* s = findLocked(name);
  if (s) s->handles++;
  return s;
}

void* osSharedMap(OsShared section, std::uint32_t bytes, bool) {
  if (!section) return nullptr;
  std::lock_guard<std::mutex> hold(gLock);
  Section* s = static_cast<Section*>(section);
  if (bytes > s->bytes.size()) return nullptr;
  return s->bytes.data();
}

void osSharedUnmap(void*) {}

void osSharedClose(OsShared section) {
  if (!section) return;
  std::lock_guard<std::mutex> hold(gLock);
  Section* s = static_cast<Section*>(section);
  if (--s->handles > 0) return;
  for (std::size_t i = 0; i < gSections.size(); ++i) {
    if (gSections[i] == s) {
      gSections.erase(gSections.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  delete s;
}
