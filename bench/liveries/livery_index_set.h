// The livery set of the index build benchmark, shared with the memory figure of the soak
// folder: 50,000 liveries (30,000 with an in-line registration) of 400 airlines and 200
// models, an AIG list of 7,000 entries of which 2,000 are special (reserved titles), and
// a dbase of those models. BenchFolder writes LiveriesScanned.xml, the encrypted AIG list
// and Log.txt into a temporary working folder, which it removes at its end;
// gf_processScannedLiveries then builds the index from them.
#pragma once

#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <string>
#include <unistd.h>
#include <vector>

#include "datafile_encrypt.h"
#include "foundation/datafile_key.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "liveries/liveries_scan.h"
#include "liveries/scanned_liveries_xml.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

namespace vexo::bench {

namespace fs = std::filesystem;

constexpr int kLiveries = 50000;
constexpr int kInline = 30000;
constexpr int kListEntries = 7000;
constexpr int kSpecial = 2000;
constexpr int kAirlines = 400;
constexpr int kModels = 200;  // 0-49 Light, 50-69 Buzjets, 70-149 Large, 150-199 Heavy

std::string airlineCode(int i) { return fmt::format("A{:02}", i % 100) + static_cast<char>('A' + i / 100); }
std::string modelCode(int i) { return fmt::format("M{:03}", i); }

// The working folder with LiveriesScanned.xml, the encrypted AIG list and Log.txt.
struct BenchFolder {
  BenchFolder() : root(fs::temp_directory_path() / ("vdrk-match-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(root / "input");
    fs::create_directories(root / "output");
    fs::create_directories(root / "appdata" / "Vendrake_P3D");
    ::setenv("VDRK_APPDATA", (root / "appdata").c_str(), 1);
    fs::current_path(root);
    gf_openLogFile();
    gf_airlineCode2Id("");
    gf_modelCode2Id("");
    auto& d = g_dbase;
    for (int m = 0; m < kModels; ++m) {
      const std::uint16_t id = gf_modelCode2Id(modelCode(m));
      d.modelCodes.insert(modelCode(m));
      if (m >= 50 && m < 70) d.buzjetIds.insert(id);
      if (m >= 70 && m < 150) d.largeIds.insert(id);
      if (m >= 150) d.heavyIds.insert(id);
    }
    for (int m = 0; m < kModels; m += 4) d.similarGroups.push_back({modelCode(m), modelCode(m + 1), modelCode(m + 2)});
    d.prefixMap["D-"] = {"OE-", "HB-"};
    std::list<LiveryData> liveries;
    std::vector<std::string> titles;
    for (int i = 0; i < kLiveries; ++i) {
      const int airline = i % kAirlines;
      // Models 3, 7, 11, ... have no livery: their aircraft go down to the similar models.
      int model = (i / kAirlines * 7 + airline) % kModels;
      if (model % 4 == 3) --model;
      LiveryData l;
      l.title = fmt::format("Livery {} {} {}", i, airlineCode(airline), modelCode(model));
      titles.push_back(l.title);
      if (i < kInline) l.regcode = fmt::format("{}-R{}", i % 3 == 0 ? "D" : "N", i);
      l.codes = AcCodes{gf_airlineCode2Id(airlineCode(airline)),
                        i % 10 == 0 ? gf_airlineCode2Id(airlineCode((airline + 1) % kAirlines)) : std::uint16_t{0},
                        gf_modelCode2Id(modelCode(model)), static_cast<std::uint8_t>(i % 20 == 0), 0};
      liveries.push_back(std::move(l));
    }
    lf_writeScannedLiveries(liveries, g_liveriesScannedPath);
    std::string aig = "<?xml version=\"1.0\"?>\n<root><meta><info name=\"copyright\" value=\"bench\"/>"
                      "<info name=\"sim\" value=\"5\"/></meta><aig>\n";
    for (int e = 0; e < kListEntries; ++e)
      aig += fmt::format("<l t=\"{}\" r=\"L{}\"{}/>\n", titles[static_cast<std::size_t>(e) * 7], e,
                         e < kSpecial ? " s=\"true\"" : "");
    aig += "</aig></root>\n";
    {
      std::ofstream(root / "aig.xml", std::ios::binary) << aig;
    }
    gf_streamEncrypt(g_dataFileKey, root / "aig.xml", g_aigRegcodesEncPath);
    g_settings.MATCHING_DEPTH.value = 4;
  }
  ~BenchFolder() {
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(root, ec);
  }
  fs::path root;
};

}  // namespace vexo::bench
