#include <gtest/gtest.h>

#include <thread>
#include <unordered_set>
#include <vector>

#include "fresh_refdata.h"
#include "refdata/codes.h"
#include "test_support.h"

namespace vexo {
namespace {

using test::FreshRefData;

TEST(FixedCode, UpperCasedCodesOnlyAndEmptyIsBlanks) {
  EXPECT_EQ(IcaoCode("eddf").str(), "EDDF");
  for (const char* bad : {"ED-F", "EDD", "EDDFX", "EDD ", "", "ED\xC3\x84"}) {
    try {
      IcaoCode code(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "FixedCode: invalid string (length/charset)");
    }
  }
  IcaoCode empty;
  EXPECT_EQ(fmt::format("[{}]", empty), "[    ]");
  EXPECT_EQ(empty.hash(), gf_fnv1a("    "));
  EXPECT_LT(empty, IcaoCode("0AAA"));
  EXPECT_LT(IcaoCode("9ZZZ"), IcaoCode("AAAA"));
  EXPECT_EQ(gf_fnv1a("a"), 0xaf63dc4c8601ec8cULL);  // published vector
  EXPECT_EQ(gf_fnv1a(std::uint16_t{0x6261}), gf_fnv1a("ab"));  // low byte first
  AcCodes codes{0x1122, 0x3344, 0x5566, 1, 1};
  EXPECT_EQ(codes.word(), 0x0101556633441122ULL);
  EXPECT_EQ(AcCodes::fromWord(codes.word()), codes);
}

TEST_F(FreshRefData, InterningIsExactAndTheSealedPoolAppliesFixesOnlyToPooledCorrections) {
  EXPECT_EQ(gf_airlineCode2Id(""), 0);
  EXPECT_NE(gf_airlineCode2Id("ABC"), gf_airlineCode2Id("abc"));
  EXPECT_EQ(g_airlinePool.text(99), std::nullopt);
  g_dbase.modelFixes = {{"A32", "A320"}, {"B73", "B738"}};
  gf_modelCode2Id("");
  const std::uint16_t a320 = gf_modelCode2Id("A320");
  EXPECT_NE(gf_modelCode2Id("A32"), a320);  // before sealing no correction is consulted
  g_modelPool.reset();
  gf_modelCode2Id("");
  gf_modelCode2Id("A320");
  g_modelPool.seal();
  const std::size_t before = g_modelPool.size();
  EXPECT_EQ(gf_modelCode2Id("A32"), a320);
  EXPECT_EQ(g_modelPool.size(), before);
  EXPECT_EQ(g_modelPool.text(gf_modelCode2Id("B73")), "B73");  // B738 is not pooled: no fix
}

TEST_F(FreshRefData, CategoryFollowsTheFixedOrder) {
  const std::uint16_t both = gf_modelCode2Id("A388"), heli = gf_modelCode2Id("EC35"), fast = gf_modelCode2Id("F16");
  g_dbase.heavyIds = {both};
  g_dbase.largeIds = {both};
  g_dbase.rotorcraftIds = {heli, fast};
  g_dbase.highPerfIds = {fast};
  EXPECT_EQ(gf_modelCategory(both), AcCategory::Large);
  EXPECT_EQ(gf_modelCategory(fast), AcCategory::Rotorcraft);
  EXPECT_EQ(gf_modelCodeCategory("NEW1"), AcCategory::Light);
  EXPECT_TRUE(g_modelPool.find("NEW1").has_value());
}

TEST(CodePoolLimits, FullPoolRefusesWithIdZeroAndLogsOnce) {
  test::LogCapture log;
  CodePool pool("test");
  for (std::size_t i = 0; i < CodePool::maxTexts; ++i) {
    ASSERT_EQ(pool.intern(std::to_string(i)), static_cast<std::uint16_t>(i));
  }
  EXPECT_EQ(pool.intern("one more"), 0);
  EXPECT_EQ(pool.intern("and another"), 0);
  EXPECT_EQ(pool.intern("65535"), 65535);  // known texts keep their ids
  EXPECT_EQ(pool.size(), CodePool::maxTexts);
  std::string text = log.text();
  EXPECT_NE(text.find("test pool is full"), std::string::npos);
  EXPECT_EQ(text.find("pool is full"), text.rfind("pool is full"));
}

TEST(CodePoolThreads, ConcurrentInterningGivesOneIdPerText) {
  CodePool pool("threads");
  pool.intern("");
  constexpr int threads = 4;
  constexpr int codes = 2000;
  std::vector<std::vector<std::uint16_t>> ids(threads, std::vector<std::uint16_t>(codes));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < codes; ++i) {
        ids[t][i] = pool.intern(fmt::format("C{}", i));
        ASSERT_EQ(pool.text(ids[t][i]), fmt::format("C{}", i));
      }
    });
  }
  for (auto& w : workers) {
    w.join();
  }
  EXPECT_EQ(pool.size(), codes + 1u);
  for (int t = 1; t < threads; ++t) {
    EXPECT_EQ(ids[t], ids[0]);
  }
}

}  // namespace
}  // namespace vexo
