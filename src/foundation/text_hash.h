// A cheap hash of short texts (registrations, callsigns, codes) for in-memory tables that
// are built and thrown away within one read: eight bytes at a time, mixed by multiplication.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace vexo {

constexpr std::uint64_t lf_mixHash(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDULL;
  h ^= h >> 33;
  return h;
}

inline std::uint64_t gf_textHash(std::string_view text) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ text.size();
  const char* p = text.data();
  std::size_t left = text.size();
  while (left >= 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, 8);
    h = (h ^ word) * 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 29;
    p += 8;
    left -= 8;
  }
  // The last bytes by whole loads (two that may overlap), never byte by byte into a word:
  // reading such a word back waits for each byte's store.
  std::uint64_t word = 0;
  if (left >= 4) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + left - 4, 4);
    word = low | (static_cast<std::uint64_t>(high) << 32);
  } else if (left > 0) {
    word = static_cast<std::uint64_t>(static_cast<unsigned char>(p[0])) |
           (static_cast<std::uint64_t>(static_cast<unsigned char>(p[left / 2])) << 8) |
           (static_cast<std::uint64_t>(static_cast<unsigned char>(p[left - 1])) << 16);
  }
  return lf_mixHash(h ^ word);
}

// Whether two short texts are the same, compared in place: the keys of such tables are a
// few characters long, too short to be worth a call.
inline bool gf_sameShortText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace vexo
