#include "simlink/open_chain.h"

#include <system_error>

#include "platform/known_folders.h"
#include "simlink/client_list.h"

namespace vexo {

namespace {
constexpr const char* g_cfgFileName = "SimConnect.cfg";

std::shared_ptr<SimConnectClient> lf_attempt(const SimConnectEnvironment& environment, LinkKind kind, int family,
                                             const SimConnectConfig& config) {
  if (!environment.connect) return nullptr;
  return environment.connect({kind, family, config.address, config.port, config.maxReceiveSize, config.disableNagle});
}

std::string lf_port(const SimConnectEnvironment& environment, bool ipv6) {
  return environment.readPort ? environment.readPort(ipv6) : std::string();
}
}  // namespace

std::shared_ptr<SimConnectClient> gf_connectLink(const LinkTarget& target) {
  auto client = SimConnectClient::create(target.kind);
  if (client->connectTransport(target.family, target.address, target.port, target.maxReceiveSize,
                               target.disableNagle) != 0) {
    gf_destroyClient(std::move(client));
    return nullptr;
  }
  return client;
}

SimConnectEnvironment gf_simConnectEnvironment() {
  SimConnectEnvironment environment;
  for (auto folder : {platform::KnownFolder::publicDocuments, platform::KnownFolder::documents}) {
    if (auto path = platform::gf_knownFolderPath(folder)) environment.cfgFolders.push_back(*path);
  }
  std::error_code error;
  auto cwd = std::filesystem::current_path(error);
  if (!error) environment.cfgFolders.push_back(cwd);
  environment.readPort = lf_readSimConnectPort;
  environment.connect = gf_connectLink;
  return environment;
}

int lf_openSimConnectClient(std::shared_ptr<SimConnectClient>& out, std::uint32_t configIndex,
                            const SimConnectEnvironment& environment) {
  out.reset();
  SimConnectConfig config;

  if (configIndex != 0 && configIndex != g_configIndexNoFile) {
    bool found = false;
    for (const auto& folder : environment.cfgFolders) {
      if (lf_cfgSectionExists(folder / g_cfgFileName, configIndex) == 0) {
        found = true;
        break;
      }
    }
    if (!found) return 3;
  }
  if (configIndex != g_configIndexNoFile) {
    for (const auto& folder : environment.cfgFolders)
      lf_readSimConnectCfg(folder / g_cfgFileName, configIndex, config, environment.readPort);
  } else {
    config.protocol = SimConnectProtocol::pipe;
  }

  enum class Step { pipe, ipv6, ipv4 };
  Step step = config.protocol == SimConnectProtocol::ipv6   ? Step::ipv6
              : config.protocol == SimConnectProtocol::ipv4 ? Step::ipv4
                                                            : Step::pipe;
  std::shared_ptr<SimConnectClient> client;
  if (step == Step::pipe) {
    client = lf_attempt(environment, LinkKind::pipe, 0, config);
    if (!client) {
      if (!config.address.empty() && config.address != ".") return 1;
      config.address = "::1";
      config.port = lf_port(environment, true);
      step = Step::ipv6;
    }
  }
  if (!client && step == Step::ipv6) {
    if (!config.port.empty())
      client = lf_attempt(environment, LinkKind::tcp, static_cast<int>(SimConnectProtocol::ipv6), config);
    if (!client) {
      if (config.address != "::1") return 1;
      config.address = "127.0.0.1";
      config.port = lf_port(environment, false);
      step = Step::ipv4;
    }
  }
  if (!client && step == Step::ipv4) {
    if (!config.port.empty())
      client = lf_attempt(environment, LinkKind::tcp, static_cast<int>(SimConnectProtocol::ipv4), config);
    if (!client) {
      if (config.address != "127.0.0.1") return 1;
      config.address = ".";
      config.port.clear();
      client = lf_attempt(environment, LinkKind::pipe, 0, config);
      if (!client) return 1;
    }
  }
  out = std::move(client);
  return 0;
}

}  // namespace vexo
