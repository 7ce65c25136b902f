#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
