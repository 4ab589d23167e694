#include "uiSeams/appChooseFile.h"

#include <cstring>
#include <deque>
#include <string>

#include "preset/chunk.h"
#include "uiSeams/msgBox.h"

namespace {

struct Answer {
  int result;
  std::string path;
};
std::deque<Answer> g_queue;
AppChooseFileFn g_routine = nullptr;
int g_calls = 0;
int g_lastKind = -1;
int g_lastResult = -1;
std::string g_lastPath;

int chooseFrom(int dialogKind, FileSpec* out, int fileType) {
  if (g_routine) return g_routine(dialogKind, out, fileType);
  ++g_calls;
  g_lastKind = dialogKind;
  if (g_queue.empty()) return 0;
  Answer a = g_queue.front();
  g_queue.pop_front();
  if (a.result == 1) {
    // The name shown to the user is the path's last part.
    const char* cut = std::strrchr(a.path.c_str(), '/');
    const char* back = std::strrchr(a.path.c_str(), '\\');
    if (!cut || (back && back > cut)) cut = back;
    fileSpecClear(out);
    fileSpecSetPath(out, a.path.c_str(), cut ? cut + 1 : a.path.c_str());
  }
  return a.result;
}

const char kNameNotSupported[] =
    "This file name holds letters outside the system's code page, which Morvane cannot use for files. "
    "Please choose or give a name without them.";

// A name the system's narrow-character calls could not pass on: the dialog puts '?' for every letter
// outside the code page, and no file name holds a '?' or '*' of its own.
bool nameSupported(const char* path) { return !std::strpbrk(path, "?*"); }

}  // namespace

int appChooseFile(int dialogKind, FileSpec* out, int fileType) {
  if (!out) return 5;
  g_lastResult = chooseFrom(dialogKind, out, fileType);
  if (g_lastResult == 1 && !nameSupported(out->path)) {
    msgBox(msgBoxOk, kNameNotSupported, msgBoxIconExclamation);
    fileSpecClear(out);
    g_lastResult = 0;  // as if nothing was chosen: the caller says nothing more
  }
  g_lastPath = g_lastResult == 1 ? std::string(out->path) : std::string();
  return g_lastResult;
}

int appChooseFileLastResult() { return g_lastResult; }
void appChooseFileResetLastResult() {
  g_lastResult = -1;
  g_lastPath.clear();
}
const char* appChooseFileLastPath() { return g_lastPath.c_str(); }

void appChooseFileSetRoutine(AppChooseFileFn routine) { g_routine = routine; }
void appChooseFileQueue(int result, const char* path) { g_queue.push_back(Answer{result, path ? path : ""}); }
void appChooseFileClearQueue() { g_queue.clear(); }
int appChooseFileCalls() { return g_calls; }
int appChooseFileLastKind() { return g_lastKind; }
