// Stand-ins until the matching statistics are built: they report nothing.
#include "liveries/liveries_services.h"

namespace vexo {

std::unordered_set<std::string> g_missingLiveries;

void gf_writeMatchingSummary() {}
void gf_logMissingLiveries() {}
void gf_reserveLiveryMatchTables() {}

}  // namespace vexo
