// Replays a fuzz target without libFuzzer: feeds LLVMFuzzerTestOneInput every regular file of each
// folder named on the command line (a missing folder is skipped), in name order so a run is repeatable.
// A failing input stops the program inside the target (a trapped check or a sanitizer report); the
// program then names the file. Exit status 0 when every file ran.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));
// Present when the program carries a sanitizer: called after its report, before the process ends.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

const char* gCurrent = nullptr;  // the input being run

void reportCurrent() {
  if (gCurrent) std::fprintf(stderr, "\nFAILED on input %s\n", gCurrent);
}

// A check that traps (SIGILL) or aborts: name the input, then die of the same signal.
void onFatalSignal(int sig) {
  reportCurrent();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

bool readWhole(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(reportCurrent);
  std::signal(SIGILL, onFatalSignal);
  std::signal(SIGABRT, onFatalSignal);
  std::signal(SIGFPE, onFatalSignal);
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int ran = 0, failed = 0;
  for (int a = 1; a < argc; ++a) {
    std::error_code ec;
    if (!std::filesystem::is_directory(argv[a], ec)) {
      std::printf("skipping %s: no such folder\n", argv[a]);
      continue;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[a], ec))
      if (entry.is_regular_file(ec)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      std::vector<std::uint8_t> bytes;
      if (!readWhole(path, bytes)) {
        std::printf("FAILED to read %s\n", path.c_str());
        ++failed;
        continue;
      }
      // A copy of exactly the file's size, so a read past the end is caught by the address sanitizer;
      // never null, as libFuzzer passes even an empty input.
      std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
      if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
      gCurrent = path.c_str();
      const int rc = LLVMFuzzerTestOneInput(exact.get(), bytes.size());
      if (rc != 0) {
        std::printf("FAILED %s: returned %d\n", path.c_str(), rc);
        ++failed;
      }
      gCurrent = nullptr;
      ++ran;
    }
  }
  std::printf("%d inputs ran, %d failed\n", ran, failed);
  return failed ? 1 : 0;
}
