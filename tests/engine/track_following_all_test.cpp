// Track following over every recording of the test data, each replayed whole with the
// user at its airport: for every position sent to the simulator, its distance from the
// reported track (the report segments due within a minute of it), split by phase (ground,
// air) and by whether the aircraft was then followed along its reports or dead reckoned
// (an extension of its stream, or a hold, after its reports ran dry). The figures are
// printed; the test checks that every recording was flown and that nothing is not finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "foundation/geodesy.h"
#include "replay_fixture.h"
#include "track_metrics.h"

namespace vexo {
namespace {

using test::HookState;
using test::ReplayTest;

struct Sample {
  double metres;
  bool air;
  bool reckoned;
};

class TrackFollowingAll : public ReplayTest {
protected:
  static inline ParkAirportRef field;  // the field of a recording without an airport file

  // Per hexid, the cycles at which its sent positions were dead reckoned.
  std::unordered_map<std::uint32_t, std::vector<std::int32_t>> reckonedTicks;

  void noteReckoning() {
    for (const LiveAc& a : engine.liveAcs)
      if (a.simState == SimState::active && (a.stepsLeft > 0 || a.holding != 0))
        reckonedTicks[a.hexid].push_back(tick());
  }
  bool reckonedAt(std::uint32_t hexid, std::int32_t t) const {
    const auto it = reckonedTicks.find(hexid);
    return it != reckonedTicks.end() && std::binary_search(it->second.begin(), it->second.end(), t);
  }

  std::vector<Sample> measure() const {
    std::vector<Sample> out;
    for (const auto& [hexid, a] : aircraft) {
      const auto& r = a.reported;
      if (r.size() < 2 || a.sent.size() < 2) continue;
      for (const auto& s : a.sent) {
        const auto byDue = [](const StreamPos& p, std::int32_t t) { return p.dueTick < t; };
        const auto due = std::lower_bound(r.begin(), r.end(), s.tick, byDue);
        const std::size_t k = static_cast<std::size_t>(due - r.begin());
        if (k == 0 || k >= r.size()) continue;
        if (r[k].dueTick - r[k - 1].dueTick > 6000) continue;  // a gap bridged, not followed
        const auto first = std::lower_bound(r.begin(), r.end(), s.tick - 6000, byDue);
        const auto last = std::lower_bound(r.begin(), r.end(), s.tick + 6000, byDue);
        const std::size_t from = std::max<std::size_t>(static_cast<std::size_t>(first - r.begin()), 1);
        const std::size_t to = std::min(static_cast<std::size_t>(last - r.begin()), r.size() - 1);
        const LatLon p{s.position.latitude, s.position.longitude};
        double off = 1e12;
        for (std::size_t j = std::min(from, k); j <= std::max(to, k); ++j)
          off = std::min(off, test::toSegmentMetres(p, {r[j - 1].lat, r[j - 1].lon}, {r[j].lat, r[j].lon}));
        out.push_back({off, r[k].airborne != 0 && r[k - 1].airborne != 0, reckonedAt(hexid, s.tick)});
      }
    }
    return out;
  }
};

TEST_F(TrackFollowingAll, EveryRecordingIsFollowedAndTheFiguresArePrintedPerPhaseAndDeadReckoning) {
  struct Recording {
    const char* file;
    LatLon user;
    double elevation;  // feet
    bool parkAirport;  // Los Angeles: the park airport read from its file
  };
  const Recording recordings[] = {
      {"KLAX_20200617_2152.csv", test::g_replayUser, test::g_replayElevation, true},
      {"KLAX_20210125_Test.csv", test::g_replayUser, test::g_replayElevation, true},
      {"KPTK_20201128.csv", {42.2124, -83.3534}, 645.0, false},  // its weather is Detroit's
      {"edkb_10s.csv", {50.7677, 7.1633}, 197.0, false},
      {"edkb_landing.csv", {50.7677, 7.1633}, 197.0, false},
  };
  for (const Recording& rec : recordings) {
    SCOPED_TRACE(rec.file);
    // A fresh replay per recording, on the same engine: what was in the simulator leaves.
    stopTrafficAndDrain();
    aircraft.clear();
    reckonedTicks.clear();
    next = 0;
    t0 = 0.0;
    elapsedCycles = 0;
    HookState::user.latitude = rec.user.lat;
    HookState::user.longitude = rec.user.lon;
    context.refPosition = rec.user;
    groundElevation = rec.elevation;
    if (!rec.parkAirport) {
      // No airport file for these fields: the engine and the reader are given the field's
      // place and elevation as a park airport without stands, so that the reader tells
      // their ground reports as it would at a park airport.
      field = {rec.user, rec.elevation};
      engine.hooks.parkAirportElevation = [] { return std::optional<double>{field.elevation}; };
      engine.hooks.parkAirportPosition = [] { return std::optional<LatLon>{field.position}; };
      context.parkAirport = field;
      context.parkAirportElevation = rec.elevation;
    }
    // In time order; a stray later snapshot (KPTK's first lines, nine hours on) is left out.
    auto recorded = lines(rec.file);
    ASSERT_FALSE(recorded.empty());
    std::stable_sort(recorded.begin(), recorded.end(), [](const auto& x, const auto& y) { return x.timestamp < y.timestamp; });
    for (std::size_t i = 1; i < recorded.size(); ++i) {
      if (recorded[i].timestamp - recorded[i - 1].timestamp <= 600.0) continue;
      recorded.resize(i);
      break;
    }
    const double seconds = recorded.back().timestamp - recorded.front().timestamp + 120.0;
    replay(recorded, seconds, [&] { noteReckoning(); });
    std::vector<Sample> samples = measure();
    ASSERT_FALSE(samples.empty());
    for (const Sample& s : samples) ASSERT_TRUE(std::isfinite(s.metres));
    for (const bool air : {false, true}) {
      for (const bool reckoned : {false, true}) {
        std::vector<double> m;
        for (const Sample& s : samples)
          if (s.air == air && s.reckoned == reckoned) m.push_back(s.metres);
        const std::size_t n = m.size();
        const double p50 = test::percentileOf(m, 0.5), p95 = test::percentileOf(m, 0.95);
        std::printf("track following %-24s %-6s %-10s: %7zu positions, off track p50 %7.1f m, p95 %7.1f m, max %8.1f m\n",
                    rec.file, air ? "air" : "ground", reckoned ? "reckoned" : "followed", n, p50, p95,
                    m.empty() ? 0.0 : m.back());
      }
    }
  }
}

}  // namespace
}  // namespace vexo
