#include "platform/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vexo::platform {

FilePtr gf_createPrivateFile(const std::filesystem::path& path) {
  // Whatever stands at the path (an old file, or a link another user planted to have the
  // plain text written elsewhere) is removed, never followed; the file is then made anew,
  // so it is ours, and its mode is given at creation so no one else can open it before.
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return nullptr;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) {
    return nullptr;
  }
  // The creation mode is narrowed by the umask only; this makes it exactly 0600.
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    ::close(fd);
  }
  return FilePtr(file);
}

}  // namespace vexo::platform
