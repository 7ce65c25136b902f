// The "SimClient" thread against the simulator stand-in: the setup packets, the user
// aircraft, and every way a run ends or changes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/error.h"
#include "sim_client_fixture.h"
#include "simlink/user_aircraft.h"

using namespace vexo;
using namespace vexo::test;
using simstandin::Request;

namespace {

namespace F = SimConnectFunction;

std::vector<Request> lf_setupPackets(const std::vector<Request>& all) {
  std::vector<Request> setup;
  for (const Request& r : all)
    if (r.function != F::Open && r.function != F::RequestDataOnSimObject) setup.push_back(r);
  return setup;
}

std::uint32_t lf_u32(const Request& r, std::size_t offset) { return ByteReader(r.bytes).u32(offset); }
std::string lf_text(const Request& r, std::size_t offset) { return ByteReader(r.bytes).fixedString(offset, 256); }

}  // namespace

TEST_F(SimClientTest, OpensAndRegistersItsVocabularyInOrder) {
  connect();
  const auto all = standin_->requests();
  EXPECT_EQ(all.at(0).function, F::Open);
  EXPECT_EQ(lf_text(all[0], 16), "Vendrake_P3D");
  const auto setup = lf_setupPackets(all);
  ASSERT_EQ(setup.size(), 73u);
  // Grouped by kind in this order; the ids are spot-checked.
  const std::pair<std::uint32_t, std::size_t> runs[] = {
      {F::SubscribeToSystemEvent, 6}, {F::AddToDataDefinition, 33}, {F::MapClientEventToSimEvent, 17},
      {F::AddClientEventToNotificationGroup, 16}, {F::SetNotificationGroupPriority, 1}};
  std::size_t i = 0;
  for (const auto& [function, count] : runs)
    for (std::size_t k = 0; k < count; ++k, ++i) ASSERT_EQ(setup[i].function, function) << i;
  EXPECT_EQ(lf_u32(setup[0], 16), 201u);
  EXPECT_EQ(lf_text(setup[0], 20), "Sim");
  EXPECT_EQ(lf_u32(setup[5], 16), 204u);
  EXPECT_EQ(lf_text(setup[5], 20), "Frame");
  // Definitions in the order their blocks are read, each field without an epsilon.
  const std::vector<std::pair<std::uint32_t, int>> definitions{{407, 1}, {408, 1}, {409, 1}, {402, 8}, {403, 12},
                                                               {405, 2}, {406, 1}, {404, 4}, {401, 3}};
  i = 6;
  for (const auto& [definition, count] : definitions)
    for (int k = 0; k < count; ++k, ++i) {
      EXPECT_EQ(lf_u32(setup[i], 16), definition) << i;
      EXPECT_EQ(lf_u32(setup[i], 540), 0xFFFFFFFFu) << i;
    }
  EXPECT_EQ(lf_text(setup[6 + 3 + 8], 20), "Plane Latitude");
  EXPECT_EQ(lf_text(setup[6 + 3 + 8 + 11], 20), "LIGHT STATES");
  EXPECT_EQ(lf_text(setup[6 + 29], 20), "ATC ID");
  EXPECT_EQ(lf_text(setup[6 + 29], 276), "");  // and no units
  EXPECT_EQ(lf_u32(setup[39], 16), 220u);
  EXPECT_EQ(lf_u32(setup[55], 16), 217u);
  EXPECT_EQ(lf_u32(setup[56], 20), 208u);
  EXPECT_EQ(lf_u32(setup[71], 20), 217u);
  for (std::size_t k = 56; k < 73; ++k) EXPECT_EQ(lf_u32(setup[k], 16), 301u);

  EXPECT_EQ(g_mainWindowState.texts().simulatorText, "Lockheed Martin Prepar3D v5 (5.4.14.0)");
  EXPECT_TRUE(log_.contains("Lockheed Martin Prepar3D v5 (5.4.14.0) connected"));
}

TEST_F(SimClientTest, RetriesUntilTheSimulatorIsThere) {
  standin_->stop();
  standin_ = std::make_unique<simstandin::SimStandin>(options_);
  startThread();
  ASSERT_TRUE(waitUntil([&] { return opens_ >= 3; }));
  EXPECT_EQ(g_statusLine.texts().status, "Waiting for Prepar3Dv5 ...");
  // The stand-in now listens on the port the link tries.
  ASSERT_EQ(standin_->listenTcp(platform::g_familyIpv4, port_), port_);
  standin_->start();
  ASSERT_TRUE(standin_->waitForRequestCount(F::SetNotificationGroupPriority, 1, g_wait));
  EXPECT_EQ(standin_->acceptedCount(), 1u);
}

// The status names the version installed where the install path points, whatever the link
// was prepared with (P3D_VERSION, as starting traffic does); a path that names none falls
// back to the setting, and one below 5 ends the thread with error 77 and no end of the run.
TEST_F(SimClientTest, TheWaitingStatusNamesTheInstalledVersion) {
  link_.open = [this](HANDLE*) {
    ++opens_;
    return E_FAIL;
  };
  struct Case {
    const char* path;
    std::int32_t setting;
    const char* status;
    const char* error;
  };
  const Case cases[] = {
      {"D:\\Lockheed Martin\\Prepar3D v6", 5, "Waiting for Prepar3Dv6 ...", ""},
      {"D:\\Lockheed Martin\\Prepar3D V5", 6, "Waiting for Prepar3Dv5 ...", ""},
      {"D:\\Sims\\P3D", 6, "Waiting for Prepar3Dv6 ...", ""},
      {"D:\\Sims\\P3D", 4, "",
       "77: P3D install path does not contain v5 or v6. Use hidden parameter P3D_VERSION, set it to 5 or 6."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + std::to_string(c.setting));
    resetRunFlags();
    g_settings.SIM_INSTALL_PATH.setValue(c.path);
    g_settings.P3D_VERSION.value = c.setting;
    gf_initSimClient(static_cast<std::uint32_t>(c.setting), link_);
    opens_ = 0;
    startThread();
    ASSERT_TRUE(waitUntil([&] { return opens_.load() >= 1 || ended_.load(); }));
    stopThread();
    EXPECT_EQ(g_statusLine.texts().status, c.status);
    EXPECT_EQ(g_statusLine.texts().error, c.error);
    EXPECT_FALSE(g_closing);
  }
}

TEST_F(SimClientTest, LearnsTheUserAircraft) {
  simstandin::UserAircraftState user;
  user.latitude = 50.0333;
  user.longitude = 8.5706;
  user.altitude = -3.0;
  user.groundSpeed = 1.5;
  user.zuluYear = 2024;
  user.zuluDayOfYear = 60;
  user.zuluTime = 3600;
  world_->setUserAircraft(user);
  world_->setUserTitle(std::string(60, 'T'));
  world_->setUserModel("B738");
  connect();
  world_->setFlightRunning(true);
  ASSERT_TRUE(waitUntil([] { return g_flightRunning.load() && g_mainWindowState.flightRunning.load(); }));

  ASSERT_TRUE(waitUntil([&] {
    gf_getUserAcPosition(link_);
    return link_.userObjectId.load() == options_.userObjectId;
  }));
  const UserAcData got = link_.userAc();
  EXPECT_DOUBLE_EQ(got.latitude, 50.0333);
  EXPECT_DOUBLE_EQ(got.longitude, 8.5706);
  EXPECT_EQ(got.altitude, 0.0);
  EXPECT_DOUBLE_EQ(got.groundSpeed, 1.5);
  EXPECT_EQ(link_.simUtcSeconds.load(), 1709164800 + 3600);  // 29 February 2024, 01:00

  gf_requestUserAcTitleAndModel(link_);
  ASSERT_TRUE(waitUntil([&] { return link_.halfWingspan().has_value(); }));
  EXPECT_EQ(link_.title(), std::string(48, 'T'));
  EXPECT_EQ(g_mainWindowState.texts().aircraftTitle, std::string(48, 'T'));
  EXPECT_TRUE(log_.contains("model raw: B738"));
  EXPECT_FALSE(g_closing);
}

TEST_F(SimClientTest, SurvivesCutAndPaddedMessages) {
  standin_->setSendFaults({3, 7});
  connectWithUser();
  standin_->setSendFaults({1, 0});
  EXPECT_FALSE(g_closing);
  EXPECT_FALSE(ended_);
}

// Each way the simulator ends the run: a new flight restarts it after 30 s; QUIT or a link
// that dies ends the thread as a closed simulator.
struct RunEnd {
  const char* name;
  std::function<void(simstandin::SimStandin&, simstandin::SimWorld&)> act;
  ExitReason reason;
  int restartDelay;
  const char* logged;
};

class RunEndTest : public SimClientTest, public ::testing::WithParamInterface<RunEnd> {};

TEST_P(RunEndTest, EndsOrRestartsTheRun) {
  const RunEnd& c = GetParam();
  connectWithUser();
  c.act(*standin_, *world_);
  const bool closes = c.reason == ExitReason::simWasClosed;
  ASSERT_TRUE(waitUntil([&] {
    if (!closes) gf_getUserAcPosition(link_);  // a teleport shows in the next user block
    return closes ? ended_.load() : g_closing.load();
  }));
  EXPECT_EQ(g_exitReason, c.reason);
  EXPECT_EQ(g_restartDelay, c.restartDelay);
  EXPECT_TRUE(log_.contains(c.logged));
  if (!closes) {
    EXPECT_FALSE(ended_) << "the thread dispatches until it is stopped";
    return;
  }
  EXPECT_FALSE(g_flightRunning);
  EXPECT_EQ(link_.hSimConnect, nullptr);
  EXPECT_FALSE(g_mainWindowState.simConnected);
  // A request after the end finds no handle to use.
  gf_getUserAcPosition(link_);
  EXPECT_TRUE(link_.simBroken);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, RunEndTest,
    ::testing::Values(
        RunEnd{"NewFlightFile", [](auto&, auto& world) { world.loadFlight("Flights\\myflight.fxml"); },
               ExitReason::newFlight, 30, "SimConnect: New file event"},
        RunEnd{"FlightLoaded", [](auto&, auto& world) { world.loadFlight("", true); }, ExitReason::newFlight, 30,
               "SimConnect: flight loaded event"},
        RunEnd{"UserMoved", [](auto&, auto& world) { world.teleportUser(50.0333, 8.5706, true); },
               ExitReason::newFlight, 30, "User ac position changed"},
        RunEnd{"Teleport", [](auto&, auto& world) { world.teleportUser(51.0, 8.0); }, ExitReason::newFlight, 30,
               "Teleport"},
        RunEnd{"Quit", [](auto&, auto& world) { world.quit(); }, ExitReason::simWasClosed, 0,
               "Flight Simulator no longer connected, Vendrake_P3D will stop ..."},
        RunEnd{"LinkDied", [](auto& standin, auto&) { standin.dropConnections(); }, ExitReason::simWasClosed, 0,
               "SimConnect closed ok"}),
    [](const auto& info) { return std::string(info.param.name); });

// The tick thread goes on sending on the handle, under the SimConnect mutex, while the
// "SimClient" thread ends: the handle is cleared under that mutex too (a race that
// ThreadSanitizer reports otherwise).
TEST_F(SimClientTest, AStopRequestClosesTheConnection) {
  connectWithUser();
  thread_.request_stop();
  for (int i = 0; i < 200000 && !ended_; ++i) {
    locked([](HANDLE h) { return SimConnect_RequestDataOnSimObjectType(h, 999, 404, 0, 2); });
    std::this_thread::yield();
  }
  stopThread();
  EXPECT_EQ(link_.hSimConnect, nullptr);
  EXPECT_FALSE(g_closing) << "a stop is no end of the run";
  EXPECT_TRUE(waitUntil([&] { return standin_->connectionCount() == 0; }));
}

class WrongSimulatorTest : public SimClientTest {
protected:
  WrongSimulatorTest() { options_.open = {"Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v6", 6, 0, 1, 2}; }
};

TEST_F(WrongSimulatorTest, TheWrongMajorVersionHoldsTheErrorAndLetsThePathBeCorrected) {
  platform::HeadlessControls controls;
  platform::ScopedControls scoped(controls);
  controls.setEnabled(cmd::allInstallPath, false);
  g_settings.SIM_INSTALL_PATH.setValue("C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
  startThread();
  ASSERT_TRUE(waitUntil([&] { return ended_.load(); }));
  EXPECT_EQ(g_statusLine.texts().error,
            "78: wrong P3D version 'Lockheed Martin Prepar3D v6 (6.0.1.2)' connects ... ?)");
  EXPECT_TRUE(controls.isEnabled(cmd::allInstallPath));
  EXPECT_FALSE(g_closing) << "the program stays up until the user acts";
  EXPECT_EQ(link_.hSimConnect, nullptr);
}

TEST_F(SimClientTest, AVersionMismatchEndsTheThreadWithError95) {
  connect();
  world_->sendException(SimConnectException::VERSION_MISMATCH, 0, 4);
  ASSERT_TRUE(waitUntil([&] { return ended_.load(); }));
  EXPECT_EQ(g_statusLine.texts().error, "95: SimConnect Version Mismatch, dwIndex: 4");
  EXPECT_FALSE(g_closing);
}

// The client and the stand-in agree on the refusal of an Open of another protocol version.
TEST_F(SimClientTest, ASimulatorOfAnotherProtocolRefusesTheOpenWithError95) {
  simstandin::StandinOptions options;
  options.protocolVersion = g_simConnectProtocolVersion + 1;
  simstandin::SimStandin newer(options);
  port_ = newer.listenTcp(platform::g_familyIpv4);
  ASSERT_NE(port_, 0);
  newer.start();
  startThread();
  ASSERT_TRUE(waitUntil([&] { return ended_.load(); }));
  EXPECT_EQ(g_statusLine.texts().error, "95: SimConnect Version Mismatch, dwIndex: 0");
  EXPECT_FALSE(g_mainWindowState.simConnected);
  stopThread();
}

TEST_F(SimClientTest, AFailedRequestBreaksTheLinkAndRestartsTheRun) {
  connectWithUser();
  gf_simConnectRequestError(link_);
  EXPECT_TRUE(link_.simBroken);
  EXPECT_EQ(g_exitReason, ExitReason::simConnectError);
  EXPECT_EQ(g_restartDelay, 9);
  EXPECT_EQ(g_statusLine.texts().status, "SimConnect request error");
  // A broken link asks nothing more of the simulator. Packets arrive in order, so once a
  // marker request has arrived, everything sent before it has too.
  const auto marker = [&] {
    const auto markers = countOf(F::RequestDataOnSimObjectType);
    locked([](HANDLE h) { return SimConnect_RequestDataOnSimObjectType(h, 999, 404, 0, 2); });
    return standin_->waitForRequestCount(F::RequestDataOnSimObjectType, markers + 1, g_wait);
  };
  ASSERT_TRUE(marker());
  const auto before = countOf(F::RequestDataOnSimObject);
  gf_getUserAcPosition(link_);
  gf_requestUserAcTitleAndModel(link_);
  ASSERT_TRUE(marker());
  EXPECT_EQ(countOf(F::RequestDataOnSimObject), before + 2) << "only the title and model were asked for";
}
