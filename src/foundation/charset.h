// Text encodings: the program's UTF-8, the system's UTF-16 at its borders, and the
// encodings in which text files of unknown origin arrive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vexo {

// Strict conversions: a lone surrogate, an overlong form, a code point above U+10FFFF or a
// cut-off sequence throws std::runtime_error ("wide_to_utf8: invalid UTF-16",
// "utf8_to_wide: invalid UTF-8").
std::string wide_to_utf8(std::u16string_view wide);
std::u16string utf8_to_wide(std::string_view utf8);

// The path's text in UTF-8, for messages.
std::string gf_pathToUtf8(const std::filesystem::path& path);

// "ANSI" text is Windows-1252; every byte has a character, so this never fails.
std::string gf_ansi2utf8(const std::string& ansi);

// The UTF-8 text of UTF-16 bytes that begin with a byte-order mark (FF FE little endian,
// FE FF big endian); nullopt for bytes without a mark or of odd length. Invalid UTF-16
// throws std::runtime_error.
std::optional<std::string> gf_utf16ToUtf8(std::string_view bytes);

enum class Charset : std::uint8_t {
  ANSI = 0,
  Unicode = 1,             // UTF-16 little endian
  Unicode_big_endian = 2,  // UTF-16 big endian
  UTF8_with_BOM = 3,
  UTF8_without_BOM = 4,
  none_found = 5,  // the file could not be opened
};

// The name that log messages use; a value outside the enumeration throws std::out_of_range.
std::string_view lf_charsetName(Charset charset);

// How many bytes of a file the UTF-8 check looks at.
inline constexpr std::size_t g_charsetSampleSize = 4096;

// Guesses the encoding of a text file from its content, of which only the first
// g_charsetSampleSize bytes are looked at. Callers read the file once and convert the
// same bytes afterwards.
Charset gf_detectCharset(std::string_view content);

// True when the sample is UTF-8. cutBySampleLimit tells that the file goes on after the
// sample, so a character cut off at the sample's end is not held against it.
bool gf_isUtf8Sample(std::string_view sample, bool cutBySampleLimit);

// Makes the text well-formed UTF-8: each byte that begins no valid sequence becomes
// U+FFFD; a text that is well-formed already stays as it is.
void gf_repairUtf8(std::string& text);

// XML 1.0 holds tab, line feed, carriage return and the characters from U+0020 on except
// U+FFFE and U+FFFF, and no other reader takes a file that holds anything else. True when
// the text is well-formed UTF-8 of such characters only.
bool gf_isXmlText(std::string_view text);

// Keeps of a one-line value only what XML 1.0 holds: control characters other than tab
// (line ends too), U+FFFE, U+FFFF and bytes that begin no valid UTF-8 sequence are dropped.
void gf_dropNonXmlChars(std::string& text);

}  // namespace vexo
