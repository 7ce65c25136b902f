#include "foundation/install_query.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "foundation/paths.h"
#include "platform/registry.h"
#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

const char* const kV5 = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n\"SetupPath\"=\"D:\\\\P3Dv5\\\\\"\n";
const char* const kV6 = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v6]\n\"SetupPath\"=\"E:\\\\P3Dv6\\\\\"\n";
const char* const kV6NoPath = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v6]\n\"Other\"=\"x\"\n";

// Points the registry at a file for one test and forgets the flags asked before.
struct ScopedRegistry {
  explicit ScopedRegistry(const fs::path& file) {
    platform::gf_setRegistryFile(file);
    gf_resetSimInstallFlags();
  }
  ~ScopedRegistry() {
    platform::gf_setRegistryFile(std::nullopt);
    gf_resetSimInstallFlags();
  }
};

}  // namespace

TEST(InstallQuery, EachCombinationOfInstalledVersions) {
  struct Case {
    const char* name;
    std::string registry;  // empty: no registry file at all
    bool v5, v6;
    const char *path5, *path6;
  };
  const Case cases[] = {
      {"none", "", false, false, "", ""},
      {"v5", kV5, true, false, "D:\\P3Dv5\\", ""},
      {"v6", kV6, false, true, "", "E:\\P3Dv6\\"},
      {"both", std::string(kV5) + kV6, true, true, "D:\\P3Dv5\\", "E:\\P3Dv6\\"},
      {"v6 without a path", kV6NoPath, false, true, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    if (!c.registry.empty()) test::writeFile(dir / "reg.reg", c.registry);
    ScopedRegistry registry(dir / "reg.reg");
    EXPECT_EQ(gf_simInstallFlags().v5, c.v5);
    EXPECT_EQ(gf_simInstallFlags().v6, c.v6);
    EXPECT_EQ(gf_isP3DInstalled(6), c.v6);
    EXPECT_EQ(gf_getP3DSetupPath(5), c.path5);
    EXPECT_EQ(gf_getP3DSetupPath(6), c.path6);
    EXPECT_FALSE(gf_isP3DInstalled(4));
    EXPECT_EQ(gf_getP3DSetupPath(7), "");
  }
}

TEST(InstallQuery, FlagsAreAskedOnceUntilReset) {
  test::TempDir dir;
  test::writeFile(dir / "reg.reg", "");
  ScopedRegistry registry(dir / "reg.reg");
  EXPECT_FALSE(gf_simInstallFlags().v5);
  test::writeFile(dir / "reg.reg", kV5);
  EXPECT_FALSE(gf_simInstallFlags().v5);
  gf_resetSimInstallFlags();
  EXPECT_TRUE(gf_simInstallFlags().v5);
}

TEST(NewVersionNotice, AdministratorOnlyForAnUnwritableSystemFolder) {
  test::TempDir programFiles;
  ::setenv("VDRK_PROGRAM_FILES", programFiles.path().c_str(), 1);
  ::setenv("VDRK_PROGRAM_FILES_X86", "/nonexistent-x86", 1);
  const std::string normal =
      "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";
  const fs::path installed = programFiles / "Vendrake_P3D";
  fs::create_directories(installed);
  EXPECT_EQ(gf_newVersionNotice(installed), normal);  // writable
  EXPECT_FALSE(fs::exists(installed / ".write_test.tmp"));
  EXPECT_EQ(gf_newVersionNotice("/nonexistent-elsewhere/x"), normal);  // not a system folder

  if (::geteuid() != 0) {
    EXPECT_EQ(gf_newVersionNotice(installed / "missing"), "A new version is available. Run the installer as Administrator");
  }
}
