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

#include "livery_index_set.h"
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

using namespace vexo::bench;

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
