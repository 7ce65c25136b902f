#include "foundation/geodesy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>
#include <numbers>

using namespace vexo;

namespace {
constexpr double kPi = std::numbers::pi;
double degrees(double radians) { return radians * 180.0 / kPi; }
}  // namespace

// Los Angeles to New York Kennedy on the one-minute-of-arc sphere, as worked in the
// Aviation Formulary: 0.623585 rad (2143.73 nm) on an initial course of 1.150035 rad, and
// the point 100 nm along that course at 0.604180 rad N, 2.034206 rad W.
TEST(Geodesy, LosAngelesToKennedyMatchesPublishedValues) {
  const LatLon lax{33 + 57 / 60.0, -(118 + 24 / 60.0)};
  const LatLon jfk{40 + 38 / 60.0, -(73 + 47 / 60.0)};
  EXPECT_NEAR(gf_greatCircleNm(lax, jfk), 0.623585 * 10800.0 / kPi, 0.1);
  EXPECT_NEAR(degrees(gf_initialBearing(lax, jfk)), degrees(1.150035), 0.1);
  const LatLon p = gf_destinationPoint(lax, 1.150035, 100.0 * g_feetPerNm);
  EXPECT_NEAR(p.lat, degrees(0.604180), 0.001);
  EXPECT_NEAR(p.lon, -degrees(2.034206), 0.001);
  EXPECT_EQ(gf_greatCircleNm({47.26, 11.34}, {47.26, 11.34}), 0.0);
}

TEST(Geodesy, NearlyAntipodalPointsGiveAFiniteDistance) {
  for (double eps : {0.0, 1e-12, 1e-9, 1e-7}) {
    const double d = gf_greatCircleNm({10.0, 20.0}, {-10.0 - eps, -160.0 + eps});
    EXPECT_NEAR(d, 10800.0, 0.01) << eps;  // NaN fails too
  }
  EXPECT_TRUE(std::isfinite(gf_initialBearing({45.0, 0.0}, {-45.0, 180.0})));
  const LatLon p = gf_destinationPoint({89.9999999, 0.0}, 0.0, 10800.0 * g_feetPerNm);
  EXPECT_TRUE(std::isfinite(p.lat) && std::isfinite(p.lon));
}

// Exactly antipodal pairs for which the haversine term comes out a hair above 1 in double
// arithmetic (about one random pair in 25 does): without the clamp the distance is NaN.
TEST(Geodesy, AntipodalPairsThatRoundPastTheClampGiveHalfTheCircumference) {
  const std::pair<LatLon, LatLon> pairs[] = {
      {{-82, -179}, {82, 1}}, {{-12, 0}, {12, 180}}, {{8, -74}, {-8, 106}}, {{-8, 37}, {8, -143}}};
  for (const auto& [a, b] : pairs) {
    SCOPED_TRACE(testing::Message() << a.lat << "," << a.lon);
    // The haversine term as written out, unclamped: the case really reaches the clamp.
    const double phiA = a.lat * g_degToRad;
    const double phiB = b.lat * g_degToRad;
    const double s1 = std::sin((phiB - phiA) / 2.0);
    const double s2 = std::sin((b.lon - a.lon) * g_degToRad / 2.0);
    ASSERT_GT(std::cos(phiB) * std::cos(phiA) * s2 * s2 + s1 * s1, 1.0);
    EXPECT_DOUBLE_EQ(gf_greatCircleNm(a, b), 10800.0);
    EXPECT_DOUBLE_EQ(gf_greatCircleNm(b, a), 10800.0);
  }
}

TEST(Geodesy, BearingsRunClockwiseWithinAFullTurnAndLongitudeWraps) {
  EXPECT_NEAR(gf_initialBearing({0, 0}, {1, 0}), 0.0, 1e-12);
  EXPECT_NEAR(gf_initialBearing({0, 0}, {0, 1}), kPi / 2, 1e-12);
  EXPECT_NEAR(gf_initialBearing({0, 0}, {0, -1}), 3 * kPi / 2, 1e-12);
  const LatLon east = gf_destinationPoint({0, 179.9}, kPi / 2, 20.0 * g_feetPerNm);
  EXPECT_NEAR(east.lon, -179.7667, 1e-3);
  EXPECT_NEAR(east.lat, 0.0, 1e-9);
}

// One leg's bearing and distance at once are the two functions' values to the last bit,
// wherever the leg lies (short legs, the poles, the date line, antipodes, one point).
TEST(Geodesy, ALegsBearingAndDistanceTogetherAreTheSameBitsAsEachAlone) {
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> lat(-90.0, 90.0), lon(-180.0, 180.0), small(-0.01, 0.01);
  std::vector<std::pair<LatLon, LatLon>> legs{{{0.0, 0.0}, {0.0, -0.0}},      {{-0.0, 0.0}, {10.0, -0.0}},
                                              {{90.0, 10.0}, {-90.0, 10.0}}, {{10.0, 179.99}, {10.0, -179.99}},
                                              {{10.0, 20.0}, {-10.0, -160.0}}, {{47.26, 11.34}, {47.26, 11.34}}};
  for (int i = 0; i < 20000; ++i) {
    const LatLon a{lat(random), lon(random)};
    legs.push_back({a, {lat(random), lon(random)}});
    legs.push_back({a, {std::clamp(a.lat + small(random), -90.0, 90.0), a.lon + small(random)}});
  }
  const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
  for (const auto& [from, to] : legs) {
    const GreatCircleLeg leg = gf_greatCircleLeg(from, to);
    ASSERT_EQ(bits(leg.bearing), bits(gf_initialBearing(from, to))) << from.lat << "," << from.lon << " " << to.lat << "," << to.lon;
    ASSERT_EQ(bits(leg.nm), bits(gf_greatCircleNm(from, to))) << from.lat << "," << from.lon << " " << to.lat << "," << to.lon;
    // With the latitudes' sines and cosines worked out beforehand, as the stream shares
    // them between the legs before and after a position.
    const LatTrig f = gf_latTrig(from.lat);
    const LatTrig t = gf_latTrig(to.lat);
    ASSERT_EQ(bits(gf_initialBearing(from, to, f, t)), bits(leg.bearing)) << from.lat << "," << from.lon << " " << to.lat << "," << to.lon;
    ASSERT_EQ(bits(gf_greatCircleNm(from, to, f.cosPhi, t.cosPhi)), bits(leg.nm)) << from.lat << "," << from.lon << " " << to.lat << "," << to.lon;
  }
}
