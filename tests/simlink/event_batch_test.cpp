// Client events collected in a batch: nothing reaches the link's queue until the batch
// ends, then everything in the order it was given; other links and other threads queue
// at once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "simlink/sim_action_queues.h"
#include "simlink/sim_vocabulary.h"

using namespace vexo;

namespace {

namespace E = ClientEventId;

struct Ev {
  std::uint32_t objectId, eventId, data;
  friend bool operator==(const Ev&, const Ev&) = default;
};

std::vector<Ev> lf_queued(SimLink& link) {
  std::lock_guard lock(link.simConnectMutex);
  std::vector<Ev> out;
  for (const SimEventAction& e : link.simEventQueue) out.push_back({e.objectId, e.eventId, e.data});
  return out;
}

// Every setter of the queue, in one sequence: cabin, one client event, the light block.
void lf_queueSome(SimLink& link, std::uint32_t objectId) {
  gf_setCabinLights(objectId, 1, link);
  gf_queueSimEvent({objectId, E::GEAR_SET, 0}, link);
  gf_setLights(objectId, {1, 0, 1, 0, 1, 0, 1}, link);
  gf_setNavLights(objectId, 0, link);
  gf_engineAutoStart(objectId, link);
}

const std::vector<Ev> g_some{{7, E::CABIN_LIGHTS_SET, 1},  {7, E::GEAR_SET, 0},           {7, E::NAV_LIGHTS_SET, 1},
                             {7, E::BEACON_LIGHTS_SET, 0}, {7, E::LANDING_LIGHTS_SET, 1}, {7, E::TAXI_LIGHTS_SET, 0},
                             {7, E::STROBES_SET, 1},       {7, E::LOGO_LIGHTS_SET, 0},    {7, E::CABIN_LIGHTS_SET, 1},
                             {7, E::NAV_LIGHTS_SET, 0},    {7, E::ENGINE_AUTO_START, 0}};

}  // namespace

TEST(SimEventBatchTest, TheEventsReachTheQueueWhenTheBatchEndsInTheirOrder) {
  SimLink unbatched;
  lf_queueSome(unbatched, 7);
  ASSERT_EQ(lf_queued(unbatched), g_some);

  SimLink link;
  std::vector<SimEventAction> buffer{{1, 2, 3}};  // whatever it held before is not sent
  {
    SimEventBatch batch(link, buffer);
    lf_queueSome(link, 7);
    EXPECT_TRUE(lf_queued(link).empty());
  }
  EXPECT_EQ(lf_queued(link), g_some);
  EXPECT_TRUE(buffer.empty());

  // Once the batch has ended, the thread queues at once again.
  gf_setCabinLights(8, 0, link);
  EXPECT_EQ(lf_queued(link).back(), (Ev{8, E::CABIN_LIGHTS_SET, 0}));
}

TEST(SimEventBatchTest, OtherLinksAndOtherThreadsQueueAtOnce) {
  SimLink link, other;
  std::vector<SimEventAction> buffer;
  {
    SimEventBatch batch(link, buffer);
    gf_setCabinLights(1, 1, link);
    gf_setCabinLights(2, 1, other);
    EXPECT_EQ(lf_queued(other), (std::vector<Ev>{{2, E::CABIN_LIGHTS_SET, 1}}));
    std::thread ui([&link] { gf_setNavLights(3, 1, link); });
    ui.join();
    // The other thread's event is queued; the batch's own is still held.
    EXPECT_EQ(lf_queued(link), (std::vector<Ev>{{3, E::NAV_LIGHTS_SET, 1}}));
  }
  EXPECT_EQ(lf_queued(link), (std::vector<Ev>{{3, E::NAV_LIGHTS_SET, 1}, {1, E::CABIN_LIGHTS_SET, 1}}));
  EXPECT_EQ(lf_queued(other).size(), 1u);
}

TEST(SimEventBatchTest, ANestedBatchKeepsTheOrderOfTheEnclosingOne) {
  SimLink link, other;
  std::vector<SimEventAction> outerBuffer, innerBuffer, otherBuffer;
  {
    SimEventBatch outer(link, outerBuffer);
    gf_setCabinLights(1, 1, link);
    {
      SimEventBatch inner(link, innerBuffer);
      gf_setCabinLights(2, 1, link);
    }
    {
      // A batch for another link inside: its events go to that link when it ends; those
      // for the first link still go to the batch for it.
      SimEventBatch forOther(other, otherBuffer);
      gf_setCabinLights(9, 1, other);
      gf_setCabinLights(3, 1, link);
    }
    EXPECT_EQ(lf_queued(other), (std::vector<Ev>{{9, E::CABIN_LIGHTS_SET, 1}}));
    gf_setCabinLights(4, 1, link);
    EXPECT_TRUE(lf_queued(link).empty());
  }
  EXPECT_EQ(lf_queued(link), (std::vector<Ev>{{1, E::CABIN_LIGHTS_SET, 1},
                                              {2, E::CABIN_LIGHTS_SET, 1},
                                              {3, E::CABIN_LIGHTS_SET, 1},
                                              {4, E::CABIN_LIGHTS_SET, 1}}));
}
