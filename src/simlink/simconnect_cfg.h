// SimConnect.cfg: how to reach the simulator. An ini file whose section "SimConnect"
// (configuration index 0) or "SimConnect.<n>" holds Protocol, Address, Port,
// MaxReceiveSize and DisableNagle; several files may be read, a later one overriding.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vexo {

// The protocol value doubles as the TCP address family.
namespace SimConnectProtocol {
inline constexpr std::uint32_t pipe = 1;
inline constexpr std::uint32_t ipv4 = 2;
inline constexpr std::uint32_t ipv6 = 23;
}  // namespace SimConnectProtocol

inline constexpr std::uint32_t g_configIndexNoFile = 0xFFFFFFFFu;

struct SimConnectConfig {
  std::uint32_t protocol = SimConnectProtocol::pipe;
  std::string address;  // pipe server or TCP host
  std::string port;     // pipe name (behind "\pipe\") or TCP port
  std::uint32_t maxReceiveSize = 41088;
  bool disableNagle = false;
};

// The simulator's SimConnect port for IPv6 (else IPv4) as text; empty when unknown.
using SimConnectPortReader = std::function<std::string(bool ipv6)>;

std::string gf_cfgSectionName(std::uint32_t configIndex);

// Reads the section of configIndex from file into config, value by value: an empty or
// missing value leaves a setting unchanged; a Protocol of IPv4 or IPv6 replaces a port
// set by an earlier file with the simulator's registry port; MaxReceiveSize is taken
// only when larger than the current value and never above 1 MiB. The file is read as
// the system's profile functions read it: UTF-16LE text with its byte-order mark, or
// plain text. A missing file contributes nothing; so does one that is neither (or holds
// more than 1 MiB), which is logged once.
void lf_readSimConnectCfg(const std::filesystem::path& file, std::uint32_t configIndex, SimConnectConfig& config,
                          const SimConnectPortReader& readPort);

// 0 when file has the section of configIndex with at least one entry, else 3.
int lf_cfgSectionExists(const std::filesystem::path& file, std::uint32_t configIndex);

// The registry value SimConnect_Port_IPv6 (else SimConnect_Port_IPv4) of the simulator,
// at most 9 characters; empty when the key or value is missing.
std::string lf_readSimConnectPort(bool ipv6);

}  // namespace vexo
