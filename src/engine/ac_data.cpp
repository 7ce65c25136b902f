#include <stdexcept>

#include "engine/aircraft.h"
#include "engine/category_tables.h"
#include "foundation/geodesy.h"
#include "foundation/random.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

namespace {

// Exactly value x (1 + p/100) or value x (1 - p/100), never a value in between.
double lf_spread(double value, double percent, bool up) { return value * (up ? 1.0 + percent / 100 : 1.0 - percent / 100); }

}  // namespace

std::size_t gf_categoryIndex(AcCategory category) {
  const auto index = static_cast<std::size_t>(category);
  if (index >= g_categoryCount) throw std::out_of_range("invalid unordered_map<K, T> key");
  return index;
}

StaticAc::StaticAc(const AcData& data, std::uint32_t standId, double lat, double lon, double heading,
                   std::uint8_t flag)
    : AcData(data), standLat(lat), standLon(lon), standHeading(heading), sid(standId), standFlag(flag) {}

LiveAc::LiveAc(const AcData& data, const StreamPos& first, double reportTime) : lastReportTime(reportTime) {
  static_cast<AcData&>(*this) = data;
  stream.push_back(first);
}

bool gf_spreadUpward() { return gf_randomSpread(1.0, 100.0) > 1.0; }

AcData gf_makeAcData(const AcIdent& ident) { return gf_makeAcData(ident, gf_spreadUpward); }

AcData gf_makeAcData(const AcIdent& ident, bool (*upward)()) {
  AcData data;
  static_cast<AcIdent&>(data) = ident;
  const std::uint16_t modelId = ident.codes.modelId;
  data.halfSpan = gf_halfWingspan(modelId);
  data.category = gf_modelCodeCategory(g_modelPool.text(modelId).value_or(""));
  const std::size_t c = gf_categoryIndex(data.category);
  data.flareTicks = g_flareTicks[c];
  data.settleTicks = g_settleTicks[c];
  data.rotationTicks = g_rotationTicks[c];
  data.climbPitchTicks = g_climbPitchTicks[c];
  data.takeOffPitch = lf_spread(g_takeOffPitchDeg[c], g_takeOffPitchSpread, upward()) * g_degToRad;
  data.climbPitch = lf_spread(g_climbPitchDeg[c], g_climbPitchSpread, upward()) * g_degToRad;
  data.turnRate = g_turnRateDeg[c] * g_degToRad;
  return data;
}

AcData gf_makeLiveAcData(const AcIdent& ident, std::uint32_t hexid, bool (*upward)()) {
  AcData data = gf_makeAcData(ident, upward);
  const std::size_t c = gf_categoryIndex(data.category);
  data.hexid = hexid;
  data.currentTurnRate = data.turnRate;
  data.maxClimbPerTick = g_maxClimbPerTick[c];
  data.pushBackSpeed = g_pushBackSpeed[c];
  return data;
}

}  // namespace vexo
