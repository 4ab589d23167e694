// The scratch file a fuzz target writes each input into before its reader opens it: one per process,
// in TMPDIR (else /tmp), removed when the process exits, so that fuzzing leaves nothing behind.
#pragma once

#include <unistd.h>
#include <cstdlib>
#include <string>

// STEM_<process id>EXT, made once; later calls give the same path.
inline const std::string& fuzzScratchPath(const char* stem, const char* ext) {
  static const std::string path = [&] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + stem + "_" + std::to_string(getpid()) + ext;
  }();
  static const int removal = std::atexit([] { unlink(path.c_str()); });
  (void)removal;
  return path;
}
