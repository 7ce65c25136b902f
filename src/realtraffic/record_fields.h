// Splitting a traffic record into its fields and reading numbers out of them. Every
// reader takes untrusted network text: a number must be finite, an empty field is no
// number, and nothing beyond the field is ever read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vexo {

// A record has at least this many comma-separated fields (0 to 28).
inline constexpr std::size_t g_recordFieldCount = 29;

// Cuts text at every ","; each piece, the last one after the final "," too (it may be
// empty), becomes one view into text. fields is emptied first.
void gf_splitRecord(std::string_view text, std::vector<std::string_view>& fields);

// A double at the start of the field (a leading "-" allowed, no blanks or "+", text
// after the number ignored). Empty, unreadable, infinite or NaN: none.
std::optional<double> gf_readDouble(std::string_view field);

// Decimal digits at the start of the field that fit in 32 bits; none otherwise.
std::optional<std::uint32_t> gf_readU32(std::string_view field);

// A decimal int at the start of the text; none otherwise.
std::optional<int> gf_readInt(std::string_view text);

}  // namespace vexo
