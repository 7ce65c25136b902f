#include "foundation/install_query.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <string_view>

#include "foundation/charset.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "platform/known_folders.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace vexo {

namespace fs = std::filesystem;

namespace {

std::mutex g_installFlagsMutex;  // guards g_installFlags
std::optional<SimInstallFlags> g_installFlags;

bool lf_startsWith(std::string_view text, std::string_view prefix) {
  return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

bool lf_inProgramFiles(const fs::path& folder) {
  const std::string text = gf_pathToUtf8(folder);
  for (auto known : {platform::KnownFolder::programFiles, platform::KnownFolder::programFilesX86}) {
    if (auto p = platform::gf_knownFolderPath(known); p && lf_startsWith(text, gf_pathToUtf8(*p))) return true;
  }
  return false;
}

// Writes one byte into a temporary file of the folder, which goes again at once.
bool lf_writable(const fs::path& folder) {
  const fs::path probe = folder / ".write_test.tmp";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  const char zero = 0;
  const bool wrote = ::write(fd, &zero, 1) == 1;
  ::close(fd);
  ::unlink(probe.c_str());
  return wrote;
}

bool lf_openOrTell(const fs::path& file, const char* failureText) {
  if (platform::gf_openExplorerAt(file)) return true;
  gf_logWarning(failureText);
  platform::gf_messageBox(failureText, "VDRK", platform::MessageIcon::exclamation);
  return false;
}

}  // namespace

std::string gf_p3dRegistryKey(int version) {
  if (version == 5) return "SOFTWARE\\Lockheed Martin\\Prepar3D v5";
  if (version == 6) return "SOFTWARE\\Lockheed Martin\\Prepar3D v6";
  return {};
}

bool gf_isP3DInstalled(int version) {
  const std::string key = gf_p3dRegistryKey(version);
  return !key.empty() && platform::RegistryKey::open(platform::RegistryRoot::localMachine, key).has_value();
}

std::string gf_getP3DSetupPath(int version) {
  const std::string key = gf_p3dRegistryKey(version);
  if (key.empty()) return {};
  const auto opened = platform::RegistryKey::open(platform::RegistryRoot::localMachine, key);
  if (!opened) return {};
  return opened->readString("SetupPath").value_or(std::string());
}

std::string gf_getP3dMajorVersion() {
  const std::string path = g_settings.SIM_INSTALL_PATH.value();
  if (path.find("v5") != std::string::npos || path.find("V5") != std::string::npos) return "5";
  if (path.find("v6") != std::string::npos || path.find("V6") != std::string::npos) return "6";
  if (g_settings.P3D_VERSION.value >= 5) return std::to_string(g_settings.P3D_VERSION.value);
  throw UserErrorException(
      77, "P3D install path does not contain v5 or v6. Use hidden parameter P3D_VERSION, set it to 5 or 6.");
}

SimInstallFlags gf_simInstallFlags() {
  std::lock_guard lock(g_installFlagsMutex);
  if (!g_installFlags) g_installFlags = SimInstallFlags{gf_isP3DInstalled(5), gf_isP3DInstalled(6)};
  return *g_installFlags;
}

void gf_resetSimInstallFlags() {
  std::lock_guard lock(g_installFlagsMutex);
  g_installFlags.reset();
}

std::string gf_newVersionNotice(const fs::path& folder) {
  if (lf_inProgramFiles(folder) && !lf_writable(folder) && ::geteuid() != 0) {
    return "A new version is available. Run the installer as Administrator";
  }
  return "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";
}

bool gf_openParametersFolder() {
  return lf_openOrTell(gf_parametersPath(), "Could not open folder with parameters.xml");
}

bool gf_openManual() {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  return lf_openOrTell(cwd / g_docsFolder / "Manual.pdf", "Could not open local folder with Manual");
}

}  // namespace vexo
