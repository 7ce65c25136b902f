// Reading and merging a large park airport: 2,000 stands, each with 200 learned flights in
// the learned file, against a plain pugixml load of the same two files; and the adjacency
// step alone.
#include <benchmark/benchmark.h>

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

void BM_ReadAndMergeParkAirport(benchmark::State& state) {
  lf_workFolder();
  std::size_t flights = 0;
  for (auto _ : state) {
    gf_resetAirportsState();
    lf_parkAtBenchAirport();
    ParkAirportHeader header;
    if (!gf_readApf("airports/my_ORBX/ZZZZ.xml", header).empty()) {
      state.SkipWithError("not read");
      break;
    }
    flights = 0;
    for (const auto& stand : g_stands) flights += stand.learnedFlights.size();
  }
  state.counters["flights"] = static_cast<double>(flights);
}
BENCHMARK(BM_ReadAndMergeParkAirport)->Unit(benchmark::kMillisecond);

// What any reader of the two files pays: pugixml's own load.
void BM_PlainPugixmlLoadOfBothFiles(benchmark::State& state) {
  lf_workFolder();
  for (auto _ : state) {
    pugi::xml_document archived;
    pugi::xml_document learned;
    benchmark::DoNotOptimize(archived.load_file("airports/my_ORBX/ZZZZ.xml"));
    benchmark::DoNotOptimize(learned.load_file("airports/learned/ZZZZ.xml"));
  }
}
BENCHMARK(BM_PlainPugixmlLoadOfBothFiles)->Unit(benchmark::kMillisecond);

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
