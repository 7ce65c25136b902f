// Little-endian field access over a byte span, as the SimConnect wire format lays out its
// packets and messages. Every read and write is bounds-checked: a field that does not lie
// inside the span reads as zero (or an empty text) and marks the reader failed, so a
// caller can read a whole record and test ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vexo {

class ByteReader {
public:
  explicit ByteReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  bool has(std::size_t offset, std::size_t width) const {
    return offset <= bytes_.size() && width <= bytes_.size() - offset;
  }
  bool ok() const { return ok_; }

  std::uint32_t u32(std::size_t offset);
  std::uint64_t u64(std::size_t offset);
  std::int64_t i64(std::size_t offset) { return static_cast<std::int64_t>(u64(offset)); }
  float f32(std::size_t offset);
  double f64(std::size_t offset);
  // A NUL-terminated text inside a field of width bytes: the characters up to the first
  // NUL, at most width of them (a field without a terminator is not read past its end).
  std::string fixedString(std::size_t offset, std::size_t width);
  // A NUL-terminated text of variable length: up to the first NUL or the end of the span.
  // nextOffset (when given) receives the offset behind the terminator.
  std::string varString(std::size_t offset, std::size_t* nextOffset = nullptr);
  std::span<const std::byte> bytes(std::size_t offset, std::size_t width);
  std::span<const std::byte> rest(std::size_t offset);

private:
  bool check(std::size_t offset, std::size_t width) {
    if (has(offset, width)) return true;
    ok_ = false;
    return false;
  }

  std::span<const std::byte> bytes_;
  bool ok_ = true;
};

// Writes fields into a span that is zero-filled beforehand. A field that does not fit
// is not written and marks the writer failed.
class ByteWriter {
public:
  explicit ByteWriter(std::span<std::byte> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  std::size_t size() const { return bytes_.size(); }

  void u32(std::size_t offset, std::uint32_t value);
  void u64(std::size_t offset, std::uint64_t value);
  void f32(std::size_t offset, float value);
  void f64(std::size_t offset, double value);
  // Copies text into a field of width bytes and leaves room for the terminator; false
  // (nothing written) when text has width characters or more.
  bool fixedString(std::size_t offset, std::size_t width, std::string_view text);
  void bytes(std::size_t offset, std::span<const std::byte> data);

private:
  bool check(std::size_t offset, std::size_t width) {
    if (offset <= bytes_.size() && width <= bytes_.size() - offset) return true;
    ok_ = false;
    return false;
  }

  std::span<std::byte> bytes_;
  bool ok_ = true;
};

}  // namespace vexo
