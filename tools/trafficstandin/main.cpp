// trafficstandin: plays the traffic source for a local run of the program.
//
//   trafficstandin [--weather-port N] [--traffic-port N] [--tcp-port N] [--no-tcp]
//                  [--level N] [--version TEXT] [--answer-delay MS] [--speed X] [--loop]
//                  RECORDING...
//
// Replays each recording (weather to the weather port, the latest weather again every
// 10 s of the recording, traffic as RTTFC records to the traffic port, times rebased to
// now, paced at the given speed; 0 = no pauses), while connected to the program's TCP
// server, answering "Qs999=version" (after the given delay) and printing the lines it
// gets. The replay begins once that link is made (at once with --no-tcp); with --loop a
// recording without traffic is sent again every 10 s. Commands on standard input: "drop"
// (close the TCP link), "open" (connect again), "quit".
#include <fmt/format.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "recording.h"
#include "rt_client.h"

namespace {

using namespace vexo::standin;

struct Arguments {
  ReplayOptions replay;
  ClientOptions client;
  bool tcp = true;
  bool loop = false;
  std::vector<std::string> recordings;
};

template <typename T>
T lf_number(std::string_view text, std::string_view option) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) {
    throw std::runtime_error(fmt::format("{}: not a number: {}", option, text));
  }
  return value;
}

Arguments lf_parseArguments(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto next = [&]() -> std::string_view {
      if (i + 1 >= argc) throw std::runtime_error(fmt::format("{} needs a value", arg));
      return argv[++i];
    };
    if (arg == "--weather-port") {
      args.replay.weatherPort = lf_number<std::uint16_t>(next(), arg);
    } else if (arg == "--traffic-port") {
      args.replay.trafficPort = lf_number<std::uint16_t>(next(), arg);
    } else if (arg == "--tcp-port") {
      args.client.port = lf_number<std::uint16_t>(next(), arg);
    } else if (arg == "--no-tcp") {
      args.tcp = false;
    } else if (arg == "--level") {
      args.client.level = lf_number<int>(next(), arg);
    } else if (arg == "--version") {
      args.client.version = std::string(next());
    } else if (arg == "--answer-delay") {
      args.client.answerDelay = std::chrono::milliseconds(lf_number<int>(next(), arg));
    } else if (arg == "--speed") {
      args.replay.speed = lf_number<double>(next(), arg);
    } else if (arg == "--loop") {
      args.loop = true;
    } else if (arg.starts_with("--")) {
      throw std::runtime_error(fmt::format("unknown option {}", arg));
    } else {
      args.recordings.emplace_back(arg);
    }
  }
  if (args.recordings.empty()) throw std::runtime_error("no recording given");
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Arguments args = lf_parseArguments(argc, argv);
    std::atomic<bool> stop{false};
    args.replay.stop = &stop;
    args.client.onLine = [](const std::string& line) {
      fmt::print("received: {}\n", line);
      std::fflush(stdout);
    };
    std::unique_ptr<RtClient> client;
    if (args.tcp) client = std::make_unique<RtClient>(args.client);

    std::thread replayer([&] {
      const std::vector<std::filesystem::path> paths(args.recordings.begin(), args.recordings.end());
      const auto linkUp = [&] { return !client || client->waitForConnection(stop); };
      gf_replayRecordings(paths, args.replay, args.loop, linkUp,
                          [](const std::filesystem::path& path, const ReplayCounts& counts) {
                            fmt::print("replayed {}: {} weather, {} traffic, {} failed\n", path.string(),
                                       counts.weather, counts.traffic, counts.failed);
                            std::fflush(stdout);
                          });
    });

    for (std::string command; !stop.load() && std::getline(std::cin, command);) {
      if (command == "quit") {
        stop.store(true);
        break;
      }
      if (command == "drop" && client) client->drop();
      if (command == "open" && client) client->reopen();
    }
    if (!args.loop) {
      replayer.join();  // end of input: let the replay finish
    } else {
      stop.store(true);
      replayer.join();
    }
    return 0;
  } catch (const std::exception& e) {
    fmt::print(stderr, "trafficstandin: {}\n", e.what());
    return 2;
  }
}
