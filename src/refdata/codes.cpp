#include "refdata/codes.h"

#include "refdata/dbase_tables.h"

namespace vexo {

CodePool g_airlinePool("airline");
CodePool g_modelPool("model");

std::uint16_t gf_airlineCode2Id(std::string_view code) { return g_airlinePool.intern(code); }

std::uint16_t gf_modelCode2Id(std::string_view code) { return g_modelPool.intern(code, &lf_fixOfModel); }

// The fixes are written only by the dbase reader before the pool is sealed, so a sealed
// pool reads them without a lock.
std::optional<std::string> lf_fixOfModel(std::string_view code) {
  auto it = g_dbase.modelFixes.find(code);
  if (it == g_dbase.modelFixes.end()) {
    return std::nullopt;
  }
  return it->second;
}

AcCategory gf_modelCategory(std::uint16_t modelId) {
  // A model listed in two sections takes the first category of this order.
  if (g_dbase.largeIds.contains(modelId)) {
    return AcCategory::Large;
  }
  if (g_dbase.heavyIds.contains(modelId)) {
    return AcCategory::Heavy;
  }
  if (g_dbase.buzjetIds.contains(modelId)) {
    return AcCategory::Buzjets;
  }
  if (g_dbase.rotorcraftIds.contains(modelId)) {
    return AcCategory::Rotorcraft;
  }
  if (g_dbase.highPerfIds.contains(modelId)) {
    return AcCategory::HighPerf;
  }
  return AcCategory::Light;
}

AcCategory gf_modelCodeCategory(std::string_view code) { return gf_modelCategory(gf_modelCode2Id(code)); }

}  // namespace vexo
