// Flights learned at the stands of Los Angeles from the recording: live aircraft replayed
// through the engine onto the stands of data/airports/KLAX.xml, and the learned file that
// leaving the airport writes.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "airports/airports_state.h"
#include "airports/park_airports.h"
#include "airports/static_cycle.h"
#include "engine/learned_flight.h"
#include "foundation/paths.h"
#include "refdata/airports_db.h"
#include "replay_fixture.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;
using test::gf_inOrder;
using test::ReplayTest;

constexpr const char* g_klax = "KLAX_20200617_2152.csv";
constexpr std::uint32_t g_arriving = 10833943;  // UAL1616, N441UA, lands and parks at T7-75
constexpr std::uint32_t g_standing = 11328007;  // ASA1094, N927VA, stands at T6-60 throughout
constexpr std::uint32_t g_leaving = 11303815;   // NKS736, N903NK, stands at T5-56, then taxis out

// The weekday (Monday 1) and half hour of a time in Unix seconds.
WeekSlot lf_slotAt(double unixSeconds) {
  const auto seconds = static_cast<std::int64_t>(unixSeconds);
  const std::int64_t days = seconds / 86400;
  return WeekSlot{static_cast<std::int32_t>((days + 3) % 7 + 1), static_cast<std::int32_t>(seconds % 86400 / 1800)};
}

// The replay with Los Angeles as the park airport (its stands read from the program's own
// airport file) and the engine's week slot following the recording's time.
class StandLearningReplay : public ReplayTest {
protected:
  // The replay with the engine's week slot following the recording's time.
  void replayWithClock(const std::vector<standin::RecordingLine>& recorded, double seconds) {
    replay(recorded, seconds, [&] { gf_setWeekSlotNow(lf_slotAt(t0 + elapsedCycles / 100.0), engine); });
  }
  static std::uint32_t sidOf(std::string_view id) {
    const auto it = std::ranges::find(g_stands, id, &ParkingPosition::id);
    return it == g_stands.end() ? 0 : it->sid;
  }
  // "day hh cpl" of each flight of the registration at the stand in the learned file.
  std::vector<std::string> learned(std::string_view stand, std::string_view registration) const {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file((g_learnedThirdpartyFolder / "terraGIT" / "KLAX.xml").c_str()));
    std::vector<std::string> flights;
    for (const auto& parkpos : document.child("root").child("parkpositions").children("parkpos")) {
      if (stand != parkpos.attribute("id").value()) continue;
      for (const auto& opt : parkpos.children("opt"))
        if (registration == opt.attribute("reg").value())
          flights.push_back(fmt::format("{} {}{}", opt.attribute("day").value(), opt.attribute("hh").value(),
                                        opt.attribute("cpl") ? " cpl" : ""));
    }
    return flights;
  }

};

TEST_F(StandLearningReplay, ArrivingStandingAndLeavingAircraftAreLearnedAtTheirStands) {
  // NKS736's reports pause while it leaves its stand: the next one lies 230 m from it.
  std::vector<standin::RecordingLine> recorded;
  for (auto& line : lines(g_klax, {g_arriving, g_standing, g_leaving})) {
    const bool gap = hexidOf(line.text) == g_leaving && line.timestamp >= 1592423849 && line.timestamp < 1592424209;
    if (!gap) recorded.push_back(std::move(line));
  }
  replayWithClock(recorded, 720.0);

  const LiveAc* standing = find(g_standing);
  ASSERT_NE(standing, nullptr);
  EXPECT_EQ(standing->flightState, FlightState::parked);
  EXPECT_EQ(standing->sid, sidOf("T6-60"));
  const LiveAc* arrived = find(g_arriving);
  ASSERT_NE(arrived, nullptr);
  EXPECT_EQ(arrived->flightState, FlightState::parked);
  EXPECT_EQ(arrived->sid, sidOf("T7-75"));
  EXPECT_TRUE(gf_inOrder(aircraft[g_arriving].states, {FlightState::flying, FlightState::parking, FlightState::parked}));
  // Removed from its stand by the report 230 m away; its later reports make a new aircraft.
  EXPECT_TRUE(gf_inOrder(aircraft[g_leaving].states, {FlightState::parked, FlightState::birth, FlightState::taxi}));

  gf_clearParkAirport(engine);  // the user leaves Los Angeles
  // Wednesday 17 June 2020: ASA1094 from 19:52 (slot 39), UAL1616 from 20:03 (slot 40),
  // NKS736 from 19:53 until it left at 20:03.
  EXPECT_EQ(learned("T6-60", "N927VA"), (std::vector<std::string>{"3 39"}));
  EXPECT_EQ(learned("T7-75", "N441UA"), (std::vector<std::string>{"3 40"}));
  EXPECT_EQ(learned("T5-56", "N903NK"), (std::vector<std::string>{"3 39:40 cpl"}));
}

}  // namespace
}  // namespace vexo
