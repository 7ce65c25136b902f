// The user aircraft handlers, fed with data messages as the dispatch hands them over.
#include "simlink/user_aircraft.h"

#include <gtest/gtest.h>

#include <optional>

#include "airports/airports_services.h"
#include "engine/engine_services.h"
#include "foundation/error.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"
#include "simlink/byte_io.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_vocabulary.h"
#include "simstandin/messages.h"
#include "run_flags_reset.h"
#include "test_support.h"

using namespace vexo;
using namespace vexo::simstandin;

namespace {

class UserAircraftTest : public ::testing::Test {
protected:
  // Reserving a stand writes airports/my_park_airports.txt into the working folder.
  test::TempDir dir_;
  test::ScopedCwd cwd_{dir_.path()};
  void SetUp() override { test::resetRunFlags(); }
  void TearDown() override {
    test::resetRunFlags();
    g_dbase = DbaseTables{};
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports.clear();
    g_parkAirportId = IcaoCode();
  }
  void block(double lat, double lon, double altitude = 100.0, double groundSpeed = 0.0) {
    Bytes data(96);
    ByteWriter w(data);
    w.f64(0, lat);
    w.f64(8, lon);
    w.f64(40, altitude);
    w.f64(56, groundSpeed);
    w.u64(64, 43200);
    w.u64(72, 1);
    w.u64(80, 1970);
    send(RequestId::userAircraft, data);
  }
  void onGround(bool value) {
    Bytes data(8);
    ByteWriter(data).u64(0, value ? 1 : 0);
    send(RequestId::userOnGround, data);
  }
  void text(std::uint32_t requestId, std::string_view value, std::size_t width) {
    Bytes data(std::max(width, value.size() + 1));
    std::copy(value.begin(), value.end(), reinterpret_cast<char*>(data.data()));
    send(requestId, data);
  }
  void send(std::uint32_t requestId, const Bytes& data) {
    const Bytes message = gf_buildSimObjectData(35, false, requestId, 1, 0, 0, 0, data);
    lf_dispatch(message.data(), static_cast<std::uint32_t>(message.size()), &link_);
  }
  // A dbase with known spans: E190 and A320, and B744 the largest.
  void spans() {
    auto& table = g_dbase.halfWingspanById;
    for (const auto& [code, span] : {std::pair{"E190", 0.0154}, {"A320", 0.0193}, {"B744", 0.0350}}) {
      const auto id = gf_modelCode2Id(code);
      if (table.size() <= id) table.resize(id + 1, 0.0);
      table[id] = span;
    }
    g_dbase.maxHalfWingspan = 0.0350;
    g_dbase.largeIds.insert(gf_modelCode2Id("A320"));
  }

  test::LogCapture log_;
  SimLink link_;
};

}  // namespace

TEST(SimUtcSeconds, CountsFromTheFirstDayOf1970) {
  EXPECT_EQ(gf_simUtcSeconds(1970, 1, 0), 0);
  EXPECT_EQ(gf_simUtcSeconds(2000, 1, 0), 946684800);
  EXPECT_EQ(gf_simUtcSeconds(2024, 60, 3600), 1709164800 + 3600);  // 29 February
  EXPECT_EQ(gf_simUtcSeconds(2025, 365, 86399), 1767225599);       // 31 December, last second
}

TEST_F(UserAircraftTest, OnGroundReportsCountOnlyOnceThePositionIsKnown) {
  onGround(true);
  EXPECT_TRUE(g_userAcReported);
  EXPECT_FALSE(link_.userOnGroundKnown);
  block(50.0, 8.0);
  onGround(true);
  EXPECT_TRUE(link_.userOnGroundKnown);
  EXPECT_TRUE(link_.userOnGround);
  onGround(false);
  EXPECT_FALSE(link_.userOnGround);
}

TEST_F(UserAircraftTest, OnlyAJumpOfMoreThanTenMilesIsATeleport) {
  block(0.0, 0.0);
  block(10.0, 8.0);  // the first real position: no teleport
  block(10.0 + 9.99 / 60.0, 8.0);
  EXPECT_FALSE(g_closing);
  block(10.0 + 9.99 / 60.0 + 10.1 / 60.0, 8.0);
  EXPECT_TRUE(g_closing);
  EXPECT_EQ(g_exitReason, ExitReason::newFlight);
  EXPECT_EQ(g_restartDelay, 30);
  EXPECT_TRUE(log_.contains("Teleport"));
}

TEST_F(UserAircraftTest, TheStandIsLookedUpOnTheCallersThreadAndShown) {
  int lookups = 0;
  link_.nearestStandName = [&](double lat, double) {
    ++lookups;
    return lat > 50.0 ? std::string("A12") : std::string();
  };
  block(50.5, 8.0);
  EXPECT_EQ(lookups, 0) << "the receiving thread never reads the stand table";
  link_.simBroken = true;  // no request, only the look-up
  gf_getUserAcPosition(link_);
  gf_getUserAcPosition(link_);
  EXPECT_EQ(lookups, 1) << "once per new block";
  EXPECT_EQ(link_.standName(), "A12");
  EXPECT_EQ(g_mainWindowState.texts().userStand, "A12");
  block(49.5, 8.0);
  gf_getUserAcPosition(link_);
  EXPECT_EQ(g_mainWindowState.texts().userStand, "");
}

TEST_F(UserAircraftTest, AStandingUserReservesItsStandAtThePark) {
  const IcaoCode eddf("EDDF");
  {
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports.push_back({"", {50.03, 8.57}, 0.0, eddf});
  }
  g_parkAirportId = eddf;
  link_.nearestStandName = [](double, double) { return std::string("V155"); };
  block(50.03, 8.57, 364.0, 5.0);
  onGround(true);
  link_.simBroken = true;  // no request, only the look-up
  g_userAc.set(gf_getUserAcPosition(link_));
  lf_rememberUserStand(link_);  // rolling at 5 kn
  EXPECT_EQ(g_parkAirports.front().reservedStand, "");
  block(50.03, 8.57, 364.0, 1.0);
  g_userAc.set(gf_getUserAcPosition(link_));
  lf_rememberUserStand(link_);
  EXPECT_EQ(g_parkAirports.front().reservedStand, "V155");
  g_userAc.set(UserAcData{});
}

// The model names the span: known, a camera pod as an E190, deduced from an Aerosoft title,
// and the largest span for an unknown one.
TEST_F(UserAircraftTest, TheModelGivesTheSpan) {
  spans();
  const struct {
    const char* title;
    const char* model;
    double halfSpan;
    bool known;
    std::optional<AcCategory> category;
    const char* logged;
  } cases[] = {
      {"", "A320", 0.0193, true, AcCategory::Large,
       "SimConnect: User aircraft model: A320, half wing span: 35.7 meter, category: Large"},
      {"", "camerapod", 0.0154, true, AcCategory::Light, "SimConnect: User aircraft model: camerapod"},
      {"Aerosoft A320 Lufthansa D-AIZA", "AB320-214", 0.0193, true, AcCategory::Large,
       "SimConnect: User aircraft model deduced from title: A320"},
      {"Aerosoft", "ZZ99", 0.0350, false, {}, "SimConnect: User aircraft model: ZZ99"},  // title too short
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.model);
    g_mainWindowState.userAcKnown = false;
    if (*c.title) text(RequestId::userTitle, c.title, 64);
    text(RequestId::userModel, c.model, 32);
    EXPECT_DOUBLE_EQ(*link_.halfWingspan(), c.halfSpan);
    EXPECT_EQ(g_mainWindowState.userAcKnown, c.known);
    if (c.category) {
      EXPECT_EQ(link_.category(), *c.category);
    }
    EXPECT_TRUE(log_.contains(c.logged));
  }
  EXPECT_EQ(g_statusLine.texts().status,
            "User aircraft wing span unknown, max is taken instead, please report in my Forum!");
}

TEST_F(UserAircraftTest, AnEmptyTitleIsLoggedAndAnEmptyModelIsError71) {
  text(RequestId::userTitle, "", 1);
  EXPECT_TRUE(log_.contains("! Title of your aircraft is empty?"));
  try {
    text(RequestId::userModel, "", 32);
    FAIL();
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "71: atc_model= in [General] section of your aircraft.cfg is empty or missing");
  }
}
