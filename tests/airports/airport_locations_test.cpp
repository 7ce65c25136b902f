#include "airports/airport_locations.h"

#include <gtest/gtest.h>

#include "airports/airport_writer.h"
#include "airports_fixture.h"
#include "foundation/paths.h"

namespace vexo::test {
namespace {

namespace fs = std::filesystem;
using AirportLocationsTest = AirportsTest;

TEST_F(AirportLocationsTest, LearnedPathsFollowTheAirportFilesPlace) {
  const struct {
    const char* path;
    const char* publisher;
    fs::path learned;
  } cases[] = {
      {"archive/stock/EHAM.xml", "", g_learnedStockFolder / "EHAM.xml"},
      {"archive\\simaddon\\EHAM.XML", "", g_learnedSimaddonFolder / "EHAM.XML"},
      {"archive/thirdparty/Big%20Pub/EHAM.xml", "", g_learnedThirdpartyFolder / "Big Pub" / "EHAM.xml"},
      {"archive/thirdparty/EHAM.xml", "", {}},
      {"airports/my_ORBX/EHAM.xml", "", g_learnedFolder / "EHAM.xml"},
      {"airports/my_thirdparty/EHAM.xml", "", {}},
      {"airports/my_thirdparty/EHAM.xml", " A/B ", g_learnedThirdpartyFolder / "A B" / "EHAM.xml"},
      {"airports/stock/EHAM.xml", "", g_learnedFolder / "stock" / "EHAM.xml"},
      {"airports/my_simaddon/EHAM.xml", "", g_learnedFolder / "my_simaddon" / "EHAM.xml"},
      {"airports/my_thirdparty2024/EHAM.xml", "Pub", g_learnedThirdpartyFolder / "Pub" / "EHAM.xml"},
      {"airports/my_thirdparty2024/EHAM.xml", "", {}},
      {"cache/archive/thirdparty/Pub/EHAM.xml", "", g_learnedThirdpartyFolder / "Pub" / "EHAM.xml"},
      {"cache/archive/stock/EHAM.xml", "", {}},
      {"airports/my_ORBX/EHAM.txt", "", {}},
      {"downloads/EHAM.xml", "", {}},
      // Names that would leave the learned folder give no learned file.
      {"archive/thirdparty/../EHAM.xml", "", {}},
      {"archive/thirdparty/%20..%20/EHAM.xml", "", {}},
      {"airports/my_thirdparty/EHAM.xml", "..", {}},
      {"airports/stock/../../EHAM.xml", "", {}},
      {"airports/my_thirdparty/EHAM.xml", "C:evil", g_learnedThirdpartyFolder / "C evil" / "EHAM.xml"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " / " + c.publisher);
    EXPECT_EQ(lf_learnedPathFor(c.path, c.publisher), c.learned);
  }
}

TEST_F(AirportLocationsTest, LinkFilesNameAnXmlFile) {
  const struct {
    const char* content;
    bool accepted;
    const char* line;
  } cases[] = {
      {"archive/stock/EHAM.XML  \r\nsecond", true, "archive/stock/EHAM.XML"},
      {"\xEF\xBB\xBF" "archive/stock/EHAM.xml\t", true, "archive/stock/EHAM.xml"},
      {".xml", true, ".xml"},
      {"a.x", false, ""},
      {"", false, ""},
      {"archive/stock/EHAM.xml\xC2\xA0", false, ""},  // bytes above 0x7F are no white space
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    writeFile("link.txt", c.content);
    std::string line;
    EXPECT_EQ(lf_readLinkFile("link.txt", line), c.accepted);
    EXPECT_EQ(line, c.line);
  }
  std::string line;
  EXPECT_FALSE(lf_readLinkFile("missing.txt", line));
}

TEST_F(AirportLocationsTest, TheAirportFileIsLookedForInOrder) {
  const IcaoCode eham("EHAM");
  EXPECT_EQ(gf_airportFileFor(eham), "archive/stock/EHAM.xml");
  EXPECT_EQ(gf_airportFileFor(IcaoCode("KLAX")), "") << "0 stands in the database and no user file";
  EXPECT_FALSE(gf_hasAirportData(IcaoCode("KLAX")));
  fs::create_directories(g_myOrbxFolder);
  fs::create_directories(g_myThirdpartyFolder);
  writeFile(g_myOrbxFolder / "EHAM.xml", "<root/>");
  EXPECT_EQ(gf_airportFileFor(eham), "airports/my_ORBX/EHAM.xml");
  writeFile(g_myOrbxFolder / "EHAM.txt", "archive/thirdparty/Orbx/EHAM.xml\n");
  EXPECT_EQ(gf_airportFileFor(eham), "archive/thirdparty/Orbx/EHAM.xml");
  writeFile(g_myThirdpartyFolder / "eham.xml", "<root/>");
  EXPECT_EQ(gf_airportFileFor(eham), "airports/my_thirdparty/eham.xml");
  writeFile(g_myThirdpartyFolder / "EHAM.txt", "no xml file named\n");
  EXPECT_EQ(gf_airportFileFor(eham), "airports/my_thirdparty/eham.xml") << "an unusable link is passed over";
  writeFile(g_myThirdpartyFolder / "KLAX.txt", "airports/my_thirdparty/x/KLAX.xml");
  EXPECT_TRUE(gf_hasAirportData(IcaoCode("KLAX")));
  EXPECT_EQ(gf_airportFileFor(IcaoCode("KLAX")), "airports/my_thirdparty/x/KLAX.xml");
}

// A save that fails halfway leaves the file and its generation as they were.
TEST_F(AirportLocationsTest, ASaveThatFailsLosesNothing) {
  const fs::path target = "learned/EHAM.xml";
  ASSERT_TRUE(gf_replaceKeepingGeneration(target, "first"));
  ASSERT_TRUE(gf_replaceKeepingGeneration(target, "second"));
  EXPECT_EQ(readFile(target), "second");
  EXPECT_EQ(readFile("learned/EHAM0.xml"), "first");
  for (const SaveStep failing : {SaveStep::writeTemporary, SaveStep::rename}) {
    EXPECT_FALSE(gf_replaceKeepingGeneration(target, "third", [&](SaveStep step) { return step == failing; }));
    EXPECT_EQ(readFile(target), "second");
    EXPECT_EQ(readFile("learned/EHAM0.xml"), "first");
  }
  EXPECT_TRUE(fs::exists("learned/EHAM.xml.tmp")) << "a crash before the rename leaves its temporary file";
  ASSERT_TRUE(gf_replaceKeepingGeneration(target, "fourth"));
  EXPECT_EQ(readFile(target), "fourth");
  EXPECT_EQ(readFile("learned/EHAM0.xml"), "second");
  // A folder that cannot be written (here: its name is taken by a file).
  writeFile("blocked", "");
  AirportFile file;
  EXPECT_FALSE(gf_writeAirportFile(file, "blocked/EHAM.xml", StandWriteMode::learned, 3));
}

}  // namespace
}  // namespace vexo::test
