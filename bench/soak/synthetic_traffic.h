// Synthetic traffic around Los Angeles for the soak run: a fleet of aircraft that keep
// arriving (approach, landing, taxi to a stand of the park airport, parked), turning round
// at their stand (some fall silent there for hours, as transponders switched off do),
// leaving (push-back, taxi, take-off, climb out of range), passing overhead and flying
// light aircraft circuits. Each flight is a list of reports as the Traffic Reader would
// hand them over; the rates follow a profile that repeats every 12 hours, so the two
// halves of a simulated day carry the same load and can be compared.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "airports/parking_position.h"
#include "engine/learned_flight.h"
#include "engine/live_report.h"
#include "foundation/geodesy.h"
#include "refdata/codes.h"

namespace vexo::soak {

inline constexpr LatLon g_lax{33.9416, -118.4085};
inline constexpr double g_laxElevation = 125.0;  // feet
// A runway north of the terminals, flown westbound: arrivals from the east, departures
// to the west.
inline constexpr double g_runwayLat = 33.9520;
inline constexpr double g_thresholdLon = -118.3830;
inline constexpr double g_lineUpLon = -118.3800;

struct ReportPoint {
  double time = 0.0;  // seconds of the run
  double lat = 0.0;
  double lon = 0.0;
  double altitude = 0.0;  // feet; 0 on the ground
  double groundSpeed = 0.0;
  double track = 0.0;  // degrees
  double verticalRate = 0.0;
  bool airborne = false;
};

enum class FlightKind { arrival, turnaround, silent, departure, overflight, circuit };

struct Flight {
  std::uint32_t hexid = 0;
  std::string callsign;
  std::string model;
  FlightKind kind = FlightKind::arrival;
  int stand = -1;  // index into the generator's stands; -1: none
  std::deque<ReportPoint> points;
  double resumeAt = 0.0;  // silent: when the aircraft reports again
};

struct StandSlot {
  LatLon position;
  double heading = 0.0;  // degrees
  double radiusMetres = 0.0;
  bool busy = false;
};

struct ModelKind {
  const char* code;
  double minStandRadius;  // metres
};

inline constexpr ModelKind g_airlinerModels[] = {{"B738", 18.0}, {"A320", 18.0}, {"A321", 18.0}, {"B739", 18.0},
                                                 {"E75L", 14.0}, {"CRJ9", 13.0}, {"B77W", 33.0}, {"B789", 30.0},
                                                 {"A359", 33.0}, {"A388", 40.0}};
inline constexpr const char* g_airlines[] = {"AAL", "UAL", "DAL", "SWA", "ASA", "SKW", "JBU", "QFA", "BAW", "KAL"};

// Flights learned at the stands, as earlier visits would have left them: at 60% of the
// stands, on every weekday, flights of one to four hours one after another with gaps
// between them. The number of flights.
inline std::size_t gf_learnFlights(std::vector<ParkingPosition>& stands, std::uint32_t seed) {
  std::mt19937 random(seed + 1);
  std::size_t count = 0;
  for (ParkingPosition& stand : stands) {
    if (stand.heli != 0 || random() % 10 >= 6) continue;
    std::vector<const ModelKind*> fitting;
    for (const ModelKind& m : g_airlinerModels)
      if (m.minStandRadius <= stand.radius * 1852.0) fitting.push_back(&m);
    if (fitting.empty()) continue;
    std::uint32_t index = 0;
    for (std::uint32_t day = 1; day <= 7; ++day) {
      for (int slot = static_cast<int>(random() % 6); slot < 48;) {
        const int length = 2 + static_cast<int>(random() % 7);
        const char* airline = g_airlines[random() % std::size(g_airlines)];
        LearnedFlight f;
        f.codes.airlineId = gf_airlineCode2Id(airline);
        f.codes.modelId = gf_modelCode2Id(fitting[random() % fitting.size()]->code);
        f.callsign = fmt::format("{}{}", airline, 3000 + random() % 6000);
        f.registration = fmt::format("N{}SK", 100 + random() % 899);
        f.day = day;
        f.real = 1;
        f.index = ++index;
        for (int h = slot; h < std::min(48, slot + length); ++h) f.hh.set(static_cast<std::size_t>(h));
        stand.learnedFlights.push_back(std::move(f));
        ++count;
        slot += length + static_cast<int>(random() % 6);
      }
    }
  }
  return count;
}

class SyntheticTraffic {
public:
  SyntheticTraffic(const std::vector<ParkingPosition>& stands, std::uint32_t seed, std::size_t fleetSize)
      : random_(seed) {
    for (const ParkingPosition& s : stands) {
      if (s.heli != 0) continue;
      // The user stands at the park airport's reference point: nobody parks next to it.
      if (gf_greatCircleNm(g_lax, {s.latitude, s.longitude}) * 1852.0 < 250.0) continue;
      stands_.push_back({{s.latitude, s.longitude}, s.heading * g_radToDeg, s.radius * 1852.0, false});
    }
    for (std::size_t i = 0; i < fleetSize; ++i) freeHexids_.push_back(0xA00000U + static_cast<std::uint32_t>(i) * 7U);
  }

  // The reports due by the time (seconds of the run), in time order; new flights begin
  // by the rates of the hour.
  template <class Sink>
  void advance(double now, Sink&& sink) {
    startFlights(now);
    for (auto it = flights_.begin(); it != flights_.end();) {
      Flight& f = *it;
      while (!f.points.empty() && f.points.front().time <= now) {
        sink(f, f.points.front());
        f.points.pop_front();
      }
      if (!f.points.empty() || (f.kind == FlightKind::silent && now < f.resumeAt)) {
        ++it;
        continue;
      }
      if (!nextPhase(f, now)) {
        finish(f);
        it = flights_.erase(it);
        continue;
      }
      ++it;
    }
  }

  std::size_t flightsInProgress() const { return flights_.size(); }
  std::size_t busyStands() const {
    return static_cast<std::size_t>(std::count_if(stands_.begin(), stands_.end(), [](const StandSlot& s) { return s.busy; }));
  }
  std::size_t standCount() const { return stands_.size(); }
  std::uint64_t flightsStarted() const { return started_; }
  std::uint64_t movements() const { return movements_; }

private:
  // Rates per hour at full load; the load swings between 0.3 and 1 over 12 hours.
  static constexpr double g_arrivalsPerHour = 110.0;
  static constexpr double g_overflightsPerHour = 160.0;
  static constexpr double g_circuitsPerHour = 16.0;

  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(random_); }
  bool chance(double p) { return uniform(0.0, 1.0) < p; }
  static double load(double now) {
    const double hours = now / 3600.0;
    return 0.65 - 0.35 * std::cos(hours / 12.0 * g_twoPi);
  }

  void startFlights(double now) {
    const double perSecond = load(now) / 3600.0;
    if (chance(g_arrivalsPerHour * perSecond)) startArrival(now);
    if (chance(g_overflightsPerHour * perSecond)) startOverflight(now);
    if (chance(g_circuitsPerHour * perSecond)) startCircuit(now);
  }

  bool takeHexid(Flight& f) {
    if (freeHexids_.empty()) return false;
    const auto pick = std::uniform_int_distribution<std::size_t>(0, freeHexids_.size() - 1)(random_);
    f.hexid = freeHexids_[pick];
    freeHexids_[pick] = freeHexids_.back();
    freeHexids_.pop_back();
    return true;
  }
  void finish(const Flight& f) {
    freeHexids_.push_back(f.hexid);
    if (f.stand >= 0) stands_[static_cast<std::size_t>(f.stand)].busy = false;
  }
  std::string airlineCallsign() {
    return fmt::format("{}{}", g_airlines[random_() % std::size(g_airlines)], 1 + random_() % 2999);
  }

  int freeStandFor(double minRadius) {
    std::vector<int> fitting;
    for (std::size_t i = 0; i < stands_.size(); ++i)
      if (!stands_[i].busy && stands_[i].radiusMetres >= minRadius) fitting.push_back(static_cast<int>(i));
    if (fitting.empty()) return -1;
    return fitting[random_() % fitting.size()];
  }

  void startArrival(double now) {
    const ModelKind& m = g_airlinerModels[random_() % std::size(g_airlinerModels)];
    const int stand = freeStandFor(m.minStandRadius);
    if (stand < 0) return;
    Flight f;
    if (!takeHexid(f)) return;
    f.callsign = airlineCallsign();
    f.model = m.code;
    f.kind = FlightKind::arrival;
    f.stand = stand;
    stands_[static_cast<std::size_t>(stand)].busy = true;
    approachAndTaxiIn(f, now);
    flights_.push_back(std::move(f));
    ++started_;
  }

  void startOverflight(double now) {
    static constexpr const char* models[] = {"B738", "A320", "B77W", "B789", "A333", "B752", "CRJ9", "E75L"};
    Flight f;
    if (!takeHexid(f)) return;
    f.callsign = airlineCallsign();
    f.model = models[random_() % std::size(models)];
    f.kind = FlightKind::overflight;
    const double track = uniform(0.0, 360.0);
    const double offset = uniform(-30.0, 30.0);  // nm beside the airport
    const LatLon closest = gf_destinationPoint(g_lax, (track + 90.0) * g_degToRad, offset * g_feetPerNm);
    const LatLon from = gf_destinationPoint(closest, (track + 180.0) * g_degToRad, 48.0 * g_feetPerNm);
    const LatLon to = gf_destinationPoint(closest, track * g_degToRad, 48.0 * g_feetPerNm);
    const double altitude = std::round(uniform(180.0, 370.0)) * 100.0;
    const double speed = uniform(420.0, 500.0);
    leg(f, now, from, to, speed, speed, altitude, altitude, true, 8.0);
    flights_.push_back(std::move(f));
    ++started_;
  }

  // A light aircraft flying a triangle around the airport, outside its ground.
  void startCircuit(double now) {
    static constexpr const char* models[] = {"C172", "P28A", "SR22", "DA40"};
    Flight f;
    if (!takeHexid(f)) return;
    f.callsign = fmt::format("N{}{}", 100 + random_() % 899, static_cast<char>('A' + random_() % 26));
    f.model = models[random_() % std::size(models)];
    f.kind = FlightKind::circuit;
    const double altitude = std::round(uniform(25.0, 45.0)) * 100.0;
    const double start = uniform(0.0, 360.0);
    double t = now;
    LatLon at = gf_destinationPoint(g_lax, start * g_degToRad, 14.0 * g_feetPerNm);
    for (int corner = 1; corner <= 3; ++corner) {
      const LatLon next = gf_destinationPoint(g_lax, (start + corner * 120.0) * g_degToRad, 14.0 * g_feetPerNm);
      t = leg(f, t, at, next, 105.0, 105.0, altitude, altitude, true, 6.0);
      at = next;
    }
    flights_.push_back(std::move(f));
    ++started_;
  }

  // The next part of a flight once the last one was reported; false when it ends.
  bool nextPhase(Flight& f, double now) {
    const StandSlot& s = stands_[static_cast<std::size_t>(std::max(f.stand, 0))];
    switch (f.kind) {
      case FlightKind::arrival:
        ++movements_;
        f.kind = FlightKind::turnaround;
        if (chance(0.25)) {
          // Reports stop at the stand for hours, then the aircraft reports there again.
          f.kind = FlightKind::silent;
          f.resumeAt = now + uniform(3600.0, 4.0 * 3600.0);
          return true;
        }
        stationary(f, now, s.position, uniform(40.0, 120.0) * 60.0);
        return true;
      case FlightKind::silent:
        f.kind = FlightKind::turnaround;
        stationary(f, now, s.position, uniform(3.0, 10.0) * 60.0);
        return true;
      case FlightKind::turnaround:
        // A new flight number for the way out, now and then.
        if (chance(0.3)) f.callsign = airlineCallsign();
        f.kind = FlightKind::departure;
        pushAndDepart(f, now);
        return true;
      case FlightKind::departure:
        ++movements_;
        return false;
      default:
        return false;
    }
  }

  // A straight leg from a to b with the speed changing evenly; a report every interval
  // seconds (the last one at b). The time at b.
  double leg(Flight& f, double t0, LatLon a, LatLon b, double v0, double v1, double alt0, double alt1, bool airborne,
             double interval) {
    const double distance = gf_greatCircleNm(a, b);
    if (distance < 1e-6) return t0;
    const double track = gf_initialBearing(a, b) * g_radToDeg;
    const double hours = distance / ((v0 + v1) / 2.0);
    const double seconds = hours * 3600.0;
    const double rate = (alt1 - alt0) / (seconds / 60.0);
    for (double tau = interval * uniform(0.7, 1.0);; tau += interval * uniform(0.7, 1.3)) {
      const bool last = tau >= seconds;
      const double tt = std::min(tau, seconds);
      const double h = tt / 3600.0;
      const double covered = v0 * h + (v1 - v0) * h * h / (2.0 * hours);
      const double fraction = std::clamp(covered / distance, 0.0, 1.0);
      const LatLon p = gf_destinationPoint(a, track * g_degToRad, fraction * distance * g_feetPerNm);
      const double speed = v0 + (v1 - v0) * tt / seconds;
      f.points.push_back({t0 + tt, p.lat, p.lon, airborne ? alt0 + (alt1 - alt0) * fraction : 0.0, speed, track,
                          airborne ? rate : 0.0, airborne});
      if (last) break;
    }
    return t0 + seconds;
  }

  void stationary(Flight& f, double t0, LatLon at, double seconds) {
    for (double t = 20.0; t <= seconds; t += 20.0)
      f.points.push_back({t0 + t, at.lat, at.lon, 0.0, 0.0, stands_[static_cast<std::size_t>(f.stand)].heading, 0.0, false});
  }

  // The point in front of a stand where the taxiway meets its lead-in line.
  LatLon standEntry(const StandSlot& s) const {
    return gf_destinationPoint(s.position, (s.heading + 180.0) * g_degToRad, 110.0 / 1852.0 * g_feetPerNm);
  }

  void approachAndTaxiIn(Flight& f, double now) {
    const StandSlot& s = stands_[static_cast<std::size_t>(f.stand)];
    const LatLon threshold{g_runwayLat, g_thresholdLon};
    const double east = 90.0 * g_degToRad;
    const LatLon far = gf_destinationPoint(threshold, east, 32.0 * g_feetPerNm);
    const LatLon final10 = gf_destinationPoint(threshold, east, 10.0 * g_feetPerNm);
    const LatLon touchdown = gf_destinationPoint(threshold, -east, 300.0 / 1852.0 * g_feetPerNm);
    const LatLon exit{g_runwayLat, -118.4020};
    const LatLon south{g_runwayLat - 0.0020, -118.4020};
    double t = leg(f, now, far, final10, 250.0, 180.0, 9000.0, 3300.0, true, 6.0);
    t = leg(f, t, final10, threshold, 180.0, 140.0, 3300.0, g_laxElevation + 50.0, true, 5.0);
    t = leg(f, t, threshold, touchdown, 140.0, 132.0, g_laxElevation + 50.0, g_laxElevation, true, 2.0);
    t = leg(f, t, touchdown, exit, 130.0, 20.0, 0.0, 0.0, false, 3.0);
    t = leg(f, t, exit, south, 15.0, 15.0, 0.0, 0.0, false, 4.0);
    const LatLon entry = standEntry(s);
    t = leg(f, t, south, entry, 16.0, 12.0, 0.0, 0.0, false, 4.0);
    t = leg(f, t, entry, s.position, 6.0, 3.0, 0.0, 0.0, false, 4.0);
    stationary(f, t, s.position, 120.0);
  }

  void pushAndDepart(Flight& f, double now) {
    const StandSlot& s = stands_[static_cast<std::size_t>(f.stand)];
    const LatLon pushed = standEntry(s);
    double t = leg(f, now, s.position, pushed, 3.0, 3.0, 0.0, 0.0, false, 5.0);
    t += 60.0;  // engines start
    f.points.push_back({t, pushed.lat, pushed.lon, 0.0, 0.0, s.heading, 0.0, false});
    const LatLon taxiway{g_runwayLat - 0.0020, g_lineUpLon};
    const LatLon lineUp{g_runwayLat, g_lineUpLon};
    t = leg(f, t, pushed, taxiway, 14.0, 18.0, 0.0, 0.0, false, 4.0);
    t = leg(f, t, taxiway, lineUp, 10.0, 6.0, 0.0, 0.0, false, 4.0);
    const double west = 270.0 * g_degToRad;
    const LatLon rotate = gf_destinationPoint(lineUp, west, 1900.0 / 1852.0 * g_feetPerNm);
    const LatLon gear = gf_destinationPoint(rotate, west, 2.0 * g_feetPerNm);
    const LatLon away = gf_destinationPoint(gear, west, 48.0 * g_feetPerNm);
    t = leg(f, t, lineUp, rotate, 5.0, 160.0, 0.0, 0.0, false, 2.0);
    t = leg(f, t, rotate, gear, 165.0, 200.0, g_laxElevation + 30.0, 1500.0, true, 4.0);
    leg(f, t, gear, away, 210.0, 320.0, 1500.0, 16000.0, true, 7.0);
    // The stand is free once the aircraft has pushed back from it.
    stands_[static_cast<std::size_t>(f.stand)].busy = false;
    f.stand = -1;
  }

  std::mt19937 random_;
  std::vector<StandSlot> stands_;
  std::vector<std::uint32_t> freeHexids_;
  std::vector<Flight> flights_;
  std::uint64_t started_ = 0;
  std::uint64_t movements_ = 0;
};

}  // namespace vexo::soak
