// The bytes of one scenery file, read whole, with bounds-checked little-endian reads.
// Records are addressed by word index (byte offset / 4) as the file format steps through
// them; a read that would leave the data throws BglRangeError naming the file and offset,
// so no walk can read out of bounds even where a check was missed.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexo {

class BglRangeError : public std::out_of_range {
public:
  using std::out_of_range::out_of_range;
};

class BglWords {
public:
  // bytes: the file's content; padded with zero bytes to whole 32-bit words.
  BglWords(std::vector<std::byte> bytes, std::string pathText);

  std::size_t wordCount() const { return bytes_.size() / 4; }
  std::size_t byteCount() const { return bytes_.size(); }
  const std::string& pathText() const { return pathText_; }

  bool has(std::size_t offset, std::size_t width) const {
    return offset <= bytes_.size() && width <= bytes_.size() - offset;
  }
  std::uint16_t u16(std::size_t offset) const { return static_cast<std::uint16_t>(load(offset, 2)); }
  std::uint32_t u32(std::size_t offset) const { return load(offset, 4); }
  std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
  float f32(std::size_t offset) const { return std::bit_cast<float>(u32(offset)); }
  // The bytes [offset, offset + width), which must lie inside the data.
  std::string text(std::size_t offset, std::size_t width) const;
  // The data itself, for a decoder that checked once with has() that a whole entry lies
  // inside it and then reads the entry's fields with the gf_bglLoad functions below.
  const std::byte* data() const { return bytes_.data(); }

private:
  void require(std::size_t offset, std::size_t width) const {
    if (!has(offset, width)) throwRangeError(offset, width);
  }
  [[noreturn]] void throwRangeError(std::size_t offset, std::size_t width) const;
  std::uint32_t load(std::size_t offset, std::size_t width) const {
    require(offset, width);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes_[offset + i]) << (8 * i);
    return value;
  }

  std::vector<std::byte> bytes_;
  std::string pathText_;
};

// Little-endian fields at p, without a bounds check: the caller has checked the entry.
inline std::uint32_t gf_bglLoadU32(const std::byte* p) {
  std::uint32_t value = 0;
  std::memcpy(&value, p, sizeof value);
  if constexpr (std::endian::native == std::endian::big)
    value = ((value & 0xFFU) << 24) | ((value & 0xFF00U) << 8) | ((value >> 8) & 0xFF00U) | (value >> 24);
  return value;
}
inline float gf_bglLoadF32(const std::byte* p) { return std::bit_cast<float>(gf_bglLoadU32(p)); }

// The whole file as words, named in range errors by pathText; nothing when it cannot be
// opened or read. A scan reads thousands of small files: one open, one status call and one
// read each.
std::optional<BglWords> lf_readBglWords(const std::filesystem::path& path, std::string pathText);

// A whole file in binary mode; nothing when it cannot be opened, its size cannot be read,
// or the read ends before the end of the file.
std::optional<std::vector<std::byte>> gf_readFileBytes(const std::filesystem::path& path);

// The quick test before a file is handed to a task: at least 57 bytes, a section count
// that fits the file, and a section of type 3 (airports). It reads the header field and
// the section table in small pieces, never the whole file.
bool lf_isAirportBgl(const std::filesystem::path& path);

}  // namespace vexo
