#include "platform/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vexo::platform {

namespace {

std::string lf_errorText(int error) { return std::generic_category().message(error); }

}  // namespace

std::string gf_writeDurably(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return lf_errorText(errno);
  std::string error;
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      error = lf_errorText(errno);
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  // A full disk may show only here, when the file system allocates the delayed blocks.
  if (error.empty() && ::fsync(fd) != 0) error = lf_errorText(errno);
  if (::close(fd) != 0 && error.empty()) error = lf_errorText(errno);
  return error;
}

void gf_syncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace vexo::platform
