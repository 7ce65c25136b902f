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

TEST(SingleInstance, EnvironmentChoosesTheLockFile) {
  ::setenv("VDRK_INSTANCE_LOCK", "/tmp/own.lock", 1);
  EXPECT_EQ(gf_singleInstanceLockPath(), "/tmp/own.lock");
  ::unsetenv("VDRK_INSTANCE_LOCK");
  EXPECT_EQ(gf_singleInstanceLockPath().extension(), ".lock");
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

TEST(SingleInstance, WithoutARuntimeFolderTheLockStaysInTheUsersOwnFolder) {
  vexo::test::TempDir dir;
  const ScopedEnv own("VDRK_INSTANCE_LOCK", nullptr);
  const ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  const ScopedEnv appData("VDRK_APPDATA", dir.path().c_str());
  const auto path = gf_singleInstanceLockPath();
  EXPECT_EQ(path, dir / "Vendrake_P3D.lock");  // not a shared folder another user can write to
  // A link planted at the path is not followed.
  std::filesystem::create_symlink(dir / "elsewhere.lock", path);
  SingleInstanceLock lock;
  EXPECT_EQ(lock.tryAcquire(path), InstanceLockResult::failed);
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.lock"));
}
