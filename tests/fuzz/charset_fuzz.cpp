// Text files of unknown encoding: detection, UTF-16 and ANSI decoding and line splitting
// must never read out of bounds, and every accepted conversion must round-trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/charset.h"
#include "foundation/line_file.h"

using namespace vexo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const Charset charset = gf_detectCharset(bytes);
  (void)lf_charsetName(charset);

  std::vector<std::string> lines;
  gf_splitLines(bytes, lines);
  std::vector<std::string_view> views;
  try {
    std::string utf16 = bytes;
    gf_readUtf16Lines(utf16, views);
  } catch (const std::runtime_error&) {
  }

  // A file's text in its detected charset becomes valid UTF-8 (text declared UTF-8 by its
  // mark is taken as it is), and its lines lie inside it.
  std::string text = bytes;
  if (gf_readUtf8Lines(charset, "fuzz.cfg", text, views)) {
    if (charset != Charset::UTF8_with_BOM && !gf_isUtf8Sample(text, false)) std::abort();
    for (const std::string_view line : views)
      if (line.data() < text.data() || line.data() + line.size() > text.data() + text.size()) std::abort();
  }

  // ANSI text always converts, to valid UTF-8.
  (void)utf8_to_wide(gf_ansi2utf8(bytes));

  try {
    const std::u16string wide = utf8_to_wide(bytes);
    if (wide_to_utf8(wide) != bytes) std::abort();
    if (!gf_isUtf8Sample(bytes, false)) std::abort();
  } catch (const std::runtime_error&) {
    if (gf_isUtf8Sample(bytes, false)) std::abort();
  }
  return 0;
}
