#include "engine/sim_responses.h"

#include <utility>

namespace vexo {

SimResponseList g_simResponseList;

void gf_pushSimResponse(const SimResponse& response) {
  std::lock_guard lock(g_simResponseList.mutex);
  g_simResponseList.responses.push_back(response);
}

std::vector<SimResponse> gf_takeSimResponses() {
  std::vector<SimResponse> taken;
  std::lock_guard lock(g_simResponseList.mutex);
  taken.swap(g_simResponseList.responses);
  return taken;
}

void gf_clearSimResponses() {
  std::lock_guard lock(g_simResponseList.mutex);
  g_simResponseList.responses.clear();
}

}  // namespace vexo
