// The checks and conversions of one traffic record, in the order the record is read.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>
#include <utility>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "foundation/time_text.h"
#include "realtraffic/record_fields.h"
#include "realtraffic/traffic_receiver.h"
#include "refdata/codes.h"

namespace vexo {

namespace {

// Field numbers of the record.
enum Field : std::size_t {
  fHexid = 1, fLat = 2, fLon = 3, fAltitude = 4, fVerticalSpeed = 5, fTrack = 7, fGroundSpeed = 8,
  fCallsign = 9, fType = 10, fRegistration = 11, fOrigin = 12, fDestination = 13, fTime = 14,
  fSource = 17, fTrueAirspeed = 20, fRoll = 23, fTrueHeading = 25, fCategory = 28,
};

constexpr double g_groundRadiusNm = 5.0;
constexpr double g_airborneOnlyHeight = 150.0;
constexpr std::size_t g_maxRegistrationLength = 12;
constexpr std::uint32_t g_lowestHexid = 10000;
// Codes of a route already logged as unusable: enough for every code of a real feed, and
// a bound for a sender that makes up a new code for each record.
constexpr std::size_t g_maxLoggedRouteCodes = 1000;

constexpr std::string_view g_null = "null";

double lf_readNumber(std::string_view field, std::string_view name) {
  const auto value = gf_readDouble(field);
  if (!value) throw std::runtime_error(fmt::format("{}:{}", name, field));
  return *value;
}

// A callsign with a control character would be cut or garbled on its way to the
// simulator, and never match the object it names.
bool lf_hasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// True for a type longer than 4 characters or one of the known non-aircraft types.
bool lf_isNonAircraftType(std::string_view type) {
  static const std::set<std::string, std::less<>> nonAircraft{"BALL", "EMER", "GLID", "GRND", "GND",
                                                               "PARA", "SERV", "SHIP", "VENT", "TWR"};
  return type.size() > 4 || nonAircraft.contains(type);
}

std::string lf_latLonText(LatLon position) { return fmt::format("{:.6f},{:.6f}", position.lat, position.lon); }

// The speed assumed for an unknown true airspeed at an altitude (feet), in knots.
double lf_speedByAltitude(double altitude) {
  static constexpr std::pair<double, double> table[] = {
      {2000.0, 180.0}, {5000.0, 220.0}, {10000.0, 250.0}, {20000.0, 350.0},
      {std::numeric_limits<double>::max(), 430.0}};
  for (const auto& [limit, speed] : table) {
    if (limit >= altitude) return speed;
  }
  return table[std::size(table) - 1].second;
}

}  // namespace

std::string_view gf_recordOutcomeName(RecordOutcome outcome) {
  static constexpr std::array<std::string_view, g_recordOutcomeCount> names{
      "accepted",         "intake off",   "vehicle",          "too few fields", "field error",
      "out of range",     "control character",            "invalid text",   "registration too long",
      "not an aircraft",  "hexid too low", "not airborne", "refused callsign", "no identity",
      "ground away from park airport"};
  return names.at(static_cast<std::size_t>(outcome));
}

bool gf_isAnAircraft(std::string_view type, std::string_view category) {
  if (type.empty() || type == g_null) return false;
  for (const std::string_view vehicle : {"B1", "B2", "B4", "C1", "C2"}) {
    if (category == vehicle) return false;
  }
  return !lf_isNonAircraftType(type);
}

bool TrafficReceiver::lf_readRegistration(AcIdent& ident) const {
  const std::string_view registration = fields[fRegistration];
  if (registration.size() > g_maxRegistrationLength) return false;
  if (registration != g_null) ident.registration.assign(registration);
  return true;
}

bool TrafficReceiver::lf_readAltitude(const RecordContext& context, StreamPos& pos) const {
  const std::string_view field = fields[fAltitude];
  const auto parsed = gf_readDouble(field);
  if (!parsed) {
    throw std::runtime_error(fmt::format("altitude {} incorrect, from: {}", field, datagram()));
  }
  double altitude = *parsed;
  const double groundSpeed = pos.groundSpeed;
  if (altitude <= 0.0) {
    altitude = 0.0;
  } else if (altitude < 14000.0) {
    // Reported altitudes near the field are barometric noise: slow and low is on the ground.
    const double height = altitude - context.parkAirportElevation.value_or(-1000.0);
    if (height <= 0.0 || (height <= 42.0 && groundSpeed <= 120.0) || (height <= 84.0 && groundSpeed <= 80.0) ||
        (height <= 108.0 && groundSpeed <= 43.0)) {
      altitude = 0.0;
    }
  }
  if (groundSpeed <= 35.0 && altitude > 0.0) altitude = 0.0;
  pos.altitude = altitude;
  if (!context.airborneOnly) return true;
  const double parkElevation = context.parkAirport ? context.parkAirport->elevation : 0.0;
  return altitude - parkElevation > g_airborneOnlyHeight;
}

// The route is optional: a code other than "null" or three letters or digits (a feed may
// carry four-letter codes) counts as none, logged once per code.
IataCode TrafficReceiver::lf_readAirportCode(std::string_view field) {
  if (field == g_null) return {};
  try {
    return IataCode(field);
  } catch (const std::invalid_argument&) {
  }
  if (loggedRouteCodes_.size() < g_maxLoggedRouteCodes && loggedRouteCodes_.emplace(field).second) {
    foreignLog.log("route code", fmt::format("route code '{}' is not three letters or digits: taken as none", field));
  }
  return {};
}

bool TrafficReceiver::lf_readCallsign(AcIdent& ident) const {
  const std::string_view callsign = fields[fCallsign];
  if (callsign == g_null || callsign.find('@') != std::string_view::npos) return true;
  for (const std::string_view refused : {"ERARMTR1", "AIRPORT1", "00000000"}) {
    if (callsign == refused) return false;
  }
  ident.callsign.assign(callsign);
  return true;
}

RecordOutcome TrafficReceiver::parseAndHandOver(const RecordContext& context) {
  LiveReport report;
  StreamPos& pos = report.pos;
  AcIdent& ident = report.ident;

  const double time = lf_readNumber(fields[fTime], "timestamp");
  // Only a time the traffic clock can take is kept: the clock casts it to whole seconds.
  if (!gf_isTrafficTime(time)) throw std::runtime_error(fmt::format("timestamp out of range:{}", fields[fTime]));
  recordTime.store(time);
  report.reportTime = time;

  pos.lat = lf_readNumber(fields[fLat], "lat");
  pos.lon = lf_readNumber(fields[fLon], "lon");
  const LatLon position{pos.lat, pos.lon};
  if (pos.lat < -90.0 || pos.lat > 90.0 || pos.lon < -180.0 || pos.lon > 180.0 ||
      (std::abs(pos.lat) <= 0.0001 && std::abs(pos.lon) <= 0.0001)) {
    throw std::runtime_error(fmt::format("invalid lalo: {}", lf_latLonText(position)));
  }
  if (gf_greatCircleNm(context.refPosition, position) > context.rangeNm) return RecordOutcome::outOfRange;
  // These texts reach the learned airport files, which no XML reader would take with them.
  for (const Field field : {fCallsign, fType, fRegistration}) {
    if (lf_hasControlCharacter(fields[field])) return RecordOutcome::controlCharacter;
    if (!gf_isXmlText(fields[field])) return RecordOutcome::invalidText;
  }
  if (!lf_readRegistration(ident)) return RecordOutcome::registrationTooLong;
  if (collectCallsigns.load()) collectCallsign(fields[fCallsign]);

  if (!gf_isAnAircraft(fields[fType], fields[fCategory])) return RecordOutcome::notAnAircraft;
  ident.codes.modelId = gf_modelCode2Id(fields[fType]);

  if (fields[fSource] == "adsb_icao") {
    const double heading = lf_readNumber(fields[fTrueHeading], "trueheading");
    if (heading > 360.0) throw std::runtime_error(fmt::format("trueheading: {:.2f}", heading));
    if (heading >= 0.0) {
      pos.trueHeading = heading == 0.0 ? g_twoPi : heading * g_degToRad;
      pos.trueHeadingValid = 1;
      pos.adsbHeading = 1;
    }
  }

  const auto hexid = gf_readU32(fields[fHexid]);
  if (!hexid) throw std::runtime_error(fmt::format("hexid incorrect{}", fields[fHexid]));
  if (*hexid <= g_lowestHexid) return RecordOutcome::hexidTooLow;
  report.hexid = *hexid;

  pos.groundSpeed = lf_readNumber(fields[fGroundSpeed], "gs");
  if (!lf_readAltitude(context, pos)) return RecordOutcome::notAirborne;
  const bool airborne = pos.altitude > 0.0;
  pos.airborne = airborne ? 1 : 0;

  if (!lf_readCallsign(ident)) return RecordOutcome::refusedCallsign;
  if (ident.callsign.empty() && ident.registration.empty()) return RecordOutcome::noIdentity;
  if (!airborne && (!context.parkAirport ||
                    gf_greatCircleNm(context.parkAirport->position, position) > g_groundRadiusNm)) {
    return RecordOutcome::groundAwayFromPark;
  }

  if (const std::string_view track = fields[fTrack]; !track.empty()) {
    const auto value = gf_readDouble(track);
    if (!value) throw std::runtime_error(fmt::format("track incorrect {}", track));
    pos.track = *value;
  }
  if (pos.track == 0.0 && pos.trueHeadingValid) pos.track = pos.trueHeading * g_radToDeg;
  pos.verticalRate = lf_readNumber(fields[fVerticalSpeed], "vs");
  ident.origin = lf_readAirportCode(fields[fOrigin]);
  ident.destination = lf_readAirportCode(fields[fDestination]);

  if (airborne) {
    const double roll = lf_readNumber(fields[fRoll], "roll");
    if (roll != -1.0 && roll != 0.0) {
      pos.roll = -roll * g_degToRad;
      pos.rollValid = 1;
    }
  }
  const auto trueAirspeed = gf_readDouble(fields[fTrueAirspeed]);
  if (!trueAirspeed) throw std::runtime_error(fmt::format("TAS incorrect{}", fields[fTrueAirspeed]));
  pos.speed = *trueAirspeed == -1.0 ? lf_speedByAltitude(pos.altitude) : *trueAirspeed;

  const std::lock_guard lock(g_liveReportMutex);
  if (!g_trafficIntake) return RecordOutcome::intakeOff;
  pos.dueTick = gf_addTicks(g_trafficTick.load(), g_reportDelayTicks);
  gf_queueLiveReport(g_liveReportHandOver, std::move(report));
  return RecordOutcome::accepted;
}

RecordOutcome TrafficReceiver::processLineSub(const RecordContext& context) {
  if (fields.size() < g_recordFieldCount) {
    // Malformed: never read past the last field.
    foreignLog.log(gf_recordOutcomeName(RecordOutcome::tooFewFields),
                   fmt::format("exception in processLineSub: record of {} fields, at least {} expected", fields.size(),
                               g_recordFieldCount));
    return RecordOutcome::tooFewFields;
  }
  try {
    return parseAndHandOver(context);
  } catch (const std::exception& e) {
    foreignLog.log(gf_recordOutcomeName(RecordOutcome::fieldError),
                   fmt::format("exception in processLineSub: {}", e.what()));
  }
  return RecordOutcome::fieldError;
}

}  // namespace vexo
