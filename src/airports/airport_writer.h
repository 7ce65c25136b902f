// Writing a whole airport file: the scenery scan's full write and the learned write.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "airports/airport_file.h"
#include "airports/parking_position.h"

namespace vexo {

// The simulator number the program writes into the meta block of its files.
inline constexpr std::int32_t g_simulatorNumber = 3;

// The steps of replacing a file: the new bytes go to a temporary file beside it; only
// then does the old file become the generation (name0.xml) and the temporary file take
// its place. A fault hook lets tests fail a step as a full disk or a crash would.
enum class SaveStep { writeTemporary, rename };
using SaveFault = std::function<bool(SaveStep)>;  // true: the step fails

// Replaces the file's content as above, creating missing folders; false (logged) when a
// step failed, leaving the old file and its generation as they were.
bool gf_replaceKeepingGeneration(const std::filesystem::path& target, std::string_view bytes,
                                 const SaveFault& fault = {});

// The airport file's text as gf_writeAirportFile writes it; none when an element cannot be
// appended.
std::optional<std::string> gf_airportFileText(const AirportFile& file, StandWriteMode mode,
                                              std::int32_t simulatorNumber);

// Writes the airport file to target: meta block, parameters, every stand in the mode's
// form, replacing the file with gf_replaceKeepingGeneration. False (logged) when an element cannot be appended, a
// folder cannot be made or the file cannot be written.
bool gf_writeAirportFile(const AirportFile& file, const std::filesystem::path& target, StandWriteMode mode,
                         std::int32_t simulatorNumber, const SaveFault& fault = {});

// The parameters block under root, in the writer's order; handmade follows g_handmadeFile.
bool lf_writeAirportParameters(pugi::xml_node root, const AirportFile& file, StandWriteMode mode);

}  // namespace vexo
