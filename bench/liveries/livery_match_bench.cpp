// The livery index built from 50,000 liveries (30,000 with an in-line registration), an
// AIG list of 7,000 entries of which 2,000 are special (reserved titles), and the latency
// of one livery match at depth 4 over 100,000 random aircraft, and over aircraft that miss
// every step until the last (6). The log goes to Log.txt in a temporary folder.
#include <benchmark/benchmark.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "datafile_encrypt.h"
#include "engine/aircraft.h"
#include "foundation/log.h"
#include "foundation/paths.h"
#include "foundation/random.h"
#include "foundation/settings.h"
#include "liveries/liveries_scan.h"
#include "liveries/livery_index.h"
#include "liveries/livery_matching.h"
#include "liveries/scanned_liveries_xml.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

namespace fs = std::filesystem;
using namespace vexo;

namespace {

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

BenchFolder& folder() {
  static BenchFolder f;
  return f;
}

void lf_buildIndex() {
  lf_forgetLiveries();
  gf_processScannedLiveries();
}

void BM_IndexBuild(benchmark::State& state) {
  folder();
  for (auto _ : state) {
    state.PauseTiming();
    lf_forgetLiveries();
    state.ResumeTiming();
    gf_processScannedLiveries();
  }
  state.counters["liveries"] = static_cast<double>(g_liveryIndex.titleIndex.size());
  state.counters["regcodes"] = static_cast<double>(g_liveryIndex.regcodeTitles.size());
  state.counters["reserved"] = static_cast<double>(g_liveryIndex.reservedTitles.size());
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond)->Iterations(5);

// Latency of single matches: the 50th and 99th percentile in microseconds.
template <typename MakeAircraft>
void lf_matchLatency(benchmark::State& state, MakeAircraft make) {
  folder();
  lf_buildIndex();
  gf_setRandomEnabled(true);
  std::mt19937 rng(42);
  std::vector<AcData> aircraft;
  aircraft.reserve(100000);
  for (int i = 0; i < 100000; ++i) aircraft.push_back(make(rng));
  std::vector<double> micros;
  micros.reserve(aircraft.size());
  const RefusedTitles refused;
  std::int64_t matched = 0;
  for (auto _ : state) {
    micros.clear();
    for (AcData& a : aircraft) {
      a.liveryTitle = {};
      const auto start = std::chrono::steady_clock::now();
      gf_matchLivery(a, refused);
      micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
      matched += a.liveryTitle.empty() ? 0 : 1;
    }
  }
  std::sort(micros.begin(), micros.end());
  state.counters["p50_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
  state.counters["max_us"] = micros.back();
  state.counters["matched"] = static_cast<double>(matched) / static_cast<double>(state.iterations());
}

void BM_MatchRandomAircraft(benchmark::State& state) {
  lf_matchLatency(state, [](std::mt19937& rng) {
    AcData a;
    const int airline = static_cast<int>(rng() % (kAirlines + 40));  // some airlines without liveries
    const int model = static_cast<int>(rng() % kModels);
    a.codes = AcCodes{gf_airlineCode2Id(airlineCode(airline)), 0, gf_modelCode2Id(modelCode(model)),
                      static_cast<std::uint8_t>(rng() % 10 == 0), 0};
    const int r = static_cast<int>(rng() % (kLiveries * 2));
    a.registration = fmt::format("{}-R{}", r % 3 == 0 ? "D" : "N", r);
    a.category = gf_modelCategory(a.codes.modelId);
    a.callsign = "BENCH1";
    return a;
  });
}
BENCHMARK(BM_MatchRandomAircraft)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every step misses until the last resort: an airline without liveries, a Light model
// without liveries whose similar models have some, a registration of no livery.
void BM_MatchWorstCaseStep6(benchmark::State& state) {
  lf_matchLatency(state, [](std::mt19937& rng) {
    AcData a;
    const int model = static_cast<int>(rng() % 12) * 4 + 3;  // Light, no livery of its own
    a.codes = AcCodes{gf_airlineCode2Id("ZZY"), 0, gf_modelCode2Id(modelCode(model)), 0, 0};
    a.registration = fmt::format("D-X{}", rng() % 100000);
    a.category = AcCategory::Light;
    a.callsign = "BENCH6";
    return a;
  });
}
BENCHMARK(BM_MatchWorstCaseStep6)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
