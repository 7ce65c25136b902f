// The memory figure: the resident size of the process (VmRSS, and its peak VmHWM, from
// /proc/self/status) with an index of 50,000 liveries (the livery set of the index build
// benchmark), 500 live aircraft flying around the park airport and 500 static aircraft,
// all created through the engine's cycle in the scripted simulator. The live aircraft get
// their liveries from the real livery matching; the stands are those of data/airports/KLAX.xml.
//
// Prints the figures at each stage with what the tables hold, and exits with 1 when the
// resident size is 100 MB or more, 2 when the state could not be built.
#include <fmt/format.h>

#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "airports/airport_reader.h"
#include "airports/airports_state.h"
#include "engine/engine_services.h"
#include "engine/report_intake.h"
#include "liveries/liveries_services.h"
#include "liveries/livery_index.h"
#include "liveries/livery_matching.h"
#include "livery_index_set.h"
#include "scripted_sim.h"

namespace fs = std::filesystem;
using namespace vexo;

namespace {

constexpr std::size_t g_live = 500;
constexpr std::size_t g_static = 500;
constexpr double g_limitMb = 100.0;
constexpr LatLon g_airport{33.9416, -118.4085};

struct Memory {
  double rssMb = 0.0;
  double hwmMb = 0.0;
};

Memory lf_memory() {
  Memory m;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    const auto kb = [&] { return std::strtod(line.c_str() + line.find(':') + 1, nullptr) / 1024.0; };
    if (line.starts_with("VmRSS:")) m.rssMb = kb();
    if (line.starts_with("VmHWM:")) m.hwmMb = kb();
  }
  return m;
}

void lf_print(const char* stage, const Memory& m) {
  fmt::print("{:58} VmRSS {:7.1f} MB   VmHWM {:7.1f} MB\n", stage, m.rssMb, m.hwmMb);
  std::fflush(stdout);
}

UserAcData g_user;
TrafficEngine* g_engine = nullptr;

// Live aircraft i circles the airport at its own radius and height: its report at time t.
LiveReport lf_report(std::size_t i, double t, std::int32_t tick) {
  const double radiusNm = 4.0 + static_cast<double>(i % 30);
  const double speed = 180.0 + static_cast<double>(i % 7) * 20.0;
  const double angle = static_cast<double>(i) * 0.7 + t * speed / 3600.0 / radiusNm;
  const LatLon p = gf_destinationPoint(g_airport, angle, radiusNm * g_feetPerNm);
  LiveReport r;
  const int airline = static_cast<int>(i % bench::kAirlines);
  const int model = 70 + static_cast<int>(i % 80);  // Large models
  r.ident.callsign = fmt::format("MEM{}", 1000 + i);
  r.ident.codes.airlineId = gf_airlineCode2Id(bench::airlineCode(airline));
  r.ident.codes.modelId = gf_modelCode2Id(bench::modelCode(model));
  r.ident.registration = fmt::format("N-R{}", i * 3 + 1);
  r.hexid = 0xB00000U + static_cast<std::uint32_t>(i);
  r.reportTime = 1'796'000'000.0 + t;
  r.pos.lat = p.lat;
  r.pos.lon = p.lon;
  r.pos.altitude = 3000.0 + static_cast<double>(i % 20) * 500.0;
  r.pos.groundSpeed = speed;
  r.pos.speed = speed;
  r.pos.track = std::fmod(angle * g_radToDeg + 90.0, 360.0);
  r.pos.airborne = 1;
  r.pos.dueTick = gf_addTicks(tick, g_reportDelayTicks);
  return r;
}

}  // namespace

int main() {
  lf_print("start", lf_memory());
  bench::BenchFolder folder;  // the livery set, the dbase of its models, the working folder
  lf_print("livery set written, dbase of its models", lf_memory());
  // Writing the set is the benchmark's own work: what it freed goes back first, so that
  // the next figures show what the index and the aircraft keep.
  ::malloc_trim(0);
  lf_print("  the same, freed heap returned", lf_memory());
  gf_processScannedLiveries();
  lf_print(fmt::format("livery index built ({} titles)", g_liveryIndex.titleIndex.size()).c_str(), lf_memory());
  ::malloc_trim(0);
  lf_print("  the same, what the build freed returned (the index kept)", lf_memory());

  fs::create_directories("airports/my_thirdparty");
  fs::copy_file(VDRK_KLAX_FILE, "airports/my_thirdparty/KLAX.xml", fs::copy_options::overwrite_existing);
  AirportData airport;
  airport.icao = IcaoCode("KLAX");
  airport.latitude = g_airport.lat;
  airport.longitude = g_airport.lon;
  g_airportsState.parkAirport = airport;
  ParkAirportHeader header;
  if (const std::string failure = gf_readApf("airports/my_thirdparty/KLAX.xml", header); !failure.empty()) {
    fmt::print(stderr, "memory_run: KLAX.xml not read: {}\n", failure);
    return 2;
  }

  SimLink link;
  TrafficEngine engine(link);
  g_engine = &engine;
  test::ScriptedSim sim(engine);
  g_user.latitude = g_airport.lat;
  g_user.longitude = g_airport.lon;
  link.userObjectId = 1;
  link.userOnGround = true;
  EngineHooks& h = engine.hooks;
  h.clock100ns = [] { return static_cast<std::int64_t>(g_engine->trafficTick.load()) * 100'000; };
  h.randomIndex = [](std::uint64_t) { return std::uint64_t{0}; };
  h.spreadUpward = [] { return true; };
  h.requestAcInRange = [](SimLink&, std::uint32_t) { return true; };
  h.sendAiControls = [](SimLink&, std::uint32_t, double, double) { return true; };
  h.sendUserPosition = nullptr;
  h.getUserAcPosition = [](SimLink&) { return g_user; };
  h.requestStaticCg = [](SimLink&, std::uint32_t) { return true; };
  h.assignFlightPlan = [](SimLink&, std::uint32_t, const std::string&) { return true; };
  h.parkAirportElevation = [] { return std::optional<double>(125.0); };
  h.parkAirportPosition = [] { return std::optional<LatLon>(g_airport); };
  g_settings.MAX_LIVE_SEL.value = static_cast<std::int32_t>(g_live);
  g_settings.RANGE.value = 50;
  gf_reserveTrafficTables(engine);

  // The static aircraft: each stand of the airport in turn, created through the engine's
  // static add queue with the livery the matching gives at its stand.
  for (std::size_t i = 0; i < g_static; ++i) {
    const ParkingPosition& stand = g_stands[i % g_stands.size()];
    StaticAc s;
    s.callsign = fmt::format("STA{}*", i);
    s.hexid = static_cast<std::uint32_t>(i + 1);
    s.codes.airlineId = gf_airlineCode2Id(bench::airlineCode(static_cast<int>(i % bench::kAirlines)));
    s.codes.modelId = gf_modelCode2Id(bench::modelCode(70 + static_cast<int>(i % 80)));
    s.sid = stand.sid;
    s.standLat = stand.latitude;
    s.standLon = stand.longitude;
    s.simState = SimState::adding2sim;
    // A stand the set has no livery for (a helipad, a light aircraft's ramp) still gets
    // its aircraft: the figure is about the records, not the matching.
    if (!gf_matchStaticLivery(s, stand, link.refusedLiveryTitles)) s.liveryTitle = "Memory static livery";
    AiCreateAction action;
    action.initPosition.Latitude = stand.latitude;
    action.initPosition.Longitude = stand.longitude;
    action.initPosition.Altitude = 125.0;
    action.initPosition.Heading = stand.heading * g_radToDeg;
    action.initPosition.OnGround = 1;
    action.callsign = s.callsign;
    action.liveryTitle = s.liveryTitle;
    action.hexid = s.hexid;
    engine.staticAddQueue.push_back(std::move(action));
    engine.staticAcs.push_back(std::move(s));
  }

  // The live aircraft report every 8 s; the engine creates one every 50 cycles, the
  // static ones when no live creation waits.
  std::size_t activeLive = 0;
  std::size_t activeStatic = 0;
  for (std::int64_t c = 0; c < 200'000; ++c) {
    const std::int32_t tick = engine.trafficTick.load();
    if (tick % 800 == 0) {
      std::lock_guard lock(engine.reports.mutex);
      for (std::size_t i = 0; i < g_live; ++i) gf_queueLiveReport(engine.reports, lf_report(i, tick / 100.0, tick));
    }
    lf_handleAddingStack(engine);
    sim.frame();
    sim.creations.clear();
    sim.creationTicks.clear();
    sim.events.clear();
    if (c % 1000 != 0) continue;
    activeLive = 0;
    for (const LiveAc& a : engine.liveAcs) activeLive += a.simState == SimState::active ? 1 : 0;
    activeStatic = 0;
    for (const StaticAc& s : engine.staticAcs) activeStatic += s.simState == SimState::active ? 1 : 0;
    if (activeLive == g_live && activeStatic == engine.staticAcs.size() && c > 100'000) break;
  }
  std::size_t streamEntries = 0;
  for (const LiveAc& a : engine.liveAcs) streamEntries += a.stream.size();
  const Memory built = lf_memory();
  lf_print(fmt::format("{} live and {} static aircraft active", activeLive, activeStatic).c_str(), built);
  fmt::print("\nrecords: LiveAc {} bytes, StaticAc {} bytes, StreamPos {} bytes; {} stream positions held; "
             "{} objects in the simulator; {} stands\n",
             sizeof(LiveAc), sizeof(StaticAc), sizeof(StreamPos), streamEntries, sim.objects.size(), g_stands.size());
  fmt::print("livery index: {} titles, {} registration titles, {} reserved titles\n", g_liveryIndex.titleIndex.size(),
             g_liveryIndex.regcodeTitles.size(), g_liveryIndex.reservedTitles.size());
  const bool ok = built.rssMb < g_limitMb && activeLive == g_live && activeStatic == g_static;
  fmt::print("{}: resident size {:.1f} MB (peak {:.1f} MB), limit {:.0f} MB\n", ok ? "memory: within the limit" : "memory: FAILED",
             built.rssMb, built.hwmMb, g_limitMb);
  return ok ? 0 : 1;
}
