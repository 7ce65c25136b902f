#include <gtest/gtest.h>

#include "data_files.h"
#include "dbase_fixture.h"
#include "foundation/error.h"
#include "fresh_refdata.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_reader.h"
#include "test_support.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;
using test::dbaseXml;

class DbaseRead : public test::FreshRefData {
protected:
  bool read(const std::string& xml) {
    test::writeDataFile(dir / "dbase.enc", xml);
    return gf_readDbaseFrom(dir / "dbase.enc", dir / "dbase.xml");
  }
  void expectCode61(const std::string& xml, const std::string& what) {
    try {
      read(xml);
      ADD_FAILURE() << "no exception, expected " << what;
    } catch (const UserErrorException& e) {
      EXPECT_EQ(std::string(e.what()), what);
    }
    EXPECT_FALSE(fs::exists(dir / "dbase.xml"));
  }
  test::TempDir dir;
  test::LogCapture log;
};

TEST_F(DbaseRead, FillsTablesAndPoolsInTheirOrder) {
  ASSERT_TRUE(read(dbaseXml()));
  EXPECT_FALSE(fs::exists(dir / "dbase.xml"));
  EXPECT_EQ(g_dbase.modelCodes, (TextSet{"A320", "A388", "B738", "B77W", "B788", "C172", "C25A", "EC35", "F16"}));
  EXPECT_EQ(gf_modelCode2Id("A320"), 1);
  EXPECT_EQ(gf_modelCode2Id("B77L"), 10);  // cargo codes follow the model list
  EXPECT_EQ(gf_airlineCode2Id("ASH"), 1);  // airlines ascending, then the cargo operators
  EXPECT_EQ(gf_airlineCode2Id("FDX"), 8);
  EXPECT_TRUE(g_modelPool.sealed() && g_airlinePool.sealed());
  const std::pair<const char*, AcCategory> categories[] = {
      {"A388", AcCategory::Large},    {"B77L", AcCategory::Heavy},      {"C25A", AcCategory::Buzjets},
      {"F16", AcCategory::HighPerf},  {"EC35", AcCategory::Rotorcraft}, {"C172", AcCategory::Light}};
  for (const auto& [model, category] : categories) EXPECT_EQ(gf_modelCodeCategory(model), category) << model;
  EXPECT_TRUE(log.contains("\n    9 ICAO model codes"));
  EXPECT_TRUE(log.contains("    6 dbase records read"));
  // Lists are split and trimmed; trailing commas stay only in the groups.
  EXPECT_FALSE(g_dbase.modelCodes.contains(""));
  EXPECT_EQ(g_dbase.similarGroups[1], (std::vector<std::string>{"", "A320", "B738"}));
  EXPECT_EQ(g_dbase.thirdPartyAirports[0].airports, (std::vector<std::string>{"KLAX", "KSAN", ""}));
  EXPECT_TRUE(g_dbase.thirdPartyAirports[1].airports.empty());
  EXPECT_EQ(g_dbase.publisherGroups, (CodeGroups{{"Harbour Sims"}, {"Northwind Scenery", "NWS"}}));
}

TEST_F(DbaseRead, WingspansFixesAndRecordsAreChecked) {
  ASSERT_TRUE(read(dbaseXml()));
  // The first wingspan of a model stays while the maximum sees all.
  EXPECT_DOUBLE_EQ(g_dbase.halfWingspans.at("B738"), 35.8 * 0.5 / 1852.0);
  EXPECT_DOUBLE_EQ(g_dbase.maxHalfWingspan, 79.75 * 0.5 / 1852.0);
  EXPECT_FALSE(g_dbase.halfWingspans.contains("C172"));
  EXPECT_TRUE(log.contains("==> wingspan model XXXX is not valid, skipped"));
  EXPECT_TRUE(log.contains("==> wingspan model  is not valid, skipped"));
  EXPECT_TRUE(log.contains("==> wingspan of model C172 is not a valid number, skipped"));
  // Fixes are checked and applied to later codes.
  EXPECT_EQ(g_dbase.modelFixes, (std::map<std::string, std::string, std::less<>>{{"A32N", "A320"}}));
  EXPECT_TRUE(log.contains("==> wrong part of fix: 'A32N', already exists, skipped"));
  EXPECT_TRUE(log.contains("==> wrong fix B78X -> B78Y, the latter is not valid"));
  EXPECT_EQ(gf_dbaseLookup("9A-CTG")->modelId, gf_modelCode2Id("A320"));
  EXPECT_FALSE(g_modelPool.find("A32N").has_value());
  // Records end sorted and unique.
  std::vector<std::string> registrations;
  for (const DbaseRecord& r : g_dbase.dbaseRecords) registrations.push_back(r.registration);
  EXPECT_EQ(registrations, (std::vector<std::string>{"9A-CTG", "D-ABCD", "D-AIMA", "D-ALCI", "HBX", "N12345"}));
  const AcCodes cargo = *gf_dbaseLookup("D-ALCI");
  EXPECT_EQ(cargo.cargo, 1);
  EXPECT_EQ(cargo.operatorId, 0);
  EXPECT_EQ(gf_dbaseLookup("D-AIMA")->cargo, 0);
}

TEST_F(DbaseRead, OptionalSectionsMayBeMissing) {
  ASSERT_TRUE(read(dbaseXml("dbase")));
  EXPECT_TRUE(g_dbase.dbaseRecords.empty());
  EXPECT_TRUE(log.contains("    0 dbase records read"));
}

TEST_F(DbaseRead, RequiredSectionChecksRaiseCode61AndRemoveTheXml) {
  expectCode61(dbaseXml("aircrafts"), "61: Missing section: aircrafts");
  test::resetReferenceData();
  expectCode61(dbaseXml("heavy", "<heavy><hvy types=\"\"/><hvy types=\" , \"/><hvy/></heavy>"),
               "61: In XML file section [heavy], element [hvy], attribute [types] is empty.");
  test::resetReferenceData();
  expectCode61("<other/>", "61: XML root missing: root");
}

TEST_F(DbaseRead, FileProblems) {
  const std::pair<fs::path, std::string> failures[] = {{dir / "none.enc", " not available"},
                                                        {dir / "dbase.enc", " stream decrypt failed"}};
  test::writeFile(dir / "dbase.enc", std::string(100, 'x'));
  for (const auto& [file, what] : failures) {
    try {
      gf_readDbaseFrom(file, dir / "dbase.xml");
      ADD_FAILURE() << file;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), file.string() + what);
    }
  }
  EXPECT_FALSE(read("<root><aircrafts>"));
  EXPECT_TRUE(log.contains("==> '" + (dir / "dbase.xml").string() + "' not read because of "));
  EXPECT_FALSE(fs::exists(dir / "dbase.xml"));
}

// Far more models than the old fixed wingspan table held: every dbase wingspan is kept.
TEST_F(DbaseRead, WingspansOfHighModelIdsAreKept) {
  std::string types;
  for (int i = 0; i < 3000; ++i) {
    types += fmt::format("{}M{:04}", i ? "," : "", i);
  }
  std::string xml = dbaseXml("aircrafts", "<aircrafts><aircraft types=\"" + types + ",A320,B738,C172\"/></aircrafts>");
  xml = xml.replace(xml.find("<wingspans>"), 11, "<wingspans><wingspan type=\"M2999\" meters=\"18.52\"/>");
  ASSERT_TRUE(read(xml));
  std::uint16_t id = gf_modelCode2Id("M2999");
  EXPECT_GE(id, 2700);
  EXPECT_DOUBLE_EQ(gf_halfWingspan(id), 0.005);
}

TEST(DbaseSample, SampleDataDecryptsAndLoadsWithCounts) {
  test::resetReferenceData();
  test::LogCapture log;
  test::TempDir dir;
  ASSERT_TRUE(gf_readDbaseFrom(test::sampleInputDir() / "dbase.enc", dir / "dbase.xml"));
  EXPECT_FALSE(fs::exists(dir / "dbase.xml"));
  EXPECT_TRUE(log.contains(fmt::format("\n{:5} ICAO model codes", g_dbase.modelCodes.size())));
  EXPECT_TRUE(log.contains(fmt::format("{:5} dbase records read", g_dbase.dbaseRecords.size())));
  EXPECT_GT(g_dbase.modelCodes.size(), 100u);
  EXPECT_GT(g_dbase.airlineCodes.size(), 1000u);
  EXPECT_GT(g_dbase.dbaseRecords.size(), 300u);
  AcCodes lufthansaCargo = gf_dbaseLookup("D-ALCI").value();
  EXPECT_EQ(g_airlinePool.text(lufthansaCargo.airlineId), "GEC");
  EXPECT_EQ(g_modelPool.text(lufthansaCargo.modelId), "MD11");
  EXPECT_EQ(lufthansaCargo.cargo, 1);
  EXPECT_EQ(gf_modelCodeCategory("B77W"), AcCategory::Heavy);
  EXPECT_GT(gf_halfWingspan(gf_modelCode2Id("B738")), 0.0);
  test::resetReferenceData();
}

}  // namespace
}  // namespace vexo
