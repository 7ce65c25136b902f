// A liveries folder with one livery the sample dbase accepts, for start-ups that scan.
#pragma once

#include <filesystem>
#include <string>

#include "test_support.h"

namespace vexo::test {

// Writes <folder>/A320/aircraft.cfg with its model, texture and flight-dynamics files.
inline void writeLiveryFolder(const std::filesystem::path& folder) {
  const auto aircraft = folder / "A320";
  std::filesystem::create_directories(aircraft / "model");
  std::filesystem::create_directories(aircraft / "texture");
  writeFile(aircraft / "A320.air", "air");
  writeFile(aircraft / "aircraft.cfg",
            "[General]\natc_model=A320\n[fltsim.0]\ntitle=Sample AAL A320\natc_parking_codes=AAL\nsim=A320\n");
}

// The parameter line that points lfolder0 at the folder.
inline std::string lfolder0Parameter(const std::filesystem::path& folder) {
  return "    <parameter name=\"lfolder0\" value=\"" + folder.string() + "\" />\n";
}

}  // namespace vexo::test
