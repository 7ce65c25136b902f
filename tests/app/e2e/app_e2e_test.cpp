// The program as the user starts it: its own process, a program folder with the sample
// data files, a registry stand-in and a per-user folder of its own.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "../livery_folder.h"
#include "child_process.h"
#include "datafile_encrypt.h"
#include "foundation/datafile_key.h"
#include "updatestandin/update_standin.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vexo::test::ChildProcess;

namespace {

class AppE2eTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(run_ / "docs");
    fs::create_directories(run_ / "input");
    for (const char* name : {"dbase.enc", "airports.enc", "AIG-regcodes.enc"})
      fs::copy_file(fs::path(VDRK_BUILD_INPUT_DIR) / name, run_ / "input" / name);
    fs::create_directories(dir_ / "sim" / "Scenery");
    vexo::test::writeFile(dir_ / "registry.reg",
                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n\"SetupPath\"=\"" +
                              (dir_ / "sim").string() + "/\"\n");
    env_ = {{"VDRK_APPDATA", (dir_ / "appdata").string()},
            {"VDRK_INSTANCE_LOCK", (dir_ / "instance.lock").string()},
            {"VDRK_REGISTRY_FILE", (dir_ / "registry.reg").string()},
            // No update server: the update check warns once and the start goes on.
            {"VDRK_DOWNLOAD_BASE", "http://127.0.0.1:1/downloads/"},
            {"VDRK_HEADLESS", "1"}};  // no screen needed, whatever the machine has
  }

public:
  std::unique_ptr<ChildProcess> start(const std::string& outputName) {
    return std::make_unique<ChildProcess>(VDRK_APP_EXE, std::vector<std::string>{}, run_, env_, dir_ / outputName);
  }

protected:
  std::string log() const { return vexo::test::readFile(run_ / "Log.txt"); }
  bool logHas(const std::string& text) const { return log().find(text) != std::string::npos; }

  vexo::test::TempDir dir_;
  fs::path run_ = dir_ / "program";
  std::map<std::string, std::string> env_;
};

using vexo::test::freeLoopbackPort;

// Positions of the texts in the log, which must appear in this order.
void expectInOrder(const std::string& log, const std::vector<std::string>& texts) {
  std::size_t at = 0;
  for (const auto& text : texts) {
    const auto found = log.find(text, at);
    ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << text << "\n" << log;
    at = found + text.size();
  }
}

}  // namespace

namespace {
// The simulator stand-in's arguments: a flight parked at Los Angeles, and the extra ones.
std::vector<std::string> lf_simArguments(const std::vector<std::string>& extra) {
  std::vector<std::string> args{"--pipe", "--frame-rate", "30", "--flight", "33.9416", "-118.4085"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// The user's parameters.xml of this program version, with a liveries folder, add-on scenery
// without airports, and the lines given.
void lf_writeParameters(const fs::path& dir, const std::string& lines) {
  fs::create_directories(dir / "appdata" / "Vendrake_P3D");
  vexo::test::writeLiveryFolder(dir / "liveries");
  fs::create_directories(dir / "scenery");
  vexo::test::writeFile(dir / "appdata" / "Vendrake_P3D" / "parameters.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n"
                        "    <parameter name=\"PROGRAM_VERSION\" value=\"12.3.0\" />\n" +
                            vexo::test::lfolder0Parameter(dir / "liveries") +
                            "    <parameter name=\"afolder0\" value=\"" + (dir / "scenery").string() + "\" />\n" +
                            lines + "  </parameters>\n</root>\n");
}

// Liveries of the sample set beside the A320 of the standard folder: airlines of the Los
// Angeles recording, generic ("ZZZ") and private ones. Every title begins "Sample ".
void writeSampleLiverySet(const fs::path& folder) {
  const std::map<std::string, std::vector<std::string>> models = {{"B738", {"SWA", "AAL", "UAL", "ZZZ"}},
                                                                  {"B739", {"ASA", "UAL", "ZZZ"}},
                                                                  {"A321", {"AAL", "DAL", "ZZZ"}},
                                                                  {"A20N", {"VIV", "NKS", "ZZZ"}},
                                                                  {"B77L", {"EVA", "KAL"}},
                                                                  {"B77W", {"AAL", "UAL"}},
                                                                  {"E75L", {"SKW", "ZZZ"}},
                                                                  {"CRJ9", {"ZZZ"}},
                                                                  {"C172", {""}},
                                                                  {"AS50", {""}},
                                                                  {"PA46", {""}},
                                                                  {"S22T", {""}}};
  for (const auto& [model, airlines] : models) {
    fs::create_directories(folder / model / "model");
    fs::create_directories(folder / model / "texture");
    vexo::test::writeFile(folder / model / (model + ".air"), "air");
    std::string cfg = "[General]\natc_model=" + model + "\n";
    for (std::size_t i = 0; i < airlines.size(); ++i) {
      const std::string& airline = airlines[i];
      cfg += "[fltsim." + std::to_string(i) + "]\ntitle=Sample " + model + " " +
             (airline.empty() ? "private" : airline) + "\n" +
             (airline.empty() ? "" : "atc_parking_codes=" + airline + "\n") + "sim=" + model + "\n";
    }
    vexo::test::writeFile(folder / model / "aircraft.cfg", cfg);
  }
}

// "ai object added|removed ID ATCID at MS ms" lines of the simulator stand-in.
struct AiChange {
  bool added = false;
  std::uint32_t id = 0;
  std::string atcId;
};
std::vector<AiChange> aiChanges(const std::string& out) {
  std::vector<AiChange> changes;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.size() < 6 || w[0] != "ai" || w[1] != "object") continue;
    AiChange c;
    c.added = w[2] == "added";
    c.id = static_cast<std::uint32_t>(std::stoul(w[3]));
    if (w[4] != "at") c.atcId = w[4];
    changes.push_back(std::move(c));
  }
  return changes;
}

// The ids of the live aircraft added (static callsigns end in "*").
std::set<std::uint32_t> liveIds(const std::vector<AiChange>& changes) {
  std::set<std::uint32_t> live;
  for (const AiChange& c : changes)
    if (c.added && !c.atcId.ends_with("*")) live.insert(c.id);
  return live;
}

std::string readSim(const fs::path& dir) { return vexo::test::readFile(dir / "sim.out"); }

// The times (ms) of the positions set on the objects in ids, with their ids, from the
// byte `from` of the simulator stand-in's position trace ("ms,objectid,lat,lon,altitude"
// lines). A last line without its end is left out.
std::vector<std::pair<long, std::uint32_t>> tracedTimes(const fs::path& trace, std::size_t from,
                                                        const std::set<std::uint32_t>& ids) {
  const std::string text = vexo::test::readFile(trace);
  std::vector<std::pair<long, std::uint32_t>> times;
  for (std::size_t at = std::min(from, text.size()), end; (end = text.find('\n', at)) != std::string::npos;
       at = end + 1) {
    long ms = 0;
    std::uint32_t id = 0;
    if (std::sscanf(text.c_str() + at, "%ld,%u,", &ms, &id) == 2 && ids.contains(id)) times.emplace_back(ms, id);
  }
  return times;
}

// Connections to the RealTraffic port that never say a word, held until they go out of
// scope: RealTraffic, connecting after them, is served all the same.
class SilentPeers {
public:
  SilentPeers() = default;
  SilentPeers(const SilentPeers&) = delete;
  SilentPeers& operator=(const SilentPeers&) = delete;
  ~SilentPeers() {
    for (const int fd : fds_) ::close(fd);
  }
  // Opens count connections to 127.0.0.1:port as soon as the port takes them (the program
  // opens it once the user aircraft is known). One that the full queue of the port does
  // not take within a second is left to be taken later.
  void open(std::uint16_t port, int count) {
    const auto giveUp = std::chrono::steady_clock::now() + 180s;
    while (static_cast<int>(fds_.size()) < count && std::chrono::steady_clock::now() < giveUp) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (connected(fd, port)) {
        fds_.push_back(fd);
      } else {
        ::close(fd);
        std::this_thread::sleep_for(100ms);
      }
    }
  }

private:
  // False when the port refused the connection.
  static bool connected(int fd, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd writable{fd, POLLOUT, 0};
    if (::poll(&writable, 1, 1000) == 0) return true;  // still in the queue's waiting line
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
  }
  std::vector<int> fds_;
};
}  // namespace

// The program with both stand-ins: the simulator with a flight at Los Angeles, and
// RealTraffic installed for this user, replaying a recording in a loop.
class StandInRun {
public:
  // extraParameters: parameter lines added to the user's parameters.xml; silentPeers:
  // connections to the RealTraffic port that stay silent, made before RealTraffic's;
  // trafficArgs: options of the traffic stand-in.
  explicit StandInRun(AppE2eTest& test, const fs::path& dir, std::map<std::string, std::string>& env,
                      const std::string& extraParameters = "", const std::vector<std::string>& simArgs = {},
                      int silentPeers = 0, const std::vector<std::string>& trafficArgs = {})
      : dir_(dir), tcpPort_(freeLoopbackPort(SOCK_STREAM)) {
    fs::create_directories(dir / "appdata" / "InsideSystems");
    vexo::test::writeFile(dir / "appdata" / "InsideSystems" / "RealTraffic.jar", "");
    env["VDRK_PIPE_DIR"] = (dir / "pipes").string();
    const std::string tcpPort = std::to_string(tcpPort_);
    const std::string qnhPort = std::to_string(freeLoopbackPort(SOCK_DGRAM));
    const std::string trafficPort = std::to_string(freeLoopbackPort(SOCK_DGRAM));
    env["VDRK_QNH_PORT"] = qnhPort;
    env["VDRK_TRAFFIC_PORT"] = trafficPort;
    lf_writeParameters(dir, "    <parameter name=\"PORT_NUMBER\" value=\"" + tcpPort + "\" />\n" + extraParameters);
    fs::create_directories(dir / "pipes");
    sim = std::make_unique<ChildProcess>(VDRK_SIMSTANDIN_EXE, lf_simArguments(simArgs), dir, env, dir / "sim.out");
    program = test.start("first.out");
    silent_.open(tcpPort_, silentPeers);
    std::vector<std::string> args{"--tcp-port", tcpPort, "--weather-port", qnhPort, "--traffic-port", trafficPort};
    args.push_back("--loop");
    args.insert(args.end(), trafficArgs.begin(), trafficArgs.end());
    args.push_back((vexo::test::testdataDir() / "realtraffic" / "KLAX_20200617_2152.csv").string());
    traffic = std::make_unique<ChildProcess>(VDRK_TRAFFICSTANDIN_EXE, args, dir, env, dir / "traffic.out");
  }
  std::uint16_t tcpPort() const { return tcpPort_; }
  // How often a text occurs in a stand-in's output so far.
  std::size_t count(const std::string& file, const std::string& text) const {
    const std::string out = vexo::test::readFile(dir_ / file);
    std::size_t n = 0;
    for (auto at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
    return n;
  }
  bool trafficSaw(const std::string& text) const { return count("traffic.out", text) > 0; }

  std::unique_ptr<ChildProcess> sim;
  std::unique_ptr<ChildProcess> program;
  std::unique_ptr<ChildProcess> traffic;

private:
  fs::path dir_;
  std::uint16_t tcpPort_;
  SilentPeers silent_;
};

namespace {

// Connections to the RealTraffic port that never answer, one every 200 ms, each held for
// 3 s, while it lives.
class ConnectionFlood {
public:
  explicit ConnectionFlood(std::uint16_t port)
      : thread_([this, port] {
          std::deque<std::pair<std::chrono::steady_clock::time_point, std::unique_ptr<SilentPeers>>> open;
          while (!stop_.load()) {
            open.emplace_back(std::chrono::steady_clock::now(), std::make_unique<SilentPeers>());
            open.back().second->open(port, 1);
            while (std::chrono::steady_clock::now() - open.front().first > 3s) open.pop_front();
            std::this_thread::sleep_for(200ms);
          }
        }) {}
  ~ConnectionFlood() {
    stop_ = true;
    thread_.join();
  }

private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Of the live aircraft positions traced from the byte `from` on: the longest time one
// aircraft was traced for, and the longest time between two positions of one aircraft.
struct TracedMotion {
  long longestFlown = 0;
  long longestStop = 0;
};
TracedMotion tracedMotion(const fs::path& dir, const fs::path& trace, std::size_t from) {
  std::map<std::uint32_t, std::pair<long, long>> seen;  // first and last ms
  TracedMotion motion;
  for (const auto& [ms, id] : tracedTimes(trace, from, liveIds(aiChanges(readSim(dir))))) {
    const auto [it, fresh] = seen.emplace(id, std::pair{ms, ms});
    if (!fresh) motion.longestStop = std::max(motion.longestStop, ms - it->second.second);
    it->second.second = ms;
    motion.longestFlown = std::max(motion.longestFlown, ms - it->second.first);
  }
  return motion;
}

}  // namespace

// The simulator listens on a pipe of its own name, which only the SimConnect.cfg in the
// program's folder tells; that file is UTF-16LE, as the system's editors save it. Two
// connections to the RealTraffic port that never answer come before RealTraffic's:
// RealTraffic is still asked for its version and its traffic appears. RealTraffic then
// drops its link, and while it is away connections that never answer keep coming to its
// port: the live aircraft move on without a stop, none of those connections is taken for
// RealTraffic, and RealTraffic, coming back in the middle of them, is served within
// seconds.
TEST_F(AppE2eTest, OneCopyRunsWithBothStandInsUntilTheSimulatorQuits) {
  std::string cfg = "\xFF\xFE";
  for (const char c : std::string("[SimConnect]\r\nProtocol=Pipe\r\nPort=VendrakeE2e\r\n")) cfg += {c, '\0'};
  vexo::test::writeFile(run_ / "SimConnect.cfg", cfg);
  writeSampleLiverySet(dir_ / "liveries");
  const fs::path trace = dir_ / "tracks.csv";
  StandInRun run(*this, dir_.path(), env_, "", {"--pipe", "\\\\.\\pipe\\VendrakeE2e", "--trace", trace.string()}, 2);
  auto& first = run.program;
  auto& sim = *run.sim;
  auto& traffic = *run.traffic;
  auto trafficSaw = [&](const std::string& text) { return run.trafficSaw(text); };
  const std::string userLine = "received: Qs121=";

  // The first user position goes to RealTraffic once the readers run (the log is written
  // to the disk only now and then, so it is read after the end).
  ASSERT_TRUE(vexo::test::gf_waitUntil([&] { return trafficSaw(userLine); }, 60s))
      << vexo::test::readFile(dir_ / "traffic.out");
  EXPECT_TRUE(trafficSaw("received: Qs999=version"));
  auto second = start("second.out");
  EXPECT_EQ(second->waitFor(30s), -1);
  EXPECT_FALSE(fs::exists(run_ / "Log0.txt"));  // the second copy touched no log

  traffic.writeInput("drop\n");
  std::size_t traceAtDrop = 0;
  {
    ConnectionFlood flood(run.tcpPort());
    traceAtDrop = vexo::test::readFile(trace).size();
    // The traffic goes on by UDP: live aircraft appear and fly for five seconds.
    EXPECT_TRUE(vexo::test::gf_waitUntil(
        [&] { return tracedMotion(dir_.path(), trace, traceAtDrop).longestFlown >= 5000; }, 120s))
        << "no live aircraft flew";
    const std::size_t linesAway = run.count("traffic.out", userLine);
    traffic.writeInput("open\n");
    EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return run.count("traffic.out", userLine) > linesAway; }, 5s))
        << "RealTraffic was kept out";
  }
  // A stop for a version answer would last two seconds; a tick's work, milliseconds.
  EXPECT_LT(tracedMotion(dir_.path(), trace, traceAtDrop).longestStop, 1500)
      << "ms between two positions of a live aircraft";

  sim.writeInput("quit\n");
  EXPECT_EQ(first->waitFor(60s), 0) << log();
  EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return trafficSaw("received: exit"); }, 30s));
  const std::string text = log();
  expectInOrder(
      text, {"(utc) Vendrake_P3D version 12.3.0 for Prepar3D v5/v6", "parameters.xml", "dbase records read",
             "airports read", "P3Dv5 detected", "RealTraffic detected at this PC", "connected",
             "Waiting for RealTraffic to connect to Vendrake_P3D ...", "RealTraffic connected", "QNH Reader connected",
             "Traffic Reader connected", "RealTraffic gone? Wait for RealTraffic to re-connect ...",
             "RealTraffic re-connected", "Exiting: SIM WAS CLOSED"});
  EXPECT_EQ(text.find("RealTraffic re-connected"), text.rfind("RealTraffic re-connected")) << "said more than once";
  EXPECT_EQ(text.find("RealTraffic gone?"), text.rfind("RealTraffic gone?")) << "said more than once";
  EXPECT_FALSE(logHas("No traffic in this region?"));
  EXPECT_TRUE(fs::exists(dir_ / "appdata" / "Vendrake_P3D" / "parameters.xml"));
  traffic.writeInput("quit\n");
  EXPECT_TRUE(traffic.waitFor(30s));
}

// RealTraffic is a professional edition on a slow machine: it answers the version request
// after 2.5 s, at the start and when it comes back, and gets the simulator's time both
// times.
TEST_F(AppE2eTest, RealTrafficDroppingItsLinkDuringAFlightIsTakenBackWhileTheCycleRunsOn) {
  StandInRun run(*this, dir_.path(), env_, "", {}, 0, {"--level", "2", "--answer-delay", "2500"});
  const std::string userLine = "received: Qs121=", timeLine = "received: Qs123=";
  // The cycle sends the user position once a second.
  ASSERT_TRUE(vexo::test::gf_waitUntil([&] { return run.count("traffic.out", userLine) >= 3; }, 60s))
      << vexo::test::readFile(dir_ / "traffic.out");
  EXPECT_TRUE(run.trafficSaw(timeLine)) << "the late answer at the start was not read";

  run.traffic->writeInput("drop\n");
  const std::size_t inRangeAtDrop = run.count("sim.out", "RequestDataOnSimObjectType");
  std::this_thread::sleep_for(4s);
  // Meanwhile the cycle went on: an aircraft-in-range request each second.
  EXPECT_GE(run.count("sim.out", "RequestDataOnSimObjectType"), inRangeAtDrop + 2);
  const std::size_t linesAway = run.count("traffic.out", userLine);
  const std::size_t timesAway = run.count("traffic.out", timeLine);
  run.traffic->writeInput("open\n");
  EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return run.count("traffic.out", userLine) > linesAway; }, 5s))
      << vexo::test::readFile(dir_ / "traffic.out");
  EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return run.count("traffic.out", timeLine) > timesAway; }, 10s))
      << "the late answer on the tick was not read";

  run.sim->writeInput("quit\n");
  EXPECT_EQ(run.program->waitFor(60s), 0) << log();
  expectInOrder(log(), {"RealTraffic connected", "RealTraffic gone? Wait for RealTraffic to re-connect ...",
                        "RealTraffic re-connected", "Exiting: SIM WAS CLOSED"});
  EXPECT_FALSE(logHas("No RealTraffic version received?"));
  run.traffic->writeInput("quit\n");
  EXPECT_TRUE(run.traffic->waitFor(30s));
}

// The user parked at Los Angeles with its airport file in place and flights learned at four
// stands for every half hour of the week: static aircraft appear one per pacing slot, and
// all of them leave the simulator when the user leaves the airport (a jump to 25,000 ft).
TEST_F(AppE2eTest, StaticAircraftFillTheParkAirportAndLeaveWithTheUser) {
  const fs::path klax = vexo::test::testdataDir() / ".." / ".." / "data" / "airports" / "KLAX.xml";
  fs::create_directories(run_ / "airports" / "my_thirdparty");
  fs::copy_file(klax, run_ / "airports" / "my_thirdparty" / "KLAX.xml");
  const std::string file = vexo::test::readFile(klax);
  std::string learned = file.substr(0, file.find("<parkpositions>") + 16);
  const char* stands[] = {"T1-08", "TBIT-122", "T6-63", "Q1-02"};  // far from each other and from the user
  for (int i = 0; i < 4; ++i) {
    const auto at = file.find(std::string("<parkpos id=\"") + stands[i] + "\"");
    ASSERT_NE(at, std::string::npos) << stands[i];
    const auto end = file.find("/>", at);
    learned += "    " + file.substr(at, end - at) + ">\n";
    for (int day = 1; day <= 7; ++day)
      learned += "      <opt reg=\"N10" + std::to_string(i) + "AA\" airl=\"AAL\" type=\"A320\" day=\"" +
                 std::to_string(day) + "\" hh=\"0:47\" cs=\"AAL10" + std::to_string(i) + "\" />\n";
    learned += "    </parkpos>\n";
  }
  learned += "  </parkpositions>\n</root>\n";
  fs::create_directories(run_ / "airports" / "learned" / "thirdparty" / "terraGIT");
  vexo::test::writeFile(run_ / "airports" / "learned" / "thirdparty" / "terraGIT" / "KLAX.xml", learned);

  // No airports scan, which would empty the add-on airports folder; few live aircraft, so
  // that the pacing slots are not all theirs.
  StandInRun run(*this, dir_.path(), env_,
                 "    <parameter name=\"SCAN_AIRPORTS\" value=\"false\" />\n"
                 "    <parameter name=\"MAX_LIVE_SEL\" value=\"10\" />\n");
  struct Change {
    bool added;
    std::string atcId;
    long ms;
  };
  const auto staticChanges = [&] {
    std::vector<Change> changes;
    std::istringstream out(vexo::test::readFile(dir_ / "sim.out"));
    for (std::string line; std::getline(out, line);) {
      std::istringstream words(line);
      std::string ai, object, what, id, atcId, at;
      long ms = 0;
      if (words >> ai >> object >> what >> id >> atcId >> at >> ms && ai == "ai" && atcId.ends_with("*"))
        changes.push_back({what == "added", atcId, ms});
    }
    return changes;
  };
  const auto count = [&](bool added) -> std::size_t {
    const auto changes = staticChanges();
    return static_cast<std::size_t>(
        std::count_if(changes.begin(), changes.end(), [&](const Change& c) { return c.added == added; }));
  };
  ASSERT_TRUE(vexo::test::gf_waitUntil([&] { return count(true) >= 4; }, 240s))
      << vexo::test::readFile(dir_ / "sim.out").substr(0, 2000) << log();
  std::vector<long> created;
  for (const Change& c : staticChanges())
    if (c.added) created.push_back(c.ms);
  for (std::size_t i = 1; i < created.size(); ++i)
    EXPECT_GE(created[i] - created[i - 1], 250) << "one creation per pacing slot, " << i;

  run.sim->writeInput("teleport 33.9416 -118.40 25000\n");
  EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return count(false) == count(true); }, 60s))
      << count(true) << " static aircraft created, " << count(false) << " removed";
  run.sim->writeInput("quit\n");
  EXPECT_EQ(run.program->waitFor(60s), 0) << log();
  expectInOrder(log(), {"The park airport is KLAX", "positions (", "AAL10", "parked", "is out of sight",
                        "KLAX.xml' saved with", "Exiting: SIM WAS CLOSED"});
  run.traffic->writeInput("quit\n");
  EXPECT_TRUE(run.traffic->waitFor(30s));
}

namespace {

// A line "ms,objectid,lat,lon,altitude" of the stand-in's position trace.
struct TracedPosition {
  std::uint32_t id = 0;
  double lat = 0, lon = 0, altitude = 0;
};
// The traced positions of the objects in ids, in order. The trace is written while it is
// read: a last line without its end is left out, as its numbers may be cut short.
std::vector<TracedPosition> tracedPositions(const fs::path& trace, const std::set<std::uint32_t>& ids) {
  const std::string text = vexo::test::readFile(trace);
  std::vector<TracedPosition> positions;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = text.substr(at, end - at);
    TracedPosition p;
    double ms = 0;
    if (std::sscanf(line.c_str(), "%lf,%u,%lf,%lf,%lf", &ms, &p.id, &p.lat, &p.lon, &p.altitude) == 5 &&
        ids.contains(p.id))
      positions.push_back(p);
  }
  return positions;
}

}  // namespace

// The whole system at Los Angeles: the update server stand-in offers newer data files (its
// airports database gives Los Angeles its stands) and serves the archived airport file of
// Los Angeles with flights learned at six gates. The user parked there gets static aircraft
// up to the count the static parking wants; live aircraft of the recording are created with
// liveries of the sample set, move, land and park at stands; a jump of the user away from
// the airport removes every static aircraft and saves the learned file, with the parked
// aircraft learned at its stand; closing the program (as the close button does) leaves no
// AI object in the simulator and writes the matching summary. Ten connections to the
// RealTraffic port that never answer come before RealTraffic's.
TEST_F(AppE2eTest, TheWholeSystemAtLosAngelesWithTheUpdateServer) {
  const fs::path data = vexo::test::testdataDir() / ".." / ".." / "data";
  vexo::updatestandin::UpdateStandIn server;
  env_["VDRK_DOWNLOAD_BASE"] = server.url("/downloads/");
  const std::string v = R"({"major": 1, "minor": 0, "patch": 0})";
  server.route("/downloads/versions.json",
               {200, R"({"p3d_app": {"major": 12, "minor": 3, "patch": 0}, "airports": )" + v + ", \"aig\": " + v +
                         ", \"liveries\": " + v + ", \"addons\": " + v + ", \"dbase\": " + v + "}"});
  for (const char* name : {"dbase.enc", "AIG-regcodes.enc"})
    server.route(std::string("/downloads/12/") + name,
                 {200, vexo::test::readFile(fs::path(VDRK_BUILD_INPUT_DIR) / name)});
  std::string airports = vexo::test::readFile(data / "airports.xml");
  const std::string klaxEntry = R"(<ap c="KLAX" i="LAX" la="33.942501" lo="-118.407997" a="125" s="0"/>)";
  const auto entryAt = airports.find(klaxEntry);
  ASSERT_NE(entryAt, std::string::npos);
  airports.replace(entryAt + klaxEntry.size() - 4, 1, "255");
  vexo::test::writeFile(dir_ / "airports.xml", airports);
  vexo::gf_streamEncrypt(vexo::g_dataFileKey, dir_ / "airports.xml", dir_ / "airports.enc");
  server.route("/downloads/12/airports.enc", {200, vexo::test::readFile(dir_ / "airports.enc")});

  std::string klax = vexo::test::readFile(data / "airports" / "KLAX.xml");
  const char* learnedStands[] = {"T1-08", "TBIT-122", "T6-63", "Q1-02", "T3-30", "T7-70"};
  for (std::size_t i = 0; i < std::size(learnedStands); ++i) {
    const auto at = klax.find(std::string("<parkpos id=\"") + learnedStands[i] + "\"");
    ASSERT_NE(at, std::string::npos) << learnedStands[i];
    const auto end = klax.find(" />", at);
    std::string opts = ">\n";
    for (int day = 1; day <= 7; ++day)
      opts += "      <opt reg=\"N20" + std::to_string(i) + "SD\" airl=\"SWA\" type=\"B738\" day=\"" +
              std::to_string(day) + "\" hh=\"0:47\" cs=\"SWA20" + std::to_string(i) + "\" />\n";
    klax.replace(end, 3, opts + "    </parkpos>");
  }
  server.route("/downloads/P3D/archive/stock/KLAX.xml", {200, klax});

  writeSampleLiverySet(dir_ / "liveries");
  const fs::path trace = dir_ / "tracks.csv";
  StandInRun run(*this, dir_.path(), env_,
                 "    <parameter name=\"SCAN_AIRPORTS\" value=\"false\" />\n"
                 "    <parameter name=\"ADDONS_SCAN_VERSION\" value=\"1.0.0\" />\n",
                 {"--trace", trace.string()}, 10);
  const auto changes = [&] { return aiChanges(vexo::test::readFile(dir_ / "sim.out")); };
  const auto count = [&](bool added, bool isStatic) {
    std::size_t n = 0;
    for (const AiChange& c : changes()) n += c.added == added && c.atcId.ends_with("*") == isStatic ? 1 : 0;
    return n;
  };

  // Static aircraft at the six gates with learned flights, one per pacing slot.
  ASSERT_TRUE(vexo::test::gf_waitUntil([&] { return count(true, true) >= std::size(learnedStands); }, 150s))
      << vexo::test::readFile(dir_ / "sim.out").substr(0, 3000) << log();
  // Live aircraft of the recording, about 30 s behind its reports; one of them moves.
  const auto liveMoved = [&] {
    std::map<std::uint32_t, std::pair<double, double>> first;
    for (const TracedPosition& p : tracedPositions(trace, liveIds(changes()))) {
      const auto [it, fresh] = first.emplace(p.id, std::pair{p.lat, p.lon});
      // 0.001 degree: some 100 m.
      if (!fresh && std::hypot(p.lat - it->second.first, p.lon - it->second.second) > 0.001) return true;
    }
    return false;
  };
  ASSERT_TRUE(vexo::test::gf_waitUntil(liveMoved, 150s)) << vexo::test::readFile(dir_ / "sim.out").substr(0, 3000);
  // Ten connections to the RealTraffic port that never answered came first.
  EXPECT_TRUE(run.trafficSaw("received: Qs999=version"));
  // A live aircraft of the recording lands: from over 1,000 ft it comes down and rolls on
  // the ground (350 ft in the stand-in's world) for a second, its altitude held.
  const auto liveLanded = [&] {
    std::set<std::uint32_t> approaching;
    std::map<std::uint32_t, std::pair<double, int>> rolling;  // altitude, positions at it
    for (const TracedPosition& p : tracedPositions(trace, liveIds(changes()))) {
      if (p.altitude > 1000) approaching.insert(p.id);
      if (!approaching.contains(p.id) || p.altitude > 400) continue;
      auto& [altitude, count] = rolling[p.id];
      count = p.altitude == altitude ? count + 1 : 1;
      altitude = p.altitude;
      if (count >= 30) return true;
    }
    return false;
  };
  EXPECT_TRUE(vexo::test::gf_waitUntil(liveLanded, 240s)) << "no live aircraft landed";
  // A live aircraft parked at a stand: the log, written out every half minute, names it.
  static const std::regex parks(R"(\n([^ \n]+) *: ([^ *\n]+) +parks\n)");
  std::string logSoFar;
  std::smatch parked;
  const auto liveParked = [&] {
    logSoFar = log();
    return std::regex_search(logSoFar, parked, parks);
  };
  ASSERT_TRUE(vexo::test::gf_waitUntil(liveParked, 150s)) << "no live aircraft parked";
  const std::string parkedStand = parked[1], parkedCallsign = parked[2];
  const std::size_t statics = count(true, true);

  run.sim->writeInput("teleport 33.9416 -118.40 25000\n");
  EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return count(false, true) == count(true, true); }, 60s))
      << count(true, true) << " static aircraft created, " << count(false, true) << " removed";
  EXPECT_EQ(count(true, true), statics) << "no static aircraft once the user left";

  run.program->signal(SIGTERM);  // as a click on the close button
  EXPECT_EQ(run.program->waitFor(60s), 0) << log();
  EXPECT_TRUE(vexo::test::gf_waitUntil([&] { return count(false, false) == count(true, false); }, 10s))
      << count(true, false) << " live aircraft created, " << count(false, false) << " removed at closing";
  run.sim->writeInput("quit\n");
  EXPECT_TRUE(run.sim->waitFor(30s));
  run.traffic->writeInput("quit\n");
  EXPECT_TRUE(run.traffic->waitFor(30s));

  const std::string text = log();
  expectInOrder(text, {"airports updated to 1.0.0", "The park airport is KLAX",
                       "Airport file read from 'archive/stock/KLAX.xml'", " positions (", "is out of sight",
                       "'airports/learned/stock/KLAX.xml' saved with", "live traffic livery matching summary"});
  // The static parking wanted as many aircraft as it placed.
  const auto positions = text.find(" positions (");
  const auto lineStart = text.rfind('\n', positions) + 1;
  EXPECT_EQ(text.substr(lineStart, positions - lineStart), std::to_string(statics));
  // Live aircraft matched to titles of the sample set (static callsigns end in "*").
  static const std::regex liveMatch(R"(\n +[^ *\n]+ [^\n]*=[0-6]= Sample [A-Z0-9]+ [A-Za-z]+\n)");
  EXPECT_TRUE(std::regex_search(text, liveMatch)) << text;
  // The parked live aircraft was learned at its stand in the file saved when the user left.
  const std::string learned = vexo::test::readFile(run_ / "airports" / "learned" / "stock" / "KLAX.xml");
  const auto stand = learned.find("<parkpos id=\"" + parkedStand + "\"");
  ASSERT_NE(stand, std::string::npos) << parkedStand << " not in the learned file";
  const auto standEnd = learned.find("</parkpos>", stand);
  EXPECT_NE(learned.substr(stand, standEnd - stand).find("cs=\"" + parkedCallsign + "\""), std::string::npos)
      << parkedCallsign << " not learned at " << parkedStand << "\n"
      << learned.substr(stand, standEnd - stand);
}

// Only Prepar3D v6 installed, with P3D_VERSION at its default 5: the user is told that the
// program waits for v6, the version at the install path.
TEST_F(AppE2eTest, WaitingForTheSimulatorNamesTheInstalledVersion) {
  const fs::path install = dir_ / "Prepar3D v6";
  if (install.string().find("v5") != std::string::npos || install.string().find("V5") != std::string::npos)
    GTEST_SKIP() << "the test folder's random name holds v5: " << install;
  fs::create_directories(install / "Scenery");
  vexo::test::writeFile(dir_ / "registry.reg",
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v6]\n"
                        "\"SetupPath\"=\"" +
                            install.string() + "/\"\n");
  lf_writeParameters(dir_.path(), "");
  fs::create_directories(dir_ / "pipes");  // no simulator listens there
  env_["VDRK_PIPE_DIR"] = (dir_ / "pipes").string();
  auto app = start("app.out");
  ASSERT_TRUE(vexo::test::gf_waitUntil([&] { return logHas("Waiting for Prepar3Dv"); }, 60s)) << log();
  app->signal(SIGTERM);
  EXPECT_EQ(app->waitFor(60s), 0) << log();
  expectInOrder(log(), {"P3Dv6 detected", "Waiting for Prepar3Dv6 ...", "Exiting: USER CLOSED SIM"});
}

TEST_F(AppE2eTest, LogThatCannotBeCreatedEndsWithCodeTwo) {
  fs::create_directory(run_ / "Log.txt");
  auto app = start("app.out");
  EXPECT_EQ(app->waitFor(60s), 2);
  EXPECT_NE(vexo::test::readFile(dir_ / "app.out").find("Log.txt"), std::string::npos);
}
