#include "refdata/xml_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace vexo {

namespace {

std::string_view lf_skipBlanks(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t\r\n");
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

template <typename T>
std::optional<T> lf_number(std::string_view text) {
  text = lf_skipBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::invalid_argument) {
    return T{};
  }
  if (ec != std::errc{}) {
    return std::nullopt;
  }
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace

std::string lf_attributeText(const pugi::xml_node& node, const char* name) {
  pugi::xml_attribute attribute = node.attribute(name);
  return attribute ? std::string(attribute.value()) : std::string();
}

std::optional<double> gf_xmlDouble(std::string_view text) { return lf_number<double>(text); }
std::optional<float> gf_xmlFloat(std::string_view text) { return lf_number<float>(text); }
std::optional<int> gf_xmlInt(std::string_view text) { return lf_number<int>(text); }

bool gf_xmlBool(const pugi::xml_node& node, const char* name, bool absentValue) {
  pugi::xml_attribute attribute = node.attribute(name);
  return attribute ? attribute.as_bool() : absentValue;
}

}  // namespace vexo
