#include "platform/ini_file.h"

#include <gtest/gtest.h>

using vexo::platform::IniFile;

TEST(IniFile, NamesMatchWithoutCaseAndValuesAreTrimmed) {
  const IniFile ini = IniFile::parse(
      "\xEF\xBB\xBF; a comment\r\n"
      "[ SimConnect ]\r\n"
      "  Protocol =  IPv4  \r\n"
      "Address=\"::1\"\r\n"
      "Port='5000'\r\n"
      "Quoted=\"only left\r\n"
      "  ; Port=9999\r\n"
      "Port=6000\r\n"
      "bare line\r\n"
      "[SimConnect.1]\n"
      "[Empty]\n"
      "; comment only\n"
      "[simconnect]\n"
      "Protocol=Pipe\n");
  EXPECT_EQ(ini.value("SIMCONNECT", "protocol"), "IPv4");
  EXPECT_EQ(ini.value("simconnect", "ADDRESS"), "::1");
  EXPECT_EQ(ini.value("SimConnect", "Port"), "5000") << "the first of a repeated key counts";
  EXPECT_EQ(ini.value("SimConnect", "Quoted"), "\"only left");
  EXPECT_FALSE(ini.value("SimConnect", "bare line"));
  EXPECT_FALSE(ini.value("SimConnect", "Missing"));
  EXPECT_FALSE(ini.value("Nowhere", "Port"));
  EXPECT_TRUE(ini.hasSection("SimConnect"));
  EXPECT_FALSE(ini.hasSection("SimConnect.1")) << "a section without entries counts as missing";
  EXPECT_FALSE(ini.hasSection("Empty"));
}

TEST(IniFile, KeysBeforeAnySectionAndEqualSignsInValues) {
  const IniFile ini = IniFile::parse("Port=1\n[A]\nPort=2\nKey = value with = sign\n");
  EXPECT_EQ(ini.value("A", "Port"), "2");
  EXPECT_EQ(ini.value("a", "key"), "value with = sign");
}
