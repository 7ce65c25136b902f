// 64-bit FNV-1a, the one hash of the program's own hash maps (texts, codes, 16-bit ids).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexo {

inline constexpr std::uint64_t g_fnv1aOffsetBasis = 14695981039346656037ULL;
inline constexpr std::uint64_t g_fnv1aPrime = 1099511628211ULL;

constexpr std::uint64_t gf_fnv1a(std::string_view bytes, std::uint64_t hash = g_fnv1aOffsetBasis) {
  for (char c : bytes) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= g_fnv1aPrime;
  }
  return hash;
}

// A 16-bit id hashes as its two bytes, low byte first.
constexpr std::uint64_t gf_fnv1a(std::uint16_t id) {
  std::uint64_t hash = g_fnv1aOffsetBasis;
  hash ^= static_cast<std::uint8_t>(id & 0xFF);
  hash *= g_fnv1aPrime;
  hash ^= static_cast<std::uint8_t>(id >> 8);
  hash *= g_fnv1aPrime;
  return hash;
}

// Hasher for text-keyed maps; transparent so a string_view finds a std::string key.
struct Fnv1aTextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return static_cast<std::size_t>(gf_fnv1a(text)); }
  std::size_t operator()(const std::string& text) const { return (*this)(std::string_view(text)); }
  std::size_t operator()(const char* text) const { return (*this)(std::string_view(text)); }
};

// Hasher for maps keyed by a 16-bit pool id.
struct Fnv1aIdHash {
  std::size_t operator()(std::uint16_t id) const { return static_cast<std::size_t>(gf_fnv1a(id)); }
};

}  // namespace vexo
