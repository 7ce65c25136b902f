#include "updater/installer_download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "foundation/error.h"
#include "foundation/install_query.h"
#include "updater_fixture.h"

using namespace vexo;
class InstallerTest : public test::UpdaterFixture {};
namespace fs = std::filesystem;

namespace {
constexpr const char* kZipRoute = "/release/Vendrake_P3D/latest_version.zip";
constexpr const char* kNotesRoute = "/docs/ReleaseNotes.pdf";
const fs::path kStaged = fs::path("new_version") / "install_new_version.exe";
}  // namespace

// A newer program: its installer, the release notes and the notice are staged in
// new_version, the folder is shown, and the program closes with NEW VERSION at once.
TEST_F(InstallerTest, NewerProgramIsStagedAndTheProgramCloses) {
  // Two entries each end up in the installer in turn: the last one stays; a folder entry
  // after it changes nothing.
  server.route(kZipRoute, {200, test::zipOf({{"a.exe", "first"}, {"setup.exe", "the installer"}, {"sub/", ""}},
                                             dir / "scratch.zip")});
  server.route(kNotesRoute, {200, "%PDF notes"});
  server.route("/12/dbase.enc", {200, "new dbase"});
  for (const VersionData web : {VersionData{12, 3, 1}, VersionData{12, 4, 0}, VersionData{13, 0, 0}}) {
    SCOPED_TRACE(web.toString());
    resetRunFlags();
    test::writeFile("install_new_version.exe", "stale from an earlier run");
    serveVersions(test::versionsJson({{"p3d_app", web}, {"dbase", {5, 0, 0}}}));
    opened.clear();
    EXPECT_FALSE(check());
    EXPECT_EQ(test::readFile(kStaged), "the installer");
    EXPECT_EQ(test::readFile("new_version/ReleaseNotes.pdf"), "%PDF notes");
    EXPECT_EQ(test::readFile("new_version/README.txt"), gf_newVersionNotice(fs::current_path()) + "\n");
    EXPECT_EQ(std::distance(fs::directory_iterator("new_version"), {}), 3);
    EXPECT_EQ(opened, std::vector<fs::path>{fs::current_path() / "new_version"});
    EXPECT_TRUE(g_closing);
    EXPECT_EQ(g_exitReason.load(), ExitReason::newVersion);
    EXPECT_EQ(g_restartDelay.load(), 0);
    EXPECT_FALSE(fs::exists("install_new_version.exe"));
    EXPECT_FALSE(fs::exists("latest_version.zip"));
    EXPECT_EQ(test::readFile("input/dbase.enc"), "old input/dbase.enc");  // later keys wait
    EXPECT_TRUE(log.contains("p3d_app program version at web = " + web.toString() + "\n"));
  }
  EXPECT_TRUE(boxes.empty());

  // The same version is no update; nor is an older one.
  for (const VersionData web : {VersionData{12, 3, 0}, VersionData{12, 2, 9}}) {
    resetRunFlags();
    serveVersions(test::versionsJson({{"p3d_app", web}}));
    EXPECT_TRUE(check());
    EXPECT_FALSE(g_closing);
  }
  EXPECT_TRUE(log.contains("p3d_app version up-to-date\n"));
}

// Without release notes or a file manager the installer is still staged; the user is
// told where to look.
TEST_F(InstallerTest, MissingNotesAndFileManagerOnlyWarn) {
  server.route(kZipRoute, {200, test::zipOf({{"setup.exe", "the installer"}}, dir / "scratch.zip")});
  serveVersions(test::versionsJson({{"p3d_app", {12, 3, 1}}}));
  explorerWorks = false;
  EXPECT_FALSE(check());
  EXPECT_EQ(test::readFile(kStaged), "the installer");
  EXPECT_FALSE(fs::exists("new_version/ReleaseNotes.pdf"));
  EXPECT_TRUE(log.contains("==> could not download ReleaseNotes.pdf to " + (fs::current_path() / "new_version").string()));
  EXPECT_EQ(boxes, std::vector<std::string>{"Could not open File Explorer at new version"});
  EXPECT_EQ(g_statusLine.texts().status,
            "Opening file explorer at the new version failed? Try manually via the Morvelt website.");
  EXPECT_EQ(g_exitReason.load(), ExitReason::newVersion);
}

// Every failure ends with error 112 and stages nothing, not even an installer left by an
// earlier run in the working folder or in new_version.
TEST_F(InstallerTest, InstallerFailuresEndWithError112AndStageNothing) {
  using Kind = updatestandin::Reply::Kind;
  const std::string good = test::zipOf({{"setup.exe", std::string(3000, 'i')}}, dir / "scratch.zip");
  std::string badCrc = good;
  badCrc[badCrc.find(std::string(3000, 'i')) + 1500] = 'X';
  struct Case {
    const char* name;
    updatestandin::Reply reply;
  };
  const Case cases[] = {
      {"not found", {404, "<html>gone</html>"}},
      {"server error", {500, "<html>oops</html>"}},
      {"cut off", {200, good, Kind::cutBody}},
      {"stalled", {200, good, Kind::stallMidBody}},
      {"not an archive", {200, "<html>Please log in</html>"}},
      {"no entries", {200, std::string("PK\x05\x06", 4) + std::string(18, '\0')}},
      {"only a folder", {200, test::zipOf({{"setup/", ""}}, dir / "scratch.zip")}},
      {"empty entry", {200, test::zipOf({{"setup.exe", ""}}, dir / "scratch.zip")}},
      {"damaged entry", {200, badCrc}},
  };
  server.route(kNotesRoute, {200, "%PDF notes"});
  serveVersions(test::versionsJson({{"p3d_app", {12, 4, 0}}}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetRunFlags();
    server.route(kZipRoute, c.reply);
    test::writeFile("install_new_version.exe", "stale from an earlier run");
    fs::create_directories("new_version");
    test::writeFile(kStaged, "staged by an earlier run");
    EXPECT_THAT([this] { check(); },
                ::testing::ThrowsMessage<UserErrorException>(::testing::StrEq(
                    "112: The downloading/unzipping of the new version failed? Try manually via the Morvelt website")));
    EXPECT_FALSE(fs::exists(kStaged));
    EXPECT_FALSE(fs::exists("install_new_version.exe"));
    EXPECT_FALSE(fs::exists("latest_version.zip"));
    EXPECT_FALSE(g_closing);
  }
  EXPECT_TRUE(log.contains("Downloading program installer file version 12.4.0 failed\n"));
  EXPECT_TRUE(log.contains("==> Could not open latest_version.zip\n"));
  EXPECT_TRUE(log.contains("==> Unzipping error code: 7\n"));  // the CRC check
}

// What is unpacked is held to the installer download's size limit (here lowered to 1 MiB):
// a small archive whose entry, or whose entries together, unpack beyond it end with error
// 112 and stage nothing; an installer of exactly the limit is staged.
TEST_F(InstallerTest, UnpackingBeyondTheDownloadLimitFails) {
  constexpr std::size_t kLimit = 1024 * 1024;
  DownloadLimits limits = test::quickLimits();
  limits.maxBytes = kLimit;
  gf_setDefaultDownloadLimits(limits);
  const auto deflated = [this](std::vector<std::pair<std::string, std::string>> entries) {
    return test::zipOf(entries, dir / "scratch.zip", ZIP_CM_DEFLATE);
  };
  const std::string oneTooMany = deflated({{"setup.exe", std::string(kLimit + 1, '\0')}});
  ASSERT_LT(oneTooMany.size(), kLimit / 100);  // the archive itself is well within the limit
  const std::pair<const char*, std::string> bombs[] = {
      {"one entry", oneTooMany},
      {"two entries", deflated({{"a.exe", std::string(kLimit / 2 + 1, 'a')}, {"b.exe", std::string(kLimit / 2, 'b')}})},
  };
  serveVersions(test::versionsJson({{"p3d_app", {12, 4, 0}}}));
  for (const auto& [name, zip] : bombs) {
    SCOPED_TRACE(name);
    resetRunFlags();
    server.route(kZipRoute, {200, zip});
    fs::create_directories("new_version");
    test::writeFile(kStaged, "staged by an earlier run");
    EXPECT_THAT([this] { check(); }, ::testing::ThrowsMessage<UserErrorException>(::testing::StartsWith("112: ")));
    EXPECT_FALSE(fs::exists(kStaged));
    EXPECT_FALSE(fs::exists("install_new_version.exe"));
    EXPECT_FALSE(fs::exists("latest_version.zip"));
    EXPECT_TRUE(fs::is_empty("new_version"));
  }
  EXPECT_TRUE(log.contains("==> latest_version.zip unpacks to more than 1048576 bytes\n"));

  resetRunFlags();
  server.route(kZipRoute, {200, deflated({{"setup.exe", std::string(kLimit, 'i')}})});
  EXPECT_FALSE(check());
  EXPECT_EQ(fs::file_size(kStaged), kLimit);
}

// An installer that cannot even be written (a folder stands in its way) is a failure too.
TEST_F(InstallerTest, UnwritableInstallerIsAFailure) {
  server.route(kZipRoute, {200, test::zipOf({{"setup.exe", "the installer"}}, dir / "scratch.zip")});
  fs::create_directories("install_new_version.exe/inside");
  EXPECT_FALSE(gf_downloadNewVersion({12, 4, 0}));
  EXPECT_TRUE(log.contains("==> Warning: could not remove old installer: "));
  EXPECT_FALSE(fs::exists(kStaged));
}
