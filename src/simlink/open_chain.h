// Opening a client: SimConnect.cfg chooses the first way to the simulator, and the local
// ways fall back on each other: the local pipe, TCP "::1" and "127.0.0.1" at the
// simulator's registry ports, and the local pipe once more. A configured remote server
// that cannot be reached fails at once.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "simlink/simconnect_cfg.h"
#include "simlink/simconnect_client.h"

namespace vexo {

// One attempt to reach the simulator.
struct LinkTarget {
  LinkKind kind = LinkKind::pipe;
  int family = 0;  // SimConnectProtocol::ipv4 or ipv6 for TCP
  std::string address;
  std::string port;
  std::uint32_t maxReceiveSize = 0;
  bool disableNagle = false;
};

// A connected client for target, or null.
using LinkConnector = std::function<std::shared_ptr<SimConnectClient>(const LinkTarget& target)>;

// Where Open looks: the folders of SimConnect.cfg in reading order (Public Documents,
// Documents, current directory), the simulator's ports and the way to connect.
struct SimConnectEnvironment {
  std::vector<std::filesystem::path> cfgFolders;
  SimConnectPortReader readPort;
  LinkConnector connect;
};

// The system's own: known folders, the working folder, the registry and real links.
SimConnectEnvironment gf_simConnectEnvironment();

// Connects a new client as target says (the production connector).
std::shared_ptr<SimConnectClient> gf_connectLink(const LinkTarget& target);

// 0 with out set (connected), 3 when configIndex names a section no SimConnect.cfg has,
// 1 on any other failure.
int lf_openSimConnectClient(std::shared_ptr<SimConnectClient>& out, std::uint32_t configIndex,
                            const SimConnectEnvironment& environment);

// SimConnect_Open in a given environment (SimConnect_Open uses the system's own).
HRESULT gf_openSimConnect(HANDLE* phSimConnect, const char* szName, void* hWnd, std::uint32_t UserEventWin32,
                          platform::NotifyEvent* hEventHandle, std::uint32_t ConfigIndex,
                          const SimConnectEnvironment& environment);

}  // namespace vexo
