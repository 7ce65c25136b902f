// The key lines of aircraft.cfg and sim.cfg sections, matched by hand: files of unknown
// origin can hold lines of any length, and a backtracking matcher would cost stack and time
// per character. Each matcher takes the whole line: blanks (space, tab, CR, LF, VT, FF)
// around the key and the "=", a key compared without ASCII case, and a value trimmed of
// blanks that is never empty and holds no CR or LF inside.
#pragma once

#include <string>
#include <string_view>

namespace vexo {

// The value of "<key> = <value>", or the empty text when the line is no such line.
std::string_view lf_keyValue(std::string_view line, std::string_view key);

// Each sets value only when the line is its key's line (and then returns true).
bool lf_matchTitle(std::string_view line, std::string& value);
bool lf_matchSim(std::string_view line, std::string& value);
bool lf_matchModel(std::string_view line, std::string& value);
bool lf_matchTexture(std::string_view line, std::string& value);
bool lf_matchAtcId(std::string_view line, std::string& value);
bool lf_matchAtcParkingTypes(std::string_view line, std::string& value);
bool lf_matchAtcParkingCodes(std::string_view line, std::string& value);
std::string lf_matchAtcModel(std::string_view line);

// The duplicate-key tests look for the plain text, case-sensitive, anywhere in the line.
bool lf_hasAtcIdKey(std::string_view line);
bool lf_hasAtcParkingTypesKey(std::string_view line);
bool lf_hasAtcParkingCodesKey(std::string_view line);

// The number text of a section head "[fltsim.<digits>]" (blanks around it allowed, "fltsim"
// in any case). A line of two or more characters beginning with "//" is no head; another
// line holding "[fltsim." or "[FLTSIM." counts as number "10000". Empty for other lines.
// A view into the line (or into a constant text): the scan asks this of every line.
std::string_view lf_fltsimNumber(std::string_view line);

// The airline code of an IVAO_MTL title: the title begins with the model code (any case),
// then blanks, then three word characters (A-Z, a-z, 0-9, _). Empty when it does not.
std::string lf_ivaoTitleAirline(std::string_view title, std::string_view modelCode);

}  // namespace vexo
