#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vexo;

namespace {
ProductionSwitch parse(std::vector<std::string_view> args) { return gf_parseProductionSwitch(args); }
}  // namespace

TEST(CommandLine, LastSwitchWinsInAnyCase) {
  EXPECT_FALSE(parse({"--production", "--no-production"}).value);
  EXPECT_TRUE(parse({"--no-production", "/production"}).value);
  EXPECT_TRUE(parse({"--PRODUCTION"}).value);
  EXPECT_TRUE(parse({"/Production"}).given);
  const auto off = parse({"/NO-Production", "x"});
  EXPECT_FALSE(off.value);
  EXPECT_TRUE(off.given);
}

TEST(CommandLine, OtherArgumentsAndNoArgumentsLeaveProductionOff) {
  EXPECT_FALSE(parse({}).given);
  const auto other = parse({"production", "--productions", "-production", "--no-production-x"});
  EXPECT_FALSE(other.given);
  EXPECT_FALSE(other.value);
}
