#include "simstandin/sim_world.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "simlink/byte_io.h"
#include "simlink/simconnect_ids.h"

namespace vexo::simstandin {

namespace {

namespace F = SimConnectFunction;
namespace X = SimConnectException;

constexpr double g_restingMarginFt = 0.5;

std::string lf_readFile(const std::string& path, bool& ok) {
  std::ifstream file(path, std::ios::binary);
  ok = static_cast<bool>(file);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

SimWorld::SimWorld(SimStandin& standin, AiObjectValues aiValues) : standin_(standin), aiValues_(aiValues) {
  installHandlers();
}

void SimWorld::installHandlers() {
  // Creations: the built-in answer makes the object, announces it and tells the creator
  // its object id; the object then learns where it stands.
  const auto create = standin_.handler(F::AICreateNonATCAircraft);
  standin_.setHandler(F::AICreateNonATCAircraft, [this, create](SimStandin& s, Connection& c, const Request& r) {
    std::vector<std::uint32_t> before;
    for (const auto& [id, object] : s.aiObjectTable()) before.push_back(id);
    if (create) create(s, c, r);
    for (auto& [id, object] : s.aiObjectTable()) {
      if (std::find(before.begin(), before.end(), id) != before.end()) continue;
      SimObject* created = s.findObject(id);
      const double altitude = created->value("PLANE ALTITUDE");
      created->setValue("GROUND ALTITUDE", aiValues_.groundAltitude);
      created->setValue("PLANE ALT ABOVE GROUND", std::max(0.0, altitude - aiValues_.groundAltitude));
      created->setValue("STATIC CG TO GROUND", aiValues_.staticCg);
      created->setValue("STATIC PITCH", aiValues_.staticPitch);
    }
  });

  // An AI object moved by its client rests on the ground once it comes down to it, as in a
  // simulator: its height above the ground and its on-ground flag follow each position set.
  const auto setData = standin_.handler(F::SetDataOnSimObject);
  standin_.setHandler(F::SetDataOnSimObject, [this, setData](SimStandin& s, Connection& c, const Request& r) {
    if (setData) setData(s, c, r);
    ByteReader reader(r.bytes);
    const std::uint32_t objectId = reader.u32(20);
    if (!reader.ok() || objectId < s.options().firstAiObjectId) return;
    SimObject* object = s.findObject(objectId);
    if (object == nullptr) return;
    const double aboveGround = object->value("PLANE ALTITUDE") - aiValues_.groundAltitude;
    object->setValue("PLANE ALT ABOVE GROUND", std::max(0.0, aboveGround));
    // Resting on its gear, the reference point stands the static CG height above the ground.
    object->setValue("SIM ON GROUND", aboveGround <= aiValues_.staticCg + g_restingMarginFt ? 1.0 : 0.0);
  });

  // A flight plan is loaded from its file; one that cannot be read fails as in a simulator.
  standin_.setHandler(F::AISetAircraftFlightPlan, [this](SimStandin& s, Connection& c, const Request& r) {
    ByteReader reader(r.bytes);
    const std::uint32_t objectId = reader.u32(16);
    const std::string path = reader.fixedString(20, 260);
    if (!s.findObject(objectId) || objectId == s.options().userObjectId) {
      c.send(gf_buildException(c.version(), X::UNRECOGNIZED_ID, r.sendId, 1));
      return;
    }
    bool ok = false;
    std::string text = path.empty() ? std::string() : lf_readFile(path, ok);
    if (!ok) {
      c.send(gf_buildException(c.version(), X::LOAD_FLIGHTPLAN_FAILED, r.sendId, 2));
      return;
    }
    std::lock_guard lock(mutex_);
    flightPlans_[objectId] = std::move(text);
  });
}

void SimWorld::setUserAircraft(const UserAircraftState& u) {
  standin_.locked([&](SimStandin& s) {
    SimObject& user = *s.findObject(s.options().userObjectId);
    user.setValue("PLANE LATITUDE", u.latitude);
    user.setValue("PLANE LONGITUDE", u.longitude);
    user.setValue("PLANE PITCH DEGREES", u.pitch);
    user.setValue("PLANE BANK DEGREES", u.bank);
    user.setValue("PLANE HEADING DEGREES TRUE", u.heading);
    user.setValue("PLANE ALTITUDE", u.altitude);
    user.setValue("PLANE ALT ABOVE GROUND", u.altAboveGround);
    user.setValue("GROUND VELOCITY", u.groundSpeed);
    user.setValue("SIM ON GROUND", u.onGround ? 1.0 : 0.0);
    user.setValue("ZULU TIME", static_cast<double>(u.zuluTime));
    user.setValue("ZULU DAY OF YEAR", static_cast<double>(u.zuluDayOfYear));
    user.setValue("ZULU YEAR", static_cast<double>(u.zuluYear));
    user.setValue("LIGHT STATES", static_cast<double>(u.lightStates));
  });
}

void SimWorld::setUserTitle(std::string_view title) {
  standin_.setObjectText(standin_.options().userObjectId, "TITLE", title);
}

void SimWorld::setUserModel(std::string_view model) {
  standin_.setObjectText(standin_.options().userObjectId, "ATC MODEL", model);
}

void SimWorld::teleportUser(double latitude, double longitude, bool positionChanged) {
  standin_.locked([&](SimStandin& s) {
    SimObject& user = *s.findObject(s.options().userObjectId);
    user.setValue("PLANE LATITUDE", latitude);
    user.setValue("PLANE LONGITUDE", longitude);
  });
  if (positionChanged) standin_.sendSystemEvent("PositionChanged", 0);
}

void SimWorld::setFlightRunning(bool running) {
  standin_.sendSystemEvent("Sim", running ? 1 : 0);
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    changed = running != flightRunning_;
    flightRunning_ = running;
  }
  if (changed) standin_.sendSystemEvent(running ? "SimStart" : "SimStop", 0);
}

void SimWorld::setPaused(bool paused) { standin_.sendSystemEvent("Pause", paused ? 1 : 0); }

std::size_t SimWorld::sendFrame() {
  standin_.locked([](SimStandin& s) { s.serveFrame(30.0f); });
  std::lock_guard lock(mutex_);
  return ++frames_;
}

void SimWorld::loadFlight(std::string_view fileName, bool asEvent) {
  if (asEvent) {
    standin_.sendSystemEvent("FlightLoaded", 0);
    return;
  }
  standin_.locked([&](SimStandin& s) {
    s.broadcastEvent("FlightLoaded", [&](std::uint32_t eventId, std::uint32_t version) {
      return gf_buildFilename(version, eventId, fileName);
    });
  });
}

void SimWorld::quit() {
  standin_.sendToEach([](std::uint32_t version) { return gf_buildQuit(version); });
  standin_.dropConnections();
}

void SimWorld::sendException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
  standin_.sendToEach(
      [&](std::uint32_t version) { return gf_buildException(version, exception, sendId, index); });
}

std::map<std::uint32_t, std::string> SimWorld::flightPlans() const {
  std::lock_guard lock(mutex_);
  return flightPlans_;
}

}  // namespace vexo::simstandin
