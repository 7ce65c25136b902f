// aircraft.cfg text of unknown origin: the key matchers, the section heads, the split into
// sections and every section rule must never crash or read out of bounds, and a value a
// matcher gives is always trimmed and non-empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/line_file.h"
#include "liveries/cfg_keys.h"
#include "liveries/cfg_sections.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

using namespace vexo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An aircraft folder whose files the simplest sections name, so the rules after the
  // file checks are reached too.
  static const std::filesystem::path folder = [] {
    gf_airlineCode2Id("");
    gf_modelCode2Id("");
    g_dbase.modelCodes = {"B738"};
    g_dbase.airlineCodes = {"KLM", "ZZZ"};
    const auto ac = std::filesystem::temp_directory_path() / "vdrk-liveries-fuzz" / "IVAO_MTL" / "IVAO_B738";
    std::filesystem::create_directories(ac / "model");
    std::filesystem::create_directories(ac / "texture");
    std::filesystem::create_directories(ac / "texture.KLM");
    std::ofstream(ac / ".air") << "air";
    std::ofstream(ac / "B738.air") << "air";
    return ac;
  }();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> lines;
  gf_splitLineViews(bytes, lines);
  for (const auto& line : lines) {
    for (const char* key : {"title", "atc_id", "atc_parking_codes", "sim"}) {
      const std::string_view value = lf_keyValue(line, key);
      if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) std::abort();
    }
    (void)lf_fltsimNumber(line);
    (void)lf_ivaoTitleAirline(line, "B738");
  }
  const LiveryScanInputs inputs{{"Banned"}};
  CfgFileJob job(1, folder / "aircraft.cfg", inputs);
  if (lf_checkFltsimNumbers(lines, job)) {
    (void)lf_atcModelCode(lines, job);
    lf_splitFltsimSections(lines, "B738", job);
    lf_splitIvaoSections(lines, "B738", job);
  }
  for (const auto& found : job.result.liveries) {
    if (found.livery.title.empty() || lf_isIncompleteLivery(found.livery)) std::abort();
  }
  return 0;
}
