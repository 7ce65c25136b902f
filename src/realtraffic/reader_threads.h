// The two reader threads, "Traffic Reader" (UDP 49005) and "QNH Reader" (UDP 49004),
// their lights and the reset of the receivers between runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace vexo {

inline constexpr std::uint16_t g_trafficPort = 49005;
inline constexpr std::uint16_t g_qnhPort = 49004;
inline constexpr std::string_view g_trafficReaderName = "Traffic Reader";
inline constexpr std::string_view g_qnhReaderName = "QNH Reader";

// The light was last set to receiving by gf_updateReaderLights.
extern std::atomic<bool> g_trafficReceiving;
extern std::atomic<bool> g_qnhReceiving;

// Thread bodies, started detached by the start of traffic. atThisPc: RealTraffic runs on
// this machine, so the reader binds to 127.0.0.1 and delivers every datagram; otherwise
// it binds to every address and drops a datagram that repeats the previous one. A
// failure ends the run through gf_reportReaderError. Both return when their receiver's
// stopRequested is set (within about a second).
void lf_trafficReaderThread(std::uint16_t port, bool atThisPc);
void lf_qnhReaderThread(std::uint16_t port, bool atThisPc);

// Tick thread: shows each reader as receiving (1) or idle (2) by whether datagrams
// arrived since the last call; only while the RealTraffic link is shown as up.
void gf_updateReaderLights();

// Back to the start of a run: record clock 0, callsigns emptied, stop flags cleared,
// QNH 1013 as last published, counters 0, receiving flags set.
void gf_resetReaders();

void lf_logReaderConnected(std::string_view threadName);
void lf_logReaderDisconnected(std::string_view threadName);

}  // namespace vexo
