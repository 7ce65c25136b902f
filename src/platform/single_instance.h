// One copy of the program per user: a lock on a file that the system frees when the
// process ends, however it ends.
#pragma once

#include <filesystem>

namespace vexo::platform {

enum class InstanceLockResult {
  acquired,        // this process is the one copy
  heldElsewhere,   // another copy runs: the caller ends at once
  failed,          // the lock could not be tried; the program goes on without it
};

// Where the lock lives, always in a folder of this user's own: $VDRK_INSTANCE_LOCK when
// set (tests use their own file), else "Vendrake_P3D.lock" in $XDG_RUNTIME_DIR, else in
// the user's settings folder (~/.config). Empty when there is no such folder: the lock
// then fails and the program goes on without it.
std::filesystem::path gf_singleInstanceLockPath();

// Holds an exclusive lock on one file while it lives. Move-only.
class SingleInstanceLock {
public:
  SingleInstanceLock() = default;
  ~SingleInstanceLock();
  SingleInstanceLock(SingleInstanceLock&& other) noexcept;
  SingleInstanceLock& operator=(SingleInstanceLock&& other) noexcept;
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // Tries the lock without waiting. Locks belong to the open file, so a second try in
  // the same process through another object is refused as well.
  InstanceLockResult tryAcquire(const std::filesystem::path& lockFile);
  bool held() const { return fd_ >= 0; }

private:
  int fd_ = -1;
};

}  // namespace vexo::platform
