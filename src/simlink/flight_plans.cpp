#include "simlink/flight_plans.h"

#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "engine/aircraft.h"
#include "foundation/log.h"
#include "foundation/paths.h"

namespace vexo {

bool gf_createFlightPlanFolder(SimLink& link) {
  link.flightPlanFolder = gf_appFolder() / "orig_dest";
  std::error_code error;
  std::filesystem::create_directories(link.flightPlanFolder, error);
  if (error) gf_log(fmt::format("gf_createFlightPlanFolder: {}", error.message()));
  return std::filesystem::exists(link.flightPlanFolder);
}

void gf_removeFlightPlanFolder(SimLink& link) {
  const std::filesystem::path& folder = link.flightPlanFolder;
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::remove(folder, error);
  if (error == std::errc::directory_not_empty) {
    error.clear();
    std::filesystem::remove_all(folder, error);
  }
  if (error) gf_log(fmt::format("gf_removeFlightPlanFolder: {}", error.message()));
  std::error_code queryError;
  [[maybe_unused]] const auto state = std::filesystem::status(folder, queryError);
  if (queryError && queryError != std::errc::no_such_file_or_directory) throw std::filesystem::filesystem_error("exists", folder, queryError);
}

std::filesystem::path gf_flightPlanPath(std::uint32_t objectId, const SimLink& link) {
  return link.flightPlanFolder / fmt::format("{}.pln", objectId);
}

std::string gf_flightPlanText(AcCategory category, const IataCode& origin, const IataCode& destination) {
  const bool ifr = category == AcCategory::Buzjets || category == AcCategory::Large || category == AcCategory::Heavy;
  return fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
      "<FlightPlan.FlightPlan>\n"
      "<FPType>{}</FPType>\n"
      "<DepartureID>{}</DepartureID>\n"
      "<DestinationID>{}</DestinationID>\n"
      "</FlightPlan.FlightPlan>\n"
      "</SimBase.Document>\n\n",
      ifr ? "IFR" : "VFR", origin.str(), destination.str());
}

bool gf_writeFlightPlan(const std::filesystem::path& path, AcCategory category, const IataCode& origin,
                        const IataCode& destination) {
  if (path.string().size() > g_maxFlightPlanPathLength) {
    gf_logWarning(fmt::format("! Flight plan not written, path longer than {} characters: {}",
                              g_maxFlightPlanPathLength, path.string()));
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file << gf_flightPlanText(category, origin, destination);
  file.flush();
  return static_cast<bool>(file);
}

bool gf_writeFlightPlan(const std::filesystem::path& path, const AcData& aircraft) {
  return gf_writeFlightPlan(path, aircraft.category, aircraft.origin, aircraft.destination);
}

}  // namespace vexo
