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

std::mutex g_lock;
std::vector<Section*> g_sections;

Section* findLocked(const char* name) {
  for (Section* s : g_sections)
    if (s->name == name) return s;
  return nullptr;
}

}  // namespace

OsShared osSharedCreate(const char* name, std::uint32_t bytes) {
  if (!name || !*name || bytes == 0) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  if (findLocked(name)) return nullptr;
  Section* s = new Section{name, std::vector<unsigned char>(bytes, 0), 1};
  g_sections.push_back(s);
  return s;
}

OsShared osSharedOpen(const char* name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  Section* s = findLocked(name);
  if (s) s->handles++;
  return s;
}

void* osSharedMap(OsShared section, std::uint32_t bytes, bool) {
  if (!section) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  Section* s = static_cast<Section*>(section);
  if (bytes > s->bytes.size()) return nullptr;
  return s->bytes.data();
}

void osSharedUnmap(void*) {}

void osSharedClose(OsShared section) {
  if (!section) return;
  std::lock_guard<std::mutex> hold(g_lock);
  Section* s = static_cast<Section*>(section);
  if (--s->handles > 0) return;
  for (std::size_t i = 0; i < g_sections.size(); ++i) {
    if (g_sections[i] == s) {
      g_sections.erase(g_sections.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  delete s;
}
