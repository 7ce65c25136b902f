#include "platform/registry.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo::platform;

namespace {

class RegistryFile : public ::testing::Test {
protected:
  vexo::test::TempDir dir;
  void use(const std::string& content) {
    vexo::test::writeFile(dir / "registry.reg", content);
    gf_setRegistryFile(dir / "registry.reg");
  }
  void TearDown() override { gf_setRegistryFile(std::nullopt); }
};

}  // namespace

TEST_F(RegistryFile, ReadsStringsAndDwordsUnderBothRoots) {
  use("; exported\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\r\n"
      "\"SetupPath\"=\"D:\\\\Prepar3D v5\\\\\"\r\n"
      "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
      "\n"
      "[HKCU\\SOFTWARE\\Lockheed Martin\\Prepar3D v5\\]\n"
      "\"SimConnect_Port_IPv4\"=dword:0000c350\n"
      "SimConnect_Port_IPv6 = dword:1F5\n"
      "\"TooLong\"=dword:123456789\n"
      "\"Broken\"=\"no end\n");
  auto hklm = RegistryKey::open(RegistryRoot::localMachine, "software\\lockheed martin\\PREPAR3D V5");
  ASSERT_TRUE(hklm.has_value());
  EXPECT_EQ(hklm->readString("setuppath"), std::optional<std::string>("D:\\Prepar3D v5\\"));
  EXPECT_EQ(hklm->readString("Quote"), std::optional<std::string>("say \"hi\""));
  EXPECT_FALSE(hklm->readDword("SetupPath").has_value());  // wrong type

  auto hkcu = RegistryKey::open(RegistryRoot::currentUser, "SOFTWARE\\Lockheed Martin\\Prepar3D v5");
  ASSERT_TRUE(hkcu.has_value());
  EXPECT_EQ(hkcu->readDword("SimConnect_Port_IPv4"), std::optional<std::uint32_t>(50000));
  EXPECT_EQ(hkcu->readDword("SimConnect_Port_IPv6"), std::optional<std::uint32_t>(501));
  EXPECT_FALSE(hkcu->readDword("TooLong").has_value());
  EXPECT_FALSE(hkcu->readString("Broken").has_value());
  EXPECT_FALSE(hkcu->readString("SetupPath").has_value());

  EXPECT_FALSE(RegistryKey::open(RegistryRoot::currentUser, "SOFTWARE\\Lockheed Martin\\Prepar3D v6").has_value());
  EXPECT_FALSE(RegistryKey::open(RegistryRoot::localMachine, "SOFTWARE\\Lockheed Martin").has_value());
}

TEST_F(RegistryFile, NoFileMeansNoKeys) {
  gf_setRegistryFile(dir / "missing.reg");
  EXPECT_FALSE(RegistryKey::open(RegistryRoot::localMachine, "SOFTWARE").has_value());
}
