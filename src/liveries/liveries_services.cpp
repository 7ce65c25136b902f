// Stand-ins until the liveries subsystem is built: they do nothing and find nothing.
#include "liveries/liveries_services.h"

namespace vexo {

std::unordered_set<std::string> g_missingLiveries;


void gf_processScannedLiveries() {}
void gf_writeMatchingSummary() {}
void gf_logMissingLiveries() {}
bool gf_hasLivery(std::uint16_t /*airlineId*/, std::uint16_t /*modelId*/) { return false; }
void gf_reserveLiveryMatchTables() {}

}  // namespace vexo
