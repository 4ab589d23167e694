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
std::deque<Answer> gQueue;
AppChooseFileFn gRoutine = nullptr;
int gCalls = 0;
int gLastKind = -1;
int gLastResult = -1;
std::string gLastPath;

int chooseFrom(int dialogKind, FileSpec* out, int fileType) {
  if (gRoutine) return gRoutine(dialogKind, out, fileType);
  ++gCalls;
  gLastKind = dialogKind;
  if (gQueue.empty()) return 0;
  Answer a = gQueue.front();
  gQueue.pop_front();
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
  gLastResult = chooseFrom(dialogKind, out, fileType);
  if (gLastResult == 1 && !nameSupported(out->path)) {
    msgBox(msgBoxOk, kNameNotSupported, msgBoxIconExclamation);
    fileSpecClear(out);
    gLastResult = 0;  // as if nothing was chosen: the caller says nothing more
  }
  gLastPath = gLastResult == 1 ? std::string(out->path) : std::string();
  return gLastResult;
}

int appChooseFileLastResult() { return gLastResult; }
void appChooseFileResetLastResult() {
  gLastResult = -1;
  gLastPath.clear();
}
const char* appChooseFileLastPath() { return gLastPath.c_str(); }

void appChooseFileSetRoutine(AppChooseFileFn routine) { gRoutine = routine; }
void appChooseFileQueue(int result, const char* path) { gQueue.push_back(Answer{result, path ? path : ""}); }
void appChooseFileClearQueue() { gQueue.clear(); }
int appChooseFileCalls() { return gCalls; }
int appChooseFileLastKind() { return gLastKind; }
