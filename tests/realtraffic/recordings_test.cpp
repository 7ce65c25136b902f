// Every record of every recording, read as the traffic source sends it today.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "realtraffic/qnh_receiver.h"
#include "record_helpers.h"
#include "recording.h"
#include "test_support.h"

using namespace vexo;

namespace {

using Counts = std::map<std::string, int>;

struct Place {
  const char* file;
  LatLon airport;
  double elevation;
};

// Each recording is read from its own airport, which is also the park airport.
constexpr Place g_places[] = {
    {"KLAX_20200617_2152.csv", {33.9425, -118.408}, 125.0},
    {"KLAX_20210125_Test.csv", {33.8034, -118.3396}, 103.0},
    {"KPTK_20201128.csv", {42.6655, -83.4201}, 980.0},
    {"edkb_10s.csv", {50.7677, 7.1628}, 197.0},
    {"edkb_landing.csv", {50.7677, 7.1628}, 197.0},
};

// Counts what becomes of each datagram that reaches it.
class CountingReceiver : public TrafficReceiver {
public:
  void onReceive() override { ++counts[std::string(gf_recordOutcomeName(receiveRecord()))]; }
  Counts counts;
};

std::unique_ptr<CountingReceiver> lf_receiverAt(const Place& place) {
  auto receiver = std::make_unique<CountingReceiver>();
  receiver->setRefPosition(place.airport);
  receiver->setParkAirport(ParkAirportRef{place.airport, place.elevation});
  receiver->setParkAirportElevation(place.elevation);
  return receiver;
}

// Feeds the records as datagrams through the receive path; deliverAll false drops repeats.
Counts lf_receive(const Place& place, bool deliverAll) {
  auto receiver = lf_receiverAt(place);
  for (const auto& line : standin::gf_readRecording(test::testdataDir() / "realtraffic" / place.file)) {
    if (line.kind != standin::RecordingLine::Kind::traffic) continue;
    const std::string record = standin::gf_toTrafficRecord(line.text, 0.0);
    std::memcpy(receiver->buffer.data(), record.data(), record.size());
    receiver->takeDatagram(record.size(), deliverAll);
  }
  return receiver->counts;
}

}  // namespace

// The counts were checked against an independent reading of the recordings. One recording
// carries four-letter route codes: those aircraft are kept, without a route.
const std::map<std::string, Counts> g_expected{
    {"KLAX_20200617_2152.csv",
     {{"accepted", 2931}, {"ground away from park airport", 413}, {"not an aircraft", 463}, {"out of range", 20}}},
    {"KLAX_20210125_Test.csv",
     {{"accepted", 286}, {"ground away from park airport", 460}, {"not an aircraft", 54},
      {"out of range", 18}}},
    {"KPTK_20201128.csv",
     {{"accepted", 1338}, {"ground away from park airport", 100}, {"not an aircraft", 480}, {"out of range", 6198}}},
    {"edkb_10s.csv", {{"accepted", 33}}},
    {"edkb_landing.csv", {{"accepted", 11}}},
};

Counts lf_halved(const Counts& counts) {
  Counts half;
  for (const auto& [name, n] : counts) half[name] = n / 2;
  return half;
}

TEST(Recordings, EveryRecordIsReadWithItsOutcome) {
  test::IntakeScope intake;
  test::LogCapture log;
  int accepted = 0;
  for (const Place& place : g_places) {
    const Counts counts = lf_receive(place, true);
    EXPECT_EQ(counts, g_expected.at(place.file)) << place.file;
    accepted += counts.contains("accepted") ? counts.at("accepted") : 0;
  }
  // The hand-over keeps the newest reports up to its limit; the older ones are counted.
  ASSERT_GT(static_cast<std::size_t>(accepted), g_maxQueuedReports);
  EXPECT_EQ(intake.size(), g_maxQueuedReports);
  EXPECT_EQ(intake.dropped(), accepted - g_maxQueuedReports);
  EXPECT_TRUE(log.contains("route code 'KLAX' is not three letters or digits: taken as none"));
}

TEST(Recordings, RepeatedDatagramsAreDroppedFromAnotherMachine) {
  test::IntakeScope intake;
  // One recording sends every datagram twice: with the source on another machine each
  // repeat is dropped before it is read; the others repeat nothing.
  for (const Place& place : g_places) {
    const Counts expected = std::string_view(place.file).starts_with("KPTK") ? lf_halved(g_expected.at(place.file))
                                                                             : g_expected.at(place.file);
    EXPECT_EQ(lf_receive(place, false), expected) << place.file;
  }
}

TEST(Recordings, WeatherLinesGiveTheirQnh) {
  test::LogCapture log;
  std::map<std::string, std::set<std::int32_t>> qnhs;
  for (const Place& place : g_places) {
    for (const auto& line : standin::gf_readRecording(test::testdataDir() / "realtraffic" / place.file)) {
      if (line.kind != standin::RecordingLine::Kind::weather) continue;
      const auto qnh = gf_readQnh(line.text);
      ASSERT_TRUE(qnh) << line.text;
      qnhs[place.file].insert(*qnh);
    }
  }
  // "2996" and 3009 are hundredths of an inch of mercury, "1006" and "1013" hPa.
  EXPECT_EQ(qnhs["KLAX_20200617_2152.csv"], (std::set<std::int32_t>{1015}));
  EXPECT_EQ(qnhs["KLAX_20210125_Test.csv"], (std::set<std::int32_t>{1006}));
  EXPECT_EQ(qnhs["KPTK_20201128.csv"], (std::set<std::int32_t>{1018, 1019}));
  EXPECT_EQ(qnhs["edkb_10s.csv"], (std::set<std::int32_t>{1013}));
  EXPECT_FALSE(log.contains("QNH"));
}
