// A private scratch folder for one test process, removed with its files at exit.
#pragma once
#include <string>

// The folder, ending with the platform's path separator; made on first use.
const std::string& testTempDir();
// testTempDir() + name.
std::string testTempPath(const std::string& name);
// Where tests put pictures and other output a person may look at ($MORVANE_ARTIFACTS or the temp folder).
std::string testArtifactPath(const std::string& name);
