#include "updater/installer_download.h"

#include <fmt/format.h>
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "foundation/charset.h"
#include "foundation/download.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/status_line.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

const fs::path kZipPath = "latest_version.zip";
constexpr std::size_t kUnzipChunk = 0x80000;

struct ArchiveDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveDiscard>;

// False (with a warning) when an installer that is there cannot be removed.
bool lf_removeOldInstaller(const fs::path& exe) {
  std::error_code ec;
  fs::remove(exe, ec);
  if (ec) gf_logWarning(fmt::format("Warning: could not remove old installer: {}", ec.message()));
  return !ec;
}

void lf_removeQuietly(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

// What may still be unpacked, and whether an entry went beyond it.
struct UnpackBudget {
  std::uint64_t left;
  bool exceeded = false;
};

// Copies one entry into out, chunk by chunk, within the budget; 0 or libzip's error code
// (ZIP_ER_WRITE with budget.exceeded set when the entry unpacks beyond it).
int lf_copyEntry(zip_t* archive, zip_uint64_t index, std::ofstream& out, std::vector<char>& buffer,
                 UnpackBudget& budget) {
  zip_file_t* file = zip_fopen_index(archive, index, 0);
  if (!file) return zip_error_code_zip(zip_get_error(archive));
  int error = 0;
  for (;;) {
    const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
    if (n < 0) {
      error = zip_error_code_zip(zip_file_get_error(file));
      break;
    }
    if (n == 0) break;
    if (static_cast<std::uint64_t>(n) > budget.left) {
      budget.exceeded = true;
      error = ZIP_ER_WRITE;
      break;
    }
    budget.left -= static_cast<std::uint64_t>(n);
    if (!out.write(buffer.data(), static_cast<std::streamsize>(n))) {
      error = ZIP_ER_WRITE;
      break;
    }
  }
  const int closeError = zip_fclose(file);
  if (error == 0) error = closeError;
  if (error == 0 && !out.flush()) error = ZIP_ER_WRITE;
  return error;
}

}  // namespace

bool gf_unzipInstaller(const fs::path& zipPath, const fs::path& exe, std::uint64_t maxBytes) {
  int openError = 0;
  const Archive archive(zip_open(zipPath.c_str(), ZIP_RDONLY, &openError));
  if (!archive) {
    gf_logWarning(fmt::format("Could not open {}", gf_pathToUtf8(zipPath)));
    return false;
  }
  std::vector<char> buffer(kUnzipChunk);
  UnpackBudget budget{maxBytes};
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(archive.get(), index, 0);
    if (!name) {
      gf_logWarning(fmt::format("Unzipping error code: {}", zip_error_code_zip(zip_get_error(archive.get()))));
      return false;
    }
    // A folder entry has no content: written out it would leave an empty installer.
    if (const std::string_view entry(name); !entry.empty() && entry.back() == '/') continue;
    if (!lf_removeOldInstaller(exe)) return false;
    std::ofstream out(exe, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
      gf_logWarning(fmt::format("Could not create output file {}", gf_pathToUtf8(exe)));
      return false;
    }
    if (const int error = lf_copyEntry(archive.get(), index, out, buffer, budget); error != 0) {
      if (budget.exceeded) {
        gf_logWarning(fmt::format("{} unpacks to more than {} bytes", gf_pathToUtf8(zipPath), maxBytes));
      } else {
        gf_logWarning(fmt::format("Unzipping error code: {}", error));
      }
      return false;
    }
    gf_log(fmt::format("{} unzipped to {}", gf_pathToUtf8(zipPath), gf_pathToUtf8(exe)));
  }
  return true;
}

namespace {

// new_version exists and is empty, so an installer staged by an earlier run cannot pass
// for this one.
void lf_prepareNewVersionFolder() {
  std::error_code ec;
  if (!fs::exists(g_newVersionFolder)) {
    fs::create_directory(g_newVersionFolder, ec);
    if (ec) throw fs::filesystem_error("create_directory", g_newVersionFolder, ec);
  } else {
    gf_removeFilesFromDirectory(g_newVersionFolder);
  }
}

// Moves the unpacked installer into new_version through a ".part" name, checking that
// the move kept its size.
bool lf_stageInstaller(const fs::path& exe) {
  const fs::path final = g_newVersionFolder / exe.filename();
  fs::path part = final;
  part += ".part";
  lf_removeQuietly(part);
  lf_removeQuietly(final);
  std::error_code ec;
  const auto s0 = fs::file_size(exe, ec);
  if (ec) {
    gf_log(fmt::format("file_size({}) failed: {}", gf_pathToUtf8(exe), ec.message()));
    lf_removeQuietly(exe);
    return false;
  }
  fs::rename(exe, part, ec);
  if (ec) {
    gf_log(fmt::format("could not rename {} => {}: {}", gf_pathToUtf8(exe), gf_pathToUtf8(part), ec.message()));
    lf_removeQuietly(exe);
    return false;
  }
  const auto s1 = fs::file_size(part, ec);
  if (ec) {
    gf_log(fmt::format("file_size({}) failed: {}", gf_pathToUtf8(part), ec.message()));
    lf_removeQuietly(part);
    return false;
  }
  if (s1 != s0) {
    gf_log(fmt::format("rename {} => {} suspicious: size {} != {}", gf_pathToUtf8(part), gf_pathToUtf8(final), s1, s0));
    lf_removeQuietly(part);
    return false;
  }
  fs::rename(part, final, ec);
  if (ec) {
    gf_log(fmt::format("could not finalize rename {} => {}: {}", gf_pathToUtf8(part), gf_pathToUtf8(final),
                       ec.message()));
    lf_removeQuietly(part);
    return false;
  }
  fs::remove(exe, ec);
  if (ec) gf_logWarning(fmt::format("Warning: could not remove extracted: {}", ec.message()));
  return true;
}

}  // namespace

bool gf_downloadNewVersion(const VersionData& web) {
  const fs::path exe = g_newVersionExe;
  // A stale installer of an earlier run must never be staged in place of this one.
  bool ok = lf_removeOldInstaller(exe);
  if (ok) {
    Downloader downloader;
    const DownloadLimits limits = gf_downloadLimits(g_installerMaxBytes, g_installerTotalTime);
    downloader.setLimits(limits);
    const std::string releaseBase = gf_downloadBase() + "release/";
    const std::string url = fmt::format("{}{}/{}", releaseBase, g_programName, kZipPath.string());
    ok = downloader.download(url, kZipPath, true);
    if (!ok) {
      gf_setStatus(fmt::format("Downloading program installer file version {} failed", web.toString()), true);
    } else {
      gf_log(fmt::format("Downloaded {}", gf_pathToUtf8(kZipPath)));
      ok = gf_unzipInstaller(kZipPath, exe, limits.maxBytes);
    }
  }
  lf_prepareNewVersionFolder();
  std::error_code ec;
  fs::remove(kZipPath, ec);
  if (ec) gf_logWarning(fmt::format("Warning: could not remove downloaded zip: {}", ec.message()));

  if (!ok) {
    lf_removeQuietly(exe);
    return false;
  }
  if (!fs::exists(exe, ec)) {
    gf_logWarning(fmt::format("{} does not exists?", gf_pathToUtf8(exe)));
    return false;
  }
  if (fs::file_size(exe, ec) == 0 && !ec) {
    gf_logWarning(fmt::format("{} is empty", gf_pathToUtf8(exe)));
    lf_removeQuietly(exe);
    return false;
  }
  return lf_stageInstaller(exe);
}

}  // namespace vexo
