#include "airports/bgl_words.h"

#include <array>
#include <fstream>
#include <limits>

#include <fmt/format.h>

#include "airports/bgl_format.h"
#include "platform/whole_file.h"

namespace vexo {

BglWords::BglWords(std::vector<std::byte> bytes, std::string pathText)
    : bytes_(std::move(bytes)), pathText_(std::move(pathText)) {
  bytes_.resize((bytes_.size() + 3) / 4 * 4, std::byte{0});
}

void BglWords::throwRangeError(std::size_t offset, std::size_t width) const {
  throw BglRangeError(fmt::format("read of {} bytes at offset {} past the end ({} bytes) of {}", width, offset,
                                  bytes_.size(), pathText_));
}

std::string BglWords::text(std::size_t offset, std::size_t width) const {
  require(offset, width);
  return std::string(reinterpret_cast<const char*>(bytes_.data() + offset), width);
}

namespace {

// The size of an open stream from its current position to its end; nothing when unknown.
std::optional<std::size_t> lf_streamSize(std::istream& in) {
  const auto start = in.tellg();
  in.seekg(0, std::ios::end);
  const auto end = in.tellg();
  in.seekg(start);
  if (start < 0 || end < start || !in) return std::nullopt;
  return static_cast<std::size_t>(end - start);
}

std::optional<std::vector<std::byte>> lf_readRest(std::istream& in) {
  const auto size = lf_streamSize(in);
  if (!size) return std::nullopt;
  std::vector<std::byte> bytes(*size);
  if (*size != 0 && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(*size)))
    return std::nullopt;
  return bytes;
}

std::uint32_t lf_littleU32(const char* p) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return value;
}

}  // namespace

std::optional<BglWords> lf_readBglWords(const std::filesystem::path& path, std::string pathText) {
  std::vector<std::byte> bytes;
  if (platform::gf_readWholeFile(path, std::numeric_limits<std::size_t>::max() - 1, bytes) !=
      platform::WholeFileRead::ok)
    return std::nullopt;
  return BglWords(std::move(bytes), std::move(pathText));
}

std::optional<std::vector<std::byte>> gf_readFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return lf_readRest(in);
}

bool lf_isAirportBgl(const std::filesystem::path& path) {
  std::ifstream in;
  // Unbuffered, so each read below asks the system for exactly its bytes.
  in.rdbuf()->pubsetbuf(nullptr, 0);
  in.open(path, std::ios::binary);
  if (!in) return false;
  const auto size = lf_streamSize(in);
  if (!size || *size < bgl::headerSize + 1) return false;
  std::array<char, 4> field{};
  in.seekg(static_cast<std::streamoff>(bgl::sectionCountField));
  if (!in.read(field.data(), field.size())) return false;
  const std::uint64_t count = lf_littleU32(field.data());
  if (count == 0 || count > (*size - bgl::headerSize) / bgl::sectionEntrySize) return false;

  // The table in pieces of 64 entries: real files hold a handful of sections, and a
  // non-airport file with a large count costs no more than its table.
  constexpr std::size_t piece = 64;
  std::array<char, piece * bgl::sectionEntrySize> table{};
  in.seekg(static_cast<std::streamoff>(bgl::headerSize));
  for (std::uint64_t first = 0; first < count; first += piece) {
    const std::size_t entries = static_cast<std::size_t>(std::min<std::uint64_t>(piece, count - first));
    if (!in.read(table.data(), static_cast<std::streamsize>(entries * bgl::sectionEntrySize))) return false;
    for (std::size_t i = 0; i < entries; ++i)
      if (lf_littleU32(table.data() + i * bgl::sectionEntrySize) == bgl::airportSectionType) return true;
  }
  return false;
}

}  // namespace vexo
