// The libraries start once for the whole test program, as an application starts them.
#include <gtest/gtest.h>

#include "GPInit.h"
#include "Init_UIA.h"
#include "NGLInit.h"
#include "nglTestSupport.h"

namespace {

class NglEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(gpInit(GP_VERSION, GP_BUILD));
    ASSERT_TRUE(uiaInit(UIA_VERSION, UIA_BUILD));
    ASSERT_TRUE(nglInit(NGL_VERSION, NGL_BUILD));
    registerTestWidgetClasses();
  }
};

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new NglEnvironment);

}  // namespace
