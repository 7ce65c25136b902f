#include "updatestandin/standin_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "foundation/download.h"
#include "test_support.h"

using namespace vexo;
using namespace vexo::updatestandin;
namespace fs = std::filesystem;

namespace {

// Quick limits, so a stalled or trickling answer fails within about a second.
DownloadLimits quickLimits() {
  DownloadLimits limits;
  limits.connect = std::chrono::milliseconds(2000);
  limits.lowSpeedBytesPerSecond = 10;
  limits.lowSpeedTime = std::chrono::seconds(1);
  limits.total = std::chrono::milliseconds(1500);
  return limits;
}

}  // namespace

TEST(StandInAnswers, OnlyKnownWaysToFailAreTaken) {
  for (const char* how : {"404", "500", "html", "cut", "cut-nolength", "stall", "stall-mid", "trickle"}) {
    const auto answer = gf_parseFailureAnswer(std::string("/downloads/12/dbase.enc=") + how);
    ASSERT_TRUE(answer) << how;
    EXPECT_EQ(answer->path, "/downloads/12/dbase.enc");
    EXPECT_EQ(answer->how, how);
  }
  for (const char* bad : {"", "=404", "downloads/x=404", "/x", "/x=", "/x=301", "/x=HTML", "/x=cut "}) {
    EXPECT_FALSE(gf_parseFailureAnswer(bad)) << bad;
  }
}

// The folder's files are served whole; each failure answer fails a download the way it
// says, or, for a page and a body cut without a length, passes as a 200 answer with the
// wrong bytes (what the program must catch itself).
TEST(StandInAnswers, FolderIsServedWithItsFailures) {
  test::TempDir dir;
  test::LogCapture log;
  const std::string file(5000, 'f');
  const std::string failures[] = {"404", "500", "html", "cut", "cut-nolength", "stall", "stall-mid", "trickle"};
  fs::create_directories(dir / "site" / "downloads");
  for (const std::string& how : failures) test::writeFile(dir / "site" / "downloads" / how, file);
  test::writeFile(dir / "site" / "downloads" / "versions.json", "{}");
  std::vector<FailureAnswer> answers;
  for (const std::string& how : failures) answers.push_back({"/downloads/" + how, how});
  answers.push_back({"/downloads/not-in-the-folder", "404"});
  UpdateStandIn server;
  gf_serveFolder(server, dir / "site", answers);

  Downloader downloader;
  downloader.setLimits(quickLimits());
  const fs::path target = dir / "got";
  ASSERT_TRUE(downloader.download(server.url("/downloads/versions.json"), target, false));
  EXPECT_EQ(test::readFile(target), "{}");
  struct Outcome {
    const char* how;
    bool ok;
    std::string body;
  };
  const Outcome outcomes[] = {{"404", false, ""},         {"500", false, ""},
                              {"html", true, "<!DOCTYPE html>"}, {"cut", false, ""},
                              {"cut-nolength", true, std::string(2500, 'f')}, {"stall", false, ""},
                              {"stall-mid", false, ""},   {"trickle", false, ""}};
  for (const Outcome& o : outcomes) {
    SCOPED_TRACE(o.how);
    fs::remove(target);
    EXPECT_EQ(downloader.download(server.url(std::string("/downloads/") + o.how), target, true), o.ok);
    if (o.ok) {
      EXPECT_EQ(test::readFile(target).substr(0, o.body.size()), o.body);
    }
  }
  EXPECT_TRUE(log.contains("Download error: 'HTTP response code said error' for " + server.url("/downloads/500")));
  EXPECT_TRUE(log.contains("Download error: 'Timeout was reached' for " + server.url("/downloads/trickle")));
  EXPECT_FALSE(downloader.download(server.url("/downloads/not-in-the-folder"), target, true));
}

TEST(StandInAnswers, CuttingAFileThatIsNotThereIsRefused) {
  test::TempDir dir;
  fs::create_directories(dir / "site");
  UpdateStandIn server;
  for (const char* how : {"cut", "cut-nolength", "stall-mid", "trickle"}) {
    EXPECT_THROW(gf_serveFolder(server, dir / "site", {{"/missing", how}}), std::runtime_error) << how;
  }
  EXPECT_NO_THROW(gf_serveFolder(server, dir / "site", {{"/missing", "html"}, {"/gone", "404"}}));
}
