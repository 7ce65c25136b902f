// The scenery side of the airports scan on a synthetic tree of 5,000 .bgl files: 10 %
// airport files with 50 to 500 stands, the rest non-airport files of 100 KB to 10 MB
// (sparse, so the tree costs little disk). Shows the bytes the quick test reads of a
// non-airport file, the files tested per second, and the reader's throughput on the
// airport files as a share of a plain sequential read of the same bytes.
#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>
#include <limits>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "airports/bgl_reader.h"
#include "platform/whole_file.h"
#include "bgl_builder.h"

namespace {

namespace fs = std::filesystem;
using namespace vexo;

struct Tree {
  fs::path root = fs::temp_directory_path() / "vdrk_bgl_bench";
  std::vector<fs::path> airports;
  std::vector<fs::path> others;
  std::uintmax_t airportBytes = 0;

  Tree() {
    fs::remove_all(root);
    std::mt19937 rng(5000);
    for (int i = 0; i < 5000; ++i) {
      const fs::path folder = root / ("scenery" + std::to_string(i / 250)) / "scenery";
      fs::create_directories(folder);
      const fs::path file = folder / ("file" + std::to_string(i) + ".bgl");
      if (i % 10 == 0) {
        std::vector<test::Spot> spots(50 + rng() % 451);
        for (std::size_t k = 0; k < spots.size(); ++k) {
          spots[k].number = static_cast<std::uint32_t>(k);
          spots[k].lat = 52.3 + 0.0001 * static_cast<double>(k);
          spots[k].airlines = k % 3;
        }
        test::writeBytes(file, test::airportFile({test::airportRecord(
                                   "EHAM", 0, true, {test::nameRecord("Bench"), test::parkingList(spots, true)})})
                                   .data);
        airports.push_back(file);
        airportBytes += fs::file_size(file);
      } else {
        test::Section objects{.type = 0x25, .records = test::otherRecord(0x99, 200)};
        test::writeBytes(file, test::bglFile({objects, objects, objects}).data);
        fs::resize_file(file, 100'000 + rng() % 9'900'000);
        others.push_back(file);
      }
    }
  }
};

const Tree& lf_tree() {
  static const Tree tree;
  return tree;
}

// Bytes this process has read through read() so far.
std::uint64_t lf_bytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return 0;
}

BglScanHooks lf_hooks(std::size_t& stands) {
  return BglScanHooks{[](const IcaoCode&) { return true; },
                      [](BglAirport&, int& archived, const fs::path&) {
                        archived = 0;
                        return false;
                      },
                      [&stands](BglAirport& a, int) { stands += a.stands.size(); }, [](std::string) {}};
}

void BM_QuickTestWholeTree(benchmark::State& state) {
  const Tree& tree = lf_tree();
  std::size_t found = 0;
  std::uint64_t otherBytes = 0;
  for (auto _ : state) {
    found = 0;
    for (const fs::path& p : tree.airports) found += lf_isAirportBgl(p) ? 1 : 0;
    const std::uint64_t before = lf_bytesRead();
    for (const fs::path& p : tree.others) found += lf_isAirportBgl(p) ? 1 : 0;
    otherBytes = lf_bytesRead() - before;
  }
  state.counters["airport_files_found"] = static_cast<double>(found);
  state.counters["bytes_per_nonairport_file"] = static_cast<double>(otherBytes) / static_cast<double>(tree.others.size());
  state.counters["files_per_s"] =
      benchmark::Counter(static_cast<double>(tree.airports.size() + tree.others.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_QuickTestWholeTree)->Unit(benchmark::kMillisecond);

// CPU seconds of this thread (user and system, page-cache reads included): the machine
// the benchmarks run on is shared, so wall time says more about the neighbours.
double lf_threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double lf_seconds(const std::function<void()>& fn) {
  const double start = lf_threadSeconds();
  fn();
  return lf_threadSeconds() - start;
}

// Decoding every airport file against reading the same files whole and doing nothing else:
// with a plain stream read (gf_readFileBytes), and with the open, status and read calls
// alone that the reader itself uses.
void BM_AirportFilesShareOfPlainRead(benchmark::State& state) {
  const Tree& tree = lf_tree();
  std::size_t stands = 0;
  const BglScanHooks hooks = lf_hooks(stands);
  double plain = 0.0;
  double raw = 0.0;
  double decode = 0.0;
  for (auto _ : state) {
    plain += lf_seconds([&] {
      for (const fs::path& p : tree.airports) benchmark::DoNotOptimize(gf_readFileBytes(p));
    });
    raw += lf_seconds([&] {
      for (const fs::path& p : tree.airports) {
        std::vector<std::byte> bytes;
        benchmark::DoNotOptimize(platform::gf_readWholeFile(p, std::numeric_limits<std::size_t>::max() - 1, bytes));
      }
    });
    decode += lf_seconds([&] {
      for (const fs::path& p : tree.airports) lf_processBGLfile(p, hooks);
    });
  }
  const double bytes = static_cast<double>(tree.airportBytes) * static_cast<double>(state.iterations());
  state.counters["plain_MB_per_s"] = bytes / plain / 1e6;
  state.counters["raw_read_MB_per_s"] = bytes / raw / 1e6;
  state.counters["decode_MB_per_s"] = bytes / decode / 1e6;
  state.counters["share_of_plain_pct"] = 100.0 * plain / decode;
  state.counters["share_of_raw_read_pct"] = 100.0 * raw / decode;
  state.counters["stands_per_pass"] = static_cast<double>(stands) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_AirportFilesShareOfPlainRead)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The decode alone, on one airport of 500 stands already in memory.
void BM_DecodeInMemory(benchmark::State& state) {
  std::vector<vexo::test::Spot> spots(500);
  for (std::size_t k = 0; k < spots.size(); ++k) spots[k].number = static_cast<std::uint32_t>(k);
  const auto file = vexo::test::airportFile(
      {vexo::test::airportRecord("EHAM", 0, true, {vexo::test::parkingList(spots, true)})});
  const vexo::BglWords words(file.data, "bench.bgl");
  std::size_t stands = 0;
  const vexo::BglScanHooks hooks = lf_hooks(stands);
  for (auto _ : state) vexo::lf_processBglWords(words, "bench.bgl", hooks);
  state.counters["stands_per_s"] =
      benchmark::Counter(static_cast<double>(stands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeInMemory);

}  // namespace
