#include "refdata/airports_db.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "foundation/charset.h"
#include "foundation/datafile_decrypt.h"
#include "foundation/error.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "refdata/xml_text.h"

namespace vexo {

AirportsDb g_airportsDb;

namespace {

constexpr std::size_t lf_airportsReserve = 15000;
constexpr double lf_closestRadiusNm = 5.0;
// One nautical mile is one minute of arc, so no airport beyond this many degrees of
// latitude can be within the radius; the margin covers rounding in the distance.
constexpr double lf_latitudeBand = lf_closestRadiusNm / 60.0 + 1e-6;

bool lf_validPosition(double latitude, double longitude) {
  return latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
}

}  // namespace

void lf_readAirport(AirportsDb& db, const pugi::xml_node& ap, const IcaoCode& icao) {
  pugi::xml_attribute iata = ap.attribute("i");
  pugi::xml_attribute la = ap.attribute("la");
  pugi::xml_attribute lo = ap.attribute("lo");
  pugi::xml_attribute a = ap.attribute("a");
  pugi::xml_attribute s = ap.attribute("s");
  if (!la || !lo) {
    gf_logWarning(fmt::format("Missing latLons for airport '{}'", icao));
    return;
  }
  if (!a) {
    gf_logWarning(fmt::format("Missing alt for airport '{}'", icao));
    return;
  }
  if (!s) {
    gf_logWarning(fmt::format("Missing stands for airport '{}'", icao));
  }
  try {
    AirportData airport;
    airport.icao = icao;
    auto stands = s ? gf_xmlInt(s.value()) : std::optional<int>(0);
    auto altitude = gf_xmlFloat(a.value());
    auto latitude = gf_xmlDouble(la.value());
    auto longitude = gf_xmlDouble(lo.value());
    // A position that is not a place on earth would poison every distance computed with it.
    if (!stands || !altitude || !latitude || !longitude || !lf_validPosition(*latitude, *longitude)) {
      throw std::invalid_argument("number out of range");
    }
    airport.stands = *stands;
    airport.altitude = *altitude;
    airport.latitude = *latitude;
    airport.longitude = *longitude;
    airport.iata = iata ? IataCode(iata.value()) : g_noIataCode;
    db.airports.push_back(airport);
    db.icaoSet.insert(icao);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Error storing airport '{}' '{}': {}", icao, iata.value(), e.what()));
  }
}

void AirportsDb::readDocument(const pugi::xml_document& document, const std::string& pathText) {
  pugi::xml_node list = document.child("root").child("airports");
  if (!list) {
    throw std::runtime_error("Missing <airports> root in: " + pathText);
  }
  for (pugi::xml_node ap : list.children("ap")) {
    IcaoCode icao(lf_attributeText(ap, "c"));
    lf_readAirport(*this, ap, icao);
  }
  sortAndIndex();
}

void AirportsDb::sortAndIndex() {
  std::sort(airports.begin(), airports.end(),
            [](const AirportData& a, const AirportData& b) { return a.icao < b.icao; });
  byLatitude_.resize(airports.size());
  std::iota(byLatitude_.begin(), byLatitude_.end(), 0U);
  std::sort(byLatitude_.begin(), byLatitude_.end(),
            [this](std::uint32_t a, std::uint32_t b) { return airports[a].latitude < airports[b].latitude; });
  sortedLatitudes_.resize(byLatitude_.size());
  std::transform(byLatitude_.begin(), byLatitude_.end(), sortedLatitudes_.begin(),
                 [this](std::uint32_t i) { return airports[i].latitude; });
}

bool AirportsDb::read(const std::filesystem::path& encPath, const std::filesystem::path& xmlPath) {
  if (loaded) {
    return !airports.empty();
  }
  try {
    gf_streamDecrypt(encPath, xmlPath);  // a failure shows as a load failure below
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("{} exception : {}", "gf_readAirports", e.what()));
    throw;
  }
  RemoveFileGuard removeXml(xmlPath);
  airports.reserve(lf_airportsReserve);
  try {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_file(xmlPath.c_str(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
      throw std::runtime_error(gf_pathToUtf8(xmlPath) + " not loaded: " + parsed.description());
    }
    readDocument(document, gf_pathToUtf8(xmlPath));
    gf_log(fmt::format("{:5} airports read", airports.size()));
  } catch (const std::exception& e) {
    airports.clear();
    icaoSet.clear();
    sortAndIndex();
    throw UserErrorException(88, e.what());
  }
  airports.shrink_to_fit();
  loaded = true;
  return !airports.empty();
}

const AirportData* AirportsDb::closestAirport(LatLon position, const ClosestStandLookup& closestStand) const {
  // Only airports within the radius take part in the walk, so walking the band's candidates
  // in table (ICAO) order gives the same closest airport and neighbour as walking the table.
  std::vector<std::pair<std::uint32_t, double>> candidates;  // table index, distance (nm)
  auto first = std::lower_bound(sortedLatitudes_.begin(), sortedLatitudes_.end(), position.lat - lf_latitudeBand);
  for (auto it = first; it != sortedLatitudes_.end() && *it <= position.lat + lf_latitudeBand; ++it) {
    std::uint32_t index = byLatitude_[static_cast<std::size_t>(it - sortedLatitudes_.begin())];
    double distance = gf_greatCircleNm(position, airports[index].latLon());
    if (distance <= lf_closestRadiusNm) {
      candidates.emplace_back(index, distance);
    }
  }
  std::sort(candidates.begin(), candidates.end());
  const AirportData* closest = nullptr;
  const AirportData* neighbour = nullptr;
  double best = 100.0;
  for (const auto& [index, distance] : candidates) {
    if (distance < best) {
      neighbour = closest;
      closest = &airports[index];
      best = distance;
    }
  }
  if (closest == nullptr || neighbour == nullptr) {
    return closest;
  }
  gf_log(fmt::format("Airport {} is closest, neighbour is {}", closest->icao, neighbour->icao));
  std::string closestStandName;
  std::string neighbourStandName;
  double closestStandNm = closestStand(closest->icao, position, closestStandName);
  double neighbourStandNm = closestStand(neighbour->icao, position, neighbourStandName);
  if (neighbourStandNm < closestStandNm) {
    gf_log(fmt::format("Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} meters ...",
                       closest->icao, neighbourStandName, neighbour->icao, neighbourStandNm * 1852.0));
    return neighbour;
  }
  return closest;
}

bool gf_readAirports() { return g_airportsDb.read(g_airportsEncPath, g_airportsXmlPath); }

bool gf_isKnownAirport(const IcaoCode& icao) { return g_airportsDb.isKnown(icao); }

std::string gf_airportText(const AirportData& airport) {
  std::string text = airport.icao.empty() ? std::string("?") : airport.icao.str();
  if (airport.iata != g_noIataCode) {
    text += fmt::format(" ({})", airport.iata);
  }
  return text;
}

}  // namespace vexo
