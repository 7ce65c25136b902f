#include "airports/airport_file.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "airports/airport_writer.h"
#include "airports_fixture.h"
#include "foundation/error.h"
#include "refdata/codes.h"

namespace vexo::test {
namespace {

using AirportFileTest = AirportsTest;

LearnedFlight flight(const char* reg, const char* cs, const char* cs2, std::uint32_t day, const char* hh,
                     std::uint32_t real = 1, std::uint8_t cpl = 0) {
  LearnedFlight f;
  f.codes.airlineId = gf_airlineCode2Id("KLM");
  f.codes.modelId = gf_modelCode2Id("B738");
  f.registration = reg;
  f.callsign = cs;
  f.callsign2 = cs2;
  f.day = day;
  f.hh = gf_hours2bitset(hh);
  f.real = real;
  f.cpl = cpl;
  f.index = 1;
  return f;
}

ParkingPosition stand(const char* id, double lat, double lon, std::uint16_t type = 0) {
  return ParkingPosition(id, {}, lat, lon, 1.5, 37.0, type, false, false, false);
}

std::vector<ParkingPosition> readBack(const pugi::xml_document& document, std::uint32_t archived = 1) {
  std::vector<ParkingPosition> stands;
  lf_readStands(gf_airportFileElement(document, "parkpositions"), stands, archived);
  return stands;
}

pugi::xml_document written(const AirportFile& file, StandWriteMode mode) {
  EXPECT_TRUE(gf_writeAirportFile(file, "out/EHAM.xml", mode, 3));
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file("out/EHAM.xml"));
  return document;
}

void expectSameFlights(const std::vector<LearnedFlight>& a, const std::vector<LearnedFlight>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t n = 0; n < a.size(); ++n) {
    EXPECT_EQ(a[n].registration, b[n].registration);
    EXPECT_EQ(a[n].callsign, b[n].callsign);
    EXPECT_EQ(a[n].callsign2, b[n].callsign2);
    EXPECT_EQ(a[n].day, b[n].day);
    EXPECT_EQ(a[n].hh, b[n].hh);
    EXPECT_EQ(a[n].real, b[n].real);
    EXPECT_EQ(a[n].cpl, b[n].cpl);
    if (b[n].codes.marker == 0) {
      EXPECT_EQ(a[n].codes, b[n].codes);  // else found again by the dbase
    }
  }
}

// The attributes of one element as name=value, in document order.
std::vector<std::string> attributesOf(const pugi::xml_node& node) {
  std::vector<std::string> out;
  for (const pugi::xml_attribute& a : node.attributes()) out.push_back(std::string(a.name()) + "=" + a.value());
  return out;
}

TEST_F(AirportFileTest, AFullWriteReadsBackStandForStand) {
  AirportFile file;
  file.airportName = "Schiphol";
  file.publisher = "Big Pub";
  file.altitude = -11;
  file.stands.push_back(stand("A1", 52.301234, 4.761234, 5));
  file.stands.push_back(ParkingPosition("H 2", {}, -33.5, 151.25, 3.0, 12.5, 0, true, true, true));
  file.stands.back().manual = 1;
  const auto document = written(file, StandWriteMode::full);
  EXPECT_EQ(gf_airportFileElement(document, "parameters").find_child_by_attribute("name", "num_parkpos")
                .attribute("value")
                .as_int(),
            2);
  const auto back = readBack(document);
  ASSERT_EQ(back.size(), 2U);
  EXPECT_EQ(back[0].id, "A1");
  EXPECT_DOUBLE_EQ(back[0].latitude, 52.301234);
  EXPECT_NEAR(back[0].heading, 1.5, 0.001);
  EXPECT_NEAR(back[0].radius, file.stands[0].radius, 1e-9);
  EXPECT_EQ(back[0].cargo, 1) << "type 5 is a cargo stand";
  EXPECT_EQ(back[1].heli, 1);
  EXPECT_EQ(back[1].cargo, 1);
  EXPECT_EQ(back[1].ramp, 1);
  EXPECT_TRUE(back[1].learnedFlights.empty());
}

TEST_F(AirportFileTest, ALearnedWriteKeepsEveryFlightField) {
  AirportFile file;
  ParkingPosition s = stand("B7", 52.3, 4.76);
  s.learnedFlights.push_back(flight("PH-BXA", "KLM123", "KLM9", 1, "20:23", 1, 1));
  s.learnedFlights.push_back(flight("PH-BXB", "KLM5", "", 7, "47", 0, 0));
  s.learnedFlights.push_back(flight("PH-BXC", "", "", 3, "1:2"));
  s.learnedFlights[2].codes.marker = 1;  // a dbase code word is found again from reg
  file.stands.push_back(std::move(s));
  const auto document = written(file, StandWriteMode::learned);
  const pugi::xml_node parkpos = gf_airportFileElement(document, "parkpositions").child("parkpos");
  EXPECT_FALSE(parkpos.attribute("latitude")) << "a learned stand carries no position";
  const pugi::xml_node first = parkpos.child("opt");
  EXPECT_STREQ(first.attribute("hh").value(), "20:23");
  EXPECT_STREQ(first.attribute("cs").value(), "KLM123:KLM9");
  EXPECT_STREQ(first.attribute("airl").value(), "KLM");
  EXPECT_FALSE(parkpos.child("opt").next_sibling().next_sibling().attribute("airl"));
  FlightLookups reading;
  const auto flights = lf_readOpts(parkpos, 0, reading);
  expectSameFlights(flights, file.stands[0].learnedFlights);
  EXPECT_EQ(flights[2].index, 3U);
}

// The reader looks each text up once per file: many distinct registrations and callsigns,
// each repeated, must each keep their own, and a registration's codes come with the opt.
TEST_F(AirportFileTest, ManyDistinctTextsReadBackEachAsWritten) {
  AirportFile file;
  ParkingPosition s = stand("E5", 52.3, 4.76);
  for (std::uint32_t n = 0; n < 3000; ++n) {
    const std::string reg = fmt::format("PH-{:04}", n % 1500);
    const std::string cs = fmt::format("KLM{}", n % 700);
    const std::string cs2 = n % 3 == 0 ? fmt::format("MP{}", n % 11) : std::string();
    LearnedFlight f = flight(reg.c_str(), cs.c_str(), cs2.c_str(), 1 + n % 7, n % 2 == 0 ? "4:5" : "30");
    f.index = n + 1;
    if (n >= 1500 && n % 2 == 1) f.codes.modelId = gf_modelCode2Id("A320");  // same registration, other model
    s.learnedFlights.push_back(f);
  }
  file.stands.push_back(std::move(s));
  const auto document = written(file, StandWriteMode::learned);
  FlightLookups reading;
  const auto flights = lf_readOpts(gf_airportFileElement(document, "parkpositions").child("parkpos"), 0, reading);
  expectSameFlights(flights, file.stands[0].learnedFlights);
}

// A stand of a handmade file must keep its place when its radius changed at run time.
TEST_F(AirportFileTest, AHandmadeStandWithARunTimeChangeIsWrittenInFull) {
  g_handmadeFile = true;
  AirportFile file;
  ParkingPosition s = stand("C3", 52.3, 4.76);
  s.radius_change = 1;
  s.learnedFlights.push_back(flight("PH-BXA", "KLM1", "", 2, "5"));
  file.stands.push_back(std::move(s));
  const auto back = readBack(written(file, StandWriteMode::learned), 0);
  ASSERT_EQ(back.size(), 1U);
  EXPECT_DOUBLE_EQ(back[0].latitude, 52.3);
  EXPECT_EQ(back[0].learnedFlights.size(), 1U);
}

TEST_F(AirportFileTest, ARadiusChangeIsWrittenAloneInMetres) {
  AirportFile file;
  ParkingPosition s = stand("D4", 52.3, 4.76);
  s.radius = 40.0 / 1852.0;
  s.radius_change = 1;
  s.learnedFlights.push_back(flight("PH-X", "", "", 1, "3,5"));  // two runs: not written
  file.stands.push_back(std::move(s));
  const auto document = written(file, StandWriteMode::learned);
  const pugi::xml_node parkpos = gf_airportFileElement(document, "parkpositions").child("parkpos");
  EXPECT_STREQ(parkpos.attribute("radius_change").value(), "true");
  EXPECT_STREQ(parkpos.attribute("radius").value(), "40.0");
  EXPECT_FALSE(parkpos.attribute("latitude"));
  EXPECT_FALSE(parkpos.child("opt"));
  EXPECT_TRUE(log_.contains("bit set problem: PH-X"));
}

// Files written by hand or by other tools: a byte-order mark, CRLF line ends, unknown
// elements and attributes, missing attributes, no root element.
TEST_F(AirportFileTest, AHandEditedFileReadsAsTheFormatSays) {
  const std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<parkpositions>\r\n"
      "  <parkpos id=\" A1 \t\" latitude=\"52.5\" longitude=\"4.5\" type=\"5\" cargo=\"false\" colour=\"red\">\r\n"
      "    <opt reg=\"PH-A\" day=\"8\" hh=\"4\"/><opt reg=\"PH-B\" day=\"2\" hh=\"\"/>\r\n"
      "    <opt reg=\"PH-C\" day=\"2\" hh=\"x:y\"/><opt reg=\"PH-D\" day=\"2\" hh=\"6:7\" soft=\"TRUE\"/>\r\n"
      "    <note>keep</note>\r\n  </parkpos>\r\n"
      "  <parkpos id=\"A2\" latitude=\"0\" longitude=\"4.5\" cargo=\"true\" ramp=\"1\"/>\r\n"
      "  <parkpos id=\"A3\"/>\r\n</parkpositions>\r\n";
  const auto document = parse(text);
  const auto stands = readBack(document);
  ASSERT_EQ(stands.size(), 2U) << "A3 without a position is dropped";
  EXPECT_EQ(stands[0].id, "A1");
  EXPECT_EQ(stands[0].cargo, 1) << "the type decides over the attribute";
  ASSERT_EQ(stands[0].learnedFlights.size(), 1U) << "day 8, no hours and a malformed hh drop their opt only";
  EXPECT_EQ(stands[0].learnedFlights[0].registration, "PH-D");
  EXPECT_EQ(stands[0].learnedFlights[0].index, 1U);
  EXPECT_EQ(stands[0].learnedFlights[0].real, 0U);
  EXPECT_EQ(stands[0].learnedFlights[0].archived, 1U);
  EXPECT_EQ(stands[1].id, "A2") << "latitude 0 with a longitude is a position";
  EXPECT_EQ(stands[1].cargo, 1);
  EXPECT_EQ(stands[1].ramp, 1);
  EXPECT_EQ(stands[1].radius, 0.0);
}

TEST_F(AirportFileTest, StandListErrorsNameTheStand) {
  const struct {
    const char* stands;
    int code;
    const char* message;
  } cases[] = {
      {R"(<parkpos latitude="1" longitude="1"/>)", 93, "93: Parking position #1 has no 'id' attribute."},
      {R"(<parkpos id="A" latitude="1" longitude="1"/><parkpos id=" 	"/>)", 93, "93: Stand #2 has empty 'id' attribute."},
      {R"(<parkpos id="A" latitude="1" longitude="1"/><parkpos id=" A "/>)", 94, "94: Stand 'A' appears more than once."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stands);
    const auto document = parse(std::string("<root><parkpositions>") + c.stands + "</parkpositions></root>");
    std::vector<ParkingPosition> stands;
    try {
      lf_readStands(gf_airportFileElement(document, "parkpositions"), stands, 1);
      ADD_FAILURE() << "no error";
    } catch (const UserErrorException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST_F(AirportFileTest, StandTypesFiveAndSixAreCargoStandsWhateverTheAttributeSays) {
  const auto stands = readBack(parse(
      R"(<parkpositions><parkpos id="C5" latitude="1" longitude="1" type="5" cargo="false"/>)"
      R"(<parkpos id="C6" latitude="1" longitude="2" type="6" cargo="false"/>)"
      R"(<parkpos id="C7" latitude="1" longitude="3" type="7" cargo="true"/></parkpositions>)"));
  ASSERT_EQ(stands.size(), 3U);
  EXPECT_EQ(stands[0].cargo, 1);
  EXPECT_EQ(stands[1].cargo, 1);
  EXPECT_EQ(stands[2].cargo, 0);
}

// The parameters block: which keys each kind of write carries, in the writer's order.
TEST_F(AirportFileTest, EachWriteCarriesTheParametersOfItsKind) {
  SettingsState& s = g_settings;
  s.RANGE.value = 12;
  s.AUTO_RANGE.value = false;
  s.WEEK.value = true;
  s.PARK_SOFT.value = false;
  s.parking_percentage.value = 45;
  s.INITIAL_LOAD_ONLY.value = true;
  s.MAX_FIT_FL.value = 10.5F;
  s.MAX_LIVE_SEL.value = 75;
  AirportFile file;
  file.airportName = "Schiphol";
  file.bglPath = "scenery/EHAM.bgl";
  file.altitude = -11;
  file.Qf_real = 12;
  file.Qf_soft = 34;
  file.stands.push_back(stand("A1", 52.3, 4.76));
  const std::vector<std::string> learnedSettings{"RANGE=12",        "AUTO_RANGE=false",      "WEEK=true",
                                                 "PARK_SOFT=false", "parking_percentage=45", "INITIAL_LOAD_ONLY=true",
                                                 "MAX_FIT=20",      "MAX_LIVE_SEL=75"};
  const auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const struct {
    StandWriteMode mode;
    bool handmade;
    const char* publisher;
    std::vector<std::string> parameters;
  } cases[] = {
      {StandWriteMode::full,
       false,
       "Big Pub",
       {"airport_name=Schiphol", "publisher=Big Pub", "altitude=-11", "num_parkpos=1"}},
      {StandWriteMode::full,
       false,
       "",
       {"airport_name=Schiphol", "publisher=", "altitude=-11", "num_parkpos=1", "BGLpath=scenery/EHAM.bgl"}},
      {StandWriteMode::learned, false, "Big Pub",
       with({"airport_name=Schiphol", "publisher=Big Pub"}, learnedSettings)},
      {StandWriteMode::learned, true, "Big Pub",
       with({"airport_name=Schiphol", "publisher=Big Pub", "handmade=true", "altitude=-11", "Qf_real=12", "Qf_soft=34"},
            learnedSettings)},
      {StandWriteMode::learned, true, "",
       with({"airport_name=Schiphol", "publisher=", "handmade=true", "altitude=-11", "Qf_real=12", "Qf_soft=34",
             "BGLpath=scenery/EHAM.bgl"},
            learnedSettings)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fmt::format("mode {} handmade {} publisher '{}'", static_cast<int>(c.mode), c.handmade, c.publisher));
    g_handmadeFile = c.handmade;
    file.publisher = c.publisher;
    const auto document = written(file, c.mode);
    std::vector<std::string> parameters;
    for (const pugi::xml_node& p : gf_airportFileElement(document, "parameters").children())
      parameters.push_back(std::string(p.attribute("name").value()) + "=" + p.attribute("value").value());
    EXPECT_EQ(parameters, c.parameters);
  }
  // MAX_FIT is the half-hour count of the hours setting: round(2 x hours) - 1.
  g_handmadeFile = false;
  for (const auto& [hours, maxFit] : {std::pair{0.5F, "0"}, std::pair{1.0F, "1"}, std::pair{24.0F, "47"}}) {
    s.MAX_FIT_FL.value = hours;
    const auto document = written(file, StandWriteMode::learned);
    EXPECT_STREQ(gf_airportFileElement(document, "parameters")
                     .find_child_by_attribute("name", "MAX_FIT")
                     .attribute("value")
                     .value(),
                 maxFit)
        << hours;
  }
}

// A stand's attributes by mode: the full write gives every stand its geometry; the learned
// write gives it to a manual stand only, and to the others what changed at run time.
TEST_F(AirportFileTest, EachStandCarriesTheAttributesOfItsKindInTheirFormats) {
  ParkingPosition plain("G1", {}, 52.1234567, -4.5, 1.5, 37.04, 14, false, true, false);
  ParkingPosition marked("H2", {}, -33.0000004, 151.25, 0.0, 12.96, 0, true, false, true);
  marked.manual = 1;
  ParkingPosition radius = stand("R3", 52.3, 4.76);
  radius.radius = 40.04 / 1852.0;
  radius.radius_change = 1;
  ParkingPosition cargo = stand("C4", 52.3, 4.76);
  cargo.cargo = 1;
  cargo.cargo_change = 1;
  ParkingPosition both = stand("B5", 52.3, 4.76);
  both.radius_change = 1;
  both.cargo_change = 1;
  AirportFile file;
  for (ParkingPosition* s : {&plain, &marked, &radius, &cargo, &both}) file.stands.push_back(std::move(*s));
  const std::vector<std::string> geometryG1{"id=G1",        "latitude=52.123457", "longitude=-4.500000",
                                            "heading=85.9", "radius=37.0",        "type=14",
                                            "cargo=false",  "ramp=true"};
  const std::vector<std::string> geometryH2{
      "id=H2",  "latitude=-33.000000", "longitude=151.250000", "heading=0.0", "radius=13.0",
      "type=0", "cargo=true",          "ramp=false",           "heli=true",   "manual=true"};
  const auto standsOf = [](const pugi::xml_document& document) {
    std::vector<std::vector<std::string>> out;
    for (const pugi::xml_node& p : gf_airportFileElement(document, "parkpositions").children("parkpos"))
      out.push_back(attributesOf(p));
    return out;
  };
  const auto full = standsOf(written(file, StandWriteMode::full));
  ASSERT_EQ(full.size(), 5U);
  EXPECT_EQ(full[0], geometryG1);
  EXPECT_EQ(full[1], geometryH2);
  EXPECT_EQ(full[2].size(), 8U) << "change flags are not part of the full write";
  const auto learned = standsOf(written(file, StandWriteMode::learned));
  ASSERT_EQ(learned.size(), 5U);
  EXPECT_EQ(learned[0], std::vector<std::string>{"id=G1"});
  EXPECT_EQ(learned[1], geometryH2);
  EXPECT_EQ(learned[2], (std::vector<std::string>{"id=R3", "radius_change=true", "radius=40.0"}));
  EXPECT_EQ(learned[3], (std::vector<std::string>{"id=C4", "cargo_change=true", "cargo=true"}));
  EXPECT_EQ(learned[4], (std::vector<std::string>{"id=B5", "radius_change=true", "radius=37.0", "cargo_change=true",
                                                  "cargo=false"}));
}

// A flight's attributes: the codes only for a flight whose codes are not the dbase's,
// soft and cpl only when set, cs only with a callsign; no opt for a flight taken out
// (index 0) or without a registration.
TEST_F(AirportFileTest, EachFlightCarriesTheAttributesOfItsKind) {
  AirportFile file;
  ParkingPosition s = stand("B7", 52.3, 4.76);
  s.learnedFlights.push_back(flight("PH-A", "KLM1", "KLM2", 1, "20:23", 1, 1));
  s.learnedFlights.push_back(flight("PH-B", "KLM3", "", 7, "47", 0));
  s.learnedFlights.back().codes.marker = 1;
  s.learnedFlights.push_back(flight("PH-C", "", "KLM4", 3, "0"));
  s.learnedFlights.push_back(flight("PH-D", "KLM5", "", 2, "4"));
  s.learnedFlights.back().index = 0;
  s.learnedFlights.push_back(flight("", "KLM6", "", 2, "5"));
  file.stands.push_back(std::move(s));
  const auto document = written(file, StandWriteMode::learned);
  std::vector<std::vector<std::string>> opts;
  for (const pugi::xml_node& opt : gf_airportFileElement(document, "parkpositions").child("parkpos").children("opt"))
    opts.push_back(attributesOf(opt));
  EXPECT_EQ(opts, (std::vector<std::vector<std::string>>{
                      {"reg=PH-A", "airl=KLM", "type=B738", "day=1", "hh=20:23", "cs=KLM1:KLM2", "cpl=true"},
                      {"reg=PH-B", "soft=true", "day=7", "hh=47", "cs=KLM3"},
                      {"reg=PH-C", "airl=KLM", "type=B738", "day=3", "hh=0"},
                  }));
  EXPECT_FALSE(log_.contains("bit set problem")) << "leaving out a flight without registration is not a problem";
}

// The stand type decides cargo and ramp; only type 0 leaves them to their attributes.
TEST_F(AirportFileTest, TheStandTypeDecidesCargoAndRamp) {
  std::string stands = "<parkpositions>";
  for (int type = 0; type < 16; ++type)
    stands += fmt::format(R"(<parkpos id="T{}" latitude="1" longitude="{}" type="{}" cargo="true" ramp="true"/>)", type,
                          type + 1, type);
  stands += R"(<parkpos id="N" latitude="1" longitude="20" cargo="false" ramp="false"/></parkpositions>)";
  const auto read = readBack(parse(stands));
  ASSERT_EQ(read.size(), 17U);
  std::string cargo;
  std::string ramp;
  for (const ParkingPosition& s : read) {
    cargo += s.cargo != 0 ? 'c' : '-';
    ramp += s.ramp != 0 ? 'r' : '-';
  }
  //                  type 0123456789012345 and none
  EXPECT_EQ(cargo, "c----cc----------");
  EXPECT_EQ(ramp, "rrrrr---------r--");
}

// The opt reader takes the forms the writer uses by a short way; every hh text must still
// read as the general hours reader reads it, and day as a number after blanks, or 0.
TEST_F(AirportFileTest, HoursAndDayOfAnOptReadAsTheGeneralReadersDo) {
  pugi::xml_document document;
  pugi::xml_node opt = document.append_child("opt");
  pugi::xml_attribute hh = opt.append_attribute("hh");
  pugi::xml_attribute day = opt.append_attribute("day");
  day.set_value("3");
  std::vector<std::string> texts = {"",     "5:",    ":5",    "48", "47:48", "9:3", "+3",    "-1:4",  " 3:4",
                                    "3 :4", "003:4", "1:2:3", "x",  "4:x",   "100", "0:100", "07:09", "7 "};
  for (int first = 0; first <= 47; ++first) {
    texts.push_back(fmt::format("{}", first));
    texts.push_back(fmt::format("{:02}", first));
    for (int last = first; last <= 47; last += 5) texts.push_back(fmt::format("{}:{}", first, last));
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    hh.set_value(text.c_str());
    EXPECT_EQ(lf_optAttributes(opt).hh, gf_hours2bitset(text));
  }
  hh.set_value("4");
  const struct {
    const char* text;
    std::int32_t day;
  } days[] = {{"1", 1}, {"7", 7},  {"0", 0},   {"8", 8},  {" 3 ", 3}, {"3x", 3},   {"", 0},
              {"x", 0}, {"+3", 0}, {"-2", -2}, {"07", 7}, {"12", 12}, {"\t5\n", 5}};
  for (const auto& c : days) {
    SCOPED_TRACE(c.text);
    day.set_value(c.text);
    EXPECT_EQ(lf_optAttributes(opt).day, c.day);
  }
}

// Attributes are told apart by their whole names: names that share a first letter or a
// start with a known one are not read as it, and the last of a repeated name counts.
TEST_F(AirportFileTest, AnOptsAttributesAreKnownByTheirWholeNames) {
  const auto document = parse(
      R"(<opt r="x" regx="x" reg="PH-A" a="x" airline="x" airl="KLM" t="x" types="x" type="B738" days="9" day="2" )"
      R"(d="9" h="9" hhh="9" hh="4:5" c="x" css="x" cs="KLM1:KL2" cplx="1" cp="1" soft1="1" s="1" reg="PH-B"/>)");
  const OptAttributes read = lf_optAttributes(document.child("opt"));
  EXPECT_EQ(read.registration, "PH-B");
  EXPECT_EQ(read.airline, "KLM");
  EXPECT_EQ(read.model, "B738");
  EXPECT_EQ(read.day, 2);
  EXPECT_EQ(read.hours, "4:5");
  EXPECT_EQ(read.callsigns, "KLM1:KL2");
  EXPECT_EQ(read.cpl, 0);
  EXPECT_EQ(read.real, 1U);
  const auto flagged = parse(R"(<opt cpl=" TRUE " soft="1"/>)");
  const OptAttributes flags = lf_optAttributes(flagged.child("opt"));
  EXPECT_EQ(flags.cpl, 1);
  EXPECT_EQ(flags.real, 0U);
}

// The table keeps its keys: a text asked for again finds its value after the memory it was
// first read from has changed, and the texts stay apart as the table grows.
TEST_F(AirportFileTest, ATextKeyedTableKeepsItsKeysWhateverBecomesOfTheirSource) {
  TextKeyedTable<int> table;
  std::string source;
  int made = 0;
  for (int n = 0; n < 2000; ++n) {
    source = fmt::format("PH-{}", n);
    EXPECT_EQ(table.findOrAdd(source, [&] { return ++made; }), n + 1);
    source.assign(source.size(), '#');  // the document's text is gone
  }
  EXPECT_EQ(table.findOrAdd("", [&] { return ++made; }), 2001) << "the empty text is a key of its own";
  for (int n = 0; n < 2000; ++n) {
    const std::string text = fmt::format("PH-{}", n);
    EXPECT_EQ(table.findOrAdd(text, [&] { return ++made; }), n + 1) << text;
  }
  EXPECT_EQ(table.findOrAdd("", [&] { return ++made; }), 2001);
  EXPECT_EQ(made, 2001);
}

}  // namespace
}  // namespace vexo::test
