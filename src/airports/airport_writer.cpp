#include "airports/airport_writer.h"

#include <fmt/format.h>

#include <cmath>
#include <fstream>
#include <gsl/narrow>
#include <sstream>
#include <system_error>

#include "airports/airports_state.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/meta_info.h"
#include "foundation/parameter_xml.h"
#include "foundation/settings.h"
#include "foundation/text.h"
#include "foundation/version.h"

namespace fs = std::filesystem;

namespace vexo {

bool gf_replaceKeepingGeneration(const fs::path& target, std::string_view bytes, const SaveFault& fault) {
  std::error_code ec;
  if (target.has_parent_path()) {
    fs::create_directories(target.parent_path(), ec);
    if (ec) {
      gf_logWarning(fmt::format("create_directories {}: {}", gf_pathToUtf8(target.parent_path()), ec.message()));
      return false;
    }
  }
  fs::path temporary = target;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || (fault && fault(SaveStep::writeTemporary))) {
      fs::remove(temporary, ec);
      gf_logWarning(fmt::format("Failed to write file {}", gf_pathToUtf8(target)));
      return false;
    }
  }
  // A crash from here on leaves the old file whole; the temporary file is written afresh
  // by the next save.
  if (fault && fault(SaveStep::rename)) return false;
  if (!gf_save1GenerationOf(target)) {
    fs::remove(temporary, ec);
    return false;
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    gf_logWarning(fmt::format("Failed to write file {}: {}", gf_pathToUtf8(target), ec.message()));
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

bool lf_writeAirportParameters(pugi::xml_node root, const AirportFile& file, StandWriteMode mode) {
  pugi::xml_node block = root.append_child("parameters");
  if (!block) return false;
  const bool full = mode == StandWriteMode::full;
  const bool handmade = g_handmadeFile;
  const SettingsState& s = g_settings;
  bool ok = gf_appendStringParameter(block, "airport_name", file.airportName) &&
            gf_appendStringParameter(block, "publisher", file.publisher);
  if (ok && handmade) ok = gf_appendBoolParameter(block, "handmade", true);
  if (ok && (full || handmade)) ok = gf_appendIntParameter(block, "altitude", file.altitude);
  if (ok && full) ok = gf_appendIntParameter(block, "num_parkpos", gsl::narrow<std::int32_t>(file.stands.size()));
  if (ok && handmade) {
    ok = gf_appendIntParameter(block, "Qf_real", gsl::narrow<std::int32_t>(file.Qf_real)) &&
         gf_appendIntParameter(block, "Qf_soft", gsl::narrow<std::int32_t>(file.Qf_soft));
  }
  if (ok && file.publisher.empty()) ok = gf_appendStringParameter(block, "BGLpath", file.bglPath);
  if (!ok || full) return ok;
  const auto maxFit = gsl::narrow<std::int32_t>(std::lround(2.0 * s.MAX_FIT_FL.value.load()) - 1);
  return gf_appendIntParameter(block, "RANGE", s.RANGE.value) &&
         gf_appendBoolParameter(block, "AUTO_RANGE", s.AUTO_RANGE.value) &&
         gf_appendBoolParameter(block, "WEEK", s.WEEK.value) &&
         gf_appendBoolParameter(block, "PARK_SOFT", s.PARK_SOFT.value) &&
         gf_appendIntParameter(block, "parking_percentage", s.parking_percentage.value) &&
         gf_appendBoolParameter(block, "INITIAL_LOAD_ONLY", s.INITIAL_LOAD_ONLY.value) &&
         gf_appendIntParameter(block, "MAX_FIT", maxFit) &&
         gf_appendIntParameter(block, "MAX_LIVE_SEL", s.MAX_LIVE_SEL.value);
}

std::optional<std::string> gf_airportFileText(const AirportFile& file, StandWriteMode mode,
                                              std::int32_t simulatorNumber) {
  pugi::xml_document document;
  FileMeta meta;
  meta.version = g_programVersion.toString();
  meta.sim = simulatorNumber;
  if (!gf_writeMetaInfo(document, meta)) return std::nullopt;
  pugi::xml_node root = document.child("root");
  if (!root || !lf_writeAirportParameters(root, file, mode)) return std::nullopt;
  pugi::xml_node parkpositions = root.append_child("parkpositions");
  if (!parkpositions) return std::nullopt;
  for (const ParkingPosition& stand : file.stands) {
    if (!lf_writeStand(parkpositions, stand, mode, g_handmadeFile)) return std::nullopt;
  }
  pugi::xml_node declaration = document.prepend_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  std::ostringstream text;
  document.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
  return std::move(text).str();
}

bool gf_writeAirportFile(const AirportFile& file, const fs::path& target, StandWriteMode mode,
                         std::int32_t simulatorNumber, const SaveFault& fault) {
  const auto text = gf_airportFileText(file, mode, simulatorNumber);
  return text && gf_replaceKeepingGeneration(target, *text, fault);
}

}  // namespace vexo
