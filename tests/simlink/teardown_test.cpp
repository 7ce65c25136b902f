#include <gtest/gtest.h>

#include <vector>

#include "simlink_fixture.h"

using namespace vexo;
using namespace vexo::test;

// Retrying Open every 100 ms must cost 100 ms, not the settling waits of a real link.
TEST(Teardown, ClientThatNeverConnectedDoesNotWait) {
  SimLinkSandbox sandbox;
  std::vector<std::chrono::milliseconds> waits;
  g_teardownSleep = [&](std::chrono::milliseconds wait) { waits.push_back(wait); };

  HANDLE handle = nullptr;
  EXPECT_EQ(gf_openSimConnect(&handle, "x", nullptr, 0, nullptr, 0, sandbox.environment({}, {})), E_FAIL);
  EXPECT_TRUE(waits.empty());

  {
    PairedClient paired;
    EXPECT_EQ(SimConnect_Close(paired.handle), S_OK);
    paired.handle = nullptr;
  }
  EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(100),
                                                           std::chrono::milliseconds(250)}));
}
