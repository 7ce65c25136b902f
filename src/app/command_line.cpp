#include "app/command_line.h"

#include <algorithm>

namespace vexo {

namespace {
// ASCII only: the switches are ASCII, and the locale must not decide what matches.
bool lf_equalsNoCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}
}  // namespace

ProductionSwitch gf_parseProductionSwitch(std::span<const std::string_view> args) {
  ProductionSwitch result;
  for (const auto arg : args) {
    if (lf_equalsNoCase(arg, "--production") || lf_equalsNoCase(arg, "/production")) {
      result = {true, true};
    } else if (lf_equalsNoCase(arg, "--no-production") || lf_equalsNoCase(arg, "/no-production")) {
      result = {false, true};
    }
  }
  return result;
}

}  // namespace vexo
