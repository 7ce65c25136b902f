#include "engine/sim_responses.h"

#include <gtest/gtest.h>

using namespace vexo;

TEST(SimResponses, AreTakenOldestFirstAndOnlyOnce) {
  gf_clearSimResponses();
  gf_pushSimResponse({7, 20001, 0, SimResponseKind::createdLive, 0.0, 12.5});
  gf_pushSimResponse({8, 0, 0, SimResponseKind::removed, 0.0, 0.0});
  const auto taken = gf_takeSimResponses();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].objectId, 7u);
  EXPECT_EQ(taken[0].kind, SimResponseKind::createdLive);
  EXPECT_DOUBLE_EQ(taken[0].value2, 12.5);
  EXPECT_EQ(taken[1].kind, SimResponseKind::removed);
  EXPECT_TRUE(gf_takeSimResponses().empty());
}
