// Readers of the regcode lists, which tie livery titles to the registrations they show:
// the user's *.TXT lists and AIG-regcodes.xml of the data files. Both append to a list
// that the caller (the liveries subsystem) owns.
#pragma once

#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace vexo {

struct RegcodeEntry {
  std::string title;                // a livery title of the simulator's aircraft.cfg files
  std::list<std::string> regcodes;  // sorted, unique; empty: a title not to be used
  bool sFlag = false;               // marks a special entry
};

// Reads every *.TXT file of the folder (not recursive). False when a registration had a
// wrong length or the folder could not be read; entries read so far stay.
bool gf_readRegcodeFiles(const std::filesystem::path& folder, std::vector<RegcodeEntry>& entries);

// One line of a *.TXT list: appends its entry when it makes one. False when a registration
// of the line had a wrong length (logged with the file's path).
bool lf_readRegcodeLine(std::string_view line, const std::filesystem::path& file, std::vector<RegcodeEntry>& entries);

// Reads input/AIG-regcodes.xml (decrypted by the caller). False when the file was unusable
// or a title repeated its predecessor.
bool gf_readAigRegcodes(std::vector<RegcodeEntry>& entries);
bool gf_readAigRegcodesFrom(const std::filesystem::path& xmlPath, std::vector<RegcodeEntry>& entries);

}  // namespace vexo
