// Fixed-length airport codes: 4 characters for ICAO, 3 for IATA codes and a flight's
// origin and destination.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "refdata/fnv1a.h"

namespace vexo {

template <std::size_t N>
class FixedCode {
public:
  // The empty code: all bytes zero, which is not the same as a code of blanks.
  constexpr FixedCode() = default;

  // Exactly N characters; a-z are upper-cased, anything but A-Z and 0-9 is refused.
  constexpr explicit FixedCode(std::string_view text) {
    if (text.size() != N) {
      throw invalidStringError();
    }
    for (std::size_t i = 0; i < N; ++i) {
      char c = text[i];
      if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 32);
      }
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
        throw invalidStringError();
      }
      chars_[i] = c;
    }
  }

  static std::invalid_argument invalidStringError() {
    return std::invalid_argument("FixedCode: invalid string (length/charset)");
  }

  static constexpr std::size_t size() { return N; }
  constexpr bool empty() const { return chars_[0] == '\0'; }

  // The printed form: the N characters, or N blanks for the empty code.
  std::string str() const { return empty() ? std::string(N, ' ') : std::string(chars_.data(), N); }

  // Byte-wise equality and order (valid codes are ASCII, so char signedness does not matter).
  constexpr bool operator==(const FixedCode&) const = default;
  constexpr auto operator<=>(const FixedCode&) const = default;

  std::uint64_t hash() const { return gf_fnv1a(str()); }

private:
  std::array<char, N> chars_{};
};

using IcaoCode = FixedCode<4>;
using IataCode = FixedCode<3>;

}  // namespace vexo

template <std::size_t N>
struct std::hash<vexo::FixedCode<N>> {
  std::size_t operator()(const vexo::FixedCode<N>& code) const { return static_cast<std::size_t>(code.hash()); }
};

template <std::size_t N>
struct fmt::formatter<vexo::FixedCode<N>> : fmt::formatter<std::string_view> {
  template <typename FormatContext>
  auto format(const vexo::FixedCode<N>& code, FormatContext& ctx) const {
    return fmt::formatter<std::string_view>::format(code.str(), ctx);
  }
};
