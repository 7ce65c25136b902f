#include "simlink/simconnect_cfg.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/ini_file.h"
#include "simlink/message_cutter.h"

namespace vexo {

namespace {
// The profile functions read each value with a 2048-character buffer; address and port
// keep up to 1023 characters.
constexpr std::size_t g_valueLimit = 2047;
constexpr std::size_t g_textLimit = 1023;

bool lf_equalsNoCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::string> lf_value(const platform::IniFile& file, const std::string& section, const char* key) {
  auto value = file.value(section, key);
  if (!value || value->empty()) return std::nullopt;
  if (value->size() > g_valueLimit) value->resize(g_valueLimit);
  return value;
}

std::optional<std::uint64_t> lf_number(const std::string& text) {
  std::uint64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return number;
}

void lf_setProtocol(const std::string& value, SimConnectConfig& config, const SimConnectPortReader& readPort) {
  if (lf_equalsNoCase(value, "Auto") || lf_equalsNoCase(value, "Pipe")) {
    config.protocol = SimConnectProtocol::pipe;
  } else if (lf_equalsNoCase(value, "IPv4") || lf_equalsNoCase(value, "IPv6")) {
    const bool ipv6 = lf_equalsNoCase(value, "IPv6");
    config.protocol = ipv6 ? SimConnectProtocol::ipv6 : SimConnectProtocol::ipv4;
    // A pipe name from an earlier file means nothing to TCP: the simulator's port replaces it.
    if (!config.port.empty()) config.port = readPort ? readPort(ipv6) : std::string();
  }
}
}  // namespace

std::string gf_cfgSectionName(std::uint32_t configIndex) {
  return configIndex == 0 ? std::string("SimConnect") : fmt::format("SimConnect.{}", configIndex);
}

void lf_readSimConnectCfg(const std::filesystem::path& file, std::uint32_t configIndex, SimConnectConfig& config,
                          const SimConnectPortReader& readPort) {
  const auto ini = platform::IniFile::load(file);
  if (!ini) return;
  const std::string section = gf_cfgSectionName(configIndex);
  if (auto value = lf_value(*ini, section, "Protocol")) lf_setProtocol(*value, config, readPort);
  if (auto value = lf_value(*ini, section, "Address")) config.address = value->substr(0, g_textLimit);
  if (auto value = lf_value(*ini, section, "Port")) config.port = value->substr(0, g_textLimit);
  if (auto value = lf_value(*ini, section, "MaxReceiveSize")) {
    // Above 1 MiB the receive buffer cannot hold a message, so larger values stop there.
    const auto number = lf_number(*value);
    if (number && *number <= 0xFFFFFFFFu && *number > config.maxReceiveSize)
      config.maxReceiveSize = std::min<std::uint32_t>(static_cast<std::uint32_t>(*number), g_receiveBufferLimit);
  }
  if (auto value = lf_value(*ini, section, "DisableNagle")) {
    if (const auto number = lf_number(*value)) config.disableNagle = *number != 0;
  }
}

int lf_cfgSectionExists(const std::filesystem::path& file, std::uint32_t configIndex) {
  const auto ini = platform::IniFile::load(file);
  return ini && ini->hasSection(gf_cfgSectionName(configIndex)) ? 0 : 3;
}

}  // namespace vexo
