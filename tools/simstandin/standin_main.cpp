// simstandin: serves the SimConnect protocol on loopback for demos and manual checks.
//   simstandin [--tcp4 PORT] [--tcp6 PORT] [--pipe [NAME]] [--name TEXT] [--frame-rate HZ]
//              [--fail-title TITLE]... [--flight LAT LON] [--trace FILE]
// Prints one line per request received; ends on Ctrl-C.
// The simulator clock runs: each second it advances, "1sec" is sent and the data requests
// of period SECOND are answered again.
// --flight runs a flight with the user aircraft parked at LAT LON (degrees): the flight is
// reported running, once a second for clients that connect later. The line "quit" on
// standard input then quits the simulator as a closing simulator does; the line
// "teleport LAT LON FEET" moves the user aircraft there, airborne at that altitude.
// Each AI object that appears or goes is printed as "ai object added|removed ID ATCID at
// MS ms" (milliseconds since the start).
// --trace writes every position set on an AI object to FILE (see position_trace.h).
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/stream_socket.h"
#include "simlink/simconnect_ids.h"
#include "simstandin/position_trace.h"
#include "simstandin/sim_standin.h"
#include "simstandin/sim_world.h"

#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>

namespace {

std::atomic<bool> g_stop{false};
std::atomic<bool> g_quit{false};

struct Teleport {
  double latitude = 0.0, longitude = 0.0, feet = 0.0;
};
std::mutex g_teleportMutex;  // guards g_teleport: the input thread sets it, the main loop takes it
std::optional<Teleport> g_teleport;

// "teleport LAT LON FEET"; none for another line.
std::optional<Teleport> lf_teleportLine(std::string_view line);

// Prints the AI objects added and removed since the last call.
void lf_printObjectChanges(const vexo::simstandin::SimStandin& standin, std::map<std::uint32_t, std::string>& shown,
                           std::chrono::steady_clock::time_point start) {
  std::map<std::uint32_t, std::string> now;
  for (const auto& object : standin.aiObjects()) now[object.id] = object.text("ATC ID");
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  for (const auto& [id, atcId] : now)
    if (!shown.contains(id)) fmt::print("ai object added {} {} at {} ms\n", id, atcId, ms);
  for (const auto& [id, atcId] : shown)
    if (!now.contains(id)) fmt::print("ai object removed {} {} at {} ms\n", id, atcId, ms);
  shown = std::move(now);
}

void lf_onSignal(int) { g_stop = true; }

const char* lf_functionName(std::uint32_t function) {
  namespace F = vexo::SimConnectFunction;
  switch (function) {
    case F::Open: return "Open";
    case F::MapClientEventToSimEvent: return "MapClientEventToSimEvent";
    case F::TransmitClientEvent: return "TransmitClientEvent";
    case F::AddClientEventToNotificationGroup: return "AddClientEventToNotificationGroup";
    case F::SetNotificationGroupPriority: return "SetNotificationGroupPriority";
    case F::AddToDataDefinition: return "AddToDataDefinition";
    case F::RequestDataOnSimObject: return "RequestDataOnSimObject";
    case F::RequestDataOnSimObjectType: return "RequestDataOnSimObjectType";
    case F::SetDataOnSimObject: return "SetDataOnSimObject";
    case F::SubscribeToSystemEvent: return "SubscribeToSystemEvent";
    case F::AICreateNonATCAircraft: return "AICreateNonATCAircraft";
    case F::AIReleaseControl: return "AIReleaseControl";
    case F::AIRemoveObject: return "AIRemoveObject";
    case F::AISetAircraftFlightPlan: return "AISetAircraftFlightPlan";
    default: return "unknown";
  }
}

template <class T>
bool lf_parse(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

std::optional<Teleport> lf_teleportLine(std::string_view line) {
  constexpr std::string_view word = "teleport ";
  if (!line.starts_with(word)) return std::nullopt;
  line.remove_prefix(word.size());
  double values[3] = {};
  for (double& value : values) {
    while (line.starts_with(' ')) line.remove_prefix(1);
    const auto end = std::min(line.find(' '), line.size());
    if (!lf_parse(line.substr(0, end), value)) return std::nullopt;
    line.remove_prefix(end);
  }
  if (!(values[0] >= -90 && values[0] <= 90 && values[1] >= -180 && values[1] <= 180 && values[2] >= 0))
    return std::nullopt;
  return Teleport{values[0], values[1], values[2]};
}

int lf_usage() {
  std::fputs(
      "usage: simstandin [--tcp4 PORT] [--tcp6 PORT] [--pipe [NAME]] [--name TEXT] [--frame-rate HZ]\n"
      "                  [--fail-title TITLE]... [--flight LAT LON] [--trace FILE]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vexo;
  simstandin::StandinOptions options;
  std::string name = options.open.applicationName;
  int tcp4 = -1, tcp6 = -1;
  bool pipe = false;
  std::string pipeName;
  std::optional<std::pair<double, double>> flight;
  std::string tracePath;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--tcp4" && hasValue) {
      if (!lf_parse(argv[++i], tcp4) || tcp4 < 0 || tcp4 > 65535) return lf_usage();
    } else if (arg == "--tcp6" && hasValue) {
      if (!lf_parse(argv[++i], tcp6) || tcp6 < 0 || tcp6 > 65535) return lf_usage();
    } else if (arg == "--pipe") {
      pipe = true;
      if (hasValue && std::string_view(argv[i + 1]).rfind("--", 0) != 0) pipeName = argv[++i];
    } else if (arg == "--name" && hasValue) {
      name = argv[++i];
    } else if (arg == "--frame-rate" && hasValue) {
      if (!lf_parse(argv[++i], options.frameRateHz) || !(options.frameRateHz >= 0 && options.frameRateHz <= 1000))
        return lf_usage();
    } else if (arg == "--fail-title" && hasValue) {
      options.failTitles.insert(argv[++i]);
    } else if (arg == "--trace" && hasValue) {
      tracePath = argv[++i];
    } else if (arg == "--flight" && i + 2 < argc) {
      double lat = 0, lon = 0;
      if (!lf_parse(argv[i + 1], lat) || !lf_parse(argv[i + 2], lon) || !(lat >= -90 && lat <= 90) ||
          !(lon >= -180 && lon <= 180))
        return lf_usage();
      flight = std::pair(lat, lon);
      i += 2;
    } else {
      return lf_usage();
    }
  }
  if (tcp4 < 0 && tcp6 < 0 && !pipe) pipe = true;
  options.open.applicationName = name;
  options.clockRuns = true;

  simstandin::SimStandin standin(options);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace(nullptr, std::fclose);
  if (!tracePath.empty()) {
    trace.reset(std::fopen(tracePath.c_str(), "w"));
    if (!trace) return std::fputs("simstandin: cannot write the trace file\n", stderr), 1;
    simstandin::gf_tracePositions(standin, trace.get());
  }
  if (tcp4 >= 0) {
    const auto port = standin.listenTcp(platform::g_familyIpv4, static_cast<std::uint16_t>(tcp4));
    if (port == 0) return std::fputs("simstandin: cannot listen on 127.0.0.1\n", stderr), 1;
    fmt::print("listening on 127.0.0.1:{}\n", port);
  }
  if (tcp6 >= 0) {
    const auto port = standin.listenTcp(platform::g_familyIpv6, static_cast<std::uint16_t>(tcp6));
    if (port == 0) return std::fputs("simstandin: cannot listen on ::1\n", stderr), 1;
    fmt::print("listening on [::1]:{}\n", port);
  }
  if (pipe) {
    if (!standin.listenPipe(pipeName)) return std::fputs("simstandin: cannot open the pipe socket\n", stderr), 1;
    fmt::print("listening on the pipe {}\n", pipeName.empty() ? "(default)" : pipeName);
  }
  std::signal(SIGINT, lf_onSignal);
  std::signal(SIGTERM, lf_onSignal);
  std::unique_ptr<simstandin::SimWorld> world;
  if (flight) {
    world = std::make_unique<simstandin::SimWorld>(standin);
    simstandin::UserAircraftState user;
    user.latitude = flight->first;
    user.longitude = flight->second;
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    user.zuluYear = utc.tm_year + 1900;
    user.zuluDayOfYear = utc.tm_yday + 1;
    user.zuluTime = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
    world->setUserAircraft(user);
    world->setUserTitle("Stand-in user aircraft");
    world->setUserModel("B738");
    std::thread([] {
      for (std::string line; std::getline(std::cin, line);) {
        if (line == "quit") g_quit = true;
        if (const auto teleport = lf_teleportLine(line)) {
          std::lock_guard lock(g_teleportMutex);
          g_teleport = teleport;
        }
      }
    }).detach();
  }
  standin.start();
  std::fflush(stdout);
  auto nextSecond = std::chrono::steady_clock::now();

  std::size_t printed = 0;
  std::map<std::uint32_t, std::string> shownObjects;
  const auto started = std::chrono::steady_clock::now();
  while (!g_stop) {
    standin.waitFor([&](const auto& all) { return all.size() > printed; }, std::chrono::milliseconds(200));
    const auto all = standin.requests();
    for (; printed < all.size(); ++printed) {
      const auto& r = all[printed];
      fmt::print("conn {} {:<34} send id {:>6} size {:>5} version {}\n", r.connection, lf_functionName(r.function),
                 r.sendId, r.size, r.version);
    }
    lf_printObjectChanges(standin, shownObjects, started);
    std::optional<Teleport> teleport;
    {
      std::lock_guard lock(g_teleportMutex);
      teleport = std::exchange(g_teleport, std::nullopt);
    }
    if (world && teleport) {
      world->teleportUser(teleport->latitude, teleport->longitude);
      standin.locked([&](simstandin::SimStandin& s) {
        simstandin::SimObject& user = *s.findObject(s.options().userObjectId);
        user.setValue("PLANE ALTITUDE", teleport->feet);
        user.setValue("PLANE ALT ABOVE GROUND", teleport->feet);
        user.setValue("SIM ON GROUND", teleport->feet > 0 ? 0.0 : 1.0);
      });
      fmt::print("user aircraft teleported to {} {} at {} ft\n", teleport->latitude, teleport->longitude, teleport->feet);
    }
    std::fflush(stdout);
    if (world && g_quit) {
      world->quit();
      break;
    }
    if (world && std::chrono::steady_clock::now() >= nextSecond) {
      // Repeated, so that a client connecting later learns that the flight runs.
      world->setFlightRunning(true);
      nextSecond += std::chrono::seconds(1);
      if (trace) standin.locked([&](simstandin::SimStandin&) { std::fflush(trace.get()); });
    }
  }
  standin.stop();
  return 0;
}
