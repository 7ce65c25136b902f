#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "record_helpers.h"
#include "refdata/codes.h"
#include "test_support.h"

using namespace vexo;
using vexo::test::IntakeScope;
using vexo::test::makeContext;
using vexo::test::makeRecord;

namespace {

constexpr double g_eps = 1e-9;

// Each logged line is a minute after the one before: nothing is held back by the limit.
struct Reader {
  std::unique_ptr<TrafficReceiver> receiver = [] {
    auto r = std::make_unique<TrafficReceiver>();
    r->foreignLog.setClock([t = std::chrono::steady_clock::time_point{}]() mutable { return t += std::chrono::minutes(1); });
    return r;
  }();
  RecordOutcome read(const std::string& record, const RecordContext& context = makeContext()) {
    return receiver->processDatagram(record, context);
  }
};

}  // namespace

TEST(TrafficRecord, AcceptedRecordFillsTheReport) {
  IntakeScope intake;
  Reader reader;
  g_trafficTick.store(500);
  ASSERT_EQ(reader.read(makeRecord()), RecordOutcome::accepted);
  ASSERT_EQ(intake.size(), 1u);
  const LiveReport report = intake.back();
  EXPECT_EQ(report.hexid, 11234567u);
  EXPECT_EQ(report.reportTime, 1700000000.0);
  EXPECT_EQ(reader.receiver->recordTime.load(), 1700000000.0);
  EXPECT_EQ(report.pos.lat, 33.94);
  EXPECT_EQ(report.pos.lon, -118.4);
  EXPECT_EQ(report.pos.altitude, 5000.0);
  EXPECT_EQ(report.pos.groundSpeed, 200.0);
  EXPECT_EQ(report.pos.track, 90.0);
  EXPECT_EQ(report.pos.verticalRate, -500.0);
  EXPECT_EQ(report.pos.speed, 220.0);  // unknown: 5000 ft is within the 5000 ft step
  EXPECT_EQ(report.pos.dueTick, 3500);
  EXPECT_EQ(report.pos.airborne, 1);
  EXPECT_EQ(report.pos.trueHeadingValid, 1);
  EXPECT_EQ(report.pos.adsbHeading, 1);
  ASSERT_TRUE(report.pos.trueHeadingValid);
  EXPECT_NEAR(report.pos.trueHeading, M_PI / 2, g_eps);
  EXPECT_FALSE(report.pos.rollValid);
  EXPECT_EQ(report.ident.callsign, "AAL123");
  EXPECT_EQ(report.ident.registration, "N12345");
  EXPECT_EQ(report.ident.origin, IataCode("LAX"));
  EXPECT_EQ(report.ident.destination, IataCode("SFO"));
  EXPECT_EQ(report.ident.codes.modelId, gf_modelCode2Id("B738"));
  EXPECT_EQ(report.ident.codes.airlineId, 0);
  g_trafficTick.store(0);
}

TEST(TrafficRecord, VehiclesHexidsAndNonAircraftAreDropped) {
  IntakeScope intake;
  Reader reader;
  EXPECT_EQ(reader.read(makeRecord({{1, "11 VEH"}})), RecordOutcome::vehicle);
  EXPECT_EQ(reader.receiver->recordTime.load(), 0.0);  // not a record: the clock stands
  EXPECT_EQ(reader.read(makeRecord({{1, "10000"}})), RecordOutcome::hexidTooLow);
  EXPECT_EQ(reader.read(makeRecord({{1, "10001"}})), RecordOutcome::accepted);
  for (const char* type : {"BALL", "EMER", "GLID", "GRND", "GND", "PARA", "SERV", "SHIP", "VENT", "TWR", "B738X",
                           "BALLOON", "null", ""})
    EXPECT_EQ(reader.read(makeRecord({{10, type}})), RecordOutcome::notAnAircraft) << type;
  for (const char* category : {"B1", "B2", "B4", "C1", "C2"})
    EXPECT_EQ(reader.read(makeRecord({{28, category}})), RecordOutcome::notAnAircraft) << category;
  EXPECT_EQ(reader.read(makeRecord({{28, "B3"}})), RecordOutcome::accepted);
  EXPECT_EQ(reader.read(makeRecord({{10, "A20N"}})), RecordOutcome::accepted);  // four characters are a type
  // A vehicle is marked by " VEH"; the letters alone are no mark.
  EXPECT_EQ(reader.read(makeRecord({{9, "VEH12"}})), RecordOutcome::accepted);
  EXPECT_EQ(reader.read(makeRecord({{11, "N1234567890123"}})), RecordOutcome::registrationTooLong);
  EXPECT_EQ(reader.read(makeRecord({{2, "35.0"}})), RecordOutcome::outOfRange);  // about 64 nm north
  EXPECT_EQ(intake.size(), 4u);
}

TEST(TrafficRecord, FieldErrorsAreLoggedAndLoseTheRecord) {
  test::LogCapture log;
  IntakeScope intake;
  Reader reader;
  const std::pair<test::FieldChanges, std::string> cases[] = {
      {{{1, "abc"}}, "hexid incorrectabc"},
      {{{1, "4294967296"}}, "hexid incorrect4294967296"},
      {{{2, ""}}, "lat:"},
      {{{3, "x1"}}, "lon:x1"},
      {{{2, "0.00005"}, {3, "-0.00005"}}, "invalid lalo: 0.000050,-0.000050"},
      {{{2, "91"}}, "invalid lalo: 91.000000,-118.400000"},
      {{{2, "90.0001"}}, "invalid lalo: 90.000100,-118.400000"},
      {{{2, "-90.0001"}}, "invalid lalo: -90.000100,-118.400000"},
      {{{3, "180.0001"}}, "invalid lalo: 33.940000,180.000100"},
      {{{3, "-180.0001"}}, "invalid lalo: 33.940000,-180.000100"},
      {{{5, "?"}}, "vs:?"},
      {{{7, "east"}}, "track incorrect east"},
      {{{8, ""}}, "gs:"},
      {{{14, "now"}}, "timestamp:now"},
      // Times the traffic clock cannot take: never cast to a whole number.
      {{{14, "1e300"}}, "timestamp out of range:1e300"},
      {{{14, "-1700000000"}}, "timestamp out of range:-1700000000"},
      {{{14, "0.999"}}, "timestamp out of range:0.999"},
      {{{14, "253402300800"}}, "timestamp out of range:253402300800"},
      {{{20, "fast"}}, "TAS incorrectfast"},
      {{{23, "x"}}, "roll:x"},
      {{{25, "361"}}, "trueheading: 361.00"},
      {{{25, ""}}, "trueheading:"},
  };
  for (const auto& [changes, message] : cases) {
    EXPECT_EQ(reader.read(makeRecord(changes)), RecordOutcome::fieldError) << message;
    EXPECT_TRUE(log.contains("exception in processLineSub: " + message)) << message;
  }
  // The bounds themselves are positions: far away, so out of range, but no error.
  for (const auto& [field, text] : {std::pair{2, "90"}, {2, "-90"}, {3, "180"}, {3, "-180"}})
    EXPECT_EQ(reader.read(makeRecord({{field, text}})), RecordOutcome::outOfRange) << field << " " << text;
  const std::string badAltitude = makeRecord({{4, "high"}});
  EXPECT_EQ(reader.read(badAltitude), RecordOutcome::fieldError);
  EXPECT_TRUE(log.contains("exception in processLineSub: altitude high incorrect, from: " + badAltitude));
  EXPECT_EQ(intake.size(), 0u);
}

TEST(TrafficRecord, NonFiniteNumbersAreFieldErrors) {
  test::LogCapture log;
  IntakeScope intake;
  Reader reader;
  for (const char* bad : {"inf", "-inf", "nan", "infinity", "NAN", "1e999"}) {
    for (const std::size_t field : {2, 3, 4, 5, 7, 8, 14, 20, 23, 25})
      EXPECT_EQ(reader.read(makeRecord({{field, bad}})), RecordOutcome::fieldError) << field << " " << bad;
  }
  EXPECT_EQ(intake.size(), 0u);
  EXPECT_TRUE(log.contains("exception in processLineSub: lat:inf"));
  EXPECT_TRUE(log.contains("exception in processLineSub: TAS incorrectnan"));
}

TEST(TrafficRecord, ShortRecordsAreDroppedBeforeAnyField) {
  test::LogCapture log;
  IntakeScope intake;
  Reader reader;
  std::string record = makeRecord();
  record.resize(record.rfind(','));  // 28 fields
  EXPECT_EQ(reader.read(record), RecordOutcome::tooFewFields);
  EXPECT_EQ(reader.read("RTTFC,11234567,33.94,-118.4"), RecordOutcome::tooFewFields);
  EXPECT_EQ(reader.read(""), RecordOutcome::tooFewFields);
  EXPECT_EQ(reader.receiver->recordTime.load(), 0.0);
  EXPECT_TRUE(log.contains("record of 28 fields, at least 29 expected"));
  // 29 fields with an empty last one is a whole record.
  EXPECT_EQ(reader.read(makeRecord({{28, ""}})), RecordOutcome::accepted);
  EXPECT_EQ(reader.read(makeRecord() + ",extra,fields"), RecordOutcome::accepted);
}

TEST(TrafficRecord, GroundAndAirborneByHeightAndSpeed) {
  IntakeScope intake;
  Reader reader;
  // 30 knots at 5000 ft is on the ground; 3 nm from the park airport it is a ground report.
  const std::string slow = makeRecord({{2, "33.9925"}, {3, "-118.408"}, {8, "30"}});
  ASSERT_EQ(reader.read(slow), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.altitude, 0.0);
  EXPECT_EQ(intake.back().pos.airborne, 0);
  EXPECT_FALSE(intake.back().pos.rollValid);
  // On the ground the roll field is not read at all.
  for (const char* roll : {"10", "bank"}) {
    ASSERT_EQ(reader.read(makeRecord({{2, "33.9925"}, {3, "-118.408"}, {8, "30"}, {23, roll}})), RecordOutcome::accepted);
    EXPECT_FALSE(intake.back().pos.rollValid) << roll;
  }
  EXPECT_EQ(reader.read(slow, makeContext(false)), RecordOutcome::groundAwayFromPark);
  // 6 nm away from the park airport is too far for a ground report.
  EXPECT_EQ(reader.read(makeRecord({{2, "34.0425"}, {8, "30"}})), RecordOutcome::groundAwayFromPark);

  RecordContext field = makeContext();
  field.parkAirportElevation = 1000.0;
  ASSERT_EQ(reader.read(makeRecord({{4, "1040"}, {8, "100"}}), field), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.altitude, 0.0);  // 40 ft above the field at 100 knots
  ASSERT_EQ(reader.read(makeRecord({{4, "1040"}, {8, "130"}}), field), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.altitude, 1040.0);
  // Low above the field and slow is on the ground: each height step with its speed, just
  // below, at and just above either bound (field elevation 1000 ft).
  struct Case {
    const char* altitude;
    const char* speed;
    double elevation;
    double stored;
  };
  const Case cases[] = {
      {"1000", "200", 1000.0, 0.0},      {"1001", "200", 1000.0, 1001.0},   // at the field
      {"1042", "120", 1000.0, 0.0},      {"1043", "120", 1000.0, 1043.0},   {"1042", "120.5", 1000.0, 1042.0},
      {"1084", "80", 1000.0, 0.0},       {"1085", "80", 1000.0, 1085.0},    {"1084", "80.5", 1000.0, 1084.0},
      {"1108", "43", 1000.0, 0.0},       {"1109", "43", 1000.0, 1109.0},    {"1108", "43.5", 1000.0, 1108.0},
      {"13999", "100", 13970.0, 0.0},    {"14000", "100", 13970.0, 14000.0},  // only below 14000 ft
      {"30000", "35", 1000.0, 0.0},      {"30000", "35.5", 1000.0, 30000.0},  // slow is on the ground anywhere
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("{} ft at {} kn, field {} ft", c.altitude, c.speed, c.elevation));
    field.parkAirportElevation = c.elevation;
    ASSERT_EQ(reader.read(makeRecord({{4, c.altitude}, {8, c.speed}}), field), RecordOutcome::accepted);
    EXPECT_EQ(intake.back().pos.altitude, c.stored);
    EXPECT_EQ(intake.back().pos.airborne, c.stored > 0.0 ? 1 : 0);
  }
  field.parkAirportElevation = 1000.0;
  ASSERT_EQ(reader.read(makeRecord({{4, "-50"}, {8, "0"}}), field), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.altitude, 0.0);
  // Without an elevation the field counts as 1000 ft below sea level.
  ASSERT_EQ(reader.read(makeRecord({{4, "-960"}, {8, "130"}}), makeContext(true)), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.altitude, 0.0);

  // Airborne only: more than 150 ft above the park airport (125 ft), or above sea level without one.
  field = makeContext();
  field.airborneOnly = true;
  EXPECT_EQ(reader.read(makeRecord({{4, "270"}, {8, "140"}}), field), RecordOutcome::notAirborne);
  EXPECT_EQ(reader.read(makeRecord({{4, "275"}, {8, "140"}}), field), RecordOutcome::notAirborne);
  EXPECT_EQ(reader.read(makeRecord({{4, "275.5"}, {8, "140"}}), field), RecordOutcome::accepted);
  EXPECT_EQ(reader.read(makeRecord({{4, "280"}, {8, "140"}}), field), RecordOutcome::accepted);
  field.parkAirport.reset();
  EXPECT_EQ(reader.read(makeRecord({{4, "151"}, {8, "140"}}), field), RecordOutcome::accepted);
}

// The range is measured from the user aircraft, the ground radius from the park airport:
// here the park airport lies 18 nm north of the user aircraft (1/60 degree is 1 nm).
TEST(TrafficRecord, RangeFromTheUserGroundRadiusFromTheParkAirport) {
  IntakeScope intake;
  Reader reader;
  RecordContext context = makeContext();
  const LatLon park{test::g_klax.lat + 18.0 / 60.0, test::g_klax.lon};
  context.parkAirport = ParkAirportRef{park, 125.0};
  const auto lat = [](double nmNorthOfUser) { return fmt::format("{:.6f}", test::g_klax.lat + nmNorthOfUser / 60.0); };
  struct Case {
    double nmNorth;
    const char* altitude;
    RecordOutcome outcome;
  };
  const Case cases[] = {
      {-30.0, "5000", RecordOutcome::accepted},            // 48 nm from the park airport
      {39.9, "5000", RecordOutcome::accepted},             {40.1, "5000", RecordOutcome::outOfRange},
      {18.0, "0", RecordOutcome::accepted},                {22.9, "0", RecordOutcome::accepted},
      {23.1, "0", RecordOutcome::groundAwayFromPark},      {0.0, "0", RecordOutcome::groundAwayFromPark},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reader.read(makeRecord({{2, lat(c.nmNorth)}, {3, "-118.408"}, {4, c.altitude}}), context), c.outcome)
        << c.nmNorth << " nm north at " << c.altitude << " ft";
  }
}

TEST(TrafficRecord, HeadingTrackRollAndAirspeed) {
  IntakeScope intake;
  Reader reader;
  ASSERT_EQ(reader.read(makeRecord({{25, "0"}, {7, ""}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.trueHeading, 6.283185307179586);
  EXPECT_NEAR(intake.back().pos.track, 360.0, g_eps);
  // A reported track stays; only a track of 0 is taken from the heading.
  ASSERT_EQ(reader.read(makeRecord({{25, "135"}, {7, "120"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.track, 120.0);
  ASSERT_EQ(reader.read(makeRecord({{25, "135"}, {7, "0"}})), RecordOutcome::accepted);
  EXPECT_NEAR(intake.back().pos.track, 135.0, g_eps);
  // Up to 360 is a heading; only above it is an error.
  ASSERT_EQ(reader.read(makeRecord({{25, "360"}})), RecordOutcome::accepted);
  EXPECT_NEAR(intake.back().pos.trueHeading, 2 * M_PI, g_eps);
  // A negative heading is no heading; another source kind is not read at all.
  ASSERT_EQ(reader.read(makeRecord({{25, "-1"}})), RecordOutcome::accepted);
  EXPECT_FALSE(intake.back().pos.trueHeadingValid);
  EXPECT_EQ(intake.back().pos.trueHeadingValid, 0);
  ASSERT_EQ(reader.read(makeRecord({{17, "adsb_other"}, {25, "garbage"}})), RecordOutcome::accepted);
  EXPECT_FALSE(intake.back().pos.trueHeadingValid);

  ASSERT_EQ(reader.read(makeRecord({{23, "10"}})), RecordOutcome::accepted);
  EXPECT_NEAR(intake.back().pos.roll, -10 * M_PI / 180, g_eps);
  ASSERT_EQ(reader.read(makeRecord({{23, "0"}})), RecordOutcome::accepted);
  EXPECT_FALSE(intake.back().pos.rollValid);

  ASSERT_EQ(reader.read(makeRecord({{4, "7000"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.speed, 250.0);
  ASSERT_EQ(reader.read(makeRecord({{4, "25000"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.speed, 430.0);
  // Each step of the speed by altitude holds up to and including its limit.
  const std::pair<const char*, double> steps[] = {{"1999", 180.0},  {"2000", 180.0},  {"2001", 220.0},
                                                  {"5000", 220.0},  {"5001", 250.0},  {"10000", 250.0},
                                                  {"10001", 350.0}, {"20000", 350.0}, {"20001", 430.0}};
  for (const auto& [altitude, speed] : steps) {
    ASSERT_EQ(reader.read(makeRecord({{4, altitude}})), RecordOutcome::accepted) << altitude;
    EXPECT_EQ(intake.back().pos.speed, speed) << altitude;
  }
  ASSERT_EQ(reader.read(makeRecord({{4, "0"}, {2, "33.9425"}, {3, "-118.41"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.speed, 180.0);  // on the ground: the lowest step
  ASSERT_EQ(reader.read(makeRecord({{20, "312.5"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().pos.speed, 312.5);
}

TEST(TrafficRecord, CallsignsRegistrationsAndAirportCodes) {
  IntakeScope intake;
  Reader reader;
  for (const char* refused : {"ERARMTR1", "AIRPORT1", "00000000"})
    EXPECT_EQ(reader.read(makeRecord({{9, refused}})), RecordOutcome::refusedCallsign) << refused;
  ASSERT_EQ(reader.read(makeRecord({{9, "A@B"}, {12, "null"}, {13, "sfo"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().ident.callsign, "");
  EXPECT_TRUE(intake.back().ident.origin.empty());
  EXPECT_EQ(intake.back().ident.destination, IataCode("SFO"));
  ASSERT_EQ(reader.read(makeRecord({{11, "null"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().ident.registration, "");
  // Registrations of up to 12 characters are kept whole; a longer one drops the record.
  for (const std::string registration : {"N1234567890", "N12345678901", "N123456789012"}) {
    SCOPED_TRACE(registration);
    if (registration.size() <= 12) {
      ASSERT_EQ(reader.read(makeRecord({{11, registration}})), RecordOutcome::accepted);
      EXPECT_EQ(intake.back().ident.registration, registration);
    } else {
      EXPECT_EQ(reader.read(makeRecord({{11, registration}})), RecordOutcome::registrationTooLong);
    }
  }
  EXPECT_EQ(reader.read(makeRecord({{9, "null"}, {11, "null"}})), RecordOutcome::noIdentity);
}

TEST(TrafficRecord, ControlCharactersTimeLimitsAndUnusableRouteCodes) {
  test::LogCapture log;
  IntakeScope intake;
  Reader reader;
  reader.receiver->startCollectingCallsigns();
  using namespace std::string_literals;
  for (const std::size_t field : {9, 10, 11}) {
    for (const std::string& bad : {"AB\0C"s, "\x01"s, "AAL\n12"s, "N1\x1F"s, "B7\x7F"s}) {
      EXPECT_EQ(reader.read(makeRecord({{field, bad}})), RecordOutcome::controlCharacter) << field << " " << bad;
    }
    // Nor do bytes that are no UTF-8, or the two characters XML cannot hold, reach a learned file.
    for (const std::string& bad : {"AB\xFF"s, "\xC3"s, "N\xC0\x80"s, "\xED\xA0\x80"s, "N\xEF\xBF\xBF"s, "\xEF\xBF\xBE"s}) {
      EXPECT_EQ(reader.read(makeRecord({{field, bad}})), RecordOutcome::invalidText) << field << " " << bad;
    }
  }
  EXPECT_TRUE(reader.receiver->callsigns().empty());
  EXPECT_EQ(intake.size(), 0u);
  ASSERT_EQ(reader.read(makeRecord({{9, "D\xC3\x84L1"}, {11, "OE-\xC3\x84\xEF\xBF\xBD"}})), RecordOutcome::accepted);
  EXPECT_EQ(intake.back().ident.callsign, "D\xC3\x84L1");
  EXPECT_EQ(intake.back().ident.registration, "OE-\xC3\x84\xEF\xBF\xBD");

  for (const char* time : {"1", "253402300799"}) {
    EXPECT_EQ(reader.read(makeRecord({{14, time}})), RecordOutcome::accepted) << time;
  }
  // A code of a route that is not three letters or digits is no route; the aircraft stays.
  for (const auto& [origin, destination] : {std::pair{"KLAX", "SFO"}, {"KLAX", "KSFO"}, {"", "S-O"}}) {
    ASSERT_EQ(reader.read(makeRecord({{12, origin}, {13, destination}})), RecordOutcome::accepted) << origin;
    EXPECT_TRUE(intake.back().ident.origin.empty());
    EXPECT_EQ(intake.back().ident.destination.empty(), std::string_view(destination) != "SFO");
  }
  const std::string text = log.text();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;  // once per code
  EXPECT_TRUE(log.contains("route code 'KLAX' is not three letters or digits: taken as none\n"));
  EXPECT_TRUE(log.contains("route code 'S-O'"));
}

// Every record with a readable time moves the traffic clock, whatever drops it later.
TEST(TrafficRecord, EveryReadableTimeMovesTheClock) {
  IntakeScope intake;
  Reader reader;
  const std::vector<std::pair<test::FieldChanges, RecordOutcome>> cases{
      {{{2, "35.0"}}, RecordOutcome::outOfRange},
      {{{2, "x"}}, RecordOutcome::fieldError},
      {{{11, "N1234567890123"}}, RecordOutcome::registrationTooLong},
      {{{10, "GLID"}}, RecordOutcome::notAnAircraft},
      {{{1, "10000"}}, RecordOutcome::hexidTooLow},
      {{{9, "AIRPORT1"}}, RecordOutcome::refusedCallsign},
      {{{9, "null"}, {11, "null"}}, RecordOutcome::noIdentity},
      {{{8, "10"}}, RecordOutcome::groundAwayFromPark},
  };
  double time = 1700000000.0;
  for (auto [changes, outcome] : cases) {
    time += 1.0;
    changes.emplace_back(14, fmt::format("{:.0f}", time));
    const RecordContext context = makeContext(outcome != RecordOutcome::groundAwayFromPark);
    EXPECT_EQ(reader.read(makeRecord(changes), context), outcome) << time;
    EXPECT_EQ(reader.receiver->recordTime.load(), time);
  }
  EXPECT_EQ(intake.size(), 0u);
}

TEST(TrafficRecord, IntakeOffStillMovesTheClockAndCollectsCallsigns) {
  IntakeScope intake(false);
  Reader reader;
  reader.receiver->startCollectingCallsigns();
  EXPECT_EQ(reader.read(makeRecord({{14, "1700000100"}})), RecordOutcome::intakeOff);
  EXPECT_EQ(reader.receiver->recordTime.load(), 1700000100.0);
  for (const char* callsign : {"null", "", "X@Y", "DAL40"}) reader.read(makeRecord({{9, callsign}}));
  // Collected before the later filters: even a record dropped as out of range counts.
  reader.read(makeRecord({{9, "UAL1"}, {10, "GLID"}}));
  EXPECT_EQ(reader.receiver->callsigns(), (std::unordered_set<std::string>{"AAL123", "DAL40", "UAL1"}));
  reader.receiver->stopCollectingCallsigns();
  reader.read(makeRecord({{9, "SWA9"}}));
  EXPECT_EQ(reader.receiver->callsigns().size(), 3u);
  EXPECT_EQ(intake.size(), 0u);
}
