#include "engine/report_intake.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "engine/engine_hooks.h"
#include "foundation/log.h"
#include "foundation/settings.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

namespace {

constexpr double g_minReportInterval = 1.0;  // seconds
constexpr double g_slowKnots = 5.0;
constexpr double g_jumpKnots = 80.0;
constexpr double g_cruiseKnots = 120.0;
constexpr double g_cruiseStepNm = 0.2429805615550756;  // 450 m
constexpr double g_taxiKnots = 30.0;
constexpr double g_taxiStepNm = 0.010799136069114472;  // 20 m
constexpr double g_maxTaxiWait = 15.0;                 // seconds
constexpr double g_nearParkCeiling = 10000.0;          // feet
constexpr double g_nearParkBand = 108.0;               // feet
constexpr double g_noParkElevation = -1000.0;          // feet

// A value that is not finite would reach the simulator and the report time arithmetic;
// a negative ground speed would turn the speed-jump tests upside down.
bool lf_usable(const LiveReport& r) {
  const StreamPos& p = r.pos;
  for (const double v : {p.lat, p.lon, p.altitude, p.groundSpeed, p.track, p.verticalRate, p.speed, r.reportTime})
    if (!std::isfinite(v)) return false;
  if (p.rollValid != 0 && !std::isfinite(p.roll)) return false;
  if (p.trueHeadingValid != 0 && !std::isfinite(p.trueHeading)) return false;
  return p.groundSpeed >= 0.0;
}

// Reports that add too little to the stream, tested in this order.
bool lf_thinnedOut(const LiveAc& a, const LiveReport& r) {
  const StreamPos& last = a.stream.back();
  const double dt = r.reportTime - a.lastReportTime;
  const double g = r.pos.groundSpeed;
  const double gl = last.groundSpeed;
  const double dTrack = std::abs(r.pos.track - last.track);
  if (dt <= g_minReportInterval) return true;
  // While the stream holds or is extended, its last position and its speed are the
  // engine's own (a hold stands at 0 kt): measured against it, the first report of a
  // take-off roll after a hold, and every one after it, would be a jump and dropped.
  if (a.stepsLeft >= 1) return false;
  if ((gl > g_slowKnots && g >= 10 * gl) || (g > g_slowKnots && gl >= 10 * g)) return true;
  if ((gl <= g_slowKnots && g >= g_jumpKnots) || (g <= g_slowKnots && gl >= g_jumpKnots)) return true;
  if (r.pos.airborne != 0 && g > g_cruiseKnots && dTrack <= 1.0 && g_cruiseStepNm / (g / 3600) >= dt) return true;
  if (r.pos.airborne == 0 && g <= g_taxiKnots && dTrack <= 2.0) {
    const double wait = g > 0.0 ? std::min(g_taxiStepNm / (g / 3600), g_maxTaxiWait) : g_maxTaxiWait;
    if (wait >= dt) return true;
  }
  return false;
}

bool lf_categoryWanted(AcCategory category) {
  const auto& s = g_settings;
  switch (category) {
    case AcCategory::Light: return s.LIGHT_AIRCRAFT.value;
    case AcCategory::HighPerf: return s.HIGH_PERF_AIRCRAFT.value;
    case AcCategory::Rotorcraft: return s.HELICOPTERS.value;
    default: return true;
  }
}

}  // namespace

bool lf_nearParkElevation(double altitude, TrafficEngine& engine) {
  if (altitude <= 0.0 || altitude >= g_nearParkCeiling) return false;
  const double park = engine.hooks.parkAirportElevation().value_or(g_noParkElevation);
  return std::abs(altitude - park) <= g_nearParkBand;
}

void lf_takeLiveReport(const LiveReport& report, TrafficEngine& engine) {
  if (!lf_usable(report)) {
    if (engine.badReportHexids.insert(report.hexid).second)
      gf_logWarning(fmt::format("report of hexid {} dropped: a value is not finite or the ground speed negative",
                                report.hexid));
    return;
  }
  LiveAc* found = gf_findLiveAc(engine, report.hexid);
  if (found == nullptr) {
    const AcIdent& ident = report.ident;
    // A new hexid under the callsign and model of a known aircraft is the same aircraft
    // reported twice.
    const bool twin = !ident.callsign.empty() && std::any_of(engine.liveAcs.begin(), engine.liveAcs.end(), [&](const LiveAc& a) {
      return a.callsign == ident.callsign && a.codes.modelId == ident.codes.modelId;
    });
    if (!twin) lf_newLiveAc(report, engine);
    return;
  }
  LiveAc& a = *found;
  if (a.simState == SimState::liveryrespawn || a.simState == SimState::removingfromsim) return;
  if (!a.stream.empty() && lf_thinnedOut(a, report)) return;
  if (a.simState == SimState::buffer && lf_nearParkElevation(report.pos.altitude, engine)) return;
  if (!lf_checkRespawn(a, report, engine)) return;
  a.lastReportTime = report.reportTime;
  decodeExisting(a, report.pos, engine);
}

void lf_newLiveAc(LiveReport report, TrafficEngine& engine) {
  if (auto codes = gf_dbaseLookup(report.ident.registration)) report.ident.codes = *codes;
  if (!gf_isKnownModel(g_modelPool.text(report.ident.codes.modelId).value_or(""))) return;
  lf_makeLiveAc(std::move(report), engine);
}

void lf_makeLiveAc(LiveReport report, TrafficEngine& engine) {
  AcIdent& ident = report.ident;
  if (!lf_categoryWanted(gf_modelCodeCategory(g_modelPool.text(ident.codes.modelId).value_or("")))) return;
  if (lf_nearParkElevation(report.pos.altitude, engine)) return;
  ident.previousCallsign = ident.callsign;
  ident.auxName.clear();
  ident.learnedMatch = 0;
  engine.liveAcs.emplace_back(gf_makeLiveAcData(ident, report.hexid, engine.hooks.spreadUpward), report.pos,
                              report.reportTime);
}

}  // namespace vexo
