#include "simlink/client_list.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/link_io.h"
#include "simlink/simconnect_client.h"

namespace vexo {

namespace {
std::mutex g_clientListMutex;  // guards g_clients
std::vector<std::shared_ptr<SimConnectClient>> g_clients;

constexpr auto g_settleBefore = std::chrono::milliseconds(100);
constexpr auto g_settleAfter = std::chrono::milliseconds(250);
constexpr auto g_lastLinkWait = std::chrono::milliseconds(20 * 250);
}  // namespace

std::function<void(std::chrono::milliseconds)> g_teardownSleep = [](std::chrono::milliseconds wait) {
  std::this_thread::sleep_for(wait);
};

HANDLE gf_addClient(std::shared_ptr<SimConnectClient> client) {
  HANDLE handle = client.get();
  std::lock_guard lock(g_clientListMutex);
  g_clients.push_back(std::move(client));
  return handle;
}

std::shared_ptr<SimConnectClient> gf_findClient(HANDLE handle) {
  if (!handle) return nullptr;
  std::lock_guard lock(g_clientListMutex);
  for (const auto& client : g_clients)
    if (client.get() == handle) return client;
  return nullptr;
}

std::size_t gf_liveClientCount() {
  std::lock_guard lock(g_clientListMutex);
  return g_clients.size();
}

void gf_destroyClient(std::shared_ptr<SimConnectClient> client) {
  if (!client) return;
  // Retrying Open every 100 ms must not pay for a link that never existed.
  const bool hadLink = client->everConnected();
  if (hadLink) g_teardownSleep(g_settleBefore);

  // Whatever is still queued is never delivered.
  client->dropReceived();
  {
    std::lock_guard lock(g_clientListMutex);
    std::erase(g_clients, client);
  }
  client->closeLink(CloseReason::none, 0);
  client.reset();  // the client goes with the I/O thread's reference

  if (!hadLink) return;
  g_teardownSleep(g_settleAfter);
  if (gf_liveClientCount() == 0) platform::LinkIo::waitNoneLive(g_lastLinkWait);
}

}  // namespace vexo
