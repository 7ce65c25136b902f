#include "engine/sim_responses.h"

#include <utility>

namespace vexo {

void gf_pushSimResponse(const SimResponse& response, SimResponseList& list) {
  std::lock_guard lock(list.mutex);
  list.responses.push_back(response);
}

std::vector<SimResponse> gf_takeSimResponses(SimResponseList& list) {
  std::vector<SimResponse> taken;
  std::lock_guard lock(list.mutex);
  taken.swap(list.responses);
  return taken;
}

void gf_clearSimResponses(SimResponseList& list) {
  std::lock_guard lock(list.mutex);
  list.responses.clear();
}

}  // namespace vexo
