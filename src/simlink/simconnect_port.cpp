#include "platform/registry.h"
#include "simlink/simconnect_cfg.h"

namespace vexo {

namespace {
// The value is read into room for 20 bytes of UTF-16: nine characters and the terminator.
constexpr std::size_t g_portLimit = 9;
}  // namespace

std::string lf_readSimConnectPort(bool ipv6) {
  const auto key = platform::RegistryKey::open(platform::RegistryRoot::currentUser,
                                               "SOFTWARE\\Lockheed Martin\\Prepar3D v5");
  if (!key) return {};
  auto port = key->readString(ipv6 ? "SimConnect_Port_IPv6" : "SimConnect_Port_IPv4");
  if (!port) return {};
  if (port->size() > g_portLimit) port->resize(g_portLimit);
  return *port;
}

}  // namespace vexo
