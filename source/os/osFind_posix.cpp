// Native file search: the folder part of the pattern is read with opendir, names matched with fnmatch.
#include "os/osFile.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

namespace {

struct FindState {
  DIR* dir;
  std::string folder;
  std::string pattern;
};

bool nextMatch(FindState* s, OsFindData* out) {
  while (dirent* e = ::readdir(s->dir)) {
    if (::fnmatch(s->pattern.c_str(), e->d_name, 0) != 0) continue;
    std::string full = s->folder + e->d_name;
    struct stat st;
    if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (std::strlen(e->d_name) >= sizeof out->name) continue;
    std::strcpy(out->name, e->d_name);
    return true;
  }
  return false;
}

}  // namespace

OsFind osFindFirst(const char* pattern, OsFindData* out) {
  if (!pattern || !out) return osFindInvalid;
  std::string p(pattern);
  std::size_t cut = p.find_last_of("/\\");
  FindState* s = new FindState{nullptr, cut == std::string::npos ? std::string("./") : p.substr(0, cut + 1),
                               cut == std::string::npos ? p : p.substr(cut + 1)};
  s->dir = ::opendir(s->folder.c_str());
  if (!s->dir || !nextMatch(s, out)) {
    if (s->dir) ::closedir(s->dir);
    delete s;
    return osFindInvalid;
  }
  return reinterpret_cast<OsFind>(s);
}

bool osFindNext(OsFind find, OsFindData* out) {
  if (find == osFindInvalid || !out) return false;
  return nextMatch(reinterpret_cast<FindState*>(find), out);
}

void osFindClose(OsFind find) {
  if (find == osFindInvalid) return;
  FindState* s = reinterpret_cast<FindState*>(find);
  ::closedir(s->dir);
  delete s;
}
