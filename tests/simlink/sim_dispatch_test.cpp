// The dispatch of single messages into a SimLink that has no connection.
#include "simlink/sim_dispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "foundation/error.h"
#include "simlink/byte_io.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_vocabulary.h"
#include "simstandin/messages.h"
#include "run_flags_reset.h"
#include "test_support.h"

using namespace vexo;
using namespace vexo::simstandin;

namespace {

class DispatchTest : public ::testing::Test {
protected:
  void SetUp() override { test::resetRunFlags(); }
  void TearDown() override { test::resetRunFlags(); }
  void dispatch(const Bytes& message) {
    lf_dispatch(message.data(), static_cast<std::uint32_t>(message.size()), &link_);
  }
  // The in-range block of definition 404.
  void inRange(std::uint32_t objectId, double altAboveGround, double groundAltitude, std::int64_t onGround,
               std::string_view atcId) {
    Bytes block(56);
    ByteWriter w(block);
    w.f64(0, altAboveGround);
    w.f64(8, groundAltitude);
    w.u64(16, static_cast<std::uint64_t>(onGround));
    w.fixedString(24, 32, atcId);
    dispatch(gf_buildSimObjectData(35, true, RequestId::aircraftInRange, objectId, 404, 1, 1, block));
  }
  Bytes open(std::string_view name) { return gf_buildOpen(35, OpenReply{std::string(name), 5, 4, 14, 0}); }

  test::LogCapture log_;
  SimLink link_;
};

}  // namespace

TEST_F(DispatchTest, TheSimulatorNameIsShownCleanWithItsVersion) {
  EXPECT_EQ(gf_cleanSimulatorName("Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5!"), "Lockheed Martin Prepar3D v5");
  link_.simMajorVersion = 6;
  g_settings.SIM_INSTALL_PATH.setValue("D:\\P3D V5");
  g_statusLine.setStatus("Waiting for Prepar3Dv6 ...");
  dispatch(open("Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5"));
  EXPECT_EQ(g_mainWindowState.texts().simulatorText, "Lockheed Martin Prepar3D v5 (5.4.14.0)");
  EXPECT_TRUE(g_mainWindowState.simConnected);
  EXPECT_EQ(g_statusLine.texts().status, "") << "accepted: the waiting status is cleared";
}

TEST_F(DispatchTest, OtherSimulatorsAreRefusedAndAnEmptyNameIsOnlyLogged) {
  dispatch(open(""));
  EXPECT_TRUE(log_.contains("! Simulator name empty?"));
  EXPECT_FALSE(g_mainWindowState.simConnected);
  try {
    dispatch(open("KittyHawk"));
    FAIL();
  } catch (const UserErrorException& e) {
    EXPECT_STREQ(e.what(), "78: KittyHawk, (MSFS) not being P3D connects ... ?");
  }
  EXPECT_EQ(g_mainWindowState.texts().simulatorText, "");
}

TEST_F(DispatchTest, UnknownMessagesAreLoggedAndIgnoredOnesAreSilent) {
  dispatch(gf_buildRaw(20, 35, 12, Bytes(8)));
  dispatch(gf_buildRaw(12, 35, 16, {}));
  EXPECT_FALSE(log_.contains("Unknown Dispatch"));
  dispatch(gf_buildRaw(12, 35, 10, {}));
  EXPECT_TRUE(log_.contains("! Unknown Dispatch dwID 10"));
  lf_dispatch(nullptr, 0, &link_);
}

TEST_F(DispatchTest, TheSimEventFollowsTheFlight) {
  dispatch(gf_buildEvent(35, 0xFFFFFFFFu, SystemEventId::sim, 1));
  EXPECT_TRUE(g_flightRunning);
  EXPECT_TRUE(g_mainWindowState.flightRunning);
  dispatch(gf_buildEvent(35, 0xFFFFFFFFu, SystemEventId::sim, 0));
  EXPECT_FALSE(g_flightRunning);
  dispatch(gf_buildEvent(35, 0xFFFFFFFFu, SystemEventId::sim, 1));
  dispatch(gf_buildQuit(35));
  EXPECT_FALSE(g_flightRunning);
  EXPECT_FALSE(g_closing) << "QUIT alone does not end the run; the closed link does";
}

TEST_F(DispatchTest, OnlyTheFirstCauseSetsTheExitReason) {
  dispatch(gf_buildEvent(35, 0xFFFFFFFFu, SystemEventId::positionChanged, 0));
  link_.simBroken = false;
  gf_requestClosing(ExitReason::simConnectError, 9);
  EXPECT_EQ(g_exitReason, ExitReason::newFlight);
  EXPECT_EQ(g_restartDelay, 30);
}

TEST_F(DispatchTest, AddedAndRemovedAircraft) {
  link_.userObjectId = 1;
  dispatch(gf_buildObjectAddRemove(35, SystemEventId::objectAdded, 1, 2));
  dispatch(gf_buildObjectAddRemove(35, SystemEventId::objectAdded, 1001, 3));  // not an aircraft
  dispatch(gf_buildObjectAddRemove(35, SystemEventId::objectAdded, 1002, 2));
  EXPECT_EQ(link_.objectAddedIds, std::vector<std::uint32_t>{1002});
  dispatch(gf_buildObjectAddRemove(35, SystemEventId::objectRemoved, 1002, 2));
  const auto responses = gf_takeSimResponses();
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].kind, SimResponseKind::removed);
  EXPECT_EQ(responses[0].objectId, 1002u);
}

TEST_F(DispatchTest, AJustAddedObjectIsTiedToItsCreationByCallsign) {
  link_.userObjectId = 1;
  // Ids up to 10000 are static aircraft, those above live ones.
  link_.sentCreateList = {{7, 10001, "DLH1"}, {8, 10000, "STAT5"}, {9, 20003, "BAW3"}};
  link_.objectAddedIds = {1001, 1002, 1003};
  inRange(1002, 0.4, 364.0, 1, "STAT5");
  inRange(1001, 1200.0, 364.0, 0, "DLH1");
  inRange(1003, 0.0, 10.0, 1, "SOMEONE");
  const auto responses = gf_takeSimResponses();
  ASSERT_EQ(responses.size(), 2u);
  EXPECT_EQ(responses[0].kind, SimResponseKind::createdStatic);
  EXPECT_EQ(responses[0].id, 10000u);
  EXPECT_EQ(responses[0].value2, 0.0);
  EXPECT_EQ(responses[1].kind, SimResponseKind::createdLive);
  EXPECT_EQ(responses[1].objectId, 1001u);
  EXPECT_EQ(responses[1].id, 10001u);
  EXPECT_EQ(responses[1].value2, 1200.0);
  EXPECT_TRUE(log_.contains("just spawned, but not by Vendrake_P3D, oid: 1003, callsign 'SOMEONE', altaboveGnd:0 ft, "
                            "onground:1, gnd_alt:10 ft"));
  ASSERT_EQ(link_.sentCreateList.size(), 1u);
  EXPECT_EQ(link_.sentCreateList[0].callsign, "BAW3");
  EXPECT_TRUE(link_.objectAddedIds.empty());
  // Released and frozen on the next frame.
  ASSERT_EQ(link_.simEventQueue.size(), 6u);
  EXPECT_EQ(link_.simEventQueue[3].objectId, 1001u);
  EXPECT_EQ(link_.simEventQueue[3].eventId, ClientEventId::FREEZE_LATITUDE_LONGITUDE_SET);
  EXPECT_EQ(link_.simEventQueue[5].eventId, ClientEventId::FREEZE_ATTITUDE_SET);
}

// The engine may hold its response list while it waits for the SimConnect mutex; the
// "SimClient" thread confirming creations never holds the two together (ThreadSanitizer
// reports an inversion of their order, or the two threads hang).
TEST_F(DispatchTest, ConfirmingCreationsNeverHoldsTheSimConnectMutexAndTheResponseList) {
  constexpr int g_rounds = 300;
  link_.userObjectId = 1;
  std::thread engine([&] {
    for (int i = 0; i < g_rounds; ++i) {
      std::lock_guard responses(g_simResponseList.mutex);
      std::lock_guard queues(link_.simConnectMutex);
      link_.simRemovalQueue.push_back(2000);
    }
  });
  for (int i = 0; i < g_rounds; ++i) {
    link_.sentCreateList.push_back({7, 10001, "DLH1"});
    link_.objectAddedIds.push_back(1001);
    inRange(1001, 1200.0, 364.0, 0, "DLH1");
  }
  engine.join();
  EXPECT_EQ(gf_takeSimResponses().size(), static_cast<std::size_t>(g_rounds));
}

TEST_F(DispatchTest, OlderAircraftReportTheirGroundStateUnlessHighOrMarked) {
  link_.userObjectId = 1;
  inRange(1, 0.0, 364.0, 1, "USER");  // the user's own
  inRange(2001, 2500.0, 364.0, 0, "EZY12");
  inRange(2002, 2500.1, 364.0, 0, "EZY13");
  inRange(2003, 0.0, 364.0, 1, "STATIC*");
  inRange(2004, 0.0, 364.0, 1, "");
  const auto responses = gf_takeSimResponses();
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].kind, SimResponseKind::onGround);
  EXPECT_EQ(responses[0].objectId, 2001u);
  EXPECT_EQ(responses[0].id, 0u);
  EXPECT_EQ(responses[0].value1, 364.0);
  EXPECT_EQ(responses[0].value2, 2500.0);
}

TEST_F(DispatchTest, ExceptionsByCode) {
  link_.sentCreateList = {{41, 20001, "DLH1"}, {42, 0, "X"}};
  dispatch(gf_buildException(35, 22, 99, 1));  // unknown send id
  EXPECT_TRUE(gf_takeSimResponses().empty());
  dispatch(gf_buildException(35, 22, 42, 1));  // known, but no aircraft behind it
  EXPECT_TRUE(gf_takeSimResponses().empty());
  dispatch(gf_buildException(35, 22, 41, 1));
  const auto responses = gf_takeSimResponses();
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].kind, SimResponseKind::createFailed);
  EXPECT_EQ(responses[0].id, 20001u);
  EXPECT_TRUE(link_.sentCreateList.empty());

  dispatch(gf_buildException(35, 3, 1, 1));
  EXPECT_FALSE(log_.contains("UNRECOGNIZED_ID")) << "silent before the user position is known";
  {
    std::lock_guard lock(link_.userAcMutex);
    link_.userAcData.latitude = 50.0;
    link_.userAcData.longitude = 8.0;
  }
  dispatch(gf_buildException(35, 3, 1, 1));
  EXPECT_TRUE(log_.contains("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"));
  dispatch(gf_buildException(35, 11, 1, 1));
  EXPECT_EQ(g_statusLine.texts().status, "SimConnect: too many objects (max 1000)");
  dispatch(gf_buildException(35, 23, 1, 1));
  dispatch(gf_buildException(35, 19, 1, 1));
  dispatch(gf_buildException(35, 24, 1, 1));
  dispatch(gf_buildException(35, 31, 1, 1));
  for (const char* text : {"SimConnect exception: load flight plan failed", "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE",
                           "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE", "==> SIMCONNECT_EXCEPTION #31"})
    EXPECT_TRUE(log_.contains(text)) << text;
}

TEST_F(DispatchTest, StaticCgGoesToTheEngine) {
  Bytes block(16);
  ByteWriter w(block);
  w.f64(0, 7.25);
  w.f64(8, -0.01);
  dispatch(gf_buildSimObjectData(35, false, RequestId::staticCg, 1500, 405, 0, 0, block));
  dispatch(gf_buildSimObjectData(35, false, RequestId::staticCg, 1501, 405, 0, 0, Bytes(8)));  // cut short
  const auto responses = gf_takeSimResponses();
  ASSERT_EQ(responses.size(), 1u);
  EXPECT_EQ(responses[0].kind, SimResponseKind::staticCg);
  EXPECT_EQ(responses[0].value1, 7.25);
  EXPECT_EQ(responses[0].value2, -0.01);
}

TEST_F(DispatchTest, AFrameWaitsWhileAProducerHoldsTheQueues) {
  gf_setNavLights(2000, 1, link_);
  {
    std::lock_guard producer(link_.simConnectMutex);
    std::thread frames([&] {
      lf_onFrame(link_);
      lf_onFrame(link_);
    });
    frames.join();
    EXPECT_EQ(link_.simEventQueue.size(), 1u);
  }
  // No connection: the transmission fails, which only shows a status text.
  lf_onFrame(link_);
  EXPECT_TRUE(link_.simEventQueue.empty());
  EXPECT_EQ(g_statusLine.texts().status, "SimConnect TransmitClientEvent: 208 fails");
  EXPECT_FALSE(link_.simBroken);
}

TEST_F(DispatchTest, AFailedCreationIsARequestError) {
  link_.userObjectId = 1;
  AiCreateAction action;
  action.callsign = "DLH1";
  action.liveryTitle = "Title";
  action.hexid = 20001;
  ASSERT_TRUE(gf_queueAiCreate(action, link_));
  gf_queueAiRemoval(1, link_);  // the user's own object is never removed
  lf_onFrame(link_);
  EXPECT_TRUE(link_.simBroken);
  EXPECT_EQ(g_exitReason, ExitReason::simConnectError);
  EXPECT_TRUE(log_.contains("! Simcon call to create ac in sim failed, hexid:20001, liv: 'Title', callsign: DLH1)"));
  EXPECT_TRUE(log_.contains("SimConnect call to remove ac with objectid 1"));
  EXPECT_TRUE(link_.simCreateQueue.empty());
}
