// The window tests run inside the framework's module and application (the framework tests'
// helper); the form library starts once after the framework.
#include <gtest/gtest.h>

#include "NGLInit.h"
#include "nglTestSupport.h"
#include "uiaTestSupport.h"

namespace {

class NglWindowEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    startLibraries();
    ASSERT_TRUE(nglInit(NGL_VERSION, NGL_BUILD));
    registerTestWidgetClasses();
  }
};

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new NglWindowEnvironment);

}  // namespace
