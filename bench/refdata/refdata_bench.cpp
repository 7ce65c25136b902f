// Reading the sample reference data, start to end, and the closest-airport search over the
// whole sample airports database.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "refdata/airports_db.h"
#include "refdata/codes.h"
#include "refdata/dbase_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace vexo;

const fs::path lf_input = VDRK_SAMPLE_INPUT_DIR;
const fs::path lf_scratch = fs::temp_directory_path() / "vdrk_refdata_bench.xml";

void BM_ReadSampleDbase(benchmark::State& state) {
  for (auto _ : state) {
    g_airlinePool.reset();
    g_modelPool.reset();
    g_dbase = DbaseTables{};
    if (!gf_readDbaseFrom(lf_input / "dbase.enc", lf_scratch)) {
      state.SkipWithError("dbase not read");
      break;
    }
  }
  state.counters["records"] = static_cast<double>(g_dbase.dbaseRecords.size());
}
BENCHMARK(BM_ReadSampleDbase)->Unit(benchmark::kMillisecond);

void BM_ReadSampleAirports(benchmark::State& state) {
  std::size_t count = 0;
  for (auto _ : state) {
    AirportsDb db;
    if (!db.read(lf_input / "airports.enc", lf_scratch)) {
      state.SkipWithError("airports not read");
      break;
    }
    count = db.airports.size();
  }
  state.counters["airports"] = static_cast<double>(count);
}
BENCHMARK(BM_ReadSampleAirports)->Unit(benchmark::kMillisecond);

// Positions near random airports (most find one) and anywhere on earth (most find none).
void BM_ClosestAirport(benchmark::State& state) {
  static AirportsDb db;
  if (!db.loaded && !db.read(lf_input / "airports.enc", lf_scratch)) {
    state.SkipWithError("airports not read");
    return;
  }
  std::mt19937 random(1);
  std::vector<LatLon> positions;
  std::uniform_int_distribution<std::size_t> pick(0, db.airports.size() - 1);
  std::uniform_real_distribution<double> near(-0.05, 0.05);
  std::uniform_real_distribution<double> lat(-60.0, 70.0);
  std::uniform_real_distribution<double> lon(-180.0, 180.0);
  for (int i = 0; i < 1024; ++i) {
    const AirportData& ap = db.airports[pick(random)];
    positions.push_back(state.range(0) ? LatLon{ap.latitude + near(random), ap.longitude + near(random)}
                                       : LatLon{lat(random), lon(random)});
  }
  auto noStands = [](const IcaoCode&, LatLon, std::string&) { return 100.0; };
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(db.closestAirport(positions[i++ & 1023], noStands));
  }
}
BENCHMARK(BM_ClosestAirport)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
