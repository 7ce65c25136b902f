#include "updater/versions_file.h"

#include <fmt/format.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace vexo {

namespace {

struct TooDeep : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::int32_t lf_versionMember(const nlohmann::json& object, std::string_view key, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) throw std::runtime_error(fmt::format("versions.json: {} has no \"{}\"", key, name));
  // A float, a text or a number beyond 32 bits would otherwise be narrowed silently.
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  const bool fits = it->is_number_unsigned() ? it->get<std::uint64_t>() <= static_cast<std::uint64_t>(kMax)
                                             : it->is_number_integer() && it->get<std::int64_t>() >= kMin &&
                                                   it->get<std::int64_t>() <= kMax;
  if (!fits) throw std::runtime_error(fmt::format("versions.json: \"{}\" of {} is not an integer", name, key));
  return static_cast<std::int32_t>(it->get<std::int64_t>());
}

}  // namespace

std::optional<nlohmann::json> gf_parseVersionsText(std::string_view text, std::string* error) {
  // The parser is told of each object and array as it opens, with the number of those
  // around it: a deeper one stops the parse before it is built.
  const nlohmann::json::parser_callback_t refuseDeep = [](int depth, nlohmann::json::parse_event_t event,
                                                          nlohmann::json&) {
    const bool opens = event == nlohmann::json::parse_event_t::object_start ||
                       event == nlohmann::json::parse_event_t::array_start;
    if (opens && depth >= g_versionsFileMaxDepth) {
      throw TooDeep(fmt::format("nested deeper than {} levels", g_versionsFileMaxDepth));
    }
    return true;
  };
  // A number too large for a double is refused by the parser with an out-of-range error
  // rather than a parse error; either way the body is not a usable versions.json.
  try {
    return nlohmann::json::parse(text, refuseDeep);
  } catch (const nlohmann::json::exception& e) {
    if (error) *error = e.what();
  } catch (const TooDeep& e) {
    if (error) *error = e.what();
  }
  return std::nullopt;
}

std::optional<VersionData> gf_webVersion(const nlohmann::json& document, std::string_view key) {
  if (!document.is_object()) return std::nullopt;
  const auto it = document.find(key);
  if (it == document.end()) return std::nullopt;
  if (!it->is_object()) throw std::runtime_error(fmt::format("versions.json: {} is not an object", key));
  return VersionData(lf_versionMember(*it, key, "major"), lf_versionMember(*it, key, "minor"),
                     lf_versionMember(*it, key, "patch"));
}

}  // namespace vexo
