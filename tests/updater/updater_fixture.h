// A program folder with its data files, fresh settings and an update server on loopback,
// for the update check's tests.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "datafile_encrypt.h"
#include "foundation/datafile_decrypt.h"
#include "foundation/download.h"
#include "foundation/parameters.h"
#include "foundation/run_state.h"
#include "foundation/settings.h"
#include "foundation/status_line.h"
#include "updatestandin/update_standin.h"
#include "platform/controls.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "test_support.h"
#include "updater/update_check.h"

namespace vexo::test {

namespace fs = std::filesystem;

// {"<key>": {"major": .., "minor": .., "patch": ..}, ...} in the order given.
inline std::string versionsJson(std::initializer_list<std::pair<const char*, VersionData>> entries) {
  std::string text = "{";
  for (const auto& [key, v] : entries) {
    if (text.size() > 1) text += ", ";
    text += fmt::format(R"("{}": {{"major": {}, "minor": {}, "patch": {}}})", key, v.major, v.minor, v.patch);
  }
  return text + "}";
}

// A zip archive of the entries, stored uncompressed unless another method is given (a name
// ending in "/" is a folder).
inline std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries, const fs::path& scratch,
                         zip_int32_t method = ZIP_CM_STORE) {
  int error = 0;
  zip_t* archive = zip_open(scratch.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  for (const auto& [name, bytes] : entries) {
    if (name.back() == '/') {
      zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8);
      continue;
    }
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), method, 0);
  }
  zip_close(archive);
  std::string bytes = readFile(scratch);
  fs::remove(scratch);
  return bytes;
}

// The plain text as a data file (encrypted with the program's key), as the server holds it.
inline std::string dataFileOf(const std::string& plain, const fs::path& scratch) {
  fs::path plainPath = scratch;
  plainPath += ".plain";
  writeFile(plainPath, plain);
  gf_streamEncrypt(g_dataFileKey, plainPath, scratch);
  fs::remove(plainPath);
  std::string bytes = readFile(scratch);
  fs::remove(scratch);
  return bytes;
}

// A stalled server is given up within about a second (instead of the 20 s of the real
// limits).
inline DownloadLimits quickLimits() {
  DownloadLimits limits;
  limits.lowSpeedBytesPerSecond = 1000;
  limits.lowSpeedTime = std::chrono::seconds(1);
  limits.total = std::chrono::seconds(5);
  return limits;
}

class UpdaterFixture : public ::testing::Test {
protected:
  void SetUp() override {
    gf_setDownloadBase(server.base());
    gf_setDefaultDownloadLimits(quickLimits());
    fs::create_directories("input");
    fs::create_directories("output");
    for (const char* name : {"input/airports.enc", "input/AIG-regcodes.enc", "input/dbase.enc"})
      writeFile(name, std::string("old ") + name);
    writeFile("output/LiveriesScanned.xml", "<root/>");
    for (StringSetting* s : {&settings.AIRPORTS_VERSION, &settings.AIG_VERSION, &settings.DBASE_VERSION,
                             &settings.LIV_SCAN_VERSION, &settings.ADDONS_SCAN_VERSION})
      s->setValue("4.0.0");
    settings.SCAN_LIVERIES.value = false;
    settings.SCAN_AIRPORTS.value = false;
    platform::gf_setShellOpener([this](const fs::path& folder) {
      opened.push_back(folder);
      return explorerWorks;
    });
    platform::gf_setMessageBoxSink(
        [this](std::string_view text, std::string_view, platform::MessageIcon) { boxes.emplace_back(text); });
    platform::gf_setMainWindowPoster([this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
      posted.push_back({message, wParam, lParam});
    });
    resetRunFlags();
  }
  void TearDown() override {
    gf_setDownloadBase(previousBase);
    gf_setDefaultDownloadLimits({});
    platform::gf_setShellOpener({});
    platform::gf_setMessageBoxSink({});
    platform::gf_setMainWindowPoster({});
    resetRunFlags();
  }
  static void resetRunFlags() {
    g_closing = false;
    g_exitReason = ExitReason::notYetSet;
    g_restartDelay = 5;
    g_statusLine.reset();
  }

  void serveVersions(const std::string& json) { server.route("/versions.json", {200, json}); }
  bool check() { return gf_checkVersions(store); }
  // Warnings logged from the offset on.
  int warnings(std::size_t from = 0) const {
    const std::string text = log.text();
    int count = 0;
    for (auto at = text.find("==> ", from); at != std::string::npos; at = text.find("==> ", at + 1)) ++count;
    return count;
  }

  struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };

  TempDir dir;
  ScopedCwd cwd{dir.path()};
  LogCapture log;
  updatestandin::UpdateStandIn server;
  SettingsState settings;
  ParametersStore store{settings, dir / "parameters.xml"};
  platform::HeadlessControls controls;
  platform::ScopedControls scopedControls{controls};
  std::vector<fs::path> opened;
  bool explorerWorks = true;
  std::vector<std::string> boxes;
  std::vector<Posted> posted;
  const std::string previousBase = gf_downloadBase();
};

}  // namespace vexo::test
