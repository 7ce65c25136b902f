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
  std::uint64_t word = 0;
  if (left > 0) std::memcpy(&word, p, left);
  return lf_mixHash(h ^ word);
}

}  // namespace vexo
