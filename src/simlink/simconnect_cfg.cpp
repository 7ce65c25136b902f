#include "simlink/simconnect_cfg.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>

#include "foundation/charset.h"
#include "foundation/log.h"
#include "platform/ascii_text.h"
#include "platform/ini_file.h"
#include "platform/whole_file.h"
#include "simlink/message_cutter.h"

namespace vexo {

namespace {
// The profile functions read each value with a 2048-character buffer; address and port
// keep up to 1023 characters.
constexpr std::size_t g_valueLimit = 2047;
constexpr std::size_t g_textLimit = 1023;

// Far above any real SimConnect.cfg.
constexpr std::size_t g_maxCfgBytes = std::size_t{1} << 20;

// Open is tried again every 100 ms while the simulator is away and reads the files each
// time, so a file that cannot be read is logged once.
void lf_reportUnreadCfg(const std::filesystem::path& file, std::string_view why) {
  static std::mutex mutex;
  static std::set<std::string> reported;  // guarded by mutex
  const std::string path = gf_pathToUtf8(file);
  {
    std::lock_guard lock(mutex);
    if (!reported.insert(path).second) return;
  }
  gf_log(fmt::format("! {} is not read: {}", path, why));
}

// The file as the system's profile functions read it: UTF-16LE text that begins with its
// byte-order mark, or else plain text. Nothing when it is missing or cannot be read.
std::optional<platform::IniFile> lf_loadCfg(const std::filesystem::path& file) {
  std::string bytes;
  switch (platform::gf_readWholeFile(file, g_maxCfgBytes, bytes)) {
    case platform::WholeFileRead::ok:
      break;
    case platform::WholeFileRead::tooLarge:
      lf_reportUnreadCfg(file, fmt::format("it is larger than {} bytes", g_maxCfgBytes));
      return std::nullopt;
    default:
      return std::nullopt;
  }
  if (bytes.starts_with("\xFF\xFE")) {
    try {
      if (const auto text = gf_utf16ToUtf8(bytes)) return platform::IniFile::parse(*text);
    } catch (const std::runtime_error&) {
      // Invalid UTF-16: reported below.
    }
  } else if (bytes.find('\0') == std::string::npos) {
    return platform::IniFile::parse(bytes);
  }
  lf_reportUnreadCfg(file, "it is neither plain text nor UTF-16LE text with a byte-order mark");
  return std::nullopt;
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
  if (gf_equalsUpper("AUTO", value) || gf_equalsUpper("PIPE", value)) {
    config.protocol = SimConnectProtocol::pipe;
  } else if (gf_equalsUpper("IPV4", value) || gf_equalsUpper("IPV6", value)) {
    const bool ipv6 = gf_equalsUpper("IPV6", value);
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
  const auto ini = lf_loadCfg(file);
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
  const auto ini = lf_loadCfg(file);
  return ini && ini->hasSection(gf_cfgSectionName(configIndex)) ? 0 : 3;
}

}  // namespace vexo
