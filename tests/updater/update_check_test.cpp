#include "updater/update_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

#include "foundation/main_window_state.h"
#include "foundation/window_messages.h"
#include "updater/versions_file.h"
#include "updater_fixture.h"

using namespace vexo;
class UpdateCheckTest : public test::UpdaterFixture {};
namespace fs = std::filesystem;

namespace {
// What the parameters file says of one setting, as the next start will read it.
std::string savedValue(const fs::path& file, const std::string& key) {
  const std::string text = test::readFile(file);
  const auto at = text.find("name=\"" + key + "\" value=\"");
  if (at == std::string::npos) return "(none)";
  const auto start = at + key.size() + 15;
  return text.substr(start, text.find('"', start) - start);
}
}  // namespace

// Each data file: newer on the server, or missing here, means a download and the new
// version stored; an equal or older (compared as numbers) one is left alone.
TEST_F(UpdateCheckTest, DataFilesFollowTheServer) {
  struct Key {
    const char* key;
    StringSetting& setting;
    const char* local;
    const char* served;
  };
  const Key keys[] = {{"airports", settings.AIRPORTS_VERSION, "input/airports.enc", "/12/airports.enc"},
                      {"aig", settings.AIG_VERSION, "input/AIG-regcodes.enc", "/12/AIG-regcodes.enc"},
                      {"dbase", settings.DBASE_VERSION, "input/dbase.enc", "/12/dbase.enc"}};
  struct Case {
    const char* stored;
    VersionData web;
    bool localThere;
    bool fetched;
  };
  const Case cases[] = {{"4.0.0", {4, 0, 0}, true, false},  {"4.0.0", {4, 0, 1}, true, true},
                        {"4.0.0", {4, 0, 0}, false, true},  {"3.10.0", {3, 9, 5}, true, false},
                        {"3.9.5", {3, 10, 0}, true, true},  {"", {0, 0, 1}, true, true}};
  for (const Key& k : keys) {
    const std::string served = test::dataFileOf(std::string("<root>new ") + k.key + "</root>", dir / "scratch.enc");
    server.route(k.served, {200, served});
    for (const Case& c : cases) {
      SCOPED_TRACE(fmt::format("{} {} -> {}", k.key, c.stored, c.web.toString()));
      test::writeFile(k.local, "old");
      if (!c.localThere) fs::remove(k.local);
      k.setting.setValue(c.stored);
      fs::remove(dir / "parameters.xml");
      serveVersions(test::versionsJson({{k.key, c.web}}));
      ASSERT_TRUE(check());
      EXPECT_EQ(test::readFile(k.local), c.fetched ? served : "old");
      EXPECT_EQ(k.setting.value(), c.fetched ? c.web.toString() : c.stored);
      EXPECT_EQ(savedValue(dir / "parameters.xml", k.setting.key), c.fetched ? c.web.toString() : "(none)");
      EXPECT_TRUE(log.contains(c.fetched ? fmt::format("{} updated to {}\n", k.key, c.web.toString())
                                         : fmt::format("{} version up-to-date\n", k.key)));
    }
  }
  EXPECT_FALSE(fs::exists("versions.json"));
}

// A local file that cannot even be looked up (its folder is a file) is not taken for a
// missing one: the check stops with the file-system error and fetches nothing.
TEST_F(UpdateCheckTest, UnreadableLocalFileStopsTheCheck) {
  server.route("/12/dbase.enc", {200, test::dataFileOf("<root>new dbase</root>", dir / "scratch.enc")});
  const std::pair<const char*, const char*> keys[] = {{"dbase", "input"}, {"liveries", "output"}};
  for (const auto& [key, folder] : keys) {
    SCOPED_TRACE(key);
    fs::remove_all(folder);
    test::writeFile(folder, "a file where the folder belongs");
    serveVersions(test::versionsJson({{key, {4, 0, 0}}}));
    try {
      check();
      ADD_FAILURE() << "no error";
    } catch (const fs::filesystem_error& e) {
      EXPECT_NE(std::string(e.what()).find("exists"), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::readFile(folder), "a file where the folder belongs");
    EXPECT_FALSE(settings.SCAN_LIVERIES.value);
    EXPECT_FALSE(fs::exists(dir / "parameters.xml"));
  }
}

// A failed download (error status, cut off, stalled) and a 200 answer that is not a data
// file (a portal's page, a data file cut short by a server that sends no length, one of
// another key, one without its final chunk) leave the data file byte for byte and its
// version, so the next start tries again.
TEST_F(UpdateCheckTest, FailedDataFileDownloadsKeepFileAndVersion) {
  using Kind = updatestandin::Reply::Kind;
  const std::string whole = test::dataFileOf(std::string(20000, 'd'), dir / "scratch.enc");
  std::string tampered = whole;
  tampered[30] = static_cast<char>(tampered[30] ^ 1);  // first chunk no longer authenticates
  const std::string noFinalChunk = whole.substr(0, g_dataFileHeaderBytes + g_dataFileCipherChunkBytes);
  const std::string html = "<!DOCTYPE html><html><body>Please sign in to the network to continue</body></html>";
  const updatestandin::Reply failures[] = {{404, "<html>gone</html>"},
                                           {500, "<html>oops</html>"},
                                           {200, std::string(40000, 'x'), Kind::cutBody},
                                           {200, "never sent", Kind::stallBeforeReply},
                                           {200, std::string(10, 'x'), Kind::stallMidBody},
                                           {200, html},
                                           {200, whole.substr(0, whole.size() / 2), Kind::noLength},
                                           {200, tampered},
                                           {200, noFinalChunk},
                                           {200, ""}};
  serveVersions(test::versionsJson({{"dbase", {5, 0, 0}}}));
  for (const updatestandin::Reply& reply : failures) {
    SCOPED_TRACE(fmt::format("{} {}", reply.status, reply.body.substr(0, 20)));
    server.route("/12/dbase.enc", reply);
    ASSERT_TRUE(check());
    EXPECT_EQ(test::readFile("input/dbase.enc"), "old input/dbase.enc");
    EXPECT_EQ(settings.DBASE_VERSION.value(), "4.0.0");
    EXPECT_FALSE(fs::exists(dir / "parameters.xml"));
    EXPECT_EQ(std::distance(fs::directory_iterator("input"), {}), 3);  // no partial file left
  }
}

// Liveries: a newer scan format or a missing scan result switches the rescan on;
// add-ons: only a newer format does.
TEST_F(UpdateCheckTest, ScanFormatsSwitchTheirRescanOn) {
  serveVersions(test::versionsJson({{"liveries", {3, 9, 5}}, {"addons", {4, 0, 0}}}));
  settings.LIV_SCAN_VERSION.setValue("3.10.0");
  ASSERT_TRUE(check());
  EXPECT_FALSE(settings.SCAN_LIVERIES.value);
  EXPECT_FALSE(settings.SCAN_AIRPORTS.value);
  EXPECT_TRUE(log.contains("liveries version up-to-date\naddons version up-to-date\n"));
  EXPECT_TRUE(posted.empty());

  fs::remove("output/LiveriesScanned.xml");
  serveVersions(test::versionsJson({{"liveries", {3, 9, 5}}, {"addons", {4, 0, 1}}}));
  ASSERT_TRUE(check());
  EXPECT_TRUE(settings.SCAN_LIVERIES.value);
  EXPECT_TRUE(settings.SCAN_AIRPORTS.value);
  EXPECT_TRUE(controls.isChecked(cmd::scanLiveries));
  EXPECT_TRUE(controls.isChecked(cmd::scanAirports));
  EXPECT_EQ(savedValue(dir / "parameters.xml", "SCAN_LIVERIES"), "true");
  EXPECT_EQ(savedValue(dir / "parameters.xml", "LIV_SCAN_VERSION"), "3.9.5");
  EXPECT_EQ(savedValue(dir / "parameters.xml", "ADDONS_SCAN_VERSION"), "4.0.1");
  EXPECT_TRUE(log.contains("liveries updated to 3.9.5\n"));
  EXPECT_TRUE(log.contains("addons updated to 4.0.1\n"));
  ASSERT_EQ(posted.size(), 2U);
  EXPECT_EQ(posted[0].message, WM_APP_INVALIDATE);
  EXPECT_EQ(posted[0].wParam, 1U);  // erased first
  EXPECT_EQ(posted[0].lParam, gf_packRect(g_controlsRect));
}

// The add-ons' rescan follows its format alone: a missing LiveriesScanned.xml switches
// only the liveries' rescan on.
TEST_F(UpdateCheckTest, MissingLiveriesResultLeavesTheAddOnsAlone) {
  fs::remove("output/LiveriesScanned.xml");
  serveVersions(test::versionsJson({{"liveries", {4, 0, 0}}, {"addons", {4, 0, 0}}}));
  ASSERT_TRUE(check());
  EXPECT_TRUE(settings.SCAN_LIVERIES.value);
  EXPECT_FALSE(settings.SCAN_AIRPORTS.value);
  EXPECT_FALSE(controls.isChecked(cmd::scanAirports));
  EXPECT_TRUE(log.contains("liveries updated to 4.0.0\naddons version up-to-date\n"));
  EXPECT_NE(savedValue(dir / "parameters.xml", "SCAN_AIRPORTS"), "true");
}

// Keys are taken in their order; a missing one is warned about and the rest go on.
TEST_F(UpdateCheckTest, MissingKeyIsWarnedAndTheOthersGoOn) {
  server.route("/12/dbase.enc", {200, test::dataFileOf("<root/>", dir / "scratch.enc")});
  serveVersions(test::versionsJson({{"dbase", {5, 0, 0}}, {"p3d_app", {12, 3, 0}}, {"airports", {4, 0, 0}},
                                    {"aig", {4, 0, 0}}, {"liveries", {4, 0, 0}}}));
  ASSERT_TRUE(check());
  EXPECT_TRUE(log.contains("p3d_app program version at web = 12.3.0\np3d_app version up-to-date\n"
                           "airports version up-to-date\naig version up-to-date\nliveries version up-to-date\n"
                           "==> addons version not found\n"));
  EXPECT_TRUE(log.contains("dbase updated to 5.0.0\n"));
  EXPECT_EQ(warnings(), 1);
}

// Without usable version info start-up goes on with one warning: no server, an error
// status, a server that never answers, or a page that is not JSON (a proxy's or portal's).
TEST_F(UpdateCheckTest, UnusableAnswersOnlyWarn) {
  using Kind = updatestandin::Reply::Kind;
  // {"a": [[...]]} with the innermost array at the given level (the object is level 1).
  const auto nested = [](int levels) {
    return R"({"a": )" + std::string(static_cast<std::size_t>(levels - 1), '[') +
           std::string(static_cast<std::size_t>(levels - 1), ']') + "}";
  };
  // Well-formed JSON, one byte beyond the limit.
  const std::string tooLarge = R"({"dbase": {"major": 5, "minor": 0, "patch": 0}, "x": ")" +
                               std::string(g_versionsFileMaxBytes, 'x') + "\"}";
  struct Case {
    const char* name;
    std::string base;
    updatestandin::Reply reply;
    const char* warning;
  };
  const Case cases[] = {
      {"no server", "http://127.0.0.1:1/", {200, ""}, "Downloading version info from my web site failed!"},
      {"error status", server.base(), {500, "{}"}, "Downloading version info from my web site failed!"},
      {"stalling server", server.base(), {200, "{}", Kind::stallBeforeReply}, "version info from my web site failed!"},
      {"html page", server.base(), {200, "<html><body>Please log in</body></html>"}, "is not JSON, ignored"},
      {"empty body", server.base(), {200, ""}, "is not JSON, ignored"},
      {"number beyond a double", server.base(), {200, R"({"dbase": 3.35E3232})"}, "is not JSON, ignored"},
      {"nested too deep", server.base(), {200, nested(17)}, "is not JSON, ignored: nested deeper than 16 levels"},
      {"too large", server.base(), {200, tooLarge}, "Downloading version info from my web site failed!"},
      {"too large without length", server.base(), {200, tooLarge, Kind::noLength},
       "Downloading version info from my web site failed!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = log.text();
    gf_setDownloadBase(c.base);
    server.route("/versions.json", c.reply);
    EXPECT_TRUE(check());
    EXPECT_EQ(warnings(before.size()), 1);
    EXPECT_NE(log.text().find(c.warning, before.size()), std::string::npos);
    EXPECT_FALSE(fs::exists("versions.json"));
  }
  EXPECT_EQ(settings.DBASE_VERSION.value(), "4.0.0");
  EXPECT_TRUE(log.contains(fmt::format("Download error: 'larger than {} bytes' for {}versions.json",
                                       g_versionsFileMaxBytes, server.base())));
  // As deep as the limit allows is still read.
  serveVersions(R"({"dbase": {"major": 4, "minor": 0, "patch": 0}, "b": )" + std::string(15, '[') +
                std::string(15, ']') + "}");
  EXPECT_TRUE(check());
  EXPECT_TRUE(log.contains("dbase version up-to-date\n"));
}

// A server that sends versions.json too slowly ever to finish is given up after the few
// seconds that suit a file of its size, with the real stall limits that it never trips.
TEST_F(UpdateCheckTest, TricklingVersionsFileIsGivenUp) {
  gf_setDefaultDownloadLimits({});
  server.route("/versions.json", {200, test::versionsJson({{"dbase", {5, 0, 0}}}), updatestandin::Reply::Kind::trickle});
  EXPECT_TRUE(check());
  EXPECT_TRUE(log.contains("Download error: 'Timeout was reached' for " + server.url("/versions.json") + "\n"));
  EXPECT_EQ(warnings(), 1);
  EXPECT_TRUE(log.contains("==> Downloading version info from my web site failed!\n"));
  EXPECT_EQ(test::readFile("input/dbase.enc"), "old input/dbase.enc");
}

// Well-formed JSON with a wrong member is the server's fault: it stops start-up.
TEST_F(UpdateCheckTest, WrongMembersRaise) {
  const char* bodies[] = {R"({"dbase": {"major": "5", "minor": 0, "patch": 0}})",
                          R"({"dbase": {"major": 5.5, "minor": 0, "patch": 0}})",
                          R"({"dbase": {"major": 5, "minor": 0, "patch": 2147483648}})",
                          R"({"dbase": {"major": 5, "minor": 0}})", R"({"dbase": 5})"};
  for (const char* body : bodies) {
    SCOPED_TRACE(body);
    serveVersions(body);
    EXPECT_THROW(check(), std::runtime_error);
    EXPECT_EQ(test::readFile("input/dbase.enc"), "old input/dbase.enc");
  }
  serveVersions(R"({"dbase": {"major": 5, "minor": 0, "patch": 2147483647}})");
  EXPECT_TRUE(check());
  EXPECT_EQ(settings.DBASE_VERSION.value(), "4.0.0");  // not served: the download failed
}

// Each member is a 32-bit integer: up to 2147483647 the version is taken, stored and read
// back equal at the next start; one more stops start-up and changes nothing.
TEST_F(UpdateCheckTest, VersionMembersReachTheLargest32BitInteger) {
  const std::string served = test::dataFileOf("<root>new dbase</root>", dir / "scratch.enc");
  server.route("/12/dbase.enc", {200, served});
  for (const char* member : {"major", "minor", "patch"}) {
    for (const std::int64_t value : {2147483646LL, 2147483647LL, 2147483648LL}) {
      SCOPED_TRACE(fmt::format("{} {}", member, value));
      std::map<std::string, std::int64_t> members{{"major", 5}, {"minor", 0}, {"patch", 0}};
      members[member] = value;
      const std::string web = fmt::format("{}.{}.{}", members["major"], members["minor"], members["patch"]);
      serveVersions(fmt::format(R"({{"dbase": {{"major": {}, "minor": {}, "patch": {}}}}})", members["major"],
                                members["minor"], members["patch"]));
      test::writeFile("input/dbase.enc", "old input/dbase.enc");
      settings.DBASE_VERSION.setValue("4.0.0");
      if (value > 2147483647LL) {
        EXPECT_THROW(check(), std::runtime_error);
        EXPECT_EQ(settings.DBASE_VERSION.value(), "4.0.0");
        EXPECT_EQ(test::readFile("input/dbase.enc"), "old input/dbase.enc");
        continue;
      }
      const std::size_t before = log.text().size();
      ASSERT_TRUE(check());
      EXPECT_EQ(settings.DBASE_VERSION.value(), web);
      EXPECT_EQ(test::readFile("input/dbase.enc"), served);
      ASSERT_TRUE(check());
      EXPECT_NE(log.text().find("dbase updated to " + web + "\n", before), std::string::npos);
      EXPECT_NE(log.text().find("dbase version up-to-date\n", before), std::string::npos);
    }
  }
}
