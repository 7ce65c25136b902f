#include "liveries/cfg_keys.h"

#include "foundation/text.h"

namespace vexo {

namespace {

char lf_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool lf_isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether text begins with the (lower-case) word, ignoring ASCII case.
bool lf_startsNoCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() < lowerWord.size()) return false;
  for (std::size_t i = 0; i < lowerWord.size(); ++i) {
    if (lf_lower(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

bool lf_setIfMatched(std::string_view line, std::string_view key, std::string& value) {
  const std::string_view found = lf_keyValue(line, key);
  if (found.empty()) return false;
  value.assign(found);
  return true;
}

}  // namespace

std::string_view lf_keyValue(std::string_view line, std::string_view key) {
  std::string_view rest = line;
  while (!rest.empty() && gf_isSpace(rest.front())) rest.remove_prefix(1);
  if (!lf_startsNoCase(rest, key)) return {};
  rest.remove_prefix(key.size());
  while (!rest.empty() && gf_isSpace(rest.front())) rest.remove_prefix(1);
  if (rest.empty() || rest.front() != '=') return {};
  rest.remove_prefix(1);
  const std::string_view value = gf_stripSpace(rest);
  // The value pattern's "." stops at line terminators, so one inside the value is no match.
  if (value.find('\r') != std::string_view::npos || value.find('\n') != std::string_view::npos) return {};
  return value;
}

bool lf_matchTitle(std::string_view line, std::string& value) { return lf_setIfMatched(line, "title", value); }
bool lf_matchSim(std::string_view line, std::string& value) { return lf_setIfMatched(line, "sim", value); }
bool lf_matchModel(std::string_view line, std::string& value) { return lf_setIfMatched(line, "model", value); }
bool lf_matchTexture(std::string_view line, std::string& value) { return lf_setIfMatched(line, "texture", value); }
bool lf_matchAtcId(std::string_view line, std::string& value) { return lf_setIfMatched(line, "atc_id", value); }
bool lf_matchAtcParkingTypes(std::string_view line, std::string& value) {
  return lf_setIfMatched(line, "atc_parking_types", value);
}
bool lf_matchAtcParkingCodes(std::string_view line, std::string& value) {
  return lf_setIfMatched(line, "atc_parking_codes", value);
}
std::string lf_matchAtcModel(std::string_view line) { return std::string(lf_keyValue(line, "atc_model")); }

bool lf_hasAtcIdKey(std::string_view line) { return line.find("atc_id=") != std::string_view::npos; }
bool lf_hasAtcParkingTypesKey(std::string_view line) {
  return line.find("atc_parking_types") != std::string_view::npos;
}
bool lf_hasAtcParkingCodesKey(std::string_view line) {
  return line.find("atc_parking_codes") != std::string_view::npos;
}

std::string_view lf_fltsimNumber(std::string_view line) {
  if (line.size() >= 2 && line.starts_with("//")) return {};
  // Most lines hold no "[" at all, and every head does.
  if (line.find('[') == std::string_view::npos) return {};
  std::string_view rest = gf_stripSpace(line);
  if (lf_startsNoCase(rest, "[fltsim.") && rest.ends_with(']')) {
    const std::string_view digits = rest.substr(8, rest.size() - 9);
    bool allDigits = !digits.empty();
    for (const char c : digits) allDigits = allDigits && c >= '0' && c <= '9';
    if (allDigits) return digits;
  }
  if (line.find("[fltsim.") != std::string_view::npos || line.find("[FLTSIM.") != std::string_view::npos) {
    return "10000";
  }
  return {};
}

std::string lf_ivaoTitleAirline(std::string_view title, std::string_view modelCode) {
  if (title.size() < modelCode.size()) return {};
  for (std::size_t i = 0; i < modelCode.size(); ++i) {
    if (lf_lower(title[i]) != lf_lower(modelCode[i])) return {};
  }
  std::string_view rest = title.substr(modelCode.size());
  while (!rest.empty() && gf_isSpace(rest.front())) rest.remove_prefix(1);
  if (rest.size() < 3 || !lf_isWordChar(rest[0]) || !lf_isWordChar(rest[1]) || !lf_isWordChar(rest[2])) return {};
  if (rest.find('\r') != std::string_view::npos || rest.find('\n') != std::string_view::npos) return {};
  return std::string(rest.substr(0, 3));
}

}  // namespace vexo
