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

void lf_exception(Connection& connection, const Request& request, std::uint32_t exception, std::uint32_t index) {
  connection.send(gf_buildException(connection.version(), exception, request.sendId, index));
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
  const auto* definition = connection.definition(defineId);
  if (!definition) {
    lf_exception(connection, request, SimConnectException::UNRECOGNIZED_ID, 2);
    return;
  }
  const auto count = static_cast<std::uint32_t>(inRange.size());
  for (std::uint32_t i = 0; i < count; ++i)
    connection.send(gf_buildSimObjectData(connection.version(), true, requestId, inRange[i].id, defineId, i + 1, count,
                                          gf_encodeDataBlock(*definition, inRange[i]), 0,
                                          static_cast<std::uint32_t>(definition->size())));
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
  object.creator = connection.number();
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
  const std::uint32_t id = object.id, type = object.type, requestId = r.u32(340);
  standin.broadcastEvent("ObjectAdded", [&](std::uint32_t eventId, std::uint32_t version) {
    return gf_buildObjectAddRemove(version, eventId, id, type);
  });
  connection.send(gf_buildAssignedObjectId(connection.version(), requestId, id));
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

void SimStandin::answerOpen(Connection& connection, const Request& request) {
  if (!speaksVersion(request.version)) {
    // The simulator does not open a link for a client of a protocol it does not speak: it
    // answers with an exception and closes the connection, so the client learns at once
    // instead of waiting for an answer that never comes.
    connection.send(gf_buildException(options_.protocolVersion, SimConnectException::VERSION_MISMATCH,
                                      request.sendId, 0));
    drop(connection);
    return;
  }
  connection.send(gf_buildOpen(request.version, options_.open));
}

void SimStandin::answerDataRequest(Connection& connection, const Request& request) {
  ByteReader r = lf_reader(request);
  DataRequest data;
  data.requestId = r.u32(16);
  data.defineId = r.u32(20);
  data.objectId = r.u32(24);
  data.period = r.u32(28);
  data.flags = r.u32(32);
  data.origin = r.u32(36);
  data.interval = r.u32(40);
  data.limit = r.u32(44);
  if (!r.ok()) return;
  connection.dataRequests_.erase(data.requestId);  // a request id names one request: the new one replaces it
  if (data.period == SimConnectPeriod::NEVER) return;
  if (data.period > SimConnectPeriod::SECOND) {
    lf_exception(connection, request, SimConnectException::INVALID_ENUM, 4);
    return;
  }
  if (!findObject(data.objectId) || !connection.definition(data.defineId)) {
    lf_exception(connection, request, SimConnectException::UNRECOGNIZED_ID, findObject(data.objectId) ? 2 : 3);
    return;
  }
  if (data.period == SimConnectPeriod::ONCE) {
    data.origin = data.interval = 0;
    data.limit = 1;
  }
  if (serveDataRequest(connection, data) && data.period != SimConnectPeriod::ONCE)
    connection.dataRequests_.emplace(data.requestId, std::move(data));
}

bool SimStandin::serveDataRequest(Connection& connection, DataRequest& request) {
  const SimObject* object = findObject(request.objectId);
  const auto* definition = connection.definition(request.defineId);
  if (!object || !definition) return false;  // the object went away
  const std::uint64_t period = request.periods++;
  if (period < request.origin || (period - request.origin) % (std::uint64_t{request.interval} + 1) != 0) return true;

  std::vector<Bytes> data;
  for (const Datum& datum : *definition) data.push_back(gf_encodeDatum(datum, *object));
  const bool changedOnly = (request.flags & SimConnectDataRequestFlag::CHANGED) != 0;
  if (changedOnly && data == request.lastSent) return true;
  const bool tagged = (request.flags & SimConnectDataRequestFlag::TAGGED) != 0;
  Bytes block;
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    // Tagged, a CHANGED request carries only the data that changed, each after its datum id.
    if (tagged && changedOnly && i < request.lastSent.size() && data[i] == request.lastSent[i]) continue;
    if (tagged) {
      const std::size_t at = block.size();
      block.resize(at + 4);
      ByteWriter(block).u32(at, (*definition)[i].datumId);
    }
    block.insert(block.end(), data[i].begin(), data[i].end());
    ++count;
  }
  request.lastSent = std::move(data);
  connection.send(gf_buildSimObjectData(connection.version(), false, request.requestId, object->id, request.defineId,
                                        1, 1, block, request.flags, count));
  ++request.sent;
  return request.limit == 0 || request.sent < request.limit;
}

void SimStandin::servePeriod(std::uint32_t period) {
  for (const auto& connection : connections_) {
    if (connection->dropped_) continue;
    auto& requests = connection->dataRequests_;
    for (auto it = requests.begin(); it != requests.end();) {
      const bool goesOn = it->second.period != period || serveDataRequest(*connection, it->second);
      it = goesOn ? std::next(it) : requests.erase(it);
    }
  }
}

void SimStandin::installBuiltInHandlers() {
  handlers_[F::Open] = [this](SimStandin&, Connection& connection, const Request& request) {
    answerOpen(connection, request);
  };
  handlers_[F::SubscribeToSystemEvent] = [](SimStandin&, Connection& connection, const Request& request) {
    ByteReader r = lf_reader(request);
    const std::uint32_t eventId = r.u32(16);
    const std::string name = r.fixedString(20, 256);
    if (r.ok()) connection.subscriptions_[gf_upperName(name)] = eventId;
  };
  handlers_[F::AddToDataDefinition] = [](SimStandin&, Connection& connection, const Request& request) {
    ByteReader r = lf_reader(request);
    Datum datum{r.fixedString(20, 256), r.fixedString(276, 256), r.u32(532), r.u32(540)};
    const std::uint32_t defineId = r.u32(16);
    if (!r.ok()) return;
    if (!gf_datumWidth(datum.type)) {
      lf_exception(connection, request, SimConnectException::INVALID_DATA_TYPE, 4);
      return;
    }
    connection.definitions_[defineId].push_back(std::move(datum));
  };
  handlers_[F::RequestDataOnSimObject] = [this](SimStandin&, Connection& connection, const Request& request) {
    answerDataRequest(connection, request);
  };
  handlers_[F::RequestDataOnSimObjectType] = lf_requestDataByType;
  handlers_[F::SetDataOnSimObject] = lf_setData;
  handlers_[F::AICreateNonATCAircraft] = lf_createAi;
  handlers_[F::AIRemoveObject] = lf_removeAi;
}

}  // namespace vexo::simstandin
