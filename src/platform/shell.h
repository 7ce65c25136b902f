// Opens a folder or a document with the desktop's handler (xdg-open), for the user to look
// at or fix something by hand.
#pragma once

#include <filesystem>
#include <functional>

namespace vexo::platform {

// True when the handler could be started; it runs on its own, the call does not wait.
bool gf_shellOpen(const std::filesystem::path& target);

// Opens, in the desktop's file manager, the folder that holds file. False without calling
// the handler when the file does not exist or has no parent folder.
bool gf_openExplorerAt(const std::filesystem::path& file);

// Replaces the handler (tests record the calls); an empty function goes back to xdg-open.
using ShellOpener = std::function<bool(const std::filesystem::path&)>;
void gf_setShellOpener(ShellOpener opener);

}  // namespace vexo::platform
