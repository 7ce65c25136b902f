#include <gtest/gtest.h>

#include <future>
#include <limits>
#include <thread>

#include "engine_fixture.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {
namespace {

using test::EngineTest;
using test::HookState;

TEST_F(EngineTest, AtMostTwoReportsACycle) {
  for (std::uint32_t i = 0; i < 5; ++i) handOver(report(20001 + i, fmt::format("DLH{}", i), 100.0));
  cycle();
  EXPECT_EQ(engine.liveAcs.size(), 2u);
  EXPECT_EQ(engine.reports.queue.size(), 3u);
  cycle();
  EXPECT_EQ(engine.liveAcs.size(), 4u);
  cycle();
  EXPECT_EQ(engine.liveAcs.size(), 5u);
  EXPECT_TRUE(engine.reports.queue.empty());
}

TEST_F(EngineTest, TheAddingStackLetsOneGoACycleLastPushedFirst) {
  for (std::uint32_t i = 0; i < 5; ++i) {
    engine.liveAcs.emplace_back(gf_makeLiveAcData(AcIdent{}, 20001 + i), StreamPos{}, 0.0);
    engine.liveAcs.back().callsign = fmt::format("DLH{}", i);
    engine.liveAcs.back().simState = SimState::adding2sim;
    engine.addingStack.push_back(20001 + i);
  }
  for (std::uint32_t left = 4;; --left) {
    cycle();
    EXPECT_EQ(engine.addingStack.size(), left);
    EXPECT_EQ(engine.liveAddQueue.back().hexid, 20001 + left);
    if (left == 0) break;
  }
  EXPECT_EQ(engine.liveAddQueue.size(), 5u);
}

TEST_F(EngineTest, CreationsFiftyCyclesApartRemovalsTenApart) {
  for (std::uint32_t i = 0; i < 3; ++i) {
    handOver(dueNow(report(20001 + i, fmt::format("DLH{}", i), 100.0, 34.0 + i * 0.1)));
    handOver(dueNow(report(20001 + i, fmt::format("DLH{}", i), 110.0, 34.05 + i * 0.1)));
  }
  cycles(300);
  ASSERT_EQ(sim.creationTicks.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(sim.creationTicks[i] % 50, 0);
  EXPECT_EQ(sim.creationTicks[1] - sim.creationTicks[0], 50);
  EXPECT_EQ(sim.creationTicks[2] - sim.creationTicks[1], 50);
  cycles(250);  // all three settled
  gf_takeLiveAcsOutOfSim(engine);
  EXPECT_EQ(engine.removalQueue.size(), 3u);
  cycles(40);
  ASSERT_EQ(sim.removalTicks.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(sim.removalTicks[i] % 10, 0);
  EXPECT_EQ(sim.removalTicks[1] - sim.removalTicks[0], 10);
  EXPECT_EQ(sim.removalTicks[2] - sim.removalTicks[1], 10);
}

TEST_F(EngineTest, LiveCreationsGoBeforeStaticOnes) {
  AiCreateAction live;
  live.callsign = "DLH1";
  live.hexid = 20001;
  AiCreateAction parked;
  parked.callsign = "DLH2*";
  parked.hexid = 5;
  engine.staticAddQueue.push_back(parked);
  engine.liveAddQueue.push_back(live);
  cyclesUntilTickMultipleOf(50);
  cycle();
  ASSERT_EQ(sim.creations.size(), 1u);
  EXPECT_EQ(sim.creations[0].hexid, 20001u);
  cycles(50);
  ASSERT_EQ(sim.creations.size(), 2u);
  EXPECT_EQ(sim.creations[1].hexid, 5u);
  checkInvariantsAtEnd = false;  // no records behind these creations
  sim.objects.clear();
}

TEST_F(EngineTest, ABusyQueueMutexDropsThatCyclesPositionsOnly) {
  activeAircraft(20001, "DLH1");
  cycle();
  ASSERT_EQ(sim.lastPositions.size(), 1u);
  std::promise<void> locked;
  std::promise<void> release;
  std::thread holder([&] {
    std::lock_guard lock(link.simConnectMutex);
    locked.set_value();
    release.get_future().wait();
  });
  locked.get_future().wait();
  lf_handleAddingStack(engine);  // the hand-over finds the mutex busy
  release.set_value();
  holder.join();
  sim.frame();
  EXPECT_TRUE(sim.lastPositions.empty());
  cycle();
  EXPECT_EQ(sim.lastPositions.size(), 1u);
}

TEST_F(EngineTest, InRangeRequestEverySecondAndEveryFifthOfASecondWhileLanding) {
  cyclesUntilTickMultipleOf(100);
  const int before = HookState::inRangeRequests;
  cycles(100);
  EXPECT_EQ(HookState::inRangeRequests, before + 1);
  EXPECT_EQ(HookState::userPositionsSent, 1);
  engine.landingInProgress = true;
  cycles(100);
  EXPECT_EQ(HookState::inRangeRequests, before + 6);
  link.simBroken = true;
  cycles(100);
  EXPECT_EQ(HookState::inRangeRequests, before + 6);
  EXPECT_EQ(HookState::userPositionsSent, 3);  // the user position goes on
  link.simBroken = false;
  HookState::inRangeFails = true;
  cyclesUntilTickMultipleOf(20);
  cycle();
  EXPECT_TRUE(link.simBroken.load());  // a failed request marks the link broken
}

TEST_F(EngineTest, TheUserBlockIsTakenEverySecond) {
  HookState::user.latitude = 51.5;
  cyclesUntilTickMultipleOf(100);
  cycle();
  EXPECT_EQ(engine.userAc.get().latitude, 51.5);
}

TEST(EngineTicks, DueTicksSaturateInsteadOfWrapping) {
  constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(gf_addTicks(max - 10, 3000), max);
  EXPECT_EQ(gf_addTicks(max - 3000, 3000), max);
  EXPECT_EQ(gf_addTicks(100, 60'480'000), 60'480'100);
  EXPECT_EQ(gf_addTicks(std::numeric_limits<std::int32_t>::min() + 1, -5), std::numeric_limits<std::int32_t>::min());
}

TEST(EngineWeekSlot, AFailedConversionNeverReplacesTheSlot) {
  SimLink link;
  TrafficEngine engine(link);
  gf_setWeekSlotNow(WeekSlot{3, 17}, engine);
  gf_setWeekSlotNow(WeekSlot{-1, -1}, engine);
  gf_setWeekSlotNow(WeekSlot{3, -1}, engine);
  EXPECT_EQ(engine.weekSlotNow.load(), (WeekSlot{3, 17}));
  gf_setWeekSlotNow(WeekSlot{4, 0}, engine);
  EXPECT_EQ(engine.weekSlotNow.load(), (WeekSlot{4, 0}));
}

TEST(EngineTouchdownList, AHexidIsListedOnce) {
  SimLink link;
  TrafficEngine engine(link);
  gf_addTouchdown(20001, engine);
  gf_addTouchdown(20002, engine);
  gf_addTouchdown(20001, engine);
  EXPECT_EQ(engine.touchdownList, (std::deque<std::uint32_t>{20001, 20002}));
}

}  // namespace
}  // namespace vexo
