#include "simlink/refused_liveries.h"

#include <string>

#include <fmt/format.h>

#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "engine/aircraft.h"
#include "engine/engine_services.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "refdata/codes.h"

namespace vexo {

std::optional<std::string_view> gf_getLiveryForHexid(std::uint32_t hexid, TrafficEngine& engine) {
  const auto it = engine.hexidLiveries.find(hexid);
  if (it == engine.hexidLiveries.end()) return std::nullopt;
  if (!engine.link.refusedLiveryTitles.contains(std::string(it->second))) return it->second;
  engine.hexidLiveries.erase(it);
  return std::nullopt;
}

void gf_reportLiveryCreateFailure(std::string_view callsign, std::string_view liveryTitle, std::uint16_t modelId,
                                  std::uint16_t airlineId, SimLink& link) {
  if (!gf_runEnding())
    gf_setStatus(fmt::format("{} '{}' could not be created by your Sim!", callsign, liveryTitle), true);
  link.refusedLiveryTitles.emplace(liveryTitle);
  link.refusedLiveryKeys.insert(fmt::format("{} {}", g_modelPool.text(modelId).value_or(""),
                                            g_airlinePool.text(airlineId).value_or("")));
  if (link.refusedLiveryTitles.size() < g_maxRefusedLiveries) return;
  const std::string text = "There are too many liveries that could not be created!";
  gf_log(fmt::format("\n{}Error 81, {}\n", "===> ", text));
  throw UserErrorException(81, fmt::format("{}, see Log.txt", text));
}

void gf_reportLiveryCreateFailure(const AcData& aircraft, SimLink& link) {
  gf_reportLiveryCreateFailure(aircraft.callsign, aircraft.liveryTitle, aircraft.codes.modelId,
                               aircraft.codes.airlineId, link);
}

}  // namespace vexo
