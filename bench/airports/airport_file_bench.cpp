// Reading and merging a large park airport: 2,000 stands, each with 200 learned flights in
// the learned file, against a plain pugixml load of the same two files; and the adjacency
// step alone. Each read is measured as a first read (the heap has handed its free pages
// back, as in a program that has not read such a file before) and in steady state (the
// pages of the previous read are reused).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <pugixml.hpp>

#include <filesystem>
#include <random>

#include "airports/airport_reader.h"
#include "airports/airport_writer.h"
#include "airports/park_airports.h"
#include "foundation/paths.h"

namespace {

namespace fs = std::filesystem;
using namespace vexo;

constexpr std::size_t g_standCount = 2000;
constexpr std::size_t g_flightsPerStand = 200;

// A folder of its own holding airports/my_ORBX/ZZZZ.xml and its learned file, made once.
const fs::path& lf_workFolder() {
  static const fs::path folder = [] {
    // Freed memory stays with the heap until a first read hands it back (malloc_trim), so
    // that a steady-state read reuses the pages of the one before whatever their sizes.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    fs::path dir = fs::temp_directory_path() / "vdrk_airport_bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-0.02, 0.02);
    AirportFile file;
    file.airportName = "Bench";
    file.publisher = "Bench";
    for (std::size_t n = 0; n < g_standCount; ++n) {
      file.stands.emplace_back(fmt::format("S{}", n), std::vector<LearnedFlight>{}, 50.0 + offset(random),
                               8.0 + offset(random), 0.0, 20.0 + static_cast<double>(n % 30), 0, false, false, false);
    }
    gf_writeAirportFile(file, g_myOrbxFolder / "ZZZZ.xml", StandWriteMode::full, g_simulatorNumber);
    for (std::size_t n = 0; n < g_standCount; ++n) {
      auto& flights = file.stands[n].learnedFlights;
      for (std::uint32_t k = 0; k < g_flightsPerStand; ++k) {
        LearnedFlight f;
        f.registration = fmt::format("D-{:04}", (n * 7 + k) % 9000);
        f.callsign = fmt::format("DLH{}", k);
        f.day = 1 + k % 7;
        f.hh.set(k % 40);
        f.hh.set(k % 40 + 1);
        f.index = k + 1;
        flights.push_back(f);
      }
    }
    gf_writeAirportFile(file, g_learnedFolder / "ZZZZ.xml", StandWriteMode::learned, g_simulatorNumber);
    return dir;
  }();
  return folder;
}

void lf_parkAtBenchAirport() {
  AirportData airport;
  airport.icao = IcaoCode("ZZZZ");
  g_airportsState.parkAirport = airport;
}

// Page faults of the process so far: fresh memory is what the first read pays for.
double lf_pageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_minflt + usage.ru_majflt);
}

bool lf_readBenchAirport(benchmark::State& state) {
  lf_parkAtBenchAirport();
  ParkAirportHeader header;
  if (gf_readApf("airports/my_ORBX/ZZZZ.xml", header).empty()) return true;
  state.SkipWithError("not read");
  return false;
}

double lf_flightCount() {
  std::size_t flights = 0;
  for (const auto& stand : g_stands) flights += stand.learnedFlights.size();
  return static_cast<double>(flights);
}

// Drops what the previous read left, outside the timing; firstRead: and gives the freed
// pages back, so that the read pays for fresh memory.
void lf_forgetPreviousRead(benchmark::State& state, bool firstRead) {
  state.PauseTiming();
  gf_resetAirportsState();
  if (firstRead) malloc_trim(0);
  state.ResumeTiming();
}

void lf_readAndMerge(benchmark::State& state, bool firstRead) {
  lf_workFolder();
  const double faults = lf_pageFaults();
  for (auto _ : state) {
    lf_forgetPreviousRead(state, firstRead);
    if (!lf_readBenchAirport(state)) break;
  }
  state.counters["flights"] = lf_flightCount();
  state.counters["faults"] = benchmark::Counter(lf_pageFaults() - faults, benchmark::Counter::kAvgIterations);
}

void BM_ReadAndMergeParkAirportFirstRead(benchmark::State& state) { lf_readAndMerge(state, true); }
BENCHMARK(BM_ReadAndMergeParkAirportFirstRead)->Unit(benchmark::kMillisecond);

void BM_ReadAndMergeParkAirport(benchmark::State& state) { lf_readAndMerge(state, false); }
BENCHMARK(BM_ReadAndMergeParkAirport)->Unit(benchmark::kMillisecond);

// What any reader of the two documents pays at least: the load, and a visit of every opt's
// attributes (the name and value of each), as a reader walking the documents must make.
std::size_t lf_visitAttributes(const pugi::xml_document& document) {
  std::size_t seen = 0;
  const pugi::xml_node parkpositions = document.child("root").child("parkpositions");
  for (pugi::xml_node parkpos = parkpositions.first_child(); parkpos; parkpos = parkpos.next_sibling()) {
    for (pugi::xml_node opt = parkpos.first_child(); opt; opt = opt.next_sibling()) {
      for (pugi::xml_attribute a = opt.first_attribute(); a; a = a.next_attribute())
        seen += static_cast<unsigned char>(a.name()[0]) + static_cast<unsigned char>(a.value()[0]);
    }
  }
  return seen;
}

// What any reader of the two files pays: pugixml's own load; with visit, also the visit of
// every opt's attributes.
void lf_plainLoad(benchmark::State& state, bool firstRead, bool visit = false) {
  lf_workFolder();
  const double faults = lf_pageFaults();
  for (auto _ : state) {
    if (firstRead) {
      state.PauseTiming();
      malloc_trim(0);
      state.ResumeTiming();
    }
    // The documents go with the read, as the reader's do.
    pugi::xml_document archived;
    pugi::xml_document learned;
    benchmark::DoNotOptimize(archived.load_file("airports/my_ORBX/ZZZZ.xml"));
    benchmark::DoNotOptimize(learned.load_file("airports/learned/ZZZZ.xml"));
    if (visit) benchmark::DoNotOptimize(lf_visitAttributes(archived) + lf_visitAttributes(learned));
  }
  state.counters["faults"] = benchmark::Counter(lf_pageFaults() - faults, benchmark::Counter::kAvgIterations);
}
void BM_PlainPugixmlLoadOfBothFilesFirstRead(benchmark::State& state) { lf_plainLoad(state, true); }
BENCHMARK(BM_PlainPugixmlLoadOfBothFilesFirstRead)->Unit(benchmark::kMillisecond);
void BM_PlainPugixmlLoadOfBothFiles(benchmark::State& state) { lf_plainLoad(state, false); }
BENCHMARK(BM_PlainPugixmlLoadOfBothFiles)->Unit(benchmark::kMillisecond);

void BM_PlainPugixmlLoadAndAttributeVisitFirstRead(benchmark::State& state) { lf_plainLoad(state, true, true); }
BENCHMARK(BM_PlainPugixmlLoadAndAttributeVisitFirstRead)->Unit(benchmark::kMillisecond);
void BM_PlainPugixmlLoadAndAttributeVisit(benchmark::State& state) { lf_plainLoad(state, false, true); }
BENCHMARK(BM_PlainPugixmlLoadAndAttributeVisit)->Unit(benchmark::kMillisecond);

void BM_AdjacencyOf2000Stands(benchmark::State& state) {
  lf_workFolder();
  gf_resetAirportsState();
  lf_parkAtBenchAirport();
  ParkAirportHeader header;
  gf_readApf("airports/my_ORBX/ZZZZ.xml", header);
  std::size_t pairs = 0;
  for (auto _ : state) {
    for (auto& stand : g_stands) stand.adjacent.clear();
    gf_findAdjacentStands(g_stands);
    pairs = 0;
    for (const auto& stand : g_stands) pairs += stand.adjacent.size();
  }
  state.counters["adjacent"] = static_cast<double>(pairs);
}
BENCHMARK(BM_AdjacencyOf2000Stands)->Unit(benchmark::kMillisecond);

}  // namespace
