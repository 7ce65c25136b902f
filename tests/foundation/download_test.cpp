#include "foundation/download.h"

#include "datafile_encrypt.h"
#include "foundation/datafile_decrypt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "foundation/run_state.h"
#include "foundation/version.h"
#include "updatestandin/update_standin.h"
#include "test_support.h"

using namespace vexo;
using Kind = updatestandin::Reply::Kind;

namespace {
constexpr std::uint64_t g_maxBytes = 100000;

// Short limits so a stalled server fails the download within about a second. (libcurl
// averages the speed over the last few seconds, so the stalled bodies are kept small.)
DownloadLimits quickLimits() {
  DownloadLimits limits;
  limits.connect = std::chrono::milliseconds(2000);
  limits.lowSpeedBytesPerSecond = 10;
  limits.lowSpeedTime = std::chrono::seconds(1);
  limits.total = std::chrono::milliseconds(1500);
  limits.maxBytes = g_maxBytes;
  return limits;
}

struct DownloadFixture : testing::Test {
  test::LogCapture log;
  test::TempDir dir;
  updatestandin::UpdateStandIn server;
  Downloader downloader;
  std::filesystem::path target = dir / "dbase.enc";

  DownloadFixture() {
    downloader.setLimits(quickLimits());
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
  std::string body(g_maxBytes, 'x');  // exactly the limit
  body[0] = '\0';
  body[99999] = '\r';
  server.route("/f", {200, body});
  EXPECT_TRUE(downloader.download(server.url("/f"), target, true));
  EXPECT_EQ(test::readFile(target), body);
  EXPECT_EQ(server.requests(), (std::vector<std::string>{"/f"}));
}

TEST_F(DownloadFixture, EveryFailureKeepsTheEarlierFile) {
  const std::pair<const char*, updatestandin::Reply> failures[] = {
      {"/gone", {404, "<html>not found</html>"}},
      {"/broken", {500, "<html>oops</html>"}},
      {"/moved-nowhere", {302, "<html>moved</html>"}},  // no Location header
      {"/loop", {302, "", Kind::whole, "Location: /loop\r\n"}},
      {"/local", {302, "", Kind::whole, "Location: file:///etc/hostname\r\n"}},  // web addresses only
      {"/cut", {200, std::string(50000, 'y'), Kind::cutBody}},
      {"/silent", {200, "never sent", Kind::stallBeforeReply}},
      {"/stuck", {200, std::string(10, 'z'), Kind::stallMidBody}},
      {"/moved", {301, "moved", Kind::whole, "Location: /new\r\n"}},  // no redirect is followed
      {"/big", {200, std::string(g_maxBytes + 1, 'b')}},
      {"/big-unannounced", {200, std::string(g_maxBytes + 1, 'b'), Kind::noLength}},
      {"/endless", {200, "never ends", Kind::trickle}},  // never slow, never done
  };
  server.route("/new", {200, "new content"});
  for (const auto& [path, reply] : failures) {
    SCOPED_TRACE(path);
    server.route(path, reply);
    EXPECT_FALSE(downloader.download(server.url(path), target, true));
    expectEarlierFileKept();
  }
  EXPECT_TRUE(log.contains("Download error: 'HTTP response code said error' for " + server.url("/gone") + "\n"));
  EXPECT_TRUE(log.contains("Download error: 'HTTP status 302' for " + server.url("/moved-nowhere")));
  EXPECT_TRUE(log.contains("Download error: 'Timeout was reached' for " + server.url("/stuck")));
  EXPECT_TRUE(log.contains("Download error: 'Timeout was reached' for " + server.url("/endless")));
  EXPECT_TRUE(log.contains("Download error: 'HTTP status 301' for " + server.url("/moved")));
  for (const char* big : {"/big", "/big-unannounced"}) {
    EXPECT_TRUE(log.contains("Download error: 'larger than 100000 bytes' for " + server.url(big))) << big;
  }
  const auto requests = server.requests();
  EXPECT_EQ(std::count(requests.begin(), requests.end(), "/new"), 0);
  // A failure with nothing there before leaves nothing behind.
  EXPECT_FALSE(downloader.download(server.url("/gone"), dir / "fresh.enc", true));
  EXPECT_FALSE(std::filesystem::exists(dir / "fresh.enc"));
}

TEST_F(DownloadFixture, Any2xxIsASuccess) {
  server.route("/no-content", {204, ""});
  EXPECT_TRUE(downloader.download(server.url("/no-content"), target, true));
  EXPECT_EQ(test::readFile(target), "");
}

TEST_F(DownloadFixture, ClosingDownStopsATransfer) {
  DownloadLimits patient = quickLimits();
  patient.lowSpeedTime = std::chrono::seconds(600);
  patient.total = std::chrono::minutes(10);
  downloader.setLimits(patient);
  server.route("/silent", {200, "never sent", Kind::stallBeforeReply});
  std::thread closer([&] {
    while (server.requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    g_closing.store(true);
  });
  EXPECT_FALSE(downloader.download(server.url("/silent"), target, true));
  closer.join();
  g_closing.store(false);
  expectEarlierFileKept();
  EXPECT_TRUE(log.contains("Download error: 'stopped, the program is closing' for " + server.url("/silent")));
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
  test::writeFile(dir / "fresh.xml", "<root>fresh dbase</root>");
  gf_streamEncrypt(g_dataFileKey, dir / "fresh.xml", dir / "fresh.enc");
  const std::string fresh = test::readFile(dir / "fresh.enc");
  server.route("/12/dbase.enc", {200, fresh});
  EXPECT_TRUE(gf_downloadDataFile("dbase.enc", target));
  EXPECT_EQ(test::readFile(target), fresh);
  EXPECT_TRUE(log.contains("Downloaded '" + server.url("/12/dbase.enc") + "' to '" + target.string() + "'\n"));

  EXPECT_FALSE(gf_downloadDataFile("airports.enc", dir / "airports.enc"));
  EXPECT_TRUE(log.contains("==> Downloading '" + server.url("/12/airports.enc") + "' failed !\n"));

  // A 200 answer that is not a data file (a page, a body cut short without a length)
  // leaves the data file as it was, with nothing beside it.
  const std::pair<const char*, updatestandin::Reply> notDataFiles[] = {
      {"page", {200, "<html><body>Sign in to the network</body></html>"}},
      {"cut without length", {200, fresh.substr(0, fresh.size() - 10), Kind::noLength}},
  };
  for (const auto& [name, reply] : notDataFiles) {
    SCOPED_TRACE(name);
    server.route("/12/dbase.enc", reply);
    EXPECT_FALSE(gf_downloadDataFile("dbase.enc", target));
    EXPECT_EQ(test::readFile(target), fresh);
    EXPECT_FALSE(std::filesystem::exists(dir / "dbase.enc.new"));
  }
  EXPECT_TRUE(log.contains("Download error: 'not a data file: Decryption failed' for " + server.url("/12/dbase.enc")));
  gf_setDownloadBase(previousBase);
}

// Each kind of file gets its own limits, never looser than the defaults.
TEST(DownloadLimitsTest, KindsTightenTheDefaults) {
  DownloadLimits defaults;
  defaults.maxBytes = 1000;
  defaults.total = std::chrono::seconds(60);
  defaults.lowSpeedTime = std::chrono::seconds(7);
  gf_setDefaultDownloadLimits(defaults);
  const DownloadLimits tighter = gf_downloadLimits(500, std::chrono::seconds(5));
  const DownloadLimits looser = gf_downloadLimits(5000, std::chrono::seconds(600));
  gf_setDefaultDownloadLimits({});
  EXPECT_EQ(tighter.maxBytes, 500U);
  EXPECT_EQ(tighter.total, std::chrono::seconds(5));
  EXPECT_EQ(tighter.lowSpeedTime, std::chrono::seconds(7));
  EXPECT_EQ(looser.maxBytes, 1000U);
  EXPECT_EQ(looser.total, std::chrono::seconds(60));
}
