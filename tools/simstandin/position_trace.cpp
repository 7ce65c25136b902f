#include "simstandin/position_trace.h"

#include <fmt/format.h>

#include <chrono>
#include <cstring>

#include "simlink/simconnect_ids.h"

namespace vexo::simstandin {

namespace {

constexpr std::size_t g_objectIdOffset = 20;

}  // namespace

void gf_tracePositions(SimStandin& standin, std::FILE* file) {
  const auto start = std::chrono::steady_clock::now();
  SimStandin::Handler built = standin.handler(SimConnectFunction::SetDataOnSimObject);
  standin.setHandler(SimConnectFunction::SetDataOnSimObject,
                     [built, file, start](SimStandin& s, Connection& connection, const Request& request) {
                       if (built) built(s, connection, request);
                       if (request.bytes.size() < g_objectIdOffset + 4) return;
                       std::uint32_t objectId = 0;
                       std::memcpy(&objectId, request.bytes.data() + g_objectIdOffset, sizeof objectId);
                       if (objectId < s.options().firstAiObjectId) return;
                       const SimObject* object = s.findObject(objectId);
                       if (object == nullptr) return;
                       const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count();
                       fmt::print(file, "{},{},{:.7f},{:.7f},{:.1f}\n", ms, objectId,
                                  object->value("PLANE LATITUDE"), object->value("PLANE LONGITUDE"),
                                  object->value("PLANE ALTITUDE"));
                     });
}

}  // namespace vexo::simstandin
