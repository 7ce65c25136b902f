#include "airports/airport_file.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "foundation/error.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/parameter_xml.h"
#include "foundation/text.h"
#include "refdata/codes.h"
#include "refdata/dbase_lookups.h"

namespace vexo {

namespace {

// Blanks, tabs, CR and LF.
std::string_view lf_trimmedId(std::string_view text) {
  constexpr std::string_view white = " \t\r\n";
  const auto first = text.find_first_not_of(white);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(white);
  return text.substr(first, last - first + 1);
}

bool lf_isTrue(std::string_view text) {
  text = gf_stripSpace(text);
  return text == "1" || gf_equalsUpper("TRUE", text);
}

// The forms the writer uses, "a:b" and "a", read without the general reader's allocations;
// anything else goes to the general reader, which also reports what is wrong.
HalfHourBits lf_hours(std::string_view text) {
  int first = -1;
  int last = -1;
  const char* end = text.data() + text.size();
  std::from_chars_result read = std::from_chars(text.data(), end, first);
  if (read.ec == std::errc() && read.ptr != end && *read.ptr == ':') {
    read = std::from_chars(read.ptr + 1, end, last);
  } else {
    last = first;
  }
  if (read.ec != std::errc() || read.ptr != end || first < 0 || last > 47 || first > last) return gf_hours2bitset(text);
  HalfHourBits bits;
  for (int n = first; n <= last; ++n) bits.set(static_cast<std::size_t>(n));
  return bits;
}

template <class T>
std::optional<T> lf_parseNumber(const pugi::xml_node& node, const char* name) {
  const std::string_view text = gf_stripSpace(node.attribute(name).value());
  const char* begin = text.data();
  if (!text.empty() && text.front() == '+') ++begin;
  T value{};
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string lf_text(const CodePool& pool, std::uint16_t id) {
  const auto text = pool.text(id);
  return text ? std::string(*text) : std::string();
}

bool lf_append(pugi::xml_node node, const char* name, std::string_view value) {
  return gf_appendAttribute(node, name, value);
}

bool lf_writeGeometry(pugi::xml_node parkpos, const ParkingPosition& stand) {
  bool ok = lf_append(parkpos, "latitude", fmt::format("{:.6f}", stand.latitude)) &&
            lf_append(parkpos, "longitude", fmt::format("{:.6f}", stand.longitude)) &&
            lf_append(parkpos, "heading", fmt::format("{:.1f}", stand.heading * g_radToDeg)) &&
            lf_append(parkpos, "radius", fmt::format("{:.1f}", stand.radius * g_metresPerNm)) &&
            lf_append(parkpos, "type", fmt::format("{}", stand.type)) &&
            lf_append(parkpos, "cargo", stand.cargo ? "true" : "false") &&
            lf_append(parkpos, "ramp", stand.ramp ? "true" : "false");
  if (ok && stand.heli) ok = lf_append(parkpos, "heli", "true");
  if (ok && stand.manual) ok = lf_append(parkpos, "manual", "true");
  return ok;
}

bool lf_writeFlight(pugi::xml_node parkpos, const LearnedFlight& flight) {
  if (flight.index == 0) return true;
  const auto range = gf_bitset2range(flight.hh);
  if (!range) {
    gf_logWarning(fmt::format("bit set problem: {} {} {}", flight.registration, flight.callsign, gf_codesLabel(flight.codes)));
    return true;
  }
  if (flight.registration.empty()) return true;
  pugi::xml_node opt = parkpos.append_child("opt");
  if (!opt) return false;
  bool ok = lf_append(opt, "reg", flight.registration);
  if (ok && flight.codes.marker == 0) {
    ok = lf_append(opt, "airl", lf_text(g_airlinePool, flight.codes.airlineId)) &&
         lf_append(opt, "type", lf_text(g_modelPool, flight.codes.modelId));
  }
  if (ok && flight.real == 0) ok = lf_append(opt, "soft", "true");
  ok = ok && lf_append(opt, "day", fmt::format("{}", flight.day)) && lf_append(opt, "hh", *range);
  if (ok && !flight.callsign.empty()) {
    ok = flight.callsign2.empty() ? lf_append(opt, "cs", flight.callsign)
                                  : lf_append(opt, "cs", fmt::format("{}:{}", flight.callsign, flight.callsign2));
  }
  if (ok && flight.cpl) ok = lf_append(opt, "cpl", "true");
  return ok;
}

}  // namespace

pugi::xml_node gf_airportFileElement(const pugi::xml_node& document, const char* name) {
  const pugi::xml_node root = document.child("root");
  return root ? root.child(name) : document.child(name);
}

double gf_doubleAttribute(const pugi::xml_node& node, const char* name) {
  const auto value = lf_parseNumber<double>(node, name);
  return value && std::isfinite(*value) ? *value : 0.0;
}

std::int32_t gf_intAttribute(const pugi::xml_node& node, const char* name) {
  return lf_parseNumber<std::int32_t>(node, name).value_or(0);
}

bool gf_boolAttribute(const pugi::xml_node& node, const char* name) { return lf_isTrue(node.attribute(name).value()); }

std::string gf_codesLabel(const AcCodes& codes) {
  return fmt::format("{} {}", lf_text(g_airlinePool, codes.airlineId), lf_text(g_modelPool, codes.modelId));
}

FlightIdentity FlightLookups::identityOf(std::string_view registration, std::string_view airline,
                                         std::string_view model, std::string_view callsigns) {
  FlightIdentity identity;
  const Registration& known = registrations_.findOrAdd(
      registration, [&] { return Registration{gf_dbaseLookup(registration), PooledText(registration)}; });
  identity.registration = known.text;
  if (known.codes) {
    identity.codes = *known.codes;
  } else {
    // Flights that follow each other mostly share their codes.
    if (!lastAirline_ || *lastAirline_ != airline) {
      lastAirline_ = airline;
      lastAirlineId_ = airlines_.findOrAdd(airline, [&] { return gf_airlineCode2Id(airline); });
    }
    if (!lastModel_ || *lastModel_ != model) {
      lastModel_ = model;
      lastModelId_ = models_.findOrAdd(model, [&] { return gf_modelCode2Id(model); });
    }
    identity.codes.airlineId = lastAirlineId_;
    identity.codes.modelId = lastModelId_;
  }
  const Callsigns& names = callsigns_.findOrAdd(callsigns, [&] {
    const auto colon = callsigns.find(':');
    return Callsigns{PooledText(callsigns.substr(0, colon)),
                     colon == std::string_view::npos ? PooledText() : PooledText(callsigns.substr(colon + 1))};
  });
  identity.callsign = names.first;
  identity.callsign2 = names.second;
  return identity;
}

namespace {

// Whether the name is exactly the expected one; reads no further than the first difference.
template <std::size_t N>
bool lf_isName(const char* name, const char (&expected)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (name[i] != expected[i]) return false;
  }
  return true;
}

}  // namespace

namespace {

// The length of a text of the document; attribute values are mostly a few characters long.
std::size_t lf_length(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// A number of one or two digits; -1 for anything else.
int lf_smallNumber(std::string_view text) {
  if (text.empty() || text.size() > 2) return -1;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The half hours first..last, both from 0 to 47.
HalfHourBits lf_halfHourRange(int first, int last) {
  const std::uint64_t upTo = (std::uint64_t{2} << last) - 1;
  const std::uint64_t below = (std::uint64_t{1} << first) - 1;
  return HalfHourBits(upTo & ~below);
}

// hh as the writer writes it, "a:b" or "a", without a general number reader; anything else
// goes to the general reader, which reads those forms the same way.
HalfHourBits lf_quickHours(std::string_view text) {
  std::size_t colon = 0;
  while (colon < text.size() && text[colon] != ':') ++colon;
  const int first = lf_smallNumber(text.substr(0, colon));
  const int last = colon == text.size() ? first : lf_smallNumber(text.substr(colon + 1));
  if (first < 0 || last < 0 || last > 47 || first > last) return lf_hours(text);
  return lf_halfHourRange(first, last);
}

// day: a digit on its own mostly.
std::int32_t lf_day(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
  const std::string_view digits = gf_stripSpace(text);
  std::int32_t day = 0;
  if (std::from_chars(digits.data(), digits.data() + digits.size(), day).ec != std::errc()) return 0;
  return day;
}

}  // namespace

OptAttributes lf_optAttributes(const pugi::xml_node& opt) {
  // One pass over the attributes, telling them apart by their first letter: a large learned
  // file holds hundreds of thousands of opts.
  OptAttributes read;
  std::string_view dayText;
  for (pugi::xml_attribute attribute = opt.first_attribute();; attribute = attribute.next_attribute()) {
    // An attribute read from a file always has a name: only an empty name may end the list.
    const char* name = attribute.name();
    if (name[0] == '\0' && !attribute) break;
    const char* value = attribute.value();
    const auto text = [value] { return std::string_view(value, lf_length(value)); };
    switch (name[0]) {
      case 'r':
        if (lf_isName(name, "reg")) read.registration = text();
        break;
      case 'a':
        if (lf_isName(name, "airl")) read.airline = text();
        break;
      case 't':
        if (lf_isName(name, "type")) read.model = text();
        break;
      case 'd':
        if (lf_isName(name, "day")) dayText = text();
        break;
      case 'h':
        if (lf_isName(name, "hh")) read.hours = text();
        break;
      case 'c':
        if (lf_isName(name, "cs")) {
          read.callsigns = text();
        } else if (lf_isName(name, "cpl")) {
          read.cpl = lf_isTrue(value) ? 1 : 0;
        }
        break;
      case 's':
        if (lf_isName(name, "soft")) read.real = lf_isTrue(value) ? 0 : 1;
        break;
      default:
        break;
    }
  }
  // The bitset reader never throws: a malformed text gives no hours and drops this opt only.
  read.hh = lf_quickHours(read.hours);
  read.day = lf_day(dayText);
  return read;
}

void lf_setFlight(LearnedFlight& flight, const OptAttributes& opt, const FlightIdentity& identity,
                  std::uint32_t archived) {
  flight.archived = archived;
  flight.real = opt.real;
  flight.cpl = opt.cpl;
  flight.hh = opt.hh;
  flight.day = static_cast<std::uint32_t>(opt.day);
  flight.registration = identity.registration;
  flight.codes = identity.codes;
  flight.callsign = identity.callsign;
  flight.callsign2 = identity.callsign2;
}

std::vector<LearnedFlight> lf_readOpts(const pugi::xml_node& parkpos, std::uint32_t archived, FlightLookups& lookups) {
  std::vector<LearnedFlight>& flights = lookups.standFlights();
  flights.clear();
  gf_forEachOpt(parkpos, [&](const pugi::xml_node& opt) {
    const OptAttributes read = lf_optAttributes(opt);
    if (!read.usable()) return;
    LearnedFlight& flight = flights.emplace_back();
    lf_setFlight(flight, read, lookups.identityOf(read.registration, read.airline, read.model, read.callsigns),
                 archived);
    flight.index = static_cast<std::uint32_t>(flights.size());
  });
  return std::vector<LearnedFlight>(flights.begin(), flights.end());
}

ParkingPosition* lf_readStand(const pugi::xml_node& parkpos, std::size_t position, std::vector<ParkingPosition>& stands,
                              std::unordered_set<std::string>& ids, std::uint32_t archived, FlightLookups& lookups) {
  const pugi::xml_attribute idAttribute = parkpos.attribute("id");
  if (!idAttribute) throw UserErrorException(93, fmt::format("Parking position #{} has no '{}' attribute.", position, "id"));
  std::string id(lf_trimmedId(idAttribute.value()));
  if (id.empty()) throw UserErrorException(93, fmt::format("Stand #{} has empty '{}' attribute.", position, "id"));
  if (!ids.insert(id).second) throw UserErrorException(94, fmt::format("Stand '{}' appears more than once.", id));
  const double latitude = gf_doubleAttribute(parkpos, "latitude");
  const double longitude = gf_doubleAttribute(parkpos, "longitude");
  if (latitude == 0.0 && longitude == 0.0) {
    gf_logWarning(fmt::format("stand {} has no valid lat/lon", id));
    return nullptr;
  }
  const double radius = gf_doubleAttribute(parkpos, "radius");
  const double heading = gf_doubleAttribute(parkpos, "heading");
  const std::int32_t typeValue = gf_intAttribute(parkpos, "type");
  const auto type = static_cast<std::uint16_t>(typeValue > 0 && typeValue <= 0xFFFF ? typeValue : 0);
  bool cargo = false;
  bool ramp = false;
  if (type == 0) {
    cargo = gf_boolAttribute(parkpos, "cargo");
    ramp = gf_boolAttribute(parkpos, "ramp");
  } else {
    cargo = type == 5 || type == 6;
    ramp = (type >= 1 && type <= 4) || type == 14;
  }
  const bool heli = gf_boolAttribute(parkpos, "heli");
  auto flights = lf_readOpts(parkpos, archived, lookups);
  return &stands.emplace_back(std::move(id), std::move(flights), latitude, longitude, heading * g_degToRad, radius,
                              type, cargo, ramp, heli);
}

void lf_readStands(const pugi::xml_node& parkpositions, std::vector<ParkingPosition>& stands, std::uint32_t archived) {
  std::unordered_set<std::string> ids;
  ids.reserve(512);
  FlightLookups lookups;
  std::size_t position = 0;
  for (const auto& parkpos : parkpositions.children("parkpos"))
    lf_readStand(parkpos, ++position, stands, ids, archived, lookups);
}

bool lf_writeStand(pugi::xml_node parkpositions, const ParkingPosition& stand, StandWriteMode mode, bool handmade) {
  pugi::xml_node parkpos = parkpositions.append_child("parkpos");
  if (!parkpos || !lf_append(parkpos, "id", stand.id)) return false;
  if (mode == StandWriteMode::full) return lf_writeGeometry(parkpos, stand);
  // A handmade file is the whole truth about its stands: a stand written with only its
  // change flags would lose its position, and with it its flights, at the next read.
  if (stand.manual || handmade) {
    if (!lf_writeGeometry(parkpos, stand)) return false;
  } else {
    if (stand.radius_change &&
        !(lf_append(parkpos, "radius_change", "true") &&
          lf_append(parkpos, "radius", fmt::format("{:.1f}", stand.radius * g_metresPerNm))))
      return false;
    if (stand.cargo_change &&
        !(lf_append(parkpos, "cargo_change", "true") && lf_append(parkpos, "cargo", stand.cargo ? "true" : "false")))
      return false;
  }
  for (const LearnedFlight& flight : stand.learnedFlights) {
    if (!lf_writeFlight(parkpos, flight)) return false;
  }
  return true;
}

ParkingPosition::ParkingPosition(std::string id, std::vector<LearnedFlight> flights, double latitude, double longitude,
                                 double heading, double radiusMetres, std::uint16_t type, bool cargo, bool ramp,
                                 bool heli)
    : learnedFlights(std::move(flights)),
      id(std::move(id)),
      latitude(latitude),
      longitude(longitude),
      heading(heading),
      radius(radiusMetres * g_nmPerMetre),
      type(type),
      cargo(cargo ? 1 : 0),
      ramp(ramp ? 1 : 0),
      heli(heli ? 1 : 0) {
  adjacent.reserve(8);
}

}  // namespace vexo
