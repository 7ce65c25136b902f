#include "engine/sim_responses.h"

#include <utility>

namespace vexo {

void gf_pushSimResponse(const SimResponse& response, SimResponseList& list) {
  std::lock_guard lock(list.mutex);
  list.responses.push_back(response);
}

const std::vector<SimResponse>& gf_takeSimResponses(SimResponseList& list) {
  // Emptied here, not after handling: a handling cut short by an exception must not give
  // its responses back to the producer's side.
  list.taken.clear();
  std::lock_guard lock(list.mutex);
  list.taken.swap(list.responses);
  return list.taken;
}

void gf_clearSimResponses(SimResponseList& list) {
  std::lock_guard lock(list.mutex);
  list.responses.clear();
}

}  // namespace vexo
