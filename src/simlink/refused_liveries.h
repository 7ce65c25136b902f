// Liveries the simulator refused to create. A refused title is never offered again; too
// many refusals mean the installed liveries are broken, and the run stops with an error.
// Start-up/tick thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "simlink/sim_link_state.h"

namespace vexo {

struct AcData;
struct TrafficEngine;
extern TrafficEngine g_trafficEngine;

inline constexpr std::size_t g_maxRefusedLiveries = 20;

// The title the engine chose for the aircraft, unless the simulator (the engine's link) has
// refused it; a refused choice is forgotten so that the engine picks another livery.
std::optional<std::string_view> gf_getLiveryForHexid(std::uint32_t hexid, TrafficEngine& engine = g_trafficEngine);

// Records a refused livery of an aircraft (its callsign, title and the model and airline
// ids of its codes). Throws vexo::UserErrorException 81 once 20 titles were refused.
void gf_reportLiveryCreateFailure(std::string_view callsign, std::string_view liveryTitle, std::uint16_t modelId,
                                  std::uint16_t airlineId, SimLink& link = g_simLink);
// The same for an aircraft record: its callsign, livery title, model and airline.
void gf_reportLiveryCreateFailure(const AcData& aircraft, SimLink& link = g_simLink);

}  // namespace vexo
