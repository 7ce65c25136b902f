#include "engine/stand_names.h"

#include <cmath>

#include "airports/airports_state.h"
#include "engine/engine_hooks.h"
#include "foundation/geodesy.h"
#include "simlink/sim_link_state.h"

namespace vexo {

namespace {
constexpr double g_nameRadiusNm = 0.029697624190064796;  // 55 m
constexpr double g_samePlace = 1e-8;                     // degrees
}  // namespace

void StandNameDirectory::publish(const std::vector<ParkingPosition>& stands) {
  std::vector<Entry> entries;
  entries.reserve(stands.size());
  for (const ParkingPosition& s : stands) entries.push_back(Entry{s.id, s.latitude, s.longitude});
  std::lock_guard lock(mutex_);
  stands_ = std::move(entries);
  cache_.reset();
}

std::string StandNameDirectory::nearest(double lat, double lon) const {
  std::lock_guard lock(mutex_);
  if (stands_.empty()) return {};
  if (cache_ && std::fabs(cache_->lat - lat) < g_samePlace && std::fabs(cache_->lon - lon) < g_samePlace)
    return cache_->name;
  double best = 900.0;
  const Entry* found = nullptr;
  for (const Entry& e : stands_) {
    const double d = gf_greatCircleNm(LatLon{lat, lon}, LatLon{e.lat, e.lon});
    if (d <= g_nameRadiusNm && d < best) {
      best = d;
      found = &e;
    }
  }
  cache_ = Answer{lat, lon, found == nullptr ? std::string() : found->id};
  return cache_->name;
}

std::string gf_nearestStandName(double lat, double lon) {
  if (!g_userOnGround.load()) return {};
  return g_standNames.nearest(lat, lon);
}

}  // namespace vexo
