#include "airports/bgl_reader.h"

#include <fmt/format.h>

#include <vector>

#include "airports/bgl_convert.h"
#include "airports/bgl_decode_state.h"
#include "airports/bgl_format.h"
#include "foundation/charset.h"
#include "foundation/log.h"

namespace vexo {

namespace {

// The walk over one airport section's records, from its first subsection's records to the
// end of the data (records of later subsections follow without a gap).
void lf_walkSection(const BglDecodeInput& in, std::size_t record) {
  const BglWords& words = in.words;
  int steps = 0;
  while (record < words.wordCount()) {
    if (++steps > bgl::walkCap) {
      gf_logWarning(std::string("Error: Maximum loop iterations reached (2) ") + '\x97' +
                    " possible corrupt BGL or malformed input.");
      return;
    }
    const std::size_t offset = 4 * record;
    if (!words.has(offset, bgl::recordHeaderSize)) {
      lf_logCutShort(in, "record", offset);
      return;
    }
    const std::uint16_t id = words.u16(offset);
    const std::uint32_t size = words.u32(offset + 2);
    const bool isNew = id == gf_bglId(BglRecordKind::airportNew);
    if (id == gf_bglId(BglRecordKind::airport) || isNew) {
      if (size == 0) {
        gf_logWarning(fmt::format("   Warning: decodeSizeAtBoundary returned {} at o2 = {}", size, record));
        return;
      }
      if (words.has(offset + bgl::airportIcaoField, 4)) {
        bool supported = false;
        const std::string text = lf_decodeIcao(words.u32(offset + bgl::airportIcaoField), supported, in.hooks);
        if (supported) lf_decodeAirport(in, record, isNew, size / 4, IcaoCode(text));
      }
    }
    const std::size_t step = size / 4;
    if (step == 0) return;
    record += step;
  }
}

}  // namespace

std::string lf_decodeIcao(std::uint32_t ident, bool& supported, const BglScanHooks& hooks) {
  supported = false;
  const auto text = lf_decodeIcaoText(ident);
  if (!text || text->size() != 4) return {};
  const IcaoCode code(*text);  // the digits are 0-9 and A-Z only
  supported = hooks.isKnownAirport(code);
  if (!supported) hooks.appendScanLog(fmt::format("{} is not an airport supported by RealTraffic ", *text));
  return *text;
}

void lf_processBglWords(const BglWords& words, const std::filesystem::path& path, const BglScanHooks& hooks) {
  if (words.wordCount() < 2 || words.u32(bgl::headerSizeField) != bgl::headerSize) return;
  if (words.wordCount() < 15) return;
  const std::uint64_t count = words.u32(bgl::sectionCountField);
  if (count == 0 || words.wordCount() < 14 + 5 * count) return;
  const BglDecodeInput in{words, hooks, path};
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::size_t entry = bgl::headerSize + bgl::sectionEntrySize * static_cast<std::size_t>(i);
    if (words.u32(entry) != bgl::airportSectionType) continue;
    const std::uint32_t selector = words.u32(entry + bgl::sectionSelectorField);
    if ((((selector & 0x10000U) | 0x40000U) >> 14) != 16) continue;
    const std::size_t table = words.u32(entry + bgl::sectionTableField);
    if (!words.has(table + bgl::subsectionRecordsField, 4)) continue;
    lf_walkSection(in, words.u32(table + bgl::subsectionRecordsField) / 4);
  }
}

void lf_processBGLfile(const std::filesystem::path& path, const BglScanHooks& hooks) {
  try {
    if (const auto words = lf_readBglWords(path, gf_pathToUtf8(path))) lf_processBglWords(*words, path, hooks);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("Exception in lf_processBGLfile (std::ex): {} ", e.what()) + '\x97' +
                  fmt::format(" {}", gf_pathToUtf8(path)));
    throw;
  } catch (...) {
    gf_logWarning(fmt::format("Exception in lf_processBGLfile: {}", gf_pathToUtf8(path)));
    throw;
  }
}

}  // namespace vexo
