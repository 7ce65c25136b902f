// Traffic records read and filtered per second on one core, from the recordings.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/live_report.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/traffic_receiver.h"
#include "recording.h"

namespace {

using namespace vexo;

struct Recording {
  std::vector<std::string> records;
  std::vector<std::string> weather;
};

Recording lf_load(const char* file) {
  Recording recording;
  for (const auto& line : standin::gf_readRecording(std::filesystem::path(VDRK_TESTDATA_DIR) / "realtraffic" / file)) {
    if (line.kind == standin::RecordingLine::Kind::traffic) {
      recording.records.push_back(standin::gf_toTrafficRecord(line.text, 0.0));
    } else {
      recording.weather.push_back(line.text);
    }
  }
  return recording;
}

// The whole road of a datagram up to the hand-over (the intake is off, so the queue stays
// empty and the lock is still taken for each record that passes every filter).
void lf_records(benchmark::State& state, const char* file, LatLon airport, double elevation) {
  const Recording recording = lf_load(file);
  {
    const std::lock_guard lock(g_liveReportMutex);
    g_trafficIntake = false;
  }
  auto receiver = std::make_unique<TrafficReceiver>();
  receiver->setRefPosition(airport);
  receiver->setParkAirport(ParkAirportRef{airport, elevation});
  receiver->setParkAirportElevation(elevation);
  for (auto _ : state) {
    for (const std::string& record : recording.records) {
      receiver->loadDatagram(record);
      benchmark::DoNotOptimize(receiver->receiveRecord());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(recording.records.size()));
}

void BM_RecordsKlax(benchmark::State& state) {
  lf_records(state, "KLAX_20200617_2152.csv", {33.9425, -118.408}, 125.0);
}
void BM_RecordsKptk(benchmark::State& state) { lf_records(state, "KPTK_20201128.csv", {42.6655, -83.4201}, 980.0); }

void BM_QnhDatagrams(benchmark::State& state) {
  const Recording recording = lf_load("KPTK_20201128.csv");
  for (auto _ : state) {
    for (const std::string& weather : recording.weather) benchmark::DoNotOptimize(gf_readQnh(weather));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(recording.weather.size()));
}

}  // namespace

BENCHMARK(BM_RecordsKlax);
BENCHMARK(BM_RecordsKptk);
BENCHMARK(BM_QnhDatagrams);
