// The stand-in's built-in answers to the requests the client sends.
#include <cmath>

#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"
#include "simstandin/sim_standin.h"

namespace vexo::simstandin {

namespace {
namespace F = SimConnectFunction;

constexpr double g_earthRadiusMeters = 6371000.0;
constexpr double g_pi = 3.14159265358979323846;

double lf_distanceMeters(const SimObject& a, const SimObject& b) {
  const auto rad = [](double deg) { return deg * g_pi / 180.0; };
  const double lat1 = rad(a.value("PLANE LATITUDE")), lat2 = rad(b.value("PLANE LATITUDE"));
  const double dLat = lat2 - lat1, dLon = rad(b.value("PLANE LONGITUDE") - a.value("PLANE LONGITUDE"));
  const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
  return 2 * g_earthRadiusMeters * std::asin(std::min(1.0, std::sqrt(h)));
}

ByteReader lf_reader(const Request& request) { return ByteReader(request.bytes); }

void lf_open(SimStandin& standin, Connection& connection, const Request& request) {
  connection.send(gf_buildOpen(request.version, standin.options().open));
}

void lf_exception(Connection& connection, const Request& request, std::uint32_t exception, std::uint32_t index) {
  connection.send(gf_buildException(connection.version(), exception, request.sendId, index));
}

void lf_sendData(SimStandin& standin, Connection& connection, const Request& request, bool byType,
                 std::uint32_t requestId, std::uint32_t defineId, const SimObject& object, std::uint32_t entry,
                 std::uint32_t outOf) {
  (void)standin;
  const auto* definition = connection.definition(defineId);
  if (!definition) {
    lf_exception(connection, request, SimConnectException::UNRECOGNIZED_ID, 2);
    return;
  }
  connection.send(gf_buildSimObjectData(connection.version(), byType, requestId, object.id, defineId, entry, outOf,
                                        gf_encodeDataBlock(*definition, object)));
}

void lf_requestData(SimStandin& standin, Connection& connection, const Request& request) {
  ByteReader r = lf_reader(request);
  const std::uint32_t requestId = r.u32(16), defineId = r.u32(20), objectId = r.u32(24), period = r.u32(28);
  if (!r.ok() || period == SimConnectPeriod::NEVER) return;
  const SimObject* object = standin.findObject(objectId);
  if (!object) {
    lf_exception(connection, request, SimConnectException::UNRECOGNIZED_ID, 3);
    return;
  }
  lf_sendData(standin, connection, request, false, requestId, defineId, *object, 0, 0);
}

void lf_requestDataByType(SimStandin& standin, Connection& connection, const Request& request) {
  ByteReader r = lf_reader(request);
  const std::uint32_t requestId = r.u32(16), defineId = r.u32(20), radius = r.u32(24), type = r.u32(28);
  if (!r.ok()) return;
  const SimObject user = *standin.findObject(g_simConnectUserObject);
  std::vector<SimObject> inRange;
  if (user.type == type) inRange.push_back(user);
  for (const auto& [id, object] : standin.aiObjectTable())
    if (object.type == type && lf_distanceMeters(user, object) <= radius) inRange.push_back(object);
  for (std::size_t i = 0; i < inRange.size(); ++i)
    lf_sendData(standin, connection, request, true, requestId, defineId, inRange[i], static_cast<std::uint32_t>(i + 1),
                static_cast<std::uint32_t>(inRange.size()));
}

void lf_createAi(SimStandin& standin, Connection& connection, const Request& request) {
  ByteReader r = lf_reader(request);
  const std::string title = r.fixedString(16, 256);
  const std::string tail = r.fixedString(272, 12);
  if (!r.ok()) return;
  if (standin.options().failTitles.contains(title)) {
    lf_exception(connection, request, SimConnectException::CREATE_OBJECT_FAILED, 1);
    return;
  }
  SimObject& object = standin.addAiObject();
  object.setText("TITLE", title);
  object.setText("ATC ID", tail);
  object.setValue("PLANE LATITUDE", r.f64(284));
  object.setValue("PLANE LONGITUDE", r.f64(292));
  object.setValue("PLANE ALTITUDE", r.f64(300));
  object.setValue("PLANE PITCH DEGREES", r.f64(308));
  object.setValue("PLANE BANK DEGREES", r.f64(316));
  object.setValue("PLANE HEADING DEGREES TRUE", r.f64(324));
  object.setValue("SIM ON GROUND", r.u32(332));
  object.setValue("AIRSPEED TRUE", r.u32(336));
  const std::uint32_t id = object.id, type = object.type;
  standin.broadcastEvent("ObjectAdded", [&](std::uint32_t eventId, std::uint32_t version) {
    return gf_buildObjectAddRemove(version, eventId, id, type);
  });
}

void lf_removeAi(SimStandin& standin, Connection& connection, const Request& request) {
  ByteReader r = lf_reader(request);
  const std::uint32_t objectId = r.u32(16);
  if (!r.ok()) return;
  const SimObject* object = standin.findObject(objectId);
  if (!object || object->id == standin.options().userObjectId) {
    lf_exception(connection, request, SimConnectException::UNRECOGNIZED_ID, 1);
    return;
  }
  const std::uint32_t type = object->type;
  standin.removeAiObject(objectId);
  standin.broadcastEvent("ObjectRemoved", [&](std::uint32_t eventId, std::uint32_t version) {
    return gf_buildObjectAddRemove(version, eventId, objectId, type);
  });
}

void lf_setData(SimStandin& standin, Connection& connection, const Request& request) {
  ByteReader r = lf_reader(request);
  const std::uint32_t defineId = r.u32(16), objectId = r.u32(20), count = r.u32(28), unitSize = r.u32(32);
  if (!r.ok()) return;
  SimObject* object = standin.findObject(objectId);
  const auto* definition = connection.definition(defineId);
  if (!object || !definition) {
    lf_exception(connection, request, SimConnectException::UNRECOGNIZED_ID, object ? 1 : 2);
    return;
  }
  const std::uint64_t bytes = static_cast<std::uint64_t>(count) * unitSize;
  if (bytes != request.bytes.size() - 36 || !gf_decodeDataBlock(*definition, r.rest(36), *object))
    lf_exception(connection, request, SimConnectException::INVALID_DATA_SIZE, 5);
}
}  // namespace

void SimStandin::installBuiltInHandlers() {
  handlers_[F::Open] = lf_open;
  handlers_[F::SubscribeToSystemEvent] = [](SimStandin&, Connection& connection, const Request& request) {
    ByteReader r = lf_reader(request);
    const std::uint32_t eventId = r.u32(16);
    const std::string name = r.fixedString(20, 256);
    if (r.ok()) connection.subscriptions_[gf_upperName(name)] = eventId;
  };
  handlers_[F::AddToDataDefinition] = [](SimStandin&, Connection& connection, const Request& request) {
    ByteReader r = lf_reader(request);
    Datum datum{r.fixedString(20, 256), r.fixedString(276, 256), r.u32(532)};
    const std::uint32_t defineId = r.u32(16);
    if (r.ok()) connection.definitions_[defineId].push_back(std::move(datum));
  };
  handlers_[F::RequestDataOnSimObject] = lf_requestData;
  handlers_[F::RequestDataOnSimObjectType] = lf_requestDataByType;
  handlers_[F::SetDataOnSimObject] = lf_setData;
  handlers_[F::AICreateNonATCAircraft] = lf_createAi;
  handlers_[F::AIRemoveObject] = lf_removeAi;
}

}  // namespace vexo::simstandin
