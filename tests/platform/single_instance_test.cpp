#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "test_support.h"

using namespace vexo::platform;

TEST(SingleInstance, SecondLockOnTheSameFileIsRefusedUntilTheFirstEnds) {
  vexo::test::TempDir dir;
  const auto file = dir / "app.lock";
  SingleInstanceLock first;
  ASSERT_EQ(first.tryAcquire(file), InstanceLockResult::acquired);
  {
    SingleInstanceLock second;
    EXPECT_EQ(second.tryAcquire(file), InstanceLockResult::heldElsewhere);
    EXPECT_FALSE(second.held());
  }
  SingleInstanceLock moved = std::move(first);
  EXPECT_TRUE(moved.held());
  EXPECT_FALSE(first.held());
  moved = SingleInstanceLock();  // releases
  SingleInstanceLock third;
  EXPECT_EQ(third.tryAcquire(file), InstanceLockResult::acquired);
}

TEST(SingleInstance, UnusableLockFileIsAFailureNotAnotherInstance) {
  vexo::test::TempDir dir;
  SingleInstanceLock lock;
  EXPECT_EQ(lock.tryAcquire(dir / "missing" / "app.lock"), InstanceLockResult::failed);
}

namespace {
// Sets or clears one environment variable while it lives.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  const char* name_;
  std::optional<std::string> old_;
};
}  // namespace

// The lock is always in a folder of the user's own, never in a shared one such as /tmp
// where another user could create it first.
TEST(SingleInstance, EnvironmentChoosesTheLockFileInAFolderOfTheUsersOwn) {
  vexo::test::TempDir dir;
  struct Case {
    const char *own, *runtime, *appData, *home;
    std::filesystem::path expected;
  };
  const Case cases[] = {
      {"/tmp/own.lock", "/run/user/7", nullptr, "/home/pilot", "/tmp/own.lock"},
      {nullptr, "/run/user/7", nullptr, "/home/pilot", "/run/user/7/Vendrake_P3D.lock"},
      {nullptr, nullptr, dir.path().c_str(), "/home/pilot", dir / "Vendrake_P3D.lock"},
      {nullptr, nullptr, nullptr, "/home/pilot", "/home/pilot/.config/Vendrake_P3D.lock"},
      {nullptr, nullptr, nullptr, nullptr, {}},  // nowhere of its own: no lock
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    const ScopedEnv own("VDRK_INSTANCE_LOCK", c.own), runtime("XDG_RUNTIME_DIR", c.runtime),
        appData("VDRK_APPDATA", c.appData), config("XDG_CONFIG_HOME", nullptr), home("HOME", c.home);
    EXPECT_EQ(gf_singleInstanceLockPath(), c.expected);
  }
  // A link planted at the path is not followed.
  std::filesystem::create_symlink(dir / "elsewhere.lock", dir / "Vendrake_P3D.lock");
  SingleInstanceLock lock;
  EXPECT_EQ(lock.tryAcquire(dir / "Vendrake_P3D.lock"), InstanceLockResult::failed);
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.lock"));
}
