// The liveries scan on a generated tree of 20,000 small aircraft.cfg files with 60,000
// sections, and on a realistic tree of 1,000 aircraft packages (see RealisticTree), warm
// cache, files per second at 1, 2, 4 and 8 workers; and the key-line matcher in lines per
// second over growing line lengths.
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

// The dbase the generated trees need.
void lf_benchDbase() {
  gf_airlineCode2Id("");
  gf_modelCode2Id("");
  g_dbase.modelCodes = {"B738", "A320"};
  g_dbase.airlineCodes = {"KLM", "BAW", "DLH"};
}

// Written once per run into the temporary folder, removed at exit.
struct BenchTree {
  BenchTree() : root(fs::temp_directory_path() / ("vdrk-liveries-bench-" + std::to_string(::getpid()))) {
    lf_benchDbase();
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

// A tree shaped like installed aircraft packages: per aircraft folder one aircraft.cfg of
// about 25 KB (10 [fltsim.N] sections among the sections of flight model, geometry and
// views, as real files have), a texture folder per livery with its texture files, a model
// folder, panel and sound folders and the flight-dynamics file.
const int kRealisticFiles = [] {
  const char* text = std::getenv("VDRK_LIVERIES_BENCH_REAL_FILES");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 2000;
}();
constexpr int kRealisticSections = 10;
constexpr int kRealisticPerVendor = 50;

std::string lf_realisticCfg(int file) {
  const char* airlines[] = {"KLM", "BAW", "DLH"};
  std::string cfg = "[version]\r\nmajor=1\r\nminor=0\r\n\r\n";
  for (int s = 0; s < kRealisticSections; ++s) {
    const std::string n = std::to_string(s);
    cfg += "[fltsim." + n + "]\r\ntitle=Realistic " + std::to_string(file) + "-" + n + "\r\nsim=B738\r\nmodel=\r\n" +
           "panel=\r\nsound=\r\ntexture=" + n + "\r\nkb_checklists=Boeing737-800_check\r\n" +
           "kb_reference=Boeing737-800_ref\r\natc_id=PH-" + std::to_string(file % 1000) + n +
           "\r\natc_airline=Airline\r\natc_flight_number=1123\r\natc_parking_codes=" + airlines[s % 3] +
           "\r\natc_parking_types=GATE,RAMP\r\nui_manufacturer=\"Boeing\"\r\nui_type=\"737-800\"\r\n"
           "ui_variation=\"Livery " + n + "\"\r\nui_typerole=\"Commercial Airliner\"\r\nui_createdby=\"Someone\"\r\n"
           "description=A long description of the livery that the scan has to read past, one line of it\r\n"
           "visual_damage=1\r\n\r\n";
  }
  cfg += "[General]\r\natc_type=BOEING\r\natc_model=B738\r\nEditable=1\r\nperformance=\"Cruise speed 450 kt\"\r\n"
         "Category=airplane\r\n\r\n";
  // The rest of a real file: many sections of numbers and comments.
  for (int section = 0; cfg.size() < 25000; ++section) {
    cfg += "[section_" + std::to_string(section) + "]\r\n// comment line for the section, as the files have\r\n";
    for (int line = 0; line < 14; ++line) {
      cfg += "point." + std::to_string(line) + "=1, -44.50, 0.00, -6.30, 1600, 0, 1.20, 50.0, 0.25, 2.5, 0.75\r\n";
    }
    cfg += "\r\n";
  }
  return cfg;
}

// Writing the tree takes minutes on a busy disk: VDRK_LIVERIES_BENCH_TREE names a folder
// where it is kept and found again by later runs (compare runs of the same tree).
struct RealisticTree {
  RealisticTree() : root(lf_root()), keep(std::getenv("VDRK_LIVERIES_BENCH_TREE") != nullptr) {
    lf_benchDbase();
    const fs::path complete = root / ("complete-" + std::to_string(kRealisticFiles));
    if (keep && fs::exists(complete)) return;
    const char* textures[] = {"fuse.dds", "fuse_spec.dds", "fuse_bump.dds", "wing_L.dds", "wing_R.dds",
                              "tail.dds", "texture.cfg",  "thumbnail.jpg"};
    for (int i = 0; i < kRealisticFiles; ++i) {
      const fs::path folder =
          root / ("vendor" + std::to_string(i / kRealisticPerVendor)) / ("Boeing 737-800 " + std::to_string(i));
      for (const char* part : {"model", "panel", "sound"}) fs::create_directories(folder / part);
      std::ofstream(folder / "model" / "B738.mdl", std::ios::binary) << "mdl";
      std::ofstream(folder / "model" / "model.cfg", std::ios::binary) << "[models]\r\nnormal=B738\r\n";
      std::ofstream(folder / "panel" / "panel.cfg", std::ios::binary) << "[fltsim]\r\n";
      std::ofstream(folder / "sound" / "sound.cfg", std::ios::binary) << "[fltsim]\r\n";
      for (int s = 0; s < kRealisticSections; ++s) {
        const fs::path texture = folder / ("texture." + std::to_string(s));
        fs::create_directory(texture);
        for (const char* name : textures) std::ofstream(texture / name, std::ios::binary) << "dds";
      }
      std::ofstream(folder / "aircraft.cfg", std::ios::binary) << lf_realisticCfg(i);
      std::ofstream(folder / "B738.air", std::ios::binary) << "air";
    }
    std::ofstream(complete) << "";
  }
  ~RealisticTree() {
    std::error_code ec;
    if (!keep) fs::remove_all(root, ec);
  }
  static fs::path lf_root() {
    const char* kept = std::getenv("VDRK_LIVERIES_BENCH_TREE");
    if (kept != nullptr) return kept;
    return fs::temp_directory_path() / ("vdrk-liveries-bench-real-" + std::to_string(::getpid()));
  }
  const fs::path root;
  const bool keep;
};

void lf_scanOnce(const fs::path& root, const std::shared_ptr<const LiveryScanInputs>& inputs) {
  g_liveryScan.scannedLiveries.clear();
  g_liveryScan.scannedTitles.clear();
  g_liveryScan.reports.clear();
  ScanWorkerPool pool(g_maxScanTasks.load());
  lf_searchLiveriesInFolder(pool, 1, root, inputs);
}

// Written and scanned once before the first measurement, so every run finds a warm cache.
template <class Tree>
Tree& warmTree() {
  static Tree instance;
  static const bool warm = [] {
    g_maxScanTasks = 8;
    lf_scanOnce(instance.root, std::make_shared<const LiveryScanInputs>());
    return true;
  }();
  (void)warm;
  return instance;
}

// Scans the tree with state.range(0) workers; every one of its files has `sections` liveries.
template <class Tree>
void lf_measureScan(benchmark::State& state, int files, std::size_t sections) {
  const auto& root = warmTree<Tree>().root;
  g_maxScanTasks = static_cast<std::int32_t>(state.range(0));
  const auto inputs = std::make_shared<const LiveryScanInputs>();
  std::size_t found = 0;
  for (auto _ : state) {
    lf_scanOnce(root, inputs);
    found = g_liveryScan.scannedLiveries.size();
  }
  if (found != sections * static_cast<std::size_t>(files)) state.SkipWithError("not every livery found");
  state.counters["files/s"] = benchmark::Counter(files, benchmark::Counter::kIsIterationInvariantRate);
  g_liveryScan.scannedLiveries.clear();
}

void BM_ScanTree(benchmark::State& state) { lf_measureScan<BenchTree>(state, kFiles, 3); }
BENCHMARK(BM_ScanTree)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScanRealisticTree(benchmark::State& state) {
  lf_measureScan<RealisticTree>(state, kRealisticFiles, kRealisticSections);
}
BENCHMARK(BM_ScanRealisticTree)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

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
