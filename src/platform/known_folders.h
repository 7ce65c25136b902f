// The user's and the system's well-known folders.
//
// Each folder can be set by an environment variable (VDRK_APPDATA, VDRK_DOCUMENTS,
// VDRK_PUBLIC_DOCUMENTS, VDRK_PROGRAM_FILES, VDRK_PROGRAM_FILES_X86); without it the usual
// place is taken: $XDG_CONFIG_HOME or ~/.config, ~/Documents, ~/Public, /opt, /usr.
#pragma once

#include <filesystem>
#include <optional>

namespace vexo::platform {

enum class KnownFolder { roamingAppData, documents, publicDocuments, programFiles, programFilesX86 };

// The folder's path (whether it exists or not); empty when it cannot be told (no home folder).
std::optional<std::filesystem::path> gf_knownFolderPath(KnownFolder folder);

}  // namespace vexo::platform
