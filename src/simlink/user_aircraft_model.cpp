// The user aircraft's model: its half wing span and category, which the traffic engine's
// collision checks read. An unknown model is no error: the largest span of the dbase
// stands in for it.
#include <array>
#include <utility>

#include <fmt/format.h>

#include "foundation/main_window_state.h"
#include "foundation/status_line.h"
#include "engine/engine_services.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"
#include "simlink/byte_io.h"
#include "simlink/sim_client.h"
#include "simlink/sim_vocabulary.h"
#include "simlink/user_aircraft.h"

namespace vexo {

namespace {

constexpr std::size_t g_shortModelLength = 4;
constexpr std::size_t g_titlePrefixLength = 13;
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> g_titleModels{{
    {"Aerosoft A319", "A319"},
    {"Aerosoft A320", "A320"},
    {"Aerosoft A321", "A321"},
}};

double lf_spanOf(std::string_view model) { return gf_halfWingspan(gf_modelCode2Id(model)); }

void lf_showSpanKnown(bool known) {
  g_mainWindowState.userAcKnown = known;
  gf_repaintSimState();
}

void lf_store(SimLink& link, double span, AcCategory category) {
  std::lock_guard lock(link.userAcMutex);
  link.userHalfWingspan = span;
  link.userCategory = category;
}

std::string lf_readModel(const RecvSimObjectData& data) {
  ByteReader r(data.data);
  return r.has(0, g_atcIdWidth) ? r.fixedString(0, g_atcIdWidth) : r.varString(0);
}

void lf_handleModel(SimLink& link, const RecvSimObjectData& data) {
  std::string model = lf_readModel(data);
  if (model.empty())
    throw UserErrorException(71, "atc_model= in [General] section of your aircraft.cfg is empty or missing");
  gf_logIndented("model raw: " + model);
  std::string report = "SimConnect: User aircraft model: " + model;

  if (model.find("camerapod") != std::string::npos || model.find("Crew Vessel") != std::string::npos) {
    lf_showSpanKnown(true);
    lf_store(link, lf_spanOf("E190"), AcCategory::Light);
    gf_logIndented(report);
    return;
  }

  const double largest = g_dbase.maxHalfWingspan;
  double span = largest;
  if (model.size() <= g_shortModelLength) span = lf_spanOf(model);
  // A model without a known span is as unknown as a long one: the largest stands in.
  if (span == 0.0) span = largest;
  bool known = span != largest;

  if (!known) {
    const std::string title = link.title();
    if (title.size() >= g_titlePrefixLength) {
      const std::string_view prefix = std::string_view(title).substr(0, g_titlePrefixLength);
      for (const auto& [titlePrefix, titleModel] : g_titleModels) {
        if (prefix != titlePrefix) continue;
        model = titleModel;
        report = "SimConnect: User aircraft model deduced from title: " + model;
        span = lf_spanOf(model);
        if (span == 0.0) span = largest;
        known = span != largest;
        break;
      }
    }
  }

  if (known) {
    lf_showSpanKnown(true);
    report += fmt::format(", half wing span: {:.1F} meter", span * 1852.0);
  } else {
    lf_showSpanKnown(false);
    gf_setStatus("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
  }
  const AcCategory category = gf_modelCategory(gf_modelCode2Id(model));
  lf_store(link, span, category);
  report += fmt::format(", category: {}", gf_categoryName(category));
  gf_logIndented(report);
}

}  // namespace

void lf_onUserAcModel(SimLink& link, const RecvSimObjectData& data) {
  try {
    lf_handleModel(link, data);
  } catch (const UserErrorException&) {
    throw;
  } catch (...) {
    throw UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
  }
}

}  // namespace vexo
