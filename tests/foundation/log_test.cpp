#include "foundation/log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/error.h"
#include "test_support.h"

using namespace vexo;

TEST(Log, WritersBeforeOpenAreSilent) {
  EXPECT_NO_THROW(gf_log("lost"));
  EXPECT_NO_THROW(gf_logWarning("lost"));
  test::LogCapture log;
  EXPECT_EQ(log.text(), "");
}

TEST(Log, LinePrefixesAndEmptyTexts) {
  test::LogCapture log;
  gf_log("plain");
  gf_log("");
  gf_logWarning("");
  gf_logWarning("careful");
  gf_logIndented("detail");
  gf_logFlush("flushed");
  EXPECT_EQ(log.text(), "plain\n\n==> \n==> careful\n          detail\nflushed\n");
}

TEST(Log, LinesFromManyThreadsNeverMix) {
  test::LogCapture log;
  constexpr int kThreads = 8;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string line(40, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) (i % 2 ? gf_log(line) : gf_logWarning(line));
    });
  }
  for (auto& thread : threads) thread.join();
  const std::string text = log.text();
  int lines = 0;
  for (std::size_t start = 0; start < text.size();) {
    const auto end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    std::string line = text.substr(start, end - start);
    if (line.starts_with("==> ")) line.erase(0, 4);
    ASSERT_EQ(line.size(), 40u);
    EXPECT_EQ(line.find_first_not_of(line[0]), std::string::npos) << line;
    ++lines;
    start = end + 1;
  }
  EXPECT_EQ(lines, kThreads * kLines);
}

TEST(BannerLine, WidthsOfTheParameterBanner) {
  const std::string stars34(34, '*');
  EXPECT_EQ(gf_bannerLine(g_parametersBannerFill, 0, true, false, "parameters"),
            "\n" + stars34 + " parameters " + stars34);
  EXPECT_EQ(gf_bannerLine(g_parametersBannerFill, g_parametersTitleWidth, false, true, ""),
            std::string(80, '*') + "\n");
  const std::string stars31(31, '*');
  EXPECT_EQ(gf_bannerLine(64, 0, false, false, "live traffic livery matching summary"),
            stars31 + " live traffic livery matching summary " + stars31);
}

TEST(BannerLine, OddWidthsRoundUpAndShortWidthsGiveTheTextAlone) {
  EXPECT_EQ(gf_bannerLine(3, 2, false, false, ""), std::string(6, '*'));
  EXPECT_EQ(gf_bannerLine(4, 0, false, false, "ab"), "ab");  // W == length + 2
  EXPECT_EQ(gf_bannerLine(5, 0, false, false, "ab"), "** ab **");
  EXPECT_EQ(gf_bannerLine(0, 0, true, true, ""), "\n\n");
}

TEST(UserErrorException, TextCarriesTheCodeExceptFor99) {
  EXPECT_STREQ(UserErrorException(99, "x").what(), "x");
  EXPECT_STREQ(UserErrorException(98, "x").what(), "98: x");
  EXPECT_STREQ(UserErrorException(0, "x").what(), "0: x");
  EXPECT_STREQ(UserErrorException(61, "Missing section: dbase").what(), "61: Missing section: dbase");
}
