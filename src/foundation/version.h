// Version numbers: the running program's, those of versions.json, parameters.xml and the
// meta blocks of data files.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexo {

struct VersionData {
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::int32_t patch = 0;

  constexpr VersionData() = default;
  constexpr VersionData(std::int32_t major_, std::int32_t minor_, std::int32_t patch_)
      : major(major_), minor(minor_), patch(patch_) {}

  // Reads "12.3.0" or a JSON object {"major": 12, "minor": 3, "patch": 0}. Never throws:
  // unreadable text logs "VersionData exception: <why>" and gives 0.0.0.
  explicit VersionData(std::string_view text);

  std::string toString() const;  // "12.3.0"

  // Compared by major, then minor, then patch.
  friend constexpr auto operator<=>(const VersionData&, const VersionData&) = default;
};

// The running program's version.
inline constexpr VersionData g_programVersion{12, 3, 0};

}  // namespace vexo
