#include "foundation/parameters.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <thread>

#include "foundation/parameter_xml.h"
#include "foundation/settings_log.h"
#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

class ParametersFile : public ::testing::Test {
protected:
  test::TempDir dir;
  fs::path path = dir / "parameters.xml";
  SettingsState s;
  ParametersStore store{s, path};
  platform::HeadlessControls controls;
  platform::ScopedControls scope{controls};

  void write(const std::string& parameters) {
    test::writeFile(path, "<?xml version=\"1.0\"?>\n<root><parameters>" + parameters + "</parameters></root>\n");
  }

  std::vector<std::pair<std::string, std::string>> elements() const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    std::vector<std::pair<std::string, std::string>> out;
    for (pugi::xml_node p : gf_parameterBlock(doc).children("parameter")) {
      EXPECT_STREQ(p.first_attribute().name(), "name");
      out.emplace_back(p.attribute("name").as_string(), p.attribute("value").as_string());
    }
    return out;
  }

  std::string valueIn(const std::string& key) const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path.c_str()));
    return gf_readStringParameter(doc, key).value_or("<missing>");
  }
};

}  // namespace

TEST_F(ParametersFile, MissingFileIsWrittenWithEveryDefault) {
  test::LogCapture log;
  EXPECT_TRUE(gf_loadParameters(store));
  EXPECT_TRUE(log.contains("not found, creating new with default values:"));
  const std::string text = test::readFile(path);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0U);
  EXPECT_NE(text.find("\n  <parameters>"), std::string::npos);  // two blanks per level
  const auto e = elements();
  ASSERT_EQ(e.size(), 66U);
  EXPECT_EQ(e.front(), std::make_pair(std::string("RANDOM"), std::string("true")));
  EXPECT_EQ(e.back().first, "BLOCK_CALLSIGN");
  EXPECT_EQ(valueIn("PROGRAM_VERSION"), "12.3.0");
  for (const char* never : {"MAX_FIT_FL", "ALL_INSTALL_PATH", "CALLSIGN_2_OBJECTID", "parking_percentage"}) {
    EXPECT_EQ(valueIn(never), "<missing>") << never;
  }
  EXPECT_FALSE(fs::exists(dir / "parameters0.xml"));
}

TEST_F(ParametersFile, ANewFileAndTheSettingsInMemoryAgreeOnTheProgramVersion) {
  // A later full save of the current values must not write an empty version back, or the
  // next start of a newer program would skip its migration.
  gf_loadParameters(store);
  EXPECT_EQ(s.PROGRAM_VERSION.value(), "12.3.0");
  gf_saveAllParameters(store, false);
  EXPECT_EQ(valueIn("PROGRAM_VERSION"), "12.3.0");
}

TEST_F(ParametersFile, LoadFullSaveAndOneValueSaveRoundTrip) {
  gf_loadParameters(store);
  s.RANGE.value = 65;
  s.WEEK.value = true;
  s.SIM_INSTALL_PATH.setValue("D:\\Prepar3D v5 <\"&'>");
  s.MAIN_WINDOW_X.value = -1200;
  gf_saveAllParameters(store, false);

  SettingsState t;
  ParametersStore again(t, path);
  EXPECT_FALSE(gf_loadParameters(again));
  EXPECT_EQ(t.RANGE.value, 65);
  EXPECT_TRUE(t.WEEK.value);
  EXPECT_EQ(t.SIM_INSTALL_PATH.value(), "D:\\Prepar3D v5 <\"&'>");
  EXPECT_EQ(t.MAIN_WINDOW_X.value, -1200);
  EXPECT_EQ(controls.text(cmd::range), "65");

  t.AIRBORNE_ONLY.value = true;
  again.saveBool(t.AIRBORNE_ONLY);
  t.MAX_HOLDING_MINUTES.value = 33;
  again.saveInt(t.MAX_HOLDING_MINUTES);
  t.DESTINATION.setValue("EDDM");
  again.saveString(t.DESTINATION);
  t.parking_percentage.value = 70;  // written by its own save, never loaded
  again.saveInt(t.parking_percentage);
  EXPECT_EQ(elements().size(), 67U);  // updated in place; parking_percentage appended

  SettingsState u;
  gf_loadParameters(ParametersStore(u, path));
  EXPECT_TRUE(u.AIRBORNE_ONLY.value);
  EXPECT_EQ(u.MAX_HOLDING_MINUTES.value, 33);
  EXPECT_EQ(u.DESTINATION.value(), "EDDM");
  EXPECT_EQ(u.RANGE.value, 65);
  EXPECT_EQ(u.parking_percentage.value, 30);
}

TEST_F(ParametersFile, MissingOrEmptyElementsAndDuplicateKeys) {
  write(R"(<parameter name="RANGE" value="25"/><parameter name="RANGE" value="80"/>
           <parameter name="RANDOM"/><parameter name="MAIN_WINDOW_X"/><parameter name="PORT_NUMBER"/>)");
  EXPECT_FALSE(gf_loadParameters(store));
  EXPECT_EQ(s.RANGE.value, 25);  // the first of two
  EXPECT_FALSE(s.RANDOM.value);  // an element without value counts as found
  EXPECT_EQ(s.MAIN_WINDOW_X.value, 0);
  EXPECT_EQ(s.PORT_NUMBER.value(), "");
  EXPECT_EQ(s.WEEK.value, false);
  EXPECT_EQ(elements().size(), 66U);  // missing keys added with defaults, none twice
  EXPECT_EQ(valueIn("DESTINATION"), "");
  s.RANGE.value = 30;
  store.saveInt(s.RANGE);  // both duplicates follow
  int seen = 0;
  for (const auto& [k, v] : elements()) {
    if (k == "RANGE") {
      EXPECT_EQ(v, "30");
      ++seen;
    }
  }
  EXPECT_EQ(seen, 2);
}

TEST_F(ParametersFile, ValuesAreClampedAndNonNumbersReadAsZero) {
  write(R"(<parameter name="MAX_HOLDING_MINUTES" value="0"/>
           <parameter name="CUSTOM_PARKING_PERCENTAGE" value="500"/>
           <parameter name="HOLDING_THRESHOLD_METERS" value="lots"/>
           <parameter name="MAIN_WINDOW_Y" value="0x10"/>
           <parameter name="RANGE" value="7"/>
           <parameter name="AIRP_HEIGHT" value="99999"/>
           <parameter name="WEEK" value="Yes"/>)");
  gf_loadParameters(store);
  EXPECT_EQ(s.MAX_HOLDING_MINUTES.value, 1);
  EXPECT_EQ(s.CUSTOM_PARKING_PERCENTAGE.value, 100);
  EXPECT_EQ(s.HOLDING_THRESHOLD_METERS.value, 10);
  EXPECT_EQ(s.MAIN_WINDOW_Y.value, 16);
  EXPECT_EQ(s.RANGE.value, 7);  // within bounds, though no choice
  EXPECT_EQ(s.AIRP_HEIGHT.value, 48000);
  EXPECT_TRUE(s.WEEK.value);
  EXPECT_EQ(valueIn("MAX_HOLDING_MINUTES"), "0");  // the element keeps its text until saved
}

TEST_F(ParametersFile, UnusableFilesAreKeptAndReplacedByDefaults) {
  for (const std::string& bad : {std::string("<root><parameters><parameter name=\"RANGE\" value=\"5\"></root>"),
                                std::string("<root><settings/></root>"), std::string()}) {
    SCOPED_TRACE(bad);
    SettingsState fresh;
    ParametersStore st(fresh, path);
    test::writeFile(path, bad);
    EXPECT_TRUE(gf_loadParameters(st));
    EXPECT_EQ(test::readFile(dir / "parameters0.xml"), bad);
    EXPECT_EQ(elements().size(), 66U);
    EXPECT_EQ(fresh.RANGE.value, 40);
  }
}

TEST_F(ParametersFile, OneValueSaveAfterAFailedLoadKeepsEveryOtherSetting) {
  gf_loadParameters(store);
  s.RANGE.value = 12;
  test::writeFile(path, "<root><parameters>broken");
  s.WEEK.value = true;
  store.saveBool(s.WEEK);
  EXPECT_EQ(test::readFile(dir / "parameters0.xml"), "<root><parameters>broken");
  EXPECT_EQ(elements().size(), 66U);
  EXPECT_EQ(valueIn("WEEK"), "true");
  EXPECT_EQ(valueIn("RANGE"), "12");
  fs::remove(path);  // a missing file too gets every setting
  store.saveInt(s.MAX_FIT);
  EXPECT_EQ(elements().size(), 66U);
  EXPECT_EQ(valueIn("RANGE"), "12");
}

TEST_F(ParametersFile, FileWithoutRootLoadsAndIsRewrittenWithRootAtTheFirstSave) {
  test::writeFile(path, R"(<parameters><parameter name="RANGE" value="80"/></parameters>)");
  EXPECT_FALSE(gf_loadParameters(store));
  EXPECT_EQ(s.RANGE.value, 80);
  test::LogCapture log;
  store.saveInt(s.MAX_FIT);
  EXPECT_TRUE(log.contains("Placing a root level around a new parameters.xml"));
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path.c_str()));
  EXPECT_TRUE(doc.child("root").child("parameters"));
  EXPECT_EQ(valueIn("RANGE"), "80");
  EXPECT_FALSE(fs::exists(dir / "parameters0.xml"));
  // A setting that no registry holds is not in the rewritten file, yet its own save keeps it.
  test::writeFile(path, R"(<parameters><parameter name="RANGE" value="80"/></parameters>)");
  s.parking_percentage.value = 70;
  store.saveInt(s.parking_percentage);
  EXPECT_EQ(elements().size(), 67U);
  EXPECT_EQ(valueIn("parking_percentage"), "70");
}

// The appenders add a second attribute of a name the node has; only gf_setAttribute replaces.
TEST(ParameterXml, AttributeAppendersAlwaysAppend) {
  pugi::xml_document doc;
  pugi::xml_node node = doc.append_child("l");
  ASSERT_TRUE(gf_appendAttribute(node, "t", "view"));
  ASSERT_TRUE(gf_appendAttributeString(node, "t", std::string("string <&\"")));
  ASSERT_TRUE(gf_appendAttribute(node, "t", std::string_view("cut here", 3)));
  std::vector<std::string> values;
  for (pugi::xml_attribute a : node.attributes()) values.emplace_back(a.value());
  EXPECT_EQ(values, (std::vector<std::string>{"view", "string <&\"", "cut"}));
  ASSERT_TRUE(gf_setAttribute(node, "t", "set"));
  EXPECT_STREQ(node.first_attribute().value(), "set");
  EXPECT_STREQ(node.last_attribute().value(), "cut");
}

TEST_F(ParametersFile, ConcurrentSavesFromTwoThreadsLoseNothing) {
  gf_loadParameters(store);
  std::thread ui([&] {
    for (int i = 0; i < 40; ++i) {
      s.MAIN_WINDOW_X.value = i;
      store.saveInt(s.MAIN_WINDOW_X);
    }
  });
  for (int i = 0; i < 40; ++i) {
    s.BLOCK_CALLSIGN.setValue("CS" + std::to_string(i));
    store.saveString(s.BLOCK_CALLSIGN);
  }
  ui.join();
  EXPECT_EQ(elements().size(), 66U);
  EXPECT_EQ(valueIn("MAIN_WINDOW_X"), "39");
  EXPECT_EQ(valueIn("BLOCK_CALLSIGN"), "CS39");
}

TEST_F(ParametersFile, SettingsAreNotLoggedWhileTheRunEnds) {
  gf_loadParameters(store);
  test::LogCapture log;
  gf_setRunEndingCheck([] { return true; });
  store.saveString(s.DESTINATION);
  gf_setRunEndingCheck(nullptr);
  EXPECT_FALSE(log.contains("DESTINATION="));
  store.saveString(s.DESTINATION);
  EXPECT_TRUE(log.contains("DESTINATION=\"\""));
}
