// The program-wide code pools and the model category lookup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "refdata/ac_codes.h"
#include "refdata/code_pool.h"
#include "refdata/fixed_code.h"

namespace vexo {

// Airline and operator ICAO codes; the empty text has id 0 (so operator id 0 = none).
extern CodePool g_airlinePool;
// ICAO aircraft model codes (type designators); the empty text has id 0.
extern CodePool g_modelPool;

// Both may be called from any thread.
std::uint16_t gf_airlineCode2Id(std::string_view code);
// Once the dbase is read, a known wrong code maps to its correction when that is pooled.
std::uint16_t gf_modelCode2Id(std::string_view code);

// The correct model code that the dbase fixes give for a wrong one.
std::optional<std::string> lf_fixOfModel(std::string_view code);

AcCategory gf_modelCategory(std::uint16_t modelId);
// Interns the code when the pool does not hold it yet.
AcCategory gf_modelCodeCategory(std::string_view code);

}  // namespace vexo
