// The shared support suite's native instantiation belongs here, with a SupportWorld over the
// simulated registry, files, clock and code page. Until that world exists the suite is compiled
// but has no world to run against, which GoogleTest would otherwise report as a failure.
#include "common/support_suite.h"

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SupportSuite);
