// The scenery reader against arbitrary file contents: every airport is taken as known and
// generated, so the whole decode runs on whatever the input's sizes and counts say.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "airports/bgl_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace vexo;
  static const BglScanHooks hooks{
      [](const IcaoCode&) { return true; },
      [](BglAirport&, int& archived, const std::filesystem::path&) {
        archived = 0;
        return false;
      },
      [](BglAirport& airport, int) {
        for (const BglStand& s : airport.stands)
          if (!std::isfinite(s.heading) || !std::isfinite(s.radius)) std::abort();
      },
      [](std::string) {}};
  std::vector<std::byte> data(reinterpret_cast<const std::byte*>(bytes), reinterpret_cast<const std::byte*>(bytes) + size);
  const BglWords words(std::move(data), "fuzz.bgl");
  lf_processBglWords(words, "fuzz.bgl", hooks);
  return 0;
}
