#include "support/tempDir.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {
struct TempDir {
  fs::path path;
  TempDir() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = fs::current_path();
    // A name of its own per process: test programs run side by side, and folders of killed runs stay.
    std::random_device device;
    std::mt19937_64 pick(device() ^
                         static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int i = 0; i < 1000; ++i) {
      fs::path p = base / ("morvane-test-" + std::to_string(pick() % 1000000000u) + "-" + std::to_string(i));
      if (fs::create_directory(p, ec)) {
        path = p;
        return;
      }
    }
    path = base;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty() && path.filename().string().rfind("morvane-test-", 0) == 0) fs::remove_all(path, ec);
  }
};

std::string withSeparator(const fs::path& p) {
  std::string s = p.string();
  const char sep = static_cast<char>(fs::path::preferred_separator);
  if (s.empty() || s.back() != sep) s += sep;
  return s;
}
}  // namespace

const std::string& testTempDir() {
  static TempDir dir;
  static std::string text = withSeparator(dir.path);
  return text;
}

std::string testTempPath(const std::string& name) { return testTempDir() + name; }

std::string testArtifactPath(const std::string& name) {
  const char* env = std::getenv("MORVANE_ARTIFACTS");
  if (env && *env) {
    std::string dir = env;
#ifdef _WIN32
    if (dir[0] == '/') dir = "Z:" + dir;  // a Linux path handed to a program under Wine
#endif
    std::error_code ec;
    fs::create_directories(dir, ec);
    return withSeparator(fs::path(dir)) + name;
  }
  return testTempPath(name);
}

std::string testSourcePath(const std::string& relative) {
  const char* env = std::getenv("MORVANE_SOURCE_DIR");
  std::string dir = env && *env ? env : ".";
#ifdef _WIN32
  if (dir[0] == '/') dir = "Z:" + dir;
#endif
  if (dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir + relative;
}
