// The removals and answers that once left objects in the simulator or records waiting
// forever.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "test_support.h"

namespace vexo {
namespace {

using test::EngineTest;

TEST_F(EngineTest, ARemovalOrderedBeforeTheCreationWasAnsweredRemovesTheObjectOnceSettled) {
  sim.answerDelayFrames = 20;
  handOver(dueNow(report(20001, "DLH1", 1000.0)));
  handOver(dueNow(report(20001, "DLH1", 1010.0, 34.01)));
  for (int i = 0; i < 100 && sim.creations.empty(); ++i) cycle();
  ASSERT_EQ(sim.creations.size(), 1u);
  removeAircraftFromSim(*find(20001), engine);
  EXPECT_EQ(find(20001)->removeWhenCreated, 1);
  removeAircraftFromSim(*find(20001), engine);  // asked again meanwhile: nothing more
  cycles(20 + 201);
  EXPECT_EQ(find(20001)->simState, SimState::removingfromsim);
  cycles(20);
  EXPECT_EQ(find(20001), nullptr);
  EXPECT_TRUE(sim.objects.empty());
  EXPECT_EQ(sim.removals.size(), 1u);
}

TEST_F(EngineTest, WithdrawingACreationTakesOnlyThatAircraftsOwn) {
  // Two aircraft under one callsign (different models), both waiting in the add queue.
  handOver(dueNow(report(20001, "DLH1", 1000.0)));
  handOver(dueNow(report(20001, "DLH1", 1010.0, 34.01)));
  handOver(dueNow(report(20002, "DLH1", 1000.0, 35.0, -118.0, 5000.0, 200.0, 90.0, "A320")));
  handOver(dueNow(report(20002, "DLH1", 1010.0, 35.01, -118.0, 5000.0, 200.0, 90.0, "A320")));
  cyclesUntilTickMultipleOf(50);
  cycle();  // the creation cycle finds nothing yet
  cycles(4);
  ASSERT_EQ(engine.liveAddQueue.size(), 2u);
  removeAircraftFromSim(*find(20001), engine);
  ASSERT_EQ(engine.liveAddQueue.size(), 1u);
  EXPECT_EQ(engine.liveAddQueue.front().hexid, 20002u);
  cycle();
  EXPECT_EQ(find(20001), nullptr);
  cycles(100);
  ASSERT_EQ(sim.creations.size(), 1u);
  EXPECT_EQ(sim.creations[0].hexid, 20002u);
  // The callsign form is still there for callers without a hexid.
  std::deque<AiCreateAction> queue(2);
  queue[0].callsign = "A";
  queue[1].callsign = "B";
  EXPECT_FALSE(gf_withdrawAddRequest(queue, std::string_view("")));
  EXPECT_TRUE(gf_withdrawAddRequest(queue, std::string_view("A")));
  EXPECT_EQ(queue.size(), 1u);
}

TEST_F(EngineTest, ARecordRemovedWhileOnTheAddingStackIsNeverCreated) {
  engine.liveAcs.emplace_back(gf_makeLiveAcData(AcIdent{}, 20001), StreamPos{}, 0.0);
  LiveAc& a = engine.liveAcs.back();
  a.callsign = "DLH1";
  a.simState = SimState::adding2sim;
  engine.addingStack.push_back(20001);
  removeAircraftFromSim(a, engine);
  EXPECT_TRUE(engine.addingStack.empty());
  cycles(60);
  EXPECT_EQ(find(20001), nullptr);
  EXPECT_TRUE(sim.creations.empty());
}

TEST_F(EngineTest, AnAnswerForAnUnknownHexidRemovesItsObject) {
  sim.objects[500] = 20099;  // the simulator made it, the engine knows no such aircraft
  sim.inject({500, 20099, 0, SimResponseKind::createdLive, 0.0, 100.0});
  cycles(11);
  EXPECT_TRUE(sim.objects.empty());
  EXPECT_TRUE(engine.createdObjects.empty());
}

TEST_F(EngineTest, ASecondObjectForAnAircraftThatHasOneLeavesTheSimulator) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const std::uint32_t first = a.objectid;
  sim.objects[700] = 20001;
  sim.inject({700, 20001, 0, SimResponseKind::createdLive, 0.0, 100.0});
  cycles(11);
  EXPECT_FALSE(sim.objects.contains(700));
  EXPECT_TRUE(sim.objects.contains(first));
  EXPECT_EQ(find(20001)->objectid, first);
  EXPECT_EQ(find(20001)->simState, SimState::active);
}

TEST_F(EngineTest, ACreatedObjectWhoseRecordWentWhileSettlingLeavesTheSimulator) {
  const std::uint32_t id = untilCreated(20001, "DLH1");
  cycles(10);
  ASSERT_EQ(engine.createdObjects.size(), 1u);
  engine.liveAcs.clear();  // gone for whatever reason
  cycles(200);
  EXPECT_TRUE(engine.createdObjects.empty());
  EXPECT_FALSE(sim.objects.contains(id));
  // The same for a static object without its record.
  sim.objects[600] = 7;
  sim.inject({600, 7, 0, SimResponseKind::createdStatic, 0.0, 0.0});
  cycles(215);
  EXPECT_TRUE(engine.createdObjects.empty());
  EXPECT_TRUE(sim.objects.empty());
}

TEST_F(EngineTest, RecordsThatCouldNeverFinishAreErased) {
  test::LogCapture log;
  // An active record without an object id.
  engine.liveAcs.emplace_back(gf_makeLiveAcData(AcIdent{}, 20001), StreamPos{}, 0.0);
  engine.liveAcs.back().simState = SimState::active;
  removeAircraftFromSim(engine.liveAcs.back(), engine);
  EXPECT_TRUE(engine.removalQueue.empty());
  EXPECT_TRUE(log.contains("removeAircraftFromSim"));
  cycle();
  EXPECT_TRUE(engine.liveAcs.empty());
  // A creation without a callsign.
  engine.liveAcs.emplace_back(gf_makeLiveAcData(AcIdent{}, 20002), StreamPos{}, 0.0);
  engine.liveAcs.back().simState = SimState::adding2sim;
  engine.addingStack.push_back(20002);
  cycle();
  EXPECT_TRUE(log.contains("lf_handleAddingStack"));
  EXPECT_TRUE(engine.liveAddQueue.empty());
  cycle();
  EXPECT_TRUE(engine.liveAcs.empty());
  // A creation the simulator link refuses (a callsign too long for its field).
  engine.liveAcs.emplace_back(gf_makeLiveAcData(AcIdent{}, 20003), StreamPos{}, 0.0);
  engine.liveAcs.back().simState = SimState::adding2sim;
  engine.liveAcs.back().callsign = "ABCDEFGHIJKL";
  engine.addingStack.push_back(20003);
  cycles(51);
  cycle();
  EXPECT_TRUE(engine.liveAcs.empty());
  EXPECT_TRUE(sim.creations.empty());
}

TEST_F(EngineTest, EachObjectIdIsQueuedForRemovalOnce) {
  activeAircraft(20001, "DLH1");
  activeAircraft(20002, "DLH2");
  LiveAc& a = *find(20001);
  LiveAc& b = *find(20002);
  removeAircraftFromSim(a, engine);
  removeAircraftFromSim(a, engine);
  EXPECT_EQ(engine.removalQueue.size(), 1u);
  b.simState = SimState::liveryrespawn;  // its id went out with the respawn
  engine.removalQueue.push_back(b.objectid);
  removeAircraftFromSim(b, engine);
  EXPECT_EQ(engine.removalQueue.size(), 2u);
  cycles(30);
  EXPECT_EQ(sim.removals.size(), 2u);
}

TEST_F(EngineTest, TheTrafficSourceGoneTakesEveryLiveAircraftOut) {
  LiveAc& active = activeAircraft(20001, "DLH1");
  (void)active;
  sim.answerDelayFrames = 30;
  untilCreated(20002, "DLH2");  // sent, not answered
  handOver(report(20003, "DLH3", 1000.0));  // buffered
  cycle();
  gf_takeLiveAcsOutOfSim(engine);
  EXPECT_EQ(find(20001)->simState, SimState::removingfromsim);
  EXPECT_EQ(find(20002)->removeWhenCreated, 1);
  EXPECT_EQ(find(20003)->eraseFromBuffer, 1);
  // The invariants at the end see the rest out.
}

}  // namespace
}  // namespace vexo
