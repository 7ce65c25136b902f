// Recordings of the traffic source's UDP output and their replay as the traffic source
// of today sends it: weather JSON to the QNH port, RTTFC records to the traffic port.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::standin {

struct RecordingLine {
  enum class Kind { weather, traffic };
  Kind kind = Kind::traffic;
  std::string text;        // as recorded, without the line end
  double timestamp = 0.0;  // traffic lines: field 14, UTC seconds
};

// The weather and traffic lines of a recording (AITFC or RTTFC); other lines and
// traffic lines without a readable time are left out. Throws std::runtime_error when
// the file cannot be read.
std::vector<RecordingLine> gf_readRecording(const std::filesystem::path& path);

// An AITFC or RTTFC line as an RTTFC record of 29 fields, its time moved by timeShift
// seconds. Fields 15 to 28 of a shorter line are filled as the source fills them for an
// ADS-B target: true heading from the track, unknown airspeed, no roll; a missing text
// value reads "null".
std::string gf_toTrafficRecord(std::string_view line, double timeShift);

// The replay's clock: the steady clock by default; a test gives its own so that a replay
// runs without waiting.
struct ReplayClock {
  using TimePoint = std::chrono::steady_clock::time_point;
  std::function<TimePoint()> now;
  // Returns at due, or earlier when stop is set.
  std::function<void(TimePoint due, const std::atomic<bool>* stop)> waitUntil;
};

struct ReplayOptions {
  std::uint16_t weatherPort = 49004;
  std::uint16_t trafficPort = 49005;
  double speed = 1.0;             // 1: real pacing; 10: ten times faster; 0: no pauses
  bool rebaseToNow = true;        // move the times so that the first record is now
  // The latest weather line is sent again after this many seconds of the recording, as
  // the source repeats it, so that a reader that starts late still gets a QNH; 0: never.
  double weatherEvery = 10.0;
  const std::atomic<bool>* stop = nullptr;  // ends the replay early when set
  ReplayClock clock;                        // empty members: the steady clock
};

struct ReplayCounts {
  std::size_t weather = 0;
  std::size_t traffic = 0;
  std::size_t failed = 0;  // datagrams that could not be sent
};

// Sends the lines to 127.0.0.1, paced by their times.
ReplayCounts gf_replay(const std::vector<RecordingLine>& lines, const ReplayOptions& options);

// Replays the recordings in turn, over and over with loop, but only once linkUp() says the
// program listens (false: stop before anything is sent). A pass that sends no traffic
// waits weatherEvery seconds (at least one) before the next, rather than spinning.
// report is told the counts of each recording replayed.
void gf_replayRecordings(const std::vector<std::filesystem::path>& recordings, const ReplayOptions& options,
                         bool loop, const std::function<bool()>& linkUp,
                         const std::function<void(const std::filesystem::path&, const ReplayCounts&)>& report);

}  // namespace vexo::standin
