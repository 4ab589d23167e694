// The kit's message box without a test hook of its own: the plain box goes through the platform
// library's box (and so reaches the library's one sink for every box); boxes with buttons do not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GPError.h"
#include "uiSeams/msgBox.h"

namespace {

std::vector<std::string> g_sunk;
int sink(const char*, const char* text, unsigned) {
  g_sunk.push_back(text);
  return 1;  // IDOK
}

}  // namespace

TEST(MessageBoxSink, ThePlainBoxGoesThroughThePlatformLibrarysBox) {
  msgBoxSetHook(nullptr, nullptr);
  GPMessageBoxHook kept = gpSetMessageBoxHook(sink);
  g_sunk.clear();
  EXPECT_EQ(msgBox(0, "A plain message", 0), 0);
  gpSetMessageBoxHook(kept);
  EXPECT_EQ(g_sunk, std::vector<std::string>{"A plain message"});
}
