// A private scratch folder for one test process, removed with its files at exit.
#pragma once
#include <string>

// The folder, ending with the platform's path separator; made on first use.
const std::string& testTempDir();
// testTempDir() + name.
std::string testTempPath(const std::string& name);
// Where tests put pictures and other output a person may look at ($MORVANE_ARTIFACTS or the temp folder).
std::string testArtifactPath(const std::string& name);
// A file of the source tree, e.g. testSourcePath("tests/fuzz/corpus/x"): ctest hands every test the
// tree's folder in $MORVANE_SOURCE_DIR (compiled paths are relative under ccache's base folder).
std::string testSourcePath(const std::string& relative);
