#include "airports/airport_locations.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "foundation/files.h"
#include "foundation/paths.h"
#include "foundation/text.h"
#include "refdata/airports_db.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr std::string_view g_utf8Bom = "\xEF\xBB\xBF";

bool lf_endsWithXml(std::string_view text) {
  return text.size() >= 4 && gf_equalsUpper(".XML", text.substr(text.size() - 4));
}

void lf_replaceAll(std::string& text, std::string_view what, std::string_view with) {
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

bool lf_isDotsOnly(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c == '.'; });
}

// A publisher text as one folder name: separators and characters no folder name may hold
// become blanks; a name of dots alone (which would climb out) gives no folder.
std::string lf_publisherFolder(std::string_view text) {
  std::string name(text);
  for (char& c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view("/\\<>:\"|?*").find(c) != std::string_view::npos) c = ' ';
  }
  name = lf_trimBlanks(name);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return lf_isDotsOnly(name) ? std::string() : name;
}

// The elements of a backslash path, or none when one of them is empty or climbs.
std::vector<std::string> lf_safeElements(std::string_view path) {
  std::vector<std::string> elements;
  for (std::size_t start = 0;;) {
    const auto at = path.find('\\', start);
    const std::string_view element = path.substr(start, at == std::string_view::npos ? path.npos : at - start);
    if (element.empty() || lf_isDotsOnly(element) || element.find(':') != std::string_view::npos) return {};
    elements.emplace_back(element);
    if (at == std::string_view::npos) return elements;
    start = at + 1;
  }
}

fs::path lf_thirdpartyLearned(std::string_view publisherText, const std::string& fileName) {
  const std::string folder = lf_publisherFolder(publisherText);
  if (folder.empty()) return {};
  return g_learnedThirdpartyFolder / folder / fileName;
}

bool lf_exists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

const AirportData* gf_findAirport(const IcaoCode& icao) {
  const auto& airports = g_airportsDb.airports;
  const auto found = std::ranges::lower_bound(airports, icao, {}, &AirportData::icao);
  return found != airports.end() && found->icao == icao ? &*found : nullptr;
}

std::string gf_airportXmlName(const IcaoCode& icao) { return icao.str() + ".xml"; }
fs::path gf_airportXmlPath(const IcaoCode& icao) { return fs::path(gf_airportXmlName(icao)); }
fs::path gf_airportTxtPath(const IcaoCode& icao) { return fs::path(icao.str() + ".txt"); }

std::string lf_trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool lf_readLinkFile(const fs::path& path, std::string& line) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string first;
  if (!std::getline(in, first)) return false;
  if (first.starts_with(g_utf8Bom)) first.erase(0, g_utf8Bom.size());
  while (!first.empty() && std::isspace(static_cast<unsigned char>(first.back())) != 0) first.pop_back();
  if (first.size() < 4 || !lf_endsWithXml(first)) return false;
  line = std::move(first);
  return true;
}

bool gf_hasAirportData(const IcaoCode& icao) {
  for (const fs::path& folder : {g_myThirdpartyFolder, g_myOrbxFolder}) {
    if (lf_exists(gf_findCaseInsensitive(folder, gf_airportXmlName(icao))) ||
        lf_exists(gf_findCaseInsensitive(folder, gf_airportTxtPath(icao).string())))
      return true;
  }
  const AirportData* airport = gf_findAirport(icao);
  return airport != nullptr && airport->stands >= 1;
}

std::string gf_airportFileFor(const IcaoCode& icao) {
  for (const fs::path& folder : {g_myThirdpartyFolder, g_myOrbxFolder}) {
    std::string line;
    if (lf_readLinkFile(gf_findCaseInsensitive(folder, gf_airportTxtPath(icao).string()), line)) return line;
    const fs::path xml = gf_findCaseInsensitive(folder, gf_airportXmlName(icao));
    if (lf_exists(xml)) return xml.generic_string();
  }
  const AirportData* airport = gf_findAirport(icao);
  if (airport != nullptr && airport->stands >= 1) return "archive/stock/" + gf_airportXmlName(icao);
  return {};
}

fs::path lf_learnedPathFor(std::string_view airportFilePath, std::string_view publisher) {
  if (airportFilePath.empty()) return {};
  std::string path(airportFilePath);
  std::ranges::replace(path, '/', '\\');
  const auto slash = path.rfind('\\');
  const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!lf_endsWithXml(fileName) || lf_safeElements(fileName).empty()) return {};
  const std::string_view text = path;
  if (text.starts_with("archive\\stock\\")) return g_learnedStockFolder / fileName;
  if (text.starts_with("archive\\simaddon\\")) return g_learnedSimaddonFolder / fileName;
  constexpr std::string_view thirdparty = "archive\\thirdparty\\";
  if (const auto at = text.find(thirdparty); at != std::string_view::npos) {
    const std::string_view rest = text.substr(at + thirdparty.size());
    const auto end = rest.find('\\');
    if (end == std::string_view::npos) return {};
    std::string name(rest.substr(0, end));
    lf_replaceAll(name, "%20", " ");
    return lf_thirdpartyLearned(name, fileName);
  }
  constexpr std::string_view airports = "airports\\";
  if (!text.starts_with(airports)) return {};
  const std::string_view rest = text.substr(airports.size());
  if (rest.starts_with("stock\\") || rest.starts_with("my_simaddon\\")) {
    const auto elements = lf_safeElements(rest);
    if (elements.empty()) return {};
    fs::path learned = g_learnedFolder;
    for (const auto& element : elements) learned /= element;
    return learned;
  }
  if (rest.starts_with("my_thirdparty2024\\") || rest.starts_with("my_thirdparty\\"))
    return lf_thirdpartyLearned(publisher, fileName);
  return g_learnedFolder / fileName;
}

std::filesystem::path gf_unsavedLearnedPath(const std::filesystem::path& learnedPath) {
  std::filesystem::path side = learnedPath;
  side.replace_filename(learnedPath.stem().string() + ".unsaved" + learnedPath.extension().string());
  return side;
}

}  // namespace vexo
