#include "platform/known_folders.h"

#include <cstdlib>
#include <string>

namespace vexo::platform {

namespace {

std::optional<std::filesystem::path> lf_env(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read-only use
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::filesystem::path(value);
}

std::optional<std::filesystem::path> lf_inHome(const char* name) {
  auto home = lf_env("HOME");
  if (!home) return std::nullopt;
  return *home / name;
}

}  // namespace

std::optional<std::filesystem::path> gf_knownFolderPath(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::roamingAppData:
      if (auto p = lf_env("VDRK_APPDATA")) return p;
      if (auto p = lf_env("XDG_CONFIG_HOME")) return p;
      return lf_inHome(".config");
    case KnownFolder::documents:
      if (auto p = lf_env("VDRK_DOCUMENTS")) return p;
      return lf_inHome("Documents");
    case KnownFolder::publicDocuments:
      if (auto p = lf_env("VDRK_PUBLIC_DOCUMENTS")) return p;
      return lf_inHome("Public");
    case KnownFolder::programFiles:
      if (auto p = lf_env("VDRK_PROGRAM_FILES")) return p;
      return std::filesystem::path("/opt");
    case KnownFolder::programFilesX86:
      if (auto p = lf_env("VDRK_PROGRAM_FILES_X86")) return p;
      return std::filesystem::path("/usr");
  }
  return std::nullopt;
}

}  // namespace vexo::platform
