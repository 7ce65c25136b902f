#include "foundation/charset.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace vexo {

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool lf_isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void lf_appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Outcome of reading one UTF-8 sequence at a position.
enum class Utf8Step { ok, invalid, truncated };

// Reads one sequence; on ok, `length` and `codePoint` tell what was read. The second-byte
// limits of E0, ED, F0 and F4 exclude overlong forms, surrogates and code points above
// U+10FFFF, so anything that passes is a valid scalar value.
Utf8Step lf_readUtf8(std::string_view text, std::size_t pos, std::size_t& length, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    length = 1;
    codePoint = lead;
    return Utf8Step::ok;
  }
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return Utf8Step::invalid;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (pos + i >= text.size()) return Utf8Step::truncated;
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if (byte < lo || byte > hi) return Utf8Step::invalid;
    lo = 0x80;
    hi = 0xBF;
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  return Utf8Step::ok;
}

// What lf_forEachChar passes for a byte that begins no valid sequence.
constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// Calls take(bytes, codePoint) for each character of the text in order; a byte that
// begins no valid sequence is passed alone, with kNoCharacter.
template <class Take>
void lf_forEachChar(std::string_view text, Take&& take) {
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t length = 0;
    char32_t c = 0;
    if (lf_readUtf8(text, pos, length, c) != Utf8Step::ok) {
      length = 1;
      c = kNoCharacter;
    }
    take(text.substr(pos, length), c);
    pos += length;
  }
}

// XML 1.0's Char production; lf_readUtf8 never gives a surrogate.
bool lf_isXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= kMaxCodePoint && c != 0xFFFE && c != 0xFFFF);
}

// Windows-1252 at 80-9F; the five bytes it leaves undefined keep their C1 control code
// point, as the system's conversion does, so the table never fails.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string wide_to_utf8(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF) {
        throw std::runtime_error("wide_to_utf8: invalid UTF-16");
      }
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (lf_isSurrogate(c)) {
      throw std::runtime_error("wide_to_utf8: invalid UTF-16");
    }
    lf_appendUtf8(out, c);
  }
  return out;
}

std::u16string utf8_to_wide(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::size_t length = 0;
    char32_t c = 0;
    if (lf_readUtf8(utf8, pos, length, c) != Utf8Step::ok || lf_isSurrogate(c) || c > kMaxCodePoint) {
      throw std::runtime_error("utf8_to_wide: invalid UTF-8");
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    pos += length;
  }
  return out;
}

std::string gf_pathToUtf8(const std::filesystem::path& path) {
  // Paths are UTF-8 on this platform; the native text is the UTF-8 text.
  return path.string();
}

std::string gf_ansi2utf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size() + ansi.size() / 4);
  for (const char ch : ansi) {
    const auto byte = static_cast<unsigned char>(ch);
    const char32_t c = (byte >= 0x80 && byte <= 0x9F) ? kCp1252High[byte - 0x80] : byte;
    lf_appendUtf8(out, c);
  }
  return out;
}

std::optional<std::string> gf_utf16ToUtf8(std::string_view bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return std::nullopt;
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  const auto b1 = static_cast<unsigned char>(bytes[1]);
  const bool littleEndian = b0 == 0xFF && b1 == 0xFE;
  const bool bigEndian = b0 == 0xFE && b1 == 0xFF;
  if (!littleEndian && !bigEndian) return std::nullopt;
  std::u16string wide;
  wide.reserve(bytes.size() / 2 - 1);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    wide += static_cast<char16_t>(littleEndian ? (second << 8 | first) : (first << 8 | second));
  }
  return wide_to_utf8(wide);
}

std::string_view lf_charsetName(Charset charset) {
  static constexpr std::array<std::string_view, 6> kNames = {
      "ANSI", "Unicode", "Unicode_big_endian", "UTF8_with_BOM", "UTF8_without_BOM", "none_found"};
  const auto index = static_cast<std::size_t>(charset);
  if (index >= kNames.size()) throw std::out_of_range("lf_charsetName: unknown charset");
  return kNames[index];
}

bool gf_isUtf8Sample(std::string_view sample, bool cutBySampleLimit) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  for (std::size_t pos = 0; pos < sample.size();) {
    // Text files are mostly ASCII: eight bytes without a high bit at a time.
    std::uint64_t word = 0;
    while (pos + sizeof word <= sample.size()) {
      std::memcpy(&word, sample.data() + pos, sizeof word);
      if ((word & kHighBits) != 0) break;
      pos += sizeof word;
    }
    if (pos >= sample.size()) break;
    std::size_t length = 0;
    char32_t c = 0;
    switch (lf_readUtf8(sample, pos, length, c)) {
      case Utf8Step::ok:
        pos += length;
        break;
      case Utf8Step::truncated:
        // A character that the sample limit cut in two is no sign of another encoding;
        // one cut by the end of the file is.
        return cutBySampleLimit;
      case Utf8Step::invalid:
        return false;
    }
  }
  return true;
}

void gf_repairUtf8(std::string& text) {
  if (gf_isUtf8Sample(text, false)) return;
  std::string repaired;
  repaired.reserve(text.size() + 16);
  lf_forEachChar(text, [&repaired](std::string_view bytes, char32_t c) {
    repaired += c == kNoCharacter ? std::string_view("\xEF\xBF\xBD") : bytes;
  });
  text = std::move(repaired);
}

bool gf_isXmlText(std::string_view text) {
  bool allowed = true;
  lf_forEachChar(text, [&allowed](std::string_view, char32_t c) { allowed = allowed && lf_isXmlChar(c); });
  return allowed;
}

void gf_dropNonXmlChars(std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  lf_forEachChar(text, [&kept](std::string_view bytes, char32_t c) {
    if (c == '\t' || (c >= 0x20 && lf_isXmlChar(c))) kept += bytes;
  });
  text = std::move(kept);
}

Charset gf_detectCharset(std::string_view content) {
  const std::size_t n = content.size();
  const auto b = [content](std::size_t i) { return static_cast<unsigned char>(content[i]); };
  if (n >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) return Charset::UTF8_with_BOM;
  if (n >= 2 && b(0) == 0xFF && b(1) == 0xFE) return Charset::Unicode;
  const bool bigEndianMark = n >= 2 && b(0) == 0xFE && b(1) == 0xFF;
  // Without a mark, UTF-16 shows itself by the zero high bytes of ASCII characters.
  if (n >= 2 && !bigEndianMark && b(1) == 0 && (n < 4 || b(3) == 0)) return Charset::Unicode;
  if (bigEndianMark || (n >= 2 && b(0) == 0 && (n < 4 || b(2) == 0))) return Charset::Unicode_big_endian;
  return gf_isUtf8Sample(content.substr(0, g_charsetSampleSize), n > g_charsetSampleSize)
             ? Charset::UTF8_without_BOM
             : Charset::ANSI;
}

}  // namespace vexo
