// The soak run: a simulated day (8.64 million 10 ms cycles) of synthetic traffic turnover
// at Los Angeles through the traffic engine and the scripted simulator. Los Angeles is the
// park airport (data/airports/KLAX.xml with a learned file of flights at its stands written
// before the run): the static parking cycle finds it from the user's position, places its
// static aircraft and renews them every 20 minutes, while live aircraft arrive, park, leave
// and pass. The engine is driven one cycle at a time with an injected clock and random
// source; once a simulated second the duties of the tick loop's work tick run by its
// schedule (touch-down list, collisions, static twins, parked count, callsign list, the
// static-parking tick, the renewal's two phases and its countdown) and the simulator
// reports which objects are on the ground. At the end the park airport is cleared, as
// closing down does.
//
// Watched: the size of every engine table and queue (and of the simulator link's queues,
// the longest position stream, the objects in the simulator, the flight plans on disk),
// the log lines written per simulated hour, and orphans: a simulator object that no live
// or static record owns, or a record whose object the simulator no longer has, for two
// checks a minute apart. At the end every aircraft is taken out and the cycles run on
// until the engine is empty; what is left then is an orphan too.
//
// Prints the figures and exits with 1 when a bound was broken, 2 when the set-up failed.
//   soak_run [--hours H] [--seed N] [--max-live N] [--answer-delay FRAMES] [--broken-liveries N]
// --max-live: MAX_LIVE_SEL (default 500); --answer-delay: frames before the simulator
// answers a creation (default 3); --broken-liveries: how many of the 200 livery titles
// the simulator cannot create (default 5): each is refused once, then never chosen again.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "airports/airport_reader.h"
#include "airports/airports_state.h"
#include "airports/park_airports.h"
#include "airports/static_cycle.h"
#include "airports/static_parking.h"
#include "app/tick_schedule.h"
#include "engine/engine_services.h"
#include "engine/report_intake.h"
#include "engine/stands.h"
#include "foundation/log.h"
#include "foundation/main_window_state.h"
#include "foundation/paths.h"
#include "foundation/time_text.h"
#include "realtraffic/traffic_receiver.h"
#include "refdata/airports_db.h"
#include "foundation/settings.h"
#include "liveries/liveries_services.h"
#include "refdata/codes.h"
#include "refdata/dbase_reader.h"
#include "simlink/flight_plans.h"
#include "simlink/refused_liveries.h"
#include "scripted_sim.h"
#include "synthetic_traffic.h"

namespace fs = std::filesystem;
using namespace vexo;

namespace {

constexpr std::int64_t g_cyclesPerHour = 360'000;
constexpr double g_runEpoch = 1'796'774'400.0;  // UTC seconds of the run's start: Wed Dec 09 2026 00:00
constexpr std::size_t g_fleetSize = 3000;

// --- What the injected hooks read (plain function pointers: file-scope state) ---
TrafficEngine* g_soakEngine = nullptr;
std::mt19937_64 g_soakRandom(1);
UserAcData g_soakUser;
double g_soakNow = g_runEpoch;  // the traffic time (UTC seconds)
double lf_soakTime() { return g_soakNow; }
// The livery titles the matching hook chooses from (views into them are kept).
const std::vector<std::string> g_soakTitles = [] {
  std::vector<std::string> titles;
  for (int i = 0; i < 200; ++i) titles.push_back(fmt::format("Soak livery {}", i));
  return titles;
}();

struct SoakOptions {
  double hours = 24.0;
  std::uint32_t seed = 2026;
  std::int32_t maxLive = 500;
  int answerDelay = 3;
  std::size_t brokenLiveries = 5;
};

// One watched size: its bound, the largest value seen per half of the run and overall,
// and the last value.
struct Watched {
  std::string name;
  std::size_t bound = 0;
  std::size_t max = 0;
  std::array<std::size_t, 2> maxPerHalf{0, 0};
  std::size_t last = 0;
  // Whether the halves are compared: not for the tables with an entry per hexid ever
  // seen, which fill up towards the fleet (their bound).
  bool growthJudged = true;
  void see(std::size_t value, int half) {
    last = value;
    max = std::max(max, value);
    maxPerHalf[static_cast<std::size_t>(half)] = std::max(maxPerHalf[static_cast<std::size_t>(half)], value);
  }
};

class SoakRun {
public:
  explicit SoakRun(const SoakOptions& options)
      : options_(options), hours_(options.hours), seed_(options.seed), sim_(engine_) {}

  int run() {
    if (!prepare()) return 2;
    const auto start = std::chrono::steady_clock::now();
    const auto cycles = static_cast<std::int64_t>(hours_ * static_cast<double>(g_cyclesPerHour));
    for (std::int64_t c = 0; c < cycles; ++c) {
      const int half = c * 2 < cycles ? 0 : 1;
      const std::int32_t tick = engine_.trafficTick.load();
      if (tick % 100 == 0) everySecond(tick, half);
      lf_handleAddingStack(engine_);
      refuseSomeCreations();
      sim_.frame();
      trimSimRecords();
      if (c % 10 == 0) watchQueues(half);
      if ((c + 1) % g_cyclesPerHour == 0) endOfHour(static_cast<int>((c + 1) / g_cyclesPerHour));
    }
    const double dayWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    drain();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return report(dayWall, wall);
  }

  const fs::path& folder() const { return folder_; }

private:
  // --- Set-up ---
  bool prepare() {
    folder_ = fs::temp_directory_path() / fmt::format("vdrk-soak-{}", ::getpid());
    fs::create_directories(folder_ / "appdata");
    ::setenv("VDRK_APPDATA", (folder_ / "appdata").c_str(), 1);
    fs::current_path(folder_);
    gf_openLogFile();
    gf_resetUserPaths();
    fs::create_directories(gf_appFolder());
    gf_setTrafficTimeSource(&lf_soakTime);
    if (!gf_readDbaseFrom(fs::path(VDRK_SAMPLE_INPUT_DIR) / "dbase.enc", folder_ / "dbase.xml")) {
      fmt::print(stderr, "soak: the sample dbase could not be read\n");
      return false;
    }
    // Los Angeles in the airports database, its file among the user's add-on airports.
    AirportData klax;
    klax.icao = IcaoCode("KLAX");
    klax.latitude = soak::g_lax.lat;
    klax.longitude = soak::g_lax.lon;
    klax.altitude = static_cast<float>(soak::g_laxElevation);
    g_airportsDb.airports.push_back(klax);
    g_airportsDb.icaoSet.insert(klax.icao);
    g_airportsDb.sortAndIndex();
    fs::create_directories(g_myThirdpartyFolder);
    fs::copy_file(VDRK_KLAX_FILE, g_myThirdpartyFolder / "KLAX.xml");
    gf_resetAirportsState();
    if (!gf_setParkAirport(IcaoCode("KLAX"))) {
      fmt::print(stderr, "soak: KLAX not set as the park airport\n");
      return false;
    }
    if (const std::string failure = lf_readParkedFile(); !failure.empty()) {
      fmt::print(stderr, "soak: KLAX.xml not read: {}\n", failure);
      return false;
    }
    standsRead_ = g_stands.size();
    // The learned file keeps the airport's settings, MAX_LIVE_SEL among them: it is read
    // back when the park airport is found.
    g_settings.MAX_LIVE_SEL.value = options_.maxLive;
    traffic_ = std::make_unique<soak::SyntheticTraffic>(g_stands, seed_, g_fleetSize);
    learnedFlights_ = soak::gf_learnFlights(g_stands, seed_);
    gf_saveLearnedFile();
    lf_leaveParkAirport();  // the static parking cycle finds it again from the user's position

    g_soakEngine = &engine_;
    g_soakRandom.seed(seed_);
    g_soakUser.latitude = soak::g_lax.lat;
    g_soakUser.longitude = soak::g_lax.lon;
    g_soakUser.altitude = soak::g_laxElevation;
    {
      std::lock_guard lock(link_.userAcMutex);
      link_.userAcData = g_soakUser;
    }
    link_.userObjectId = 1;
    link_.userOnGround = true;
    link_.userOnGroundKnown = true;
    gf_createFlightPlanFolder(link_);
    EngineHooks& h = engine_.hooks;
    h.clock100ns = [] { return static_cast<std::int64_t>(g_soakEngine->trafficTick.load()) * 100'000; };
    h.randomIndex = [](std::uint64_t n) { return n == 0 ? 0 : g_soakRandom() % n; };
    h.spreadUpward = [] { return g_soakRandom() % 2 == 0; };
    h.requestAcInRange = [](SimLink&, std::uint32_t) { return true; };
    h.sendAiControls = [](SimLink&, std::uint32_t, double, double) { return true; };
    h.sendUserPosition = nullptr;
    h.getUserAcPosition = [](SimLink&) { return g_soakUser; };
    h.requestStaticCg = [](SimLink&, std::uint32_t) { return true; };
    h.assignFlightPlan = [](SimLink&, std::uint32_t, const std::string&) { return true; };
    h.parkAirportElevation = [] { return std::optional<double>(soak::g_laxElevation); };
    h.parkAirportPosition = [] { return std::optional<LatLon>(soak::g_lax); };
    // A title by the hexid, the next one not refused; none when all are.
    h.matchLivery = [](LiveAc& a, const std::unordered_set<std::string>& refused) {
      for (std::size_t k = 0; k < g_soakTitles.size(); ++k) {
        const std::string& title = g_soakTitles[(a.hexid + k) % g_soakTitles.size()];
        if (refused.contains(title)) continue;
        a.liveryTitle = title;
        return;
      }
    };
    h.matchStaticLivery = [](StaticAc& a, const ParkingPosition&, const std::unordered_set<std::string>&) {
      a.liveryTitle = "Soak livery";
      return true;
    };
    sim_.answerDelayFrames = options_.answerDelay;
    gf_reserveTrafficTables(engine_);
    gf_setWeekSlotNow(gf_weekdayAndHalfHour(), engine_);
    gf_staticParkingTick(true, engine_);  // as the tick loop starts

    // Bounds: a record per aircraft the traffic has under way (at most the fleet), the
    // queues by the engine's pacing, the per-hexid tables by the fleet.
    const std::size_t live = static_cast<std::size_t>(g_settings.MAX_LIVE_SEL.value.load());
    watch("liveAcs", g_fleetSize);
    watch("liveAcs in the simulator", live);
    watch("staticAcs", static_cast<std::size_t>(g_settings.MAX_PARK_SEL.value.load()));
    watch("addingStack", 50);
    watch("liveAddQueue", 50);
    watch("staticAddQueue", 50);
    watch("removalQueue", 200);
    watch("touchdownList", 100);
    watch("createdObjects", 200);
    watch("ghostCallsigns", 100);
    watch("hexidLiveries", g_fleetSize, false);
    watch("spawnIdMap", g_fleetSize, false);
    watch("badReportHexids", g_fleetSize, false);
    watch("maxParkRemoved", g_fleetSize, false);
    watch("unknownSpanModels", 50);
    watch("reports waiting", 2000);
    watch("responses waiting", 2000);
    watch("link create queue", 50);
    watch("link removal queue", 200);
    watch("link event queue", 5000);
    watch("positions per frame", live + 100);
    watch("refused liveries", g_soakTitles.size());
    watch("longest position stream", 400);
    watch("objects in the simulator", live + static_cast<std::size_t>(g_settings.MAX_PARK_SEL.value.load()));
    watch("stands", standsRead_);
    watch("missing liveries", 10);
    watch("flight plans on disk", g_fleetSize);
    watch("matched hexids (tick loop)", g_fleetSize, false);
    watch("static candidates", standsRead_);
    watch("placed statics", standsRead_);
    watch("static removals", standsRead_);
    watch("live parked list", standsRead_);
    return true;
  }

  void watch(std::string name, std::size_t bound, bool growthJudged = true) {
    Watched x;
    x.name = std::move(name);
    x.bound = bound;
    x.growthJudged = growthJudged;
    watched_.push_back(std::move(x));
  }

  // The simulator cannot create the broken titles (the first ones of the list).
  void refuseSomeCreations() {
    std::lock_guard lock(link_.simConnectMutex);
    for (const AiCreateAction& action : link_.simCreateQueue) {
      const auto broken = std::find(g_soakTitles.begin(), g_soakTitles.end(), action.liveryTitle);
      if (broken != g_soakTitles.end() &&
          static_cast<std::size_t>(broken - g_soakTitles.begin()) < options_.brokenLiveries)
        sim_.failHexids.insert(action.hexid);
      else
        sim_.failHexids.erase(action.hexid);
    }
  }

  // --- Every simulated second ---
  void everySecond(std::int32_t tick, int half) {
    const double now = tick / 100.0;
    g_soakNow = g_runEpoch + now;
    traffic_->advance(now, [&](const soak::Flight& f, const soak::ReportPoint& p) { handOver(f, p, tick); });
    reportGround();
    workSecond(++workTick_);
    watchTables(half);
    if (tick % 6000 == 0) checkOrphans();
  }

  void handOver(const soak::Flight& f, const soak::ReportPoint& p, std::int32_t tick) {
    LiveReport r;
    r.ident.callsign = f.callsign;
    r.ident.codes.modelId = gf_modelCode2Id(f.model);
    if (f.kind != soak::FlightKind::overflight && f.kind != soak::FlightKind::circuit) {
      r.ident.origin = IataCode(f.kind == soak::FlightKind::departure ? "LAX" : "SFO");
      r.ident.destination = IataCode(f.kind == soak::FlightKind::departure ? "JFK" : "LAX");
    }
    r.hexid = f.hexid;
    r.reportTime = g_runEpoch + p.time;
    r.pos.lat = p.lat;
    r.pos.lon = p.lon;
    r.pos.altitude = p.altitude;
    r.pos.groundSpeed = p.groundSpeed;
    r.pos.speed = p.groundSpeed;
    r.pos.track = p.track;
    r.pos.verticalRate = p.verticalRate;
    r.pos.airborne = p.airborne ? 1 : 0;
    r.pos.dueTick = gf_addTicks(tick, g_reportDelayTicks);
    // The Traffic Reader collects the callsigns it sees while a renewal asks for them.
    if (g_trafficReceiver.collectCallsigns.load()) g_trafficReceiver.collectCallsign(f.callsign);
    std::lock_guard lock(engine_.reports.mutex);
    gf_queueLiveReport(engine_.reports, std::move(r));
    ++reports_;
  }

  // The simulator's answer to the in-range request: an object is on the ground when the
  // altitude it was last given is at most the field elevation.
  void reportGround() {
    for (const AiPositionAction& p : sim_.lastPositions) {
      if (p.altitude - soak::g_laxElevation > 2500.0) continue;
      const bool onGround = p.altitude <= soak::g_laxElevation + 1.0;
      sim_.inject({p.objectId, onGround ? 1U : 0U, 0, SimResponseKind::onGround, soak::g_laxElevation,
                   std::max(p.altitude - soak::g_laxElevation, 0.0)});
    }
  }

  // What the tick loop's work tick does with the engine and the static parking, by its
  // schedule (tick_loop.cpp, window_tick_work.cpp).
  void workSecond(std::int32_t n) {
    gf_setWeekSlotNow(gf_weekdayAndHalfHour(), engine_);
    if (!engine_.touchdownList.empty()) {
      const std::uint32_t hexid = engine_.touchdownList.front();
      if (LiveAc* a = gf_findLiveAc(engine_, hexid)) {
        if (matchedHexids_.insert(hexid).second) gf_matchLearnedFlight(engine_.weekSlotNow.load(), *a);
        gf_removeStaticTwinsOf(*a, engine_);
      }
      engine_.touchdownList.pop_front();
    }
    if (g_settings.COLLISION_USER_GND.value) gf_checkCollisionUserGnd(engine_);
    if (g_settings.COLLISION_LIVE_PARKED_GND.value) gf_checkCollisionLiveParkedGnd(engine_);
    gf_countLiveParked(true, engine_);
    gf_fillCallsignList(engine_);
    const WorkTickDuties duties = gf_workTickDuties(n);
    if (!duties.fiveSecond) {
      if (duties.staticParkingDriver && !parkSecondHalf_) gf_staticParkingTick(false, engine_);
      if (duties.staticTwins) gf_removeStaticTwins(engine_);
      return;
    }
    if (const std::string stand = gf_reservedStandName(); !stand.empty()) gf_removeAcAtStand(stand, engine_);
    if (duties.parkStep) parkStep();
    if (duties.minute) {
      auto& countdown = g_mainWindowState.minutesToRenewal;
      countdown = countdown - 1;
      if (countdown < 1) {
        countdown = 20;
        if (g_airportsState.fileLoaded && !g_settings.INITIAL_LOAD_ONLY.value && !g_parkBusy && !parkNowRequest_) {
          parkNowRequest_ = true;
          ++renewals_;
        }
      }
    }
  }

  // One phase of a requested renewal: the callsigns seen live are collected for 15
  // seconds, then the static aircraft are renewed.
  void parkStep() {
    if (!parkNowRequest_) return;
    if (!parkSecondHalf_) {
      parkSecondHalf_ = true;
      lf_lockParkControls();
      gf_startSeenCollection();
      return;
    }
    parkSecondHalf_ = false;
    if (!g_parkAirport.icao.empty() && !g_stands.empty()) gf_adjustStaticParking(engine_);
    parkNowRequest_ = false;
  }

  // The scripted simulator keeps everything it was sent for the tests to read: here only
  // the counts are kept.
  void trimSimRecords() {
    creations_ += sim_.creations.size();
    for (const AiCreateAction& c : sim_.creations) staticCreations_ += gf_isLiveHexid(c.hexid) ? 0 : 1;
    removals_ += sim_.removals.size();
    events_ += sim_.events.size();
    sim_.creations.clear();
    sim_.creationTicks.clear();
    sim_.removals.clear();
    sim_.removalTicks.clear();
    sim_.events.clear();
    for (std::string& b : sim_.breaches) {
      if (breaches_.size() < 20) breaches_.push_back(std::move(b));
      ++breachCount_;
    }
    sim_.breaches.clear();
  }

  Watched& w(std::size_t i) { return watched_[i]; }

  void watchQueues(int half) {
    std::size_t i = 3;
    w(i++).see(engine_.addingStack.size(), half);
    w(i++).see(engine_.liveAddQueue.size(), half);
    w(i++).see(engine_.staticAddQueue.size(), half);
    w(i++).see(engine_.removalQueue.size(), half);
    w(i++).see(engine_.touchdownList.size(), half);
    w(i++).see(engine_.createdObjects.size(), half);
  }

  void watchTables(int half) {
    std::size_t inSim = 0;
    std::size_t longest = 0;
    for (const LiveAc& a : engine_.liveAcs) {
      inSim += a.simState == SimState::active || a.simState == SimState::adding2sim ? 1 : 0;
      longest = std::max(longest, a.stream.size());
    }
    std::size_t i = 0;
    w(i++).see(engine_.liveAcs.size(), half);
    w(i++).see(inSim, half);
    w(i++).see(engine_.staticAcs.size(), half);
    watchQueues(half);
    i = 9;
    w(i++).see(engine_.ghostCallsigns.size(), half);
    w(i++).see(engine_.hexidLiveries.size(), half);
    w(i++).see(engine_.spawnIdMap.size(), half);
    w(i++).see(engine_.badReportHexids.size(), half);
    w(i++).see(engine_.maxParkRemoved.size(), half);
    w(i++).see(engine_.unknownSpanModels.size(), half);
    {
      std::lock_guard lock(engine_.reports.mutex);
      w(i++).see(engine_.reports.queue.size(), half);
      droppedReports_ += engine_.reports.dropped;
    }
    {
      std::lock_guard lock(engine_.responses.mutex);
      w(i++).see(engine_.responses.responses.size(), half);
    }
    {
      std::lock_guard lock(link_.simConnectMutex);
      w(i++).see(link_.simCreateQueue.size(), half);
      w(i++).see(link_.simRemovalQueue.size(), half);
      w(i++).see(link_.simEventQueue.size(), half);
      w(i++).see(sim_.lastPositions.size(), half);
      w(i++).see(link_.refusedLiveryTitles.size(), half);
    }
    w(i++).see(longest, half);
    w(i++).see(sim_.objects.size(), half);
    w(i++).see(g_stands.size(), half);
    w(i++).see(g_missingLiveries.size(), half);
    if (engine_.trafficTick.load() % 6000 == 0) {
      std::size_t plans = 0;
      std::error_code ec;
      for (auto it = fs::directory_iterator(link_.flightPlanFolder, ec); !ec && it != fs::directory_iterator();
           it.increment(ec))
        ++plans;
      w(i).see(plans, half);
    }
    std::size_t k = watched_.size() - 5;
    w(k++).see(matchedHexids_.size(), half);
    w(k++).see(g_staticCandidates.size(), half);
    w(k++).see(g_placedStatics.size(), half);
    w(k++).see(g_staticRemovals.size(), half);
    w(k++).see(g_liveParked.size(), half);
    maxFlights_ = std::max(maxFlights_, traffic_->flightsInProgress());
  }

  // --- Orphans ---
  // Objects nobody owns, and records whose object is gone, seen at two checks in a row.
  void checkOrphans() {
    std::set<std::uint32_t> owned;
    std::set<std::uint32_t> waitingHexids;  // records whose creation is under way
    for (const LiveAc& a : engine_.liveAcs) {
      if (a.objectid != 0) owned.insert(a.objectid);
      if (a.simState == SimState::adding2sim) waitingHexids.insert(a.hexid);
    }
    for (const StaticAc& s : engine_.staticAcs) {
      if (s.objectid != 0) owned.insert(s.objectid);
      if (s.simState == SimState::adding2sim) waitingHexids.insert(s.hexid);
    }
    for (const CreatedObject& c : engine_.createdObjects) owned.insert(c.objectid);
    const std::set<std::uint32_t> removing(engine_.removalQueue.begin(), engine_.removalQueue.end());
    std::set<std::uint32_t> strayObjects;
    for (const auto& [id, hexid] : sim_.objects)
      if (!owned.contains(id) && !removing.contains(id) && !waitingHexids.contains(hexid)) strayObjects.insert(id);
    std::set<std::uint32_t> strayRecords;  // hexids
    const auto recordStray = [&](const StaticAc& r) {
      if (r.objectid != 0 && (r.simState == SimState::active || r.simState == SimState::removingfromsim) &&
          !sim_.objects.contains(r.objectid))
        strayRecords.insert(r.hexid);
    };
    for (const LiveAc& a : engine_.liveAcs) recordStray(a);
    for (const StaticAc& s : engine_.staticAcs) recordStray(s);
    for (const std::uint32_t id : strayObjects)
      if (lastStrayObjects_.contains(id) && orphanObjects_.insert(id).second)
        orphanNotes_.push_back(fmt::format("object {} (hexid {}) owned by no record", id, sim_.objects.at(id)));
    for (const std::uint32_t hexid : strayRecords)
      if (lastStrayRecords_.contains(hexid) && orphanRecords_.insert(hexid).second)
        orphanNotes_.push_back(fmt::format("record of hexid {} without its object", hexid));
    lastStrayObjects_ = std::move(strayObjects);
    lastStrayRecords_ = std::move(strayRecords);
  }

  // --- Every simulated hour ---
  void endOfHour(int hour) {
    {
      std::lock_guard lock(g_logMutex);
      g_logFile.flush();
    }
    std::ifstream log("Log.txt", std::ios::binary);
    log.seekg(static_cast<std::streamoff>(logOffset_));
    std::string line;
    std::size_t lines = 0;
    while (std::getline(log, line)) {
      ++lines;
      logOffset_ += line.size() + 1;
      std::string shape;
      for (const char ch : line.substr(0, 48))
        if (!std::isdigit(static_cast<unsigned char>(ch))) shape += ch;
      ++logShapes_[shape];
    }
    logLinesPerHour_.push_back(lines);
    fmt::print("hour {:2}: {:4} live records ({:3} in the simulator), {:3} static, {:3} flights under way, "
               "{:5} log lines, {:6} reports, {:5} creations so far\n",
               hour, w(0).last, w(1).last, w(2).last, traffic_->flightsInProgress(), lines, reports_, creations_);
    std::fflush(stdout);
  }

  // --- The end: every aircraft leaves, the engine drains ---
  void drain() {
    // As closing down does: the park airport's aircraft leave, its learned file is saved.
    gf_clearParkAirport(engine_);
    gf_takeLiveAcsOutOfSim(engine_);
    for (StaticAc& s : engine_.staticAcs)
      if (s.simState != SimState::removingfromsim) removeAircraftFromSim(s, engine_);
    for (int i = 0; i < 100'000 && !drained(); ++i) {
      lf_handleAddingStack(engine_);
      sim_.frame();
      trimSimRecords();
    }
  }
  bool drained() const {
    return engine_.liveAcs.empty() && engine_.staticAcs.empty() && engine_.addingStack.empty() &&
           engine_.liveAddQueue.empty() && engine_.staticAddQueue.empty() && engine_.removalQueue.empty() &&
           engine_.createdObjects.empty() && sim_.objects.empty();
  }

  int report(double dayWall, double wall) {
    std::vector<std::string> broken;
    // The load repeats every 12 hours: only whole days have halves to compare.
    const bool judgeGrowth = hours_ >= 24.0 && std::fmod(hours_, 24.0) == 0.0;
    fmt::print("\nSoak run: {} simulated hours ({} cycles), seed {}, {} stands read from KLAX.xml ({} used)\n",
               hours_, engine_.trafficTick.load(), seed_, standsRead_, traffic_->standCount());
    fmt::print("MAX_LIVE_SEL {}, creations answered after {} frames, {} livery titles the simulator cannot create\n",
               options_.maxLive, options_.answerDelay, options_.brokenLiveries);
    fmt::print("traffic: {} flights begun, {} arrivals and departures, {} reports handed over ({} dropped), "
               "most flights under way at once {}\n",
               traffic_->flightsStarted(), traffic_->movements(), reports_, droppedReports_, maxFlights_);
    fmt::print("static parking: {} flights learned at the stands before the run, {} renewals, {} static creations\n",
               learnedFlights_, renewals_, staticCreations_);
    fmt::print("simulator: {} creations, {} removals, {} client events, {} rule breaches\n", creations_, removals_,
               events_, breachCount_);
    fmt::print("\n{:28} {:>8} {:>12} {:>12} {:>8} {:>8}\n", "table / queue", "max", "max 1st half", "max 2nd half",
               "final", "bound");
    for (const Watched& x : watched_) {
      fmt::print("{:28} {:8} {:12} {:12} {:8} {:8}\n", x.name, x.max, x.maxPerHalf[0], x.maxPerHalf[1], x.last,
                 x.bound);
      if (x.max > x.bound) broken.push_back(fmt::format("{}: {} above its bound {}", x.name, x.max, x.bound));
      // Growth: the same load in both halves, so a table that keeps growing shows in
      // the second half's maximum.
      if (judgeGrowth && x.growthJudged && x.maxPerHalf[1] > x.maxPerHalf[0] + x.maxPerHalf[0] / 2 + 20)
        broken.push_back(fmt::format("{}: grows ({} in the first half, {} in the second)", x.name, x.maxPerHalf[0],
                                     x.maxPerHalf[1]));
    }
    const std::size_t maxLines =
        logLinesPerHour_.empty() ? 0 : *std::max_element(logLinesPerHour_.begin(), logLinesPerHour_.end());
    fmt::print("\nlog lines per simulated hour: {} (max {}, bound {})\n", fmt::join(logLinesPerHour_, " "), maxLines,
               g_maxLogLinesPerHour);
    if (maxLines > g_maxLogLinesPerHour)
      broken.push_back(fmt::format("log: {} lines in one hour, above {}", maxLines, g_maxLogLinesPerHour));
    std::vector<std::pair<std::size_t, std::string>> shapes;
    for (const auto& [shape, n] : logShapes_) shapes.emplace_back(n, shape);
    std::sort(shapes.rbegin(), shapes.rend());
    fmt::print("most frequent log lines (digits left out):\n");
    for (std::size_t k = 0; k < std::min<std::size_t>(12, shapes.size()); ++k)
      fmt::print("  {:7}  {}\n", shapes[k].first, shapes[k].second);

    fmt::print("\norphans during the run: {} objects, {} records\n", orphanObjects_.size(), orphanRecords_.size());
    for (std::size_t k = 0; k < std::min<std::size_t>(10, orphanNotes_.size()); ++k)
      fmt::print("  {}\n", orphanNotes_[k]);
    if (!orphanNotes_.empty()) broken.push_back(fmt::format("{} orphans during the run", orphanNotes_.size()));
    std::size_t plansLeft = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator(link_.flightPlanFolder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
      ++plansLeft;
    fmt::print("after taking every aircraft out: {} live and {} static records, {} objects in the simulator, "
               "{} flight plans on disk\n",
               engine_.liveAcs.size(), engine_.staticAcs.size(), sim_.objects.size(), plansLeft);
    if (!drained()) broken.push_back("the engine did not drain after every aircraft was taken out");
    if (!sim_.objects.empty()) broken.push_back(fmt::format("{} objects left in the simulator", sim_.objects.size()));
    if (plansLeft > 0) broken.push_back(fmt::format("{} flight plans left on disk", plansLeft));
    if (breachCount_ > 0) {
      broken.push_back(fmt::format("{} simulator rule breaches", breachCount_));
      for (const std::string& b : breaches_) fmt::print("  breach: {}\n", b);
    }
    fmt::print("\nwall time: {:.1f} s for the simulated day, {:.1f} s in all ({:.2f} us per cycle)\n", dayWall, wall,
               dayWall * 1e6 / std::max(1.0, static_cast<double>(engine_.trafficTick.load())));
    for (const std::string& b : broken) fmt::print("BOUND BROKEN: {}\n", b);
    fmt::print("{}\n", broken.empty() ? "soak: every bound held" : "soak: FAILED");
    std::fflush(stdout);
    {
      std::lock_guard lock(g_logMutex);
      g_logFile.close();
    }
    fs::current_path(fs::temp_directory_path(), ec);
    if (broken.empty()) fs::remove_all(folder_, ec);
    else fmt::print("the run's folder (Log.txt) is kept: {}\n", folder_.string());
    return broken.empty() ? 0 : 1;
  }

  static constexpr std::size_t g_maxLogLinesPerHour = 3000;

  SoakOptions options_;
  double hours_;
  std::uint32_t seed_;
  // The program's own engine and link: the static parking works on them.
  SimLink& link_ = g_simLink;
  TrafficEngine& engine_ = g_trafficEngine;
  test::ScriptedSim sim_;
  std::unique_ptr<soak::SyntheticTraffic> traffic_;
  fs::path folder_;
  std::size_t standsRead_ = 0;
  std::vector<Watched> watched_;
  std::int32_t workTick_ = 0;
  std::unordered_set<std::uint32_t> matchedHexids_;
  std::size_t learnedFlights_ = 0;
  bool parkNowRequest_ = false;
  bool parkSecondHalf_ = false;
  std::uint64_t renewals_ = 0;
  std::uint64_t staticCreations_ = 0;
  std::uint64_t reports_ = 0;
  std::uint64_t droppedReports_ = 0;
  std::uint64_t creations_ = 0;
  std::uint64_t removals_ = 0;
  std::uint64_t events_ = 0;
  std::uint64_t breachCount_ = 0;
  std::vector<std::string> breaches_;
  std::size_t maxFlights_ = 0;
  std::set<std::uint32_t> lastStrayObjects_;
  std::set<std::uint32_t> lastStrayRecords_;
  std::set<std::uint32_t> orphanObjects_;
  std::set<std::uint32_t> orphanRecords_;
  std::vector<std::string> orphanNotes_;
  std::uint64_t logOffset_ = 0;
  std::vector<std::size_t> logLinesPerHour_;
  std::map<std::string, std::size_t> logShapes_;
};

}  // namespace

int main(int argc, char** argv) {
  SoakOptions o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const char* value = argv[i + 1];
    if (option == "--hours") o.hours = std::strtod(value, nullptr);
    else if (option == "--seed") o.seed = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
    else if (option == "--max-live") o.maxLive = static_cast<std::int32_t>(std::strtol(value, nullptr, 10));
    else if (option == "--answer-delay") o.answerDelay = static_cast<int>(std::strtol(value, nullptr, 10));
    else if (option == "--broken-liveries") o.brokenLiveries = std::strtoul(value, nullptr, 10);
    else o.hours = -1.0;
  }
  if (!(o.hours > 0.0 && o.hours <= 24.0 * 7) || o.maxLive < 0 || o.answerDelay < 0 ||
      o.brokenLiveries >= g_maxRefusedLiveries) {
    fmt::print(stderr,
               "usage: soak_run [--hours H (0 < H <= 168, default 24)] [--seed N] [--max-live N] "
               "[--answer-delay FRAMES] [--broken-liveries N (< {})]\n",
               g_maxRefusedLiveries);
    return 2;
  }
  SoakRun soak(o);
  try {
    return soak.run();
  } catch (const std::exception& e) {
    fmt::print("soak: FAILED, the engine threw: {}\nthe run's folder (Log.txt) is kept: {}\n", e.what(),
               soak.folder().string());
    return 1;
  }
}
