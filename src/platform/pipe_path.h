// Where a named pipe of the form \\server\pipe\name lives on this system: a Unix-domain
// stream socket named after the pipe name, in the folder $VDRK_PIPE_DIR (else the
// temporary folder). Only the local server "." has pipes here.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace vexo::platform {

// The socket path of a pipe name; nullopt for a malformed name, a server other than "."
// or a path too long for a socket address.
std::optional<std::filesystem::path> gf_pipeSocketPath(std::string_view pipeName);

}  // namespace vexo::platform
