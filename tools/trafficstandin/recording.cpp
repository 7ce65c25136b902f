#include "recording.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/net.h"
#include "realtraffic/record_fields.h"

namespace vexo::standin {

namespace {

constexpr std::size_t g_timeField = 14;

using Clock = std::chrono::steady_clock;

bool lf_stopped(const ReplayOptions& options) { return options.stop && options.stop->load(); }

Clock::time_point lf_now(const ReplayOptions& options) { return options.clock.now ? options.clock.now() : Clock::now(); }

void lf_waitUntil(const ReplayOptions& options, Clock::time_point due) {
  if (options.clock.waitUntil) return options.clock.waitUntil(due, options.stop);
  while (Clock::now() < due && !lf_stopped(options))
    std::this_thread::sleep_for(std::min<Clock::duration>(due - Clock::now(), std::chrono::milliseconds(100)));
}

bool lf_isTrafficLine(std::string_view line) { return line.starts_with("AITFC,") || line.starts_with("RTTFC,"); }

std::string lf_timeText(double time) {
  // Whole seconds print without a fraction, as recorded.
  return time == static_cast<double>(static_cast<std::int64_t>(time)) ? fmt::format("{}", static_cast<std::int64_t>(time))
                                                                      : fmt::format("{:.3f}", time);
}

}  // namespace

std::vector<RecordingLine> gf_readRecording(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(fmt::format("cannot read {}", path.string()));
  std::vector<RecordingLine> lines;
  std::vector<std::string_view> fields;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("{")) {
      lines.push_back({RecordingLine::Kind::weather, line, 0.0});
    } else if (lf_isTrafficLine(line)) {
      gf_splitRecord(line, fields);
      if (fields.size() <= g_timeField) continue;
      const auto time = gf_readDouble(fields[g_timeField]);
      if (!time) continue;
      lines.push_back({RecordingLine::Kind::traffic, line, *time});
    }
  }
  return lines;
}

std::string gf_toTrafficRecord(std::string_view line, double timeShift) {
  std::vector<std::string_view> fields;
  gf_splitRecord(line, fields);
  fields.resize(std::max<std::size_t>(fields.size(), 15));
  std::vector<std::string> out(fields.begin(), fields.end());
  out[0] = "RTTFC";
  for (const std::size_t text : {9, 10, 11, 12, 13}) {
    if (out[text].empty()) out[text] = "null";
  }
  if (const auto time = gf_readDouble(out[g_timeField])) out[g_timeField] = lf_timeText(*time + timeShift);
  if (out.size() < 29) {
    const std::string track = gf_readDouble(out[7]) ? out[7] : "-1";
    const std::string& altitude = out[4];
    const std::string& verticalRate = out[5];
    const std::vector<std::string> tail{
        "X",          // 15 data source
        "null",       // 16 IATA callsign
        "adsb_icao",  // 17 message kind
        altitude,     // 18 geometric altitude
        "-1",         // 19 indicated airspeed
        "-1",         // 20 true airspeed: unknown
        "-1",         // 21 Mach
        "-1",         // 22 track rate
        "-1",         // 23 roll: none
        "-1",         // 24 magnetic heading
        track,        // 25 true heading
        verticalRate, // 26 geometric vertical rate
        "none",       // 27 emergency
        "A0",         // 28 emitter category: no information
    };
    out.resize(15);
    out.insert(out.end(), tail.begin(), tail.end());
  }
  return fmt::format("{}", fmt::join(out, ","));
}

ReplayCounts gf_replay(const std::vector<RecordingLine>& lines, const ReplayOptions& options) {
  ReplayCounts counts;
  int error = 0;
  bool failedAtBind = false;
  const platform::Socket socket = platform::gf_openUdpSocket(0, true, error, failedAtBind);
  if (!socket.valid()) throw std::runtime_error(fmt::format("cannot open a UDP socket: {}", error));

  const auto first = std::find_if(lines.begin(), lines.end(),
                                   [](const RecordingLine& l) { return l.kind == RecordingLine::Kind::traffic; });
  const double firstTime = first == lines.end() ? 0.0 : first->timestamp;
  const double shift =
      options.rebaseToNow
          ? std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() - firstTime
          : 0.0;
  const auto start = lf_now(options);
  // Waits until the recording's clock reaches time.
  const auto paceTo = [&](double time) {
    if (options.speed <= 0.0) return;
    lf_waitUntil(options, start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>((time - firstTime) / options.speed)));
  };
  const auto send = [&](std::uint16_t port, const std::string& text, std::size_t& count) {
    ++count;
    if (!platform::gf_sendDatagramToLoopback(socket.fd(), port, text, error)) ++counts.failed;
  };

  const std::string* weather = nullptr;  // the latest weather line
  double recordTime = firstTime;         // of the last traffic line sent
  double weatherTime = firstTime;        // when the weather was last sent
  for (const RecordingLine& line : lines) {
    if (lf_stopped(options)) break;
    if (line.kind == RecordingLine::Kind::weather) {
      weather = &line.text;
      weatherTime = recordTime;
      send(options.weatherPort, line.text, counts.weather);
      continue;
    }
    while (weather && options.weatherEvery > 0.0 && weatherTime + options.weatherEvery <= line.timestamp) {
      // Without pauses a long gap gets one repetition, not a burst.
      weatherTime = options.speed > 0.0 ? weatherTime + options.weatherEvery : line.timestamp;
      paceTo(weatherTime);
      if (lf_stopped(options)) return counts;
      send(options.weatherPort, *weather, counts.weather);
    }
    paceTo(line.timestamp);
    if (lf_stopped(options)) break;
    send(options.trafficPort, gf_toTrafficRecord(line.text, shift), counts.traffic);
    recordTime = line.timestamp;
  }
  return counts;
}

void gf_replayRecordings(const std::vector<std::filesystem::path>& recordings, const ReplayOptions& options,
                         bool loop, const std::function<bool()>& linkUp,
                         const std::function<void(const std::filesystem::path&, const ReplayCounts&)>& report) {
  // Sent before the program listens, the first lines, its weather among them, would be lost.
  if (linkUp && !linkUp()) return;
  do {
    std::size_t traffic = 0;
    for (const auto& path : recordings) {
      if (lf_stopped(options)) return;
      const ReplayCounts counts = gf_replay(gf_readRecording(path), options);
      traffic += counts.traffic;
      if (report) report(path, counts);
    }
    if (loop && traffic == 0 && !lf_stopped(options)) {
      const double seconds = std::max(1.0, options.weatherEvery);
      lf_waitUntil(options, lf_now(options) + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(seconds)));
    }
  } while (loop && !lf_stopped(options));
}

}  // namespace vexo::standin
