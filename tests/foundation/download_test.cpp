#include "foundation/download.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/version.h"
#include "local_http_server.h"
#include "test_support.h"

using namespace vexo;
using Kind = test::HttpReply::Kind;

namespace {
// Short limits so a stalled server fails the download within about a second. (libcurl
// averages the speed over the last few seconds, so the stalled bodies are kept small.)
DownloadTimeouts quickTimeouts() {
  DownloadTimeouts timeouts;
  timeouts.connect = std::chrono::milliseconds(2000);
  timeouts.lowSpeedBytesPerSecond = 100;
  timeouts.lowSpeedTime = std::chrono::seconds(1);
  return timeouts;
}

struct DownloadFixture : testing::Test {
  test::LogCapture log;
  test::TempDir dir;
  test::LocalHttpServer server;
  Downloader downloader;
  std::filesystem::path target = dir / "dbase.enc";

  DownloadFixture() {
    downloader.setTimeouts(quickTimeouts());
    test::writeFile(target, "earlier data file");
  }

  // The earlier file survives and no temporary is left behind.
  void expectEarlierFileKept() {
    EXPECT_EQ(test::readFile(target), "earlier data file");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
};
}  // namespace

TEST_F(DownloadFixture, SuccessReplacesTheFile) {
  std::string body(100000, 'x');
  body[0] = '\0';
  body[99999] = '\r';
  server.route("/f", {200, body});
  EXPECT_TRUE(downloader.download(server.url("/f"), target, true));
  EXPECT_EQ(test::readFile(target), body);
  EXPECT_EQ(server.requests(), (std::vector<std::string>{"/f"}));
}

TEST_F(DownloadFixture, EveryFailureKeepsTheEarlierFile) {
  const std::pair<const char*, test::HttpReply> failures[] = {
      {"/gone", {404, "<html>not found</html>"}},
      {"/broken", {500, "<html>oops</html>"}},
      {"/moved-nowhere", {302, "<html>moved</html>"}},  // no Location header
      {"/loop", {302, "", Kind::whole, "Location: /loop\r\n"}},
      {"/local", {302, "", Kind::whole, "Location: file:///etc/hostname\r\n"}},  // web addresses only
      {"/cut", {200, std::string(50000, 'y'), Kind::cutBody}},
      {"/silent", {200, "never sent", Kind::stallBeforeReply}},
      {"/stuck", {200, std::string(10, 'z'), Kind::stallMidBody}},
  };
  for (const auto& [path, reply] : failures) {
    SCOPED_TRACE(path);
    server.route(path, reply);
    EXPECT_FALSE(downloader.download(server.url(path), target, true));
    expectEarlierFileKept();
  }
  EXPECT_TRUE(log.contains("Download error: 'HTTP response code said error' for " + server.url("/gone") + "\n"));
  EXPECT_TRUE(log.contains("Download error: 'HTTP status 302' for " + server.url("/moved-nowhere")));
  EXPECT_TRUE(log.contains("Download error: 'Timeout was reached' for " + server.url("/stuck")));
  // A failure with nothing there before leaves nothing behind.
  EXPECT_FALSE(downloader.download(server.url("/gone"), dir / "fresh.enc", true));
  EXPECT_FALSE(std::filesystem::exists(dir / "fresh.enc"));
}

TEST_F(DownloadFixture, RedirectIsFollowedAndAny2xxIsASuccess) {
  server.route("/old", {301, "moved", Kind::whole, "Location: /new\r\n"});
  server.route("/new", {200, "new content"});
  EXPECT_TRUE(downloader.download(server.url("/old"), target, true));
  EXPECT_EQ(test::readFile(target), "new content");
  server.route("/no-content", {204, ""});
  EXPECT_TRUE(downloader.download(server.url("/no-content"), target, true));
  EXPECT_EQ(test::readFile(target), "");
}

TEST_F(DownloadFixture, RefusedConnectionAndUnwritableTarget) {
  const std::string nowhere = server.url("/x");
  EXPECT_FALSE(downloader.download("http://127.0.0.1:1/x", target, true));
  expectEarlierFileKept();
  EXPECT_FALSE(downloader.download(nowhere, dir / "missing" / "f", true));
  EXPECT_TRUE(log.contains("Could not open output file: " + (dir / "missing" / "f").string() + "\n"));
  EXPECT_FALSE(downloader.download("file:///etc/hostname", target, true));
  expectEarlierFileKept();
}

TEST_F(DownloadFixture, DataFileAddressCarriesTheMajorVersion) {
  const std::string previousBase = gf_downloadBase();
  EXPECT_EQ(previousBase.back(), '/');
  gf_setDownloadBase(server.base());
  server.route("/12/dbase.enc", {200, "fresh dbase"});
  EXPECT_TRUE(gf_downloadDataFile("dbase.enc", target));
  EXPECT_EQ(test::readFile(target), "fresh dbase");
  EXPECT_TRUE(log.contains("Downloaded '" + server.url("/12/dbase.enc") + "' to '" + target.string() + "'\n"));

  EXPECT_FALSE(gf_downloadDataFile("airports.enc", dir / "airports.enc"));
  EXPECT_TRUE(log.contains("==> Downloading '" + server.url("/12/airports.enc") + "' failed !\n"));
  gf_setDownloadBase(previousBase);
}
