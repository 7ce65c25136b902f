// How closely the simulated tracks follow the reported ones, over the whole Los Angeles
// recording: for every position sent to the simulator, its distance from the reported
// track (the reports at the times the engine is due at them) and the step from the
// position sent before it. The figures are printed per phase (ground, air).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/geodesy.h"
#include "replay_fixture.h"
#include "track_metrics.h"

namespace vexo {
namespace {

using test::ReplayTest;

struct Figures {
  std::vector<double> offTrack;  // metres
  std::size_t steps = 0;
  std::size_t longSteps = 0;  // longer than the reported speed allows + 50 %
  double largestStepRatio = 0.0;
  double percentile(double q) { return test::percentileOf(offTrack, q); }
};

TEST_F(ReplayTest, TheSimulatedTracksFollowTheReportedOnes) {
  replay(lines("KLAX_20200617_2152.csv"), 1100.0);
  Figures ground, air;
  for (const auto& [hexid, a] : aircraft) {
    const auto& r = a.reported;
    if (r.size() < 2 || a.sent.size() < 2) continue;
    for (std::size_t i = 1; i < a.sent.size(); ++i) {
      const auto& s = a.sent[i];
      const auto& before = a.sent[i - 1];
      // The reports around the time the aircraft is at: the segments due within a minute
      // of it (the engine re-times its positions within windows of up to 50 s).
      const auto byDue = [](const StreamPos& p, std::int32_t t) { return p.dueTick < t; };
      const auto due = std::lower_bound(r.begin(), r.end(), s.tick, byDue);
      const std::size_t k = static_cast<std::size_t>(due - r.begin());
      const auto first = std::lower_bound(r.begin(), r.end(), s.tick - 6000, byDue);
      const auto last = std::lower_bound(r.begin(), r.end(), s.tick + 6000, byDue);
      if (k == 0 || k >= r.size()) continue;  // before the first or after the last report
      // A gap of more than a minute in the reports is bridged by dead reckoning, not
      // followed.
      if (r[k].dueTick - r[k - 1].dueTick > 6000) continue;
      const LatLon p{s.position.latitude, s.position.longitude};
      double off = 1e12;
      const std::size_t from = std::max<std::size_t>(static_cast<std::size_t>(first - r.begin()), 1);
      const std::size_t to = std::min(static_cast<std::size_t>(last - r.begin()), r.size() - 1);
      for (std::size_t j = std::min(from, k); j <= std::max(to, k); ++j)
        off = std::min(off, test::toSegmentMetres(p, {r[j - 1].lat, r[j - 1].lon}, {r[j].lat, r[j].lon}));
      const bool inAir = r[k].airborne != 0 && r[k - 1].airborne != 0;
      Figures& f = inAir ? air : ground;
      f.offTrack.push_back(off);
      if (s.tick != before.tick + 1) continue;
      const double step = gf_greatCircleNm({before.position.latitude, before.position.longitude}, p) * test::g_metresPerNm;
      const double fastest = std::max(r[k].groundSpeed, r[k - 1].groundSpeed);
      const double allowed = fastest * 1.5 * test::g_metresPerNm / 3600.0 / 100.0;  // metres per cycle
      ++f.steps;
      if (allowed > 0.0) f.largestStepRatio = std::max(f.largestStepRatio, step / (allowed / 1.5));
      if (step > allowed + 0.01) ++f.longSteps;
    }
  }
  for (auto [name, f] : {std::pair{"ground", &ground}, std::pair{"air", &air}}) {
    const double p95 = f->percentile(0.95);  // sorts
    std::printf("track following %-6s: %zu positions, off track p95 %.1f m, max %.1f m; %zu of %zu steps longer "
                "than the reported speed + 50 %%, largest step %.2f x the reported speed\n",
                name, f->offTrack.size(), p95, f->offTrack.empty() ? 0.0 : f->offTrack.back(),
                f->longSteps, f->steps, f->largestStepRatio);
    RecordProperty(std::string(name) + "_p95_m", std::to_string(p95));
  }
  // The targets (p95 below 15 m on the ground and 300 m in the air, no step beyond the
  // reported speed + 50 %) are not reached yet; what is reached must not get worse. Today:
  // ground p95 29.7 m, 32670 long steps, the largest 10.5 x; air 733.0 m, 21561, 4.62 x.
  ASSERT_GT(air.offTrack.size(), 10000u);
  ASSERT_GT(ground.offTrack.size(), 1000u);
  for (const double m : air.offTrack) ASSERT_TRUE(std::isfinite(m));
  struct Ceiling {
    Figures* f;
    double p95;
    std::size_t longSteps;
    double largestStepRatio;
  };
  for (const Ceiling& c : {Ceiling{&ground, 33.0, 36000, 11.5}, Ceiling{&air, 800.0, 24000, 5.1}}) {
    EXPECT_LE(c.f->percentile(0.95), c.p95);
    EXPECT_LE(c.f->longSteps, c.longSteps);
    EXPECT_LE(c.f->largestStepRatio, c.largestStepRatio);
  }
}

}  // namespace
}  // namespace vexo

