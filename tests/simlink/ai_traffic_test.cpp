// AI aircraft through the whole link: queued by the engine's side, created on the next
// frame, tied to their object ids, moved, given events and flight plans, removed.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cstdlib>

#include "engine/engine_services.h"
#include "foundation/error.h"
#include "foundation/paths.h"
#include "sim_client_fixture.h"
#include "simlink/flight_plans.h"
#include "simlink/refused_liveries.h"
#include "simlink/sim_action_queues.h"

using namespace vexo;
using namespace vexo::test;
using simstandin::Request;

namespace {

namespace F = SimConnectFunction;

constexpr std::uint32_t g_hexid = 0x3C6444;

AiCreateAction lf_create(std::string callsign, std::string_view title, std::uint32_t hexid) {
  AiCreateAction action;
  action.initPosition = {50.0340, 8.5710, 364.0, 0.0, 0.0, 250.0, 1, 0};
  action.callsign = std::move(callsign);
  action.liveryTitle = title;
  action.hexid = hexid;
  return action;
}

std::uint32_t lf_u32(const Request& r, std::size_t offset) { return ByteReader(r.bytes).u32(offset); }

class AiTrafficTest : public SimClientTest {
protected:
  // Waits for a response of the kind and takes it (others taken meanwhile are kept).
  std::optional<SimResponse> takeResponse(SimResponseKind kind) {
    std::optional<SimResponse> found;
    waitUntil([&] {
      for (const SimResponse& r : gf_takeSimResponses()) {
        if (!found && r.kind == kind)
          found = r;
        else
          kept_.push_back(r);
      }
      return found.has_value();
    });
    return found;
  }

  // Creates one aircraft and ties it to its object id, as the engine's cycle would.
  std::uint32_t createAndTie(const std::string& callsign, std::uint32_t hexid) {
    EXPECT_TRUE(gf_queueAiCreate(lf_create(callsign, "Airbus A320 Lufthansa", hexid), link_));
    const std::size_t before = standin_->aiObjects().size();
    EXPECT_TRUE(frameUntil([&] { return standin_->aiObjects().size() > before; }));
    // The engine's once-a-second request for the aircraft in range.
    EXPECT_EQ(locked([](HANDLE h) {
                return SimConnect_RequestDataOnSimObjectType(h, RequestId::aircraftInRange,
                                                             DataDefinitionId::aircraftInRange, 20000,
                                                             SimConnectObjectType::AIRCRAFT);
              }),
              S_OK);
    const auto created = takeResponse(SimResponseKind::createdLive);
    EXPECT_TRUE(created);
    return created ? created->objectId : 0;
  }

  std::vector<SimResponse> kept_;
};

}  // namespace

TEST_F(AiTrafficTest, AnAircraftLivesFromCreationToRemoval) {
  ::setenv("VDRK_APPDATA", sandbox_.cwd().c_str(), 1);
  gf_resetUserPaths();
  connectWithUser();

  // Created on the next frame, with the callsign as tail number.
  const std::uint32_t objectId = createAndTie("DLH4711", g_hexid);
  ASSERT_EQ(objectId, options_.firstAiObjectId);
  const auto creates = standin_->requestsOf(F::AICreateNonATCAircraft);
  ASSERT_EQ(creates.size(), 1u);
  EXPECT_EQ(ByteReader(creates[0].bytes).fixedString(16, 256), "Airbus A320 Lufthansa");
  EXPECT_EQ(ByteReader(creates[0].bytes).fixedString(272, 12), "DLH4711");
  EXPECT_FALSE(log_.contains("Unknown Dispatch")) << "the assigned object id message is silent";

  // Tied: control released and the object frozen, sent with the next frame.
  ASSERT_TRUE(frameUntil([&] { return countOf(F::TransmitClientEvent) >= 3; }));
  const auto releases = standin_->requestsOf(F::AIReleaseControl);
  ASSERT_EQ(releases.size(), 1u);
  EXPECT_EQ(lf_u32(releases[0], 16), objectId);
  const auto freezes = standin_->requestsOf(F::TransmitClientEvent);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lf_u32(freezes[i], 16), objectId);
    EXPECT_EQ(lf_u32(freezes[i], 20), 215 + i);
    EXPECT_EQ(lf_u32(freezes[i], 24), 1u);
    EXPECT_EQ(lf_u32(freezes[i], 28), 301u);
  }

  // Its static CG, asked for by the engine after the creation.
  ASSERT_EQ(locked([&](HANDLE h) {
              return SimConnect_RequestDataOnSimObject(h, RequestId::staticCg, DataDefinitionId::staticCg, objectId,
                                                       SimConnectPeriod::ONCE);
            }),
            S_OK);
  const auto cg = takeResponse(SimResponseKind::staticCg);
  ASSERT_TRUE(cg);
  EXPECT_EQ(cg->objectId, objectId);
  EXPECT_DOUBLE_EQ(cg->value1, 6.5);
  EXPECT_DOUBLE_EQ(cg->value2, 0.02);

  // Moved on every frame; an aircraft not created yet (object id 0) is never moved.
  for (int i = 1; i <= 4; ++i) {
    link_.simPositionQueue.engineSide().push_back({50.0 + i * 0.001, 8.5, 0, 0, 1.0, 364.0, 0, 0, objectId});
    link_.simPositionQueue.engineSide().push_back({50.0, 8.5, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(link_.simPositionQueue.handOver(link_.simConnectMutex));
    ASSERT_TRUE(frameUntil([&] { return countOf(F::SetDataOnSimObject) == static_cast<std::size_t>(i); }));
    EXPECT_DOUBLE_EQ(standin_->aiObjects()[0].value("PLANE LATITUDE"), 50.0 + i * 0.001);
  }
  for (const Request& r : standin_->requestsOf(F::SetDataOnSimObject)) {
    EXPECT_EQ(lf_u32(r, 16), DataDefinitionId::aiPosition);
    EXPECT_EQ(lf_u32(r, 32), 64u);
  }

  // Events: the seven lights side by side, then the flaps between two releases.
  gf_setLights(objectId, {1, 1, 0, 0, 1, 1, 0}, link_);
  gf_queueSimEvent({objectId, ClientEventId::FLAPS_SET, 8192}, link_);
  ASSERT_TRUE(frameUntil([&] { return countOf(F::TransmitClientEvent) == 11; }));
  std::vector<std::uint32_t> wire;  // event ids, 0 for a release of control
  for (const Request& r : standin_->requests())
    if (r.function == F::TransmitClientEvent || r.function == F::AIReleaseControl)
      wire.push_back(r.function == F::AIReleaseControl ? 0 : lf_u32(r, 20));
  EXPECT_EQ(std::vector(wire.end() - 10, wire.end()),
            (std::vector<std::uint32_t>{208, 207, 211, 209, 210, 213, 212, 0, 218, 0}));

  // A flight plan, written and attached as the engine does.
  ASSERT_TRUE(gf_createFlightPlanFolder(link_));
  const auto plan = gf_flightPlanPath(objectId, link_);
  ASSERT_TRUE(gf_writeFlightPlan(plan, AcCategory::Large, IataCode("FRA"), IataCode("JFK")));
  ASSERT_EQ(locked([&](HANDLE h) {
              return SimConnect_AISetAircraftFlightPlan(h, objectId, plan.string().c_str(), RequestId::aiFlightPlan);
            }),
            S_OK);
  ASSERT_TRUE(waitUntil([&] { return world_->flightPlans().contains(objectId); }));
  EXPECT_EQ(world_->flightPlans().at(objectId), gf_flightPlanText(AcCategory::Large, IataCode("FRA"), IataCode("JFK")));

  // Removed on a frame; the simulator confirms, and the plan goes with the aircraft.
  gf_queueAiRemoval(objectId, link_);
  ASSERT_TRUE(frameUntil([&] { return standin_->aiObjects().empty(); }));
  const auto removed = takeResponse(SimResponseKind::removed);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->objectId, objectId);
  std::filesystem::remove(plan);
  gf_removeFlightPlanFolder(link_);
  EXPECT_FALSE(std::filesystem::exists(link_.flightPlanFolder));
  EXPECT_FALSE(g_closing);
  stopThread();
  EXPECT_TRUE(link_.sentCreateList.empty());
  ::unsetenv("VDRK_APPDATA");
  gf_resetUserPaths();
}

TEST_F(AiTrafficTest, CreationsAndRemovalsKeepTheEnginesPaceOnTheWire) {
  connectWithUser();
  // The engine's pacing: one creation every 50 cycles, one removal every 10; one frame per
  // cycle here. Each request is on the wire after the frame that follows its queuing, and
  // none before.
  std::size_t creations = 0, removals = 0;
  for (int cycle = 0; cycle < 160; ++cycle) {
    EXPECT_EQ(countOf(F::AICreateNonATCAircraft), creations) << "cycle " << cycle;
    EXPECT_EQ(countOf(F::AIRemoveObject), removals) << "cycle " << cycle;
    if (cycle % 50 == 0) {
      ASSERT_TRUE(gf_queueAiCreate(lf_create(fmt::format("CS{}", creations), "Title", 20000 + creations++), link_));
    }
    // Ids of objects that do not exist: the simulator answers with an exception.
    if (cycle % 10 == 5) gf_queueAiRemoval(5000 + removals++, link_);
    world_->sendFrame();
    ASSERT_TRUE(waitUntil([&] {
      return countOf(F::AICreateNonATCAircraft) == creations && countOf(F::AIRemoveObject) == removals;
    })) << "cycle " << cycle;
  }
}

TEST_F(AiTrafficTest, ACallsignTooLongIsRefusedBeforeSendingAndBlamesNothing) {
  connectWithUser();
  EXPECT_FALSE(gf_queueAiCreate(lf_create("ABCDEFGHIJKL", "Title", g_hexid), link_));
  EXPECT_FALSE(gf_queueAiCreate(lf_create("X", std::string(256, 't'), g_hexid), link_));
  EXPECT_TRUE(gf_queueAiCreate(lf_create("ABCDEFGHIJK", "Title", g_hexid + 1), link_));
  ASSERT_TRUE(frameUntil([&] { return countOf(F::AICreateNonATCAircraft) == 1; }));
  EXPECT_EQ(ByteReader(standin_->requestsOf(F::AICreateNonATCAircraft)[0].bytes).fixedString(272, 12), "ABCDEFGHIJK");
  EXPECT_TRUE(log_.contains("Creation refused, callsign 'ABCDEFGHIJKL'"));
  EXPECT_FALSE(link_.simBroken);
  EXPECT_FALSE(g_closing);
  EXPECT_TRUE(link_.refusedLiveryTitles.empty());
}

TEST_F(AiTrafficTest, ABrokenLinkEmptiesTheQueuesWithoutSending) {
  connectWithUser();
  const auto sentByFrames = [&] {
    return countOf(F::AICreateNonATCAircraft) + countOf(F::AIRemoveObject) + countOf(F::TransmitClientEvent) +
           countOf(F::SetDataOnSimObject);
  };
  link_.simBroken = true;
  gf_queueAiCreate(lf_create("DLH1", "Title", g_hexid), link_);
  gf_queueAiRemoval(1234, link_);
  gf_setNavLights(1234, 1, link_);
  link_.simPositionQueue.engineSide().push_back({50.0, 8.5, 0, 0, 0, 0, 0, 0, 1234});
  link_.simPositionQueue.handOver(link_.simConnectMutex);
  ASSERT_TRUE(frameUntil([&] {
    std::lock_guard lock(link_.simConnectMutex);
    return link_.simCreateQueue.empty() && link_.simRemovalQueue.empty() && link_.simEventQueue.empty() &&
           link_.simPositionQueue.simSide().empty();
  }));
  EXPECT_EQ(sentByFrames(), 0u);
}

// The simulator refuses a livery by the create packet's send id; once the engine reports it,
// the title is no longer offered. The twentieth refusal is tested with the refusal records.
class RefusedTitleTest : public AiTrafficTest {
protected:
  RefusedTitleTest() { options_.failTitles = {"Broken livery"}; }
  TrafficEngine engine_{link_};  // its livery choices and the refusals of its link
};

TEST_F(RefusedTitleTest, ARefusedTitleIsNoLongerUsed) {
  connectWithUser();
  const std::uint32_t hexid = 30000;
  engine_.hexidLiveries[hexid] = "Broken livery";
  ASSERT_EQ(gf_getLiveryForHexid(hexid, engine_), "Broken livery");
  ASSERT_TRUE(gf_queueAiCreate(lf_create("CS0", "Broken livery", hexid), link_));
  ASSERT_TRUE(frameUntil([&] { return countOf(F::AICreateNonATCAircraft) == 1; }));
  const auto failed = takeResponse(SimResponseKind::createFailed);
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->id, hexid);
  gf_reportLiveryCreateFailure("CS0", "Broken livery", 0, 0, link_);
  EXPECT_FALSE(gf_getLiveryForHexid(hexid, engine_));
  EXPECT_TRUE(link_.refusedLiveryTitles.contains("Broken livery"));
  stopThread();
  EXPECT_TRUE(link_.sentCreateList.empty());
  EXPECT_FALSE(link_.simBroken) << "a refused livery is no failed request";
}
