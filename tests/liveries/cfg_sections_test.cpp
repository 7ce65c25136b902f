#include "liveries/cfg_sections.h"

#include <gtest/gtest.h>

#include "livery_fixture.h"

namespace vexo {
namespace {

using test::section;

class CfgSections : public test::LiveryTest {
protected:
  CfgFileResult scan(const std::string& body, const std::vector<std::string>& textures = {"KLM"}) {
    const auto file = test::aircraftFolder(dir_ / "ac", "aircraft.cfg", "[General]\natc_model=B738\n" + body, textures);
    path_ = file.string();
    return lf_searchLiveriesinFile(2, file, inputs_);
  }
  std::vector<std::string> titles(const CfgFileResult& r) {
    std::vector<std::string> out;
    for (const auto& f : r.liveries) out.push_back(f.livery.title);
    return out;
  }
  std::vector<std::string> incomplete(const CfgFileResult& r) {
    return {r.reports.incompleteSections.begin(), r.reports.incompleteSections.end()};
  }
  LiveryScanInputs inputs_{{"Banned"}};
  std::string path_;
};

TEST_F(CfgSections, OrdinarySectionGivesItsCodeWord) {
  const auto r = scan(section(0, "title=KLM 1\natc_parking_codes=KLMX,BAW\natc_parking_types=gate , cargo\n"
                                 "texture=KLM\nsim=B738\nmodel=\n") +
                      "\n// end\n");
  ASSERT_EQ(r.liveries.size(), 1U);
  const LiveryData& l = r.liveries.front().livery;
  EXPECT_EQ(l.title, "KLM 1");
  EXPECT_EQ(l.codes, (AcCodes{gf_airlineCode2Id("KLM"), 0, gf_modelCode2Id("B738"), 1, 0}));
  EXPECT_EQ(l.folderIndex, 2);
  EXPECT_EQ(r.liveries.front().takenReport, path_ + " [fltsim.0] title 'KLM 1' already exists");
  EXPECT_TRUE(r.reports.incompleteSections.empty());
}

// A worker reads its files one after the other into the same room: a file never sees a
// line of the one before, whether that one was longer or beyond the room kept.
TEST_F(CfgSections, FilesReadOneAfterTheOtherKeepToTheirOwnLines) {
  for (const std::size_t padding : {std::size_t{100}, std::size_t{300000}}) {
    std::string body;
    for (int i = 0; i < 40; ++i) {
      body += section(i, "title=L" + std::to_string(i) + "\natc_parking_codes=KLM\ntexture=KLM\nsim=B738\n");
    }
    body += "// " + std::string(padding, 'x') + "\n";
    EXPECT_EQ(scan(body).liveries.size(), 40U);
    EXPECT_EQ(titles(scan(section(0, "title=S\natc_parking_codes=KLM\ntexture=KLM\nsim=B738\n"))),
              std::vector<std::string>{"S"});
    EXPECT_TRUE(scan("").liveries.empty());
  }
}

TEST_F(CfgSections, KeyRules) {
  const std::string files = "texture=KLM\nsim=B738\n";
  const auto r = scan(section(0, "title=A\natc_parking_codes=,BAW\n" + files) +         // empty code
                      section(1, "title=B\natc_parking_codes=RFO\n" + files) +           // silent drop
                      section(2, "title=C\ntitle=C2\natc_parking_codes=KLM\n" + files) +  // second title
                      section(3, "title=D\natc_parking_codes=KLM\natc_id=PH-BXA;old\n" + files) +
                      section(4, "title=E\natc_parking_codes=KLM\natc_id=N*\n" + files) +
                      section(5, "title=F\natc_parking_codes=KLM\natc_id=X1,X2\nATC_ID=X3\n" + files) +
                      section(6, "title=G\natc_parking_codes=KLM\natc_id=X1\nx atc_id=X3\n" + files) +
                      section(7, "title=H Fictional\natc_parking_codes=KLM\n" + files) +
                      section(8, "title=Banned\natc_parking_codes=KLM\n" + files) +
                      section(9, "atc_parking_codes=KLM\n" + files) +
                      section(10, "title=I\natc_parking_codes=ZZZ\natc_id=PH-BXA\n" + files));
  // A's empty code is forgotten: without an airline, a model that is not Heavy is private.
  EXPECT_EQ(titles(r), (std::vector<std::string>{"A", "D", "E", "F", "I"}));
  std::vector<std::string> regcodes;
  for (const auto& f : r.liveries) regcodes.push_back(f.livery.regcode);
  EXPECT_EQ(regcodes, (std::vector<std::string>{"", "PH-BXA", "", "", ""}));
  EXPECT_EQ(r.liveries.front().livery.codes.airlineId, gf_airlineCode2Id("PVT"));
  // D took the dbase record of PH-BXA (marker 1); I is generic (ZZZ) and keeps no registration.
  EXPECT_EQ(std::next(r.liveries.begin())->livery.codes.marker, 1);
  EXPECT_EQ(r.liveries.back().livery.codes.airlineId, gf_airlineCode2Id("ZZZ"));
  EXPECT_EQ(incomplete(r), (std::vector<std::string>{
                               path_ + " [fltsim.0] icao_airline is missing, or it has invalid info ",
                               path_ + " [fltsim.2] has more than one title key",
                               "invalid atc_id=N* in: E",
                               path_ + ", [fltsim.6], has more than one atc_id key",
                               path_ + " [fltsim.9] misses title",
                           }));
  EXPECT_EQ(std::vector<std::string>(r.reports.invalidAirlineCodes.begin(), r.reports.invalidAirlineCodes.end()),
            std::vector<std::string>{"             in " + path_ + " [fltsim.0]"});
}

TEST_F(CfgSections, SectionEndsAndMissingAirline) {
  const auto r = scan(section(0, "title=A\natc_parking_codes=KLM\n [General]\ntexture=KLM\nsim=B738\n") +
                      section(1, "title=B [x]\natc_parking_codes=KLM\ntexture=KLM\nsim=B738\n") +
                      section(2, "title=C N123 private\ntexture=KLM\nsim=B738\n"));
  // A lost its texture and sim lines to the [General] line; B's bracket is beyond column 6.
  EXPECT_EQ(titles(r), (std::vector<std::string>{"B [x]", "C N123 private"}));
  // C has no parking code: a private livery with the dbase codes of the registration in its title.
  const LiveryData& c = r.liveries.back().livery;
  EXPECT_EQ(c.regcode, "N123");
  EXPECT_EQ(c.codes.airlineId, gf_airlineCode2Id("KLM"));
  EXPECT_EQ(incomplete(r).front(), (dir_ / "ac" / "model.").string() + " or related path does not exist: [fltsim.0]");
}

TEST_F(CfgSections, FilesAreFoundWhateverTheirCase) {
  const auto r = scan(section(0, "title=A\natc_parking_codes=KLM\ntexture=klm.\nsim=b738\nmodel=.\n"), {"KLM"});
  EXPECT_EQ(titles(r), std::vector<std::string>{"A"});
}

// One path whose status cannot be found out costs its own section only.
TEST_F(CfgSections, FailingStatusQueryCountsAsMissing) {
  test::LogCapture log;
  std::filesystem::create_directories(dir_ / "ac");
  std::filesystem::create_directory_symlink("texture.loop", dir_ / "ac" / "texture.loop");
  const auto r = scan(section(0, "title=A\natc_parking_codes=KLM\ntexture=loop\nsim=B738\n") +
                      section(1, "title=B\natc_parking_codes=KLM\ntexture=KLM\nsim=B738\n"));
  EXPECT_EQ(titles(r), std::vector<std::string>{"B"});
  EXPECT_EQ(incomplete(r).size(), 1U);
  EXPECT_TRUE(log.contains("! Status of 'texture.loop'"));
}

// A file that is gone is passed over in silence; one that cannot be read (here a folder
// of that name) has no encoding to detect; one whose text cannot be converted fails.
TEST_F(CfgSections, FilesThatCannotBeRead) {
  test::LogCapture log;
  EXPECT_TRUE(lf_searchLiveriesinFile(1, dir_ / "gone" / "aircraft.cfg", inputs_).liveries.empty());
  EXPECT_FALSE(log.contains("gone"));
  const auto folder = dir_ / "odd" / "aircraft.cfg";
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(lf_searchLiveriesinFile(1, folder, inputs_).liveries.empty());
  EXPECT_TRUE(log.contains("! No text encoding detected for " + folder.string()));
  const auto file = test::aircraftFolder(dir_ / "bad", "aircraft.cfg", std::string("\xFF\xFE" "a\0\0\xDC", 6), {});
  EXPECT_TRUE(lf_searchLiveriesinFile(1, file, inputs_).liveries.empty());
  EXPECT_TRUE(log.contains("Read failed for '" + file.string() + "': wide_to_utf8: invalid UTF-16"));
  EXPECT_TRUE(log.contains("! Failed reading " + file.string()));
}

TEST_F(CfgSections, HeavyWithoutAirlineIsDropped) {
  const auto file = test::aircraftFolder(dir_ / "h", "aircraft.cfg",
                                         "atc_model=B77W\n" + section(0, "title=X\ntexture=KLM\nsim=B738\n") +
                                             section(1, "title=Y\natc_id=ZZ-999\ntexture=KLM\nsim=B738\n"),
                                         {"KLM"});
  const auto r = lf_searchLiveriesinFile(1, file, inputs_);
  EXPECT_TRUE(r.liveries.empty());
  EXPECT_EQ(incomplete(r).back(), "'" + file.string() + "' '[fltsim.1]' has no airline and regcode not in dbase");
}

TEST_F(CfgSections, FileRules) {
  const auto noModel = test::aircraftFolder(dir_ / "a", "aircraft.cfg", section(0, "title=X\n"), {});
  EXPECT_EQ(lf_searchLiveriesinFile(1, noModel, inputs_).reports.invalidCfgFiles.front(),
            "Line atc_model= is missing in [General] section of " + noModel.string());
  const auto high = test::aircraftFolder(dir_ / "b", "aircraft.cfg", "atc_model=B738\n[fltsim.10001]\n", {});
  EXPECT_EQ(lf_searchLiveriesinFile(1, high, inputs_).reports.invalidCfgFiles.front(),
            high.string() + " contains a [fltsim.x] section with a number < 0 or > 10000");
  const auto fixed = test::aircraftFolder(dir_ / "c", "aircraft.cfg", "atc_model=B73H\n[fltsim.10000]\n", {});
  EXPECT_EQ(lf_searchLiveriesinFile(1, fixed, inputs_).reports.modelFixes.front(),
            "Model fix: B73H found in " + fixed.string() + " changed into B738");
  const auto unknown = test::aircraftFolder(dir_ / "d", "aircraft.cfg", "atc_model=XYZ\n[fltsim.1]\n", {});
  EXPECT_EQ(lf_searchLiveriesinFile(1, unknown, inputs_).reports.invalidModelCodes.front(),
            "XYZ              in " + unknown.string());
  const auto overflow = test::aircraftFolder(dir_ / "e", "aircraft.cfg", "[fltsim.99999999999]\n", {});
  const auto r = lf_searchLiveriesinFile(1, overflow, inputs_);
  EXPECT_TRUE(r.reports.invalidCfgFiles.empty() && r.reports.noFltsimFiles.empty());
}

TEST_F(CfgSections, IvaoLibraryRules) {
  const auto folder = dir_ / "IVAO_MTL" / "IVAO_B738w";
  const auto file = test::aircraftFolder(
      folder, "aircraft.cfg",
      section(0, "title=B738KLM\natc_id=PH-1;x\ntexture=KLM\nsim=B738\n") +
          section(1, "title=B738 XYZ\ntexture=KLM\nsim=B738\n") +
          section(2, "title=Other\ntexture=KLM\nsim=B738\n") + section(3, "title=B738BAW [x]\ntexture=KLM\nsim=B738\n") +
          section(4, "title=Nine\natc_id=PH-BXA\ntexture=KLM\nsim=B738\n"),
      {"KLM"});
  const auto r = lf_searchLiveriesinIVAOFile(3, file, inputs_);
  EXPECT_EQ(titles(r), (std::vector<std::string>{"B738KLM", "Nine"}));
  EXPECT_EQ(r.liveries.front().livery.regcode, "PH-1;x");
  EXPECT_EQ(r.liveries.front().livery.codes.modelId, gf_modelCode2Id("B738"));
  const std::string p = file.string();
  EXPECT_EQ(incomplete(r), (std::vector<std::string>{
                               p + " [fltsim.2] misses airlinecode in title: Other, and no regcode",
                               (folder / ".air").string() + " [fltsim.3] does not exist",  // its title line ended it
                           }));
  EXPECT_EQ(r.reports.invalidAirlineCodes.front(), "XYZ          in " + p + " [fltsim.1]");

  const auto wrong = test::aircraftFolder(dir_ / "IVAO_MTL" / "B738", "aircraft.cfg", "", {});
  EXPECT_EQ(lf_searchLiveriesinIVAOFile(3, wrong, inputs_).reports.invalidModelCodes.front(),
            "                 in " + wrong.string());
}

// Each limit of the section rules, on both of its sides.
TEST_F(CfgSections, RuleLimits) {
  const std::string files = "texture=KLM\nsim=B738\n";
  const auto r = scan(section(0, "title=A\natc_parking_codes=KLM\n     [x]\n" + files) +   // "[" at column 5 ends it
                      section(1, "title=B\natc_parking_codes=KLM\n      [x]\n" + files) +  // at column 6 it does not
                      section(2, "title=C\natc_parking_codes=BAWC\n" + files) +
                      section(3, "title=D\natc_parking_codes=KLM\natc_id=ABCDEFGHIJKL\n" + files) +
                      section(4, "title=E\natc_parking_codes=KLM\natc_id=ABCDEFGHIJKLM\n" + files) +
                      section(5, "title=Fictional\natc_parking_codes=KLM\n" + files) +
                      section(6, "title=Fictiona\natc_parking_codes=KLM\n" + files));
  EXPECT_EQ(titles(r), (std::vector<std::string>{"B", "C", "D", "E", "Fictiona"}));
  std::vector<std::string> regcodes;
  std::vector<std::uint16_t> airlines;
  for (const auto& f : r.liveries) {
    regcodes.push_back(f.livery.regcode);
    airlines.push_back(f.livery.codes.airlineId);
  }
  EXPECT_EQ(regcodes, (std::vector<std::string>{"", "", "ABCDEFGHIJKL", "", ""}));
  EXPECT_EQ(airlines[1], gf_airlineCode2Id("BAW"));  // "BAWC": a cargo code of BAW
  EXPECT_TRUE(r.reports.invalidAirlineCodes.empty());
  EXPECT_EQ(incomplete(r), (std::vector<std::string>{
                               (dir_ / "ac" / "model.").string() + " or related path does not exist: [fltsim.0]",
                               "invalid atc_id=ABCDEFGHIJKLM in: E",
                           }));
}

// A registration the dbase holds without an airline gives no airline either: a Heavy
// model is dropped, another becomes private.
TEST_F(CfgSections, RegistrationWithoutDbaseAirline) {
  const std::string keys = "atc_id=HBX\ntexture=KLM\nsim=B738\n";
  const auto heavy = test::aircraftFolder(dir_ / "h", "aircraft.cfg", "atc_model=B77W\n" + section(3, "title=X\n" + keys),
                                          {"KLM"});
  const auto h = lf_searchLiveriesinFile(1, heavy, inputs_);
  EXPECT_TRUE(h.liveries.empty());
  EXPECT_EQ(incomplete(h).back(), "'" + heavy.string() + "' '[fltsim.3]' has no airline and regcode not in dbase");
  const auto light = test::aircraftFolder(dir_ / "l", "aircraft.cfg", "atc_model=B738\n" + section(3, "title=Y\n" + keys),
                                          {"KLM"});
  const auto l = lf_searchLiveriesinFile(1, light, inputs_);
  ASSERT_EQ(l.liveries.size(), 1U);
  EXPECT_EQ(l.liveries.front().livery.codes,
            (AcCodes{gf_airlineCode2Id("PVT"), 0, gf_modelCode2Id("B738"), 0, 0}));
  EXPECT_EQ(l.liveries.front().livery.regcode, "HBX");
}

// The character set is decided on the whole file: a Windows-1252 title after 4 KiB of
// ASCII is converted, a UTF-8 one there is kept as it is.
TEST_F(CfgSections, LateTitleIsReadInTheFilesCharset) {
  const std::string padding = "// " + std::string(5000, '-') + "\n";
  const std::string keys = "atc_parking_codes=KLM\ntexture=KLM\nsim=B738\n";
  auto r = scan(padding + section(0, "title=Caf\xE9 \x80 KLM\n" + keys));
  EXPECT_EQ(titles(r), std::vector<std::string>{"Caf\xC3\xA9 \xE2\x82\xAC KLM"});
  r = scan(padding + section(0, "title=Caf\xC3\xA9 KLM\n" + keys));
  EXPECT_EQ(titles(r), std::vector<std::string>{"Caf\xC3\xA9 KLM"});
}

// A file beyond the size limit is reported and not read; one at the limit is read.
TEST_F(CfgSections, OversizeFileIsReportedAndSkipped) {
  const std::string body = section(0, "title=A\natc_parking_codes=KLM\ntexture=KLM\nsim=B738\n") + "//";
  for (const std::size_t size : {g_maxAircraftCfgBytes, g_maxAircraftCfgBytes + 1}) {
    const std::string head = "[General]\natc_model=B738\n";
    const auto file = test::aircraftFolder(dir_ / std::to_string(size), "aircraft.cfg",
                                           head + body + std::string(size - head.size() - body.size(), '-'), {"KLM"});
    ASSERT_EQ(std::filesystem::file_size(file), size);
    const auto r = lf_searchLiveriesinFile(1, file, inputs_);
    if (size == g_maxAircraftCfgBytes) {
      EXPECT_EQ(titles(r), std::vector<std::string>{"A"});
      EXPECT_TRUE(r.reports.invalidCfgFiles.empty());
    } else {
      EXPECT_TRUE(r.liveries.empty());
      EXPECT_EQ(std::vector<std::string>(r.reports.invalidCfgFiles.begin(), r.reports.invalidCfgFiles.end()),
                std::vector<std::string>{file.string() + " is larger than 1048576 bytes, not read"});
      EXPECT_TRUE(r.reports.noFltsimFiles.empty());
    }
  }
  const auto ivao = test::aircraftFolder(dir_ / "IVAO_MTL" / "IVAO_B738", "aircraft.cfg",
                                         std::string(g_maxAircraftCfgBytes + 1, '-'), {});
  EXPECT_EQ(lf_searchLiveriesinIVAOFile(1, ivao, inputs_).reports.invalidCfgFiles.front(),
            ivao.string() + " is larger than 1048576 bytes, not read");
}

}  // namespace
}  // namespace vexo
