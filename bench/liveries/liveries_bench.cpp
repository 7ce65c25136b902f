// The liveries scan on a generated tree of 20,000 aircraft.cfg files with 60,000 sections
// (warm cache, files per second at 1, 2, 4 and 8 workers), and the key-line matcher in
// lines per second over growing line lengths.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "foundation/scan_tasks.h"
#include "liveries/cfg_keys.h"
#include "liveries/liveries_scan.h"
#include "refdata/codes.h"
#include "refdata/dbase_tables.h"

namespace fs = std::filesystem;
using namespace vexo;

namespace {

// VDRK_LIVERIES_BENCH_FILES may ask for a smaller tree (profiling).
const int kFiles = [] {
  const char* text = std::getenv("VDRK_LIVERIES_BENCH_FILES");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 20000;
}();
constexpr int kFilesPerGroup = 100;

// Written once per run into the temporary folder, removed at exit.
struct BenchTree {
  BenchTree() : root(fs::temp_directory_path() / ("vdrk-liveries-bench-" + std::to_string(::getpid()))) {
    gf_airlineCode2Id("");
    gf_modelCode2Id("");
    g_dbase.modelCodes = {"B738", "A320"};
    g_dbase.airlineCodes = {"KLM", "BAW", "DLH"};
    const char* airlines[] = {"KLM", "BAW", "DLH"};
    for (int i = 0; i < kFiles; ++i) {
      const fs::path folder = root / ("group" + std::to_string(i / kFilesPerGroup)) / ("ac" + std::to_string(i));
      fs::create_directories(folder / "model");
      std::string cfg = "[General]\r\natc_model=B738\r\n\r\n";
      for (int s = 0; s < 3; ++s) {
        fs::create_directory(folder / ("texture." + std::to_string(s)));
        cfg += "[fltsim." + std::to_string(s) + "]\r\ntitle=Livery " + std::to_string(i) + "-" + std::to_string(s) +
               "\r\nsim=B738\r\nmodel=\r\ntexture=" + std::to_string(s) + "\r\natc_parking_codes=" + airlines[s] +
               "\r\natc_parking_types=GATE\r\natc_id=PH-" + std::to_string(i) + "\r\nui_variation=Variation\r\n"
               "description=A long description of the livery that the scan has to read past\r\n\r\n";
      }
      std::ofstream(folder / "aircraft.cfg", std::ios::binary) << cfg;
      std::ofstream(folder / "B738.air", std::ios::binary) << "air";
    }
  }
  ~BenchTree() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  const fs::path root;
};

void lf_scanOnce(const fs::path& root, const std::shared_ptr<const LiveryScanInputs>& inputs) {
  g_liveryScan.scannedLiveries.clear();
  g_liveryScan.scannedTitles.clear();
  g_liveryScan.reports.clear();
  lf_searchLiveriesInFolder(1, root, inputs);
}

// Written and scanned once before the first measurement, so every run finds a warm cache.
BenchTree& tree() {
  static BenchTree instance;
  static const bool warm = [] {
    g_maxScanTasks = 8;
    lf_scanOnce(instance.root, std::make_shared<const LiveryScanInputs>());
    return true;
  }();
  (void)warm;
  return instance;
}

void BM_ScanTree(benchmark::State& state) {
  const auto& root = tree().root;
  g_maxScanTasks = static_cast<std::int32_t>(state.range(0));
  const auto inputs = std::make_shared<const LiveryScanInputs>();
  std::size_t found = 0;
  for (auto _ : state) {
    lf_scanOnce(root, inputs);
    found = g_liveryScan.scannedLiveries.size();
  }
  if (found != 3 * static_cast<std::size_t>(kFiles)) state.SkipWithError("not every livery found");
  state.counters["files/s"] = benchmark::Counter(kFiles, benchmark::Counter::kIsIterationInvariantRate);
  g_liveryScan.scannedLiveries.clear();
}
BENCHMARK(BM_ScanTree)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KeyLine(benchmark::State& state) {
  const std::string line = "  title = " + std::string(static_cast<std::size_t>(state.range(0)), 'x') + "  ";
  for (auto _ : state) benchmark::DoNotOptimize(lf_keyValue(line, "title"));
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_KeyLine)->RangeMultiplier(8)->Range(8, 1 << 17);

void BM_KeyLineMiss(benchmark::State& state) {
  const std::string line = "description=" + std::string(static_cast<std::size_t>(state.range(0)), 'x');
  for (auto _ : state) benchmark::DoNotOptimize(lf_keyValue(line, "title"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyLineMiss)->Arg(64)->Arg(1 << 17);

}  // namespace
