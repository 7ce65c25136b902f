// The program installer of a newer version: downloaded as an archive, unpacked and staged
// in the folder new_version for the user to run.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "foundation/version.h"

namespace vexo {

// Downloads <base>release/Vendrake_P3D/latest_version.zip into the working folder, unpacks
// it into install_new_version.exe (each file entry in turn, so the last one stays; entry
// names are never used as paths) and moves that into new_version, which is emptied first.
// True only when new_version/install_new_version.exe holds a complete, non-empty installer.
// Any failure leaves no installer behind, neither in the working folder nor in new_version.
// Throws std::filesystem::filesystem_error when new_version cannot be created.
bool gf_downloadNewVersion(const VersionData& web);

// The installer archive: at most 512 MiB within 30 minutes. What is unpacked from it is held
// to the same size.
inline constexpr std::uint64_t g_installerMaxBytes = 512ULL * 1024 * 1024;
inline constexpr std::chrono::milliseconds g_installerTotalTime = std::chrono::minutes(30);

// Unpacks each file entry of the archive into exe in turn (read-only, in chunks of 0x80000
// bytes); false after a warning when the archive, an entry or exe fails, or when the
// entries together unpack to more than maxBytes (whatever sizes the archive claims). exe
// may then hold part of an entry.
bool gf_unzipInstaller(const std::filesystem::path& zipPath, const std::filesystem::path& exe,
                       std::uint64_t maxBytes);

}  // namespace vexo
