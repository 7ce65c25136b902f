#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/known_folders.h"

namespace vexo::platform {

std::filesystem::path gf_singleInstanceLockPath() {
  if (const char* own = std::getenv("VDRK_INSTANCE_LOCK"); own && *own) return own;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return std::filesystem::path(runtime) / "Vendrake_P3D.lock";
  // Never a shared folder such as /tmp: another user could create the file first and
  // hold the lock, and this program would never start.
  if (const auto folder = gf_knownFolderPath(KnownFolder::roamingAppData)) return *folder / "Vendrake_P3D.lock";
  return {};
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SingleInstanceLock& SingleInstanceLock::operator=(SingleInstanceLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

InstanceLockResult SingleInstanceLock::tryAcquire(const std::filesystem::path& lockFile) {
  if (fd_ >= 0) return InstanceLockResult::acquired;
  // Close-on-exec: a child (a browser, the shell) must not keep the lock alive.
  // A link at the path is not followed: the lock is a file of this user's own.
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return InstanceLockResult::failed;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    fd_ = fd;
    return InstanceLockResult::acquired;
  }
  const int error = errno;
  ::close(fd);
  return error == EWOULDBLOCK ? InstanceLockResult::heldElsewhere : InstanceLockResult::failed;
}

}  // namespace vexo::platform
