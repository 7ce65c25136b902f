#include "platform/pipe_path.h"

#include <sys/un.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/ascii_text.h"

namespace vexo::platform {

namespace {
std::filesystem::path lf_pipeFolder() {
  if (const char* dir = std::getenv("VDRK_PIPE_DIR"); dir && *dir) return dir;
  std::error_code error;
  auto temp = std::filesystem::temp_directory_path(error);
  return error ? std::filesystem::path("/tmp") : temp;
}
}  // namespace

std::optional<std::filesystem::path> gf_pipeSocketPath(std::string_view pipeName) {
  constexpr std::string_view prefix = "\\\\";
  constexpr std::string_view pipePart = "PIPE\\";
  if (!pipeName.starts_with(prefix)) return std::nullopt;
  const std::string_view rest = pipeName.substr(prefix.size());
  const auto slash = rest.find('\\');
  if (slash == std::string_view::npos || rest.substr(0, slash) != ".") return std::nullopt;
  const std::string_view afterServer = rest.substr(slash + 1);
  if (afterServer.size() <= pipePart.size() || !gf_equalsUpper(pipePart, afterServer.substr(0, pipePart.size())))
    return std::nullopt;

  std::string name(afterServer.substr(pipePart.size()));
  std::replace(name.begin(), name.end(), '\\', '_');
  std::replace(name.begin(), name.end(), '/', '_');
  if (name == "." || name == "..") return std::nullopt;
  auto path = lf_pipeFolder() / name;
  if (path.native().size() >= sizeof(sockaddr_un{}.sun_path)) return std::nullopt;
  return path;
}

}  // namespace vexo::platform
