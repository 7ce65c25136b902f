// Distances, bearings and projected positions on a spherical earth whose radius makes
// one nautical mile exactly one minute of arc (10800/pi nm).
#pragma once

namespace vexo {

// A position: latitude, then longitude, in degrees (north and east positive).
struct LatLon {
  double lat = 0.0;
  double lon = 0.0;
  friend bool operator==(const LatLon&, const LatLon&) = default;
};

inline constexpr double g_degToRad = 0.017453292519943295;          // pi/180
inline constexpr double g_radToDeg = 57.29577951308232;             // 180/pi
inline constexpr double g_twoEarthRadiiNm = 6875.493541569878;      // 21600/pi
inline constexpr double g_feetToRadians = 4.787404208238998e-8;     // pi/(10800 x 6076.11549)
inline constexpr double g_feetPerNm = 6076.11549;
inline constexpr double g_twoPi = 6.283185307179586;

// Great-circle distance in nautical miles (haversine).
double gf_greatCircleNm(LatLon a, LatLon b);

// Initial true bearing from one position to another, in radians, 0 to 2 pi (0 north,
// clockwise).
double gf_initialBearing(LatLon from, LatLon to);

// The initial bearing and the distance of one leg at once: the values of gf_initialBearing
// and gf_greatCircleNm to the last bit, with the trigonometry of the latitudes shared.
struct GreatCircleLeg {
  double bearing = 0.0;  // radians, 0 to 2 pi
  double nm = 0.0;
};
GreatCircleLeg gf_greatCircleLeg(LatLon from, LatLon to);

// The sine and cosine of a latitude (degrees): the trigonometry that every leg starting or
// ending there shares. The two functions below take them worked out once, and give the
// values of gf_initialBearing and gf_greatCircleNm to the last bit.
struct LatTrig {
  double sinPhi = 0.0;
  double cosPhi = 1.0;
};
LatTrig gf_latTrig(double latDeg);
double gf_initialBearing(LatLon from, LatLon to, const LatTrig& fromTrig, const LatTrig& toTrig);
double gf_greatCircleNm(LatLon a, LatLon b, double cosA, double cosB);

// The position reached from start along a bearing (radians) over a distance in feet. The
// longitude comes out between -180 and 180 degrees; the latitude is not wrapped.
LatLon gf_destinationPoint(LatLon start, double bearing, double distanceFeet);

}  // namespace vexo
