#include "foundation/geodesy.h"

#include <algorithm>
#include <cmath>

namespace vexo {

double gf_greatCircleNm(LatLon a, LatLon b) {
  const double phiA = a.lat * g_degToRad;
  const double phiB = b.lat * g_degToRad;
  const double s1 = std::sin((phiB - phiA) / 2.0);
  const double s2 = std::sin((b.lon - a.lon) * g_degToRad / 2.0);
  // Rounding can push h a hair past 1 for nearly antipodal points; sqrt(1 - h) would then
  // be NaN.
  const double h = std::clamp(std::cos(phiB) * std::cos(phiA) * s2 * s2 + s1 * s1, 0.0, 1.0);
  return std::atan2(std::sqrt(h), std::sqrt(1.0 - h)) * g_twoEarthRadiiNm;
}

double gf_initialBearing(LatLon from, LatLon to) {
  const double phiFrom = from.lat * g_degToRad;
  const double phiTo = to.lat * g_degToRad;
  const double d = (to.lon - from.lon) * g_degToRad;
  double theta = std::atan2(std::sin(d) * std::cos(phiTo),
                            std::sin(phiTo) * std::cos(phiFrom) - std::sin(phiFrom) * std::cos(phiTo) * std::cos(d));
  if (theta < 0.0) theta += g_twoPi;
  return theta;
}

GreatCircleLeg gf_greatCircleLeg(LatLon from, LatLon to) {
  // The expressions of the two functions above, in their order, so that the results are
  // the same bits.
  const double phiA = from.lat * g_degToRad;
  const double phiB = to.lat * g_degToRad;
  const double cosA = std::cos(phiA);
  const double cosB = std::cos(phiB);
  const double s1 = std::sin((phiB - phiA) / 2.0);
  const double s2 = std::sin((to.lon - from.lon) * g_degToRad / 2.0);
  const double h = std::clamp(cosB * cosA * s2 * s2 + s1 * s1, 0.0, 1.0);
  const double d = (to.lon - from.lon) * g_degToRad;
  double theta = std::atan2(std::sin(d) * cosB, std::sin(phiB) * cosA - std::sin(phiA) * cosB * std::cos(d));
  if (theta < 0.0) theta += g_twoPi;
  return {theta, std::atan2(std::sqrt(h), std::sqrt(1.0 - h)) * g_twoEarthRadiiNm};
}

// The expressions of gf_initialBearing and gf_greatCircleNm, in their order, with the
// latitudes' sines and cosines taken as given.
LatTrig gf_latTrig(double latDeg) {
  const double phi = latDeg * g_degToRad;
  return {std::sin(phi), std::cos(phi)};
}

double gf_initialBearing(LatLon from, LatLon to, const LatTrig& fromTrig, const LatTrig& toTrig) {
  const double d = (to.lon - from.lon) * g_degToRad;
  double theta = std::atan2(std::sin(d) * toTrig.cosPhi,
                            toTrig.sinPhi * fromTrig.cosPhi - fromTrig.sinPhi * toTrig.cosPhi * std::cos(d));
  if (theta < 0.0) theta += g_twoPi;
  return theta;
}

double gf_greatCircleNm(LatLon a, LatLon b, double cosA, double cosB) {
  const double phiA = a.lat * g_degToRad;
  const double phiB = b.lat * g_degToRad;
  const double s1 = std::sin((phiB - phiA) / 2.0);
  const double s2 = std::sin((b.lon - a.lon) * g_degToRad / 2.0);
  const double h = std::clamp(cosB * cosA * s2 * s2 + s1 * s1, 0.0, 1.0);
  return std::atan2(std::sqrt(h), std::sqrt(1.0 - h)) * g_twoEarthRadiiNm;
}

LatLon gf_destinationPoint(LatLon start, double bearing, double distanceFeet) {
  const double delta = distanceFeet * g_feetToRadians;
  const double phi1 = start.lat * g_degToRad;
  const double lambda1 = start.lon * g_degToRad;
  const double sinPhi2 = std::clamp(
      std::cos(bearing) * std::sin(delta) * std::cos(phi1) + std::cos(delta) * std::sin(phi1), -1.0, 1.0);
  const double phi2 = std::asin(sinPhi2);
  const double lambda2 = std::remainder(
      std::atan2(std::sin(bearing) * std::sin(delta) * std::cos(phi1), std::cos(delta) - std::sin(phi1) * sinPhi2) +
          lambda1,
      g_twoPi);
  return {phi2 * g_radToDeg, lambda2 * g_radToDeg};
}

}  // namespace vexo
