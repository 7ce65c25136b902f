#include "foundation/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/error.h"
#include "test_support.h"

using namespace vexo;

TEST(Log, LinePrefixesAndSilenceBeforeOpen) {
  EXPECT_NO_THROW(gf_log("lost"));
  test::LogCapture log;
  gf_log("plain");
  gf_logWarning("");
  gf_logWarning("careful");
  gf_logIndented("detail");
  gf_logFlush("flushed");
  EXPECT_EQ(log.text(), "plain\n==> \n==> careful\n          detail\nflushed\n");
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

TEST(BannerLine, WidthsRoundUpAndShortWidthsGiveTheTextAlone) {
  EXPECT_EQ(gf_bannerLine(g_parametersBannerFill, 0, true, false, "parameters"),
            "\n" + std::string(34, '*') + " parameters " + std::string(34, '*'));
  EXPECT_EQ(gf_bannerLine(g_parametersBannerFill, g_parametersTitleWidth, false, true, ""),
            std::string(80, '*') + "\n");
  EXPECT_EQ(gf_bannerLine(3, 2, false, false, ""), std::string(6, '*'));
  EXPECT_EQ(gf_bannerLine(4, 0, false, false, "ab"), "ab");  // W == length + 2
  EXPECT_EQ(gf_bannerLine(5, 0, false, false, "ab"), "** ab **");
  EXPECT_EQ(gf_bannerLine(0, 0, true, true, ""), "\n\n");
}

TEST(UserErrorException, TextCarriesTheCodeExceptFor99) {
  EXPECT_STREQ(UserErrorException(99, "x").what(), "x");
  EXPECT_STREQ(UserErrorException(0, "x").what(), "0: x");
}

TEST(OpenLogFile, KeepsThreeGenerationsAndWritesTheBanner) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  test::writeFile("Log.txt", "run 3\n");
  test::writeFile("Log0.txt", "run 2\n");
  test::writeFile("Log00.txt", "run 1\n");
  test::writeFile("Log000.txt", "run 0\n");
  gf_openLogFile();
  gf_log("first line");
  gf_logFlush("");
  const std::string text = test::readFile("Log.txt");
  {
    // Close it again so other tests find the log as they expect.
    std::lock_guard lock(g_logMutex);
    g_logFile.close();
  }
  EXPECT_EQ(test::readFile("Log0.txt"), "run 3\n");
  EXPECT_EQ(test::readFile("Log00.txt"), "run 2\n");
  EXPECT_EQ(test::readFile("Log000.txt"), "run 1\n");
  EXPECT_TRUE(std::regex_match(
      text, std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4} \\(utc\\) "
                       "Vendrake_P3D version 12\\.3\\.0 for Prepar3D v5/v6\nfirst line\n\n")))
      << text;
}

TEST(OpenLogFile, FailureThrowsAndLeavesTheLogClosed) {
  test::TempDir dir;
  test::ScopedCwd cwd(dir.path());
  std::filesystem::create_directories("Log.txt/inside");  // cannot be opened as a file
  try {
    gf_openLogFile();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to write file Log.txt");
  }
  std::lock_guard lock(g_logMutex);
  EXPECT_FALSE(g_logFile.is_open());
  EXPECT_TRUE(g_logFile.good());
}
