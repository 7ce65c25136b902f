#include "foundation/version.h"

#include <fmt/format.h>

#include <charconv>
#include <limits>
#include <nlohmann/json.hpp>
#include <regex>
#include <stdexcept>

#include "foundation/log.h"
#include "foundation/text.h"

namespace vexo {

namespace {

std::int32_t lf_versionNumber(std::string_view digits) {
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) {
    throw std::runtime_error("parse error in version string");
  }
  return value;
}

// A key's value when it is an integer that fits, else 0.
std::int32_t lf_jsonNumber(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number_integer()) return 0;
  const auto value = it->get<std::int64_t>();
  if (it->is_number_unsigned() && it->get<std::uint64_t>() > std::numeric_limits<std::int32_t>::max()) return 0;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace

VersionData::VersionData(std::string_view text) {
  if (text.empty()) return;
  try {
    static const std::regex kVersion(R"((\d+)\.(\d+)\.(\d+))", std::regex::ECMAScript);
    std::match_results<std::string_view::const_iterator> match;
    if (std::regex_match(text.begin(), text.end(), match, kVersion)) {
      const auto group = [&match](int i) { return std::string_view(&*match[i].first, match[i].length()); };
      const std::int32_t ma = lf_versionNumber(group(1));
      const std::int32_t mi = lf_versionNumber(group(2));
      const std::int32_t pa = lf_versionNumber(group(3));
      *this = VersionData(ma, mi, pa);
      return;
    }
    const std::string_view trimmed = gf_stripSpace(text);
    if (!trimmed.empty() && trimmed.front() == '{') {
      const auto json = nlohmann::json::parse(trimmed);
      if (json.is_object()) {
        *this = VersionData(lf_jsonNumber(json, "major"), lf_jsonNumber(json, "minor"), lf_jsonNumber(json, "patch"));
      }
      return;
    }
    throw std::runtime_error("invalid version format");
  } catch (const std::exception& e) {
    *this = VersionData();
    gf_log(fmt::format("{} exception: {}", "VersionData", e.what()));
  }
}

std::string VersionData::toString() const { return fmt::format("{}.{}.{}", major, minor, patch); }

}  // namespace vexo
