#include "simlink/byte_io.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vexo {

namespace {
std::uint64_t lf_loadLittle(const std::byte* p, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return value;
}

void lf_storeLittle(std::byte* p, std::size_t width, std::uint64_t value) {
  for (std::size_t i = 0; i < width; ++i) p[i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
}
}  // namespace

std::uint32_t ByteReader::u32(std::size_t offset) {
  if (!check(offset, 4)) return 0;
  return static_cast<std::uint32_t>(lf_loadLittle(bytes_.data() + offset, 4));
}

std::uint64_t ByteReader::u64(std::size_t offset) {
  if (!check(offset, 8)) return 0;
  return lf_loadLittle(bytes_.data() + offset, 8);
}

float ByteReader::f32(std::size_t offset) { return std::bit_cast<float>(u32(offset)); }
double ByteReader::f64(std::size_t offset) { return std::bit_cast<double>(u64(offset)); }

std::string ByteReader::fixedString(std::size_t offset, std::size_t width) {
  if (!check(offset, width)) return {};
  const auto* first = reinterpret_cast<const char*>(bytes_.data() + offset);
  const auto* last = std::find(first, first + width, '\0');
  return std::string(first, last);
}

std::string ByteReader::varString(std::size_t offset, std::size_t* nextOffset) {
  if (!check(offset, 1)) return {};
  const auto* first = reinterpret_cast<const char*>(bytes_.data() + offset);
  const auto* end = reinterpret_cast<const char*>(bytes_.data() + bytes_.size());
  const auto* last = std::find(first, end, '\0');
  if (nextOffset) *nextOffset = offset + static_cast<std::size_t>(last - first) + (last == end ? 0 : 1);
  return std::string(first, last);
}

std::span<const std::byte> ByteReader::bytes(std::size_t offset, std::size_t width) {
  if (!check(offset, width)) return {};
  return bytes_.subspan(offset, width);
}

std::span<const std::byte> ByteReader::rest(std::size_t offset) {
  if (!check(offset, 0)) return {};
  return bytes_.subspan(offset);
}

void ByteWriter::u32(std::size_t offset, std::uint32_t value) {
  if (check(offset, 4)) lf_storeLittle(bytes_.data() + offset, 4, value);
}

void ByteWriter::u64(std::size_t offset, std::uint64_t value) {
  if (check(offset, 8)) lf_storeLittle(bytes_.data() + offset, 8, value);
}

void ByteWriter::f32(std::size_t offset, float value) { u32(offset, std::bit_cast<std::uint32_t>(value)); }
void ByteWriter::f64(std::size_t offset, double value) { u64(offset, std::bit_cast<std::uint64_t>(value)); }

bool ByteWriter::fixedString(std::size_t offset, std::size_t width, std::string_view text) {
  if (text.size() >= width) return false;
  if (!check(offset, width)) return false;
  if (!text.empty()) std::memcpy(bytes_.data() + offset, text.data(), text.size());
  return true;
}

void ByteWriter::bytes(std::size_t offset, std::span<const std::byte> data) {
  if (data.empty()) return;
  if (check(offset, data.size())) std::memcpy(bytes_.data() + offset, data.data(), data.size());
}

}  // namespace vexo
