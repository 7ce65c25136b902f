// Shared pieces of the SimConnect client tests: a client on one end of a socket pair (so a
// test reads exactly the bytes it sends), and a sandbox of folders for SimConnect.cfg and
// the pipe sockets.
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/socket.h"
#include "simlink/byte_io.h"
#include "simlink/client_list.h"
#include "simlink/open_chain.h"
#include "simlink/simconnect.h"
#include "simlink/simconnect_client.h"
#include "simstandin/messages.h"
#include "test_support.h"

namespace vexo::test {

using simstandin::Bytes;

inline constexpr auto g_wait = std::chrono::seconds(10);

// Reads exactly count bytes, waiting at most g_wait for each part; shorter on failure.
inline Bytes readExactly(int fd, std::size_t count) {
  Bytes bytes(count);
  std::size_t got = 0;
  while (got < count) {
    if (platform::gf_waitReadable(fd, std::chrono::duration_cast<std::chrono::milliseconds>(g_wait)) !=
        platform::WaitResult::ready)
      break;
    const ssize_t n = ::recv(fd, bytes.data() + got, count - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

// One whole request packet from the peer end.
inline Bytes readPacket(int fd) {
  Bytes size = readExactly(fd, 4);
  if (size.size() < 4) return {};
  const std::uint32_t total = ByteReader(size).u32(0);
  if (total < 4 || total > 1024 * 1024) return size;
  Bytes rest = readExactly(fd, total - 4);
  size.insert(size.end(), rest.begin(), rest.end());
  return size;
}

// A client whose link is one end of a socket pair; the test holds the other end.
struct PairedClient {
  std::shared_ptr<SimConnectClient> client;
  HANDLE handle = nullptr;
  platform::Socket peer;

  explicit PairedClient(LinkKind kind = LinkKind::tcp, std::uint32_t maxReceiveSize = g_defaultMaxReceiveSize) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw std::runtime_error("socketpair");
    peer = platform::Socket(fds[1]);
    client = SimConnectClient::create(kind);
    if (client->attachSocket(platform::Socket(fds[0]), maxReceiveSize, false) != 0)
      throw std::runtime_error("attach");
    handle = gf_addClient(client);
  }
  ~PairedClient() {
    if (handle) SimConnect_Close(handle);
  }
  PairedClient(const PairedClient&) = delete;
  PairedClient& operator=(const PairedClient&) = delete;

  Bytes nextPacket() { return readPacket(peer.fd()); }
};

// Collects what CallDispatch delivers.
struct Collected {
  std::vector<Bytes> messages;
  static void callback(const std::byte* data, std::uint32_t size, void* context) {
    static_cast<Collected*>(context)->messages.emplace_back(data, data + size);
  }
};

// Dispatches until done() holds or g_wait has passed; returns the last result.
template <class Done>
HRESULT dispatchUntil(HANDLE handle, Collected& collected, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + g_wait;
  HRESULT result = S_OK;
  for (;;) {
    result = SimConnect_CallDispatch(handle, &Collected::callback, &collected);
    if (done() || std::chrono::steady_clock::now() >= deadline) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Dispatches until the result is expected or g_wait has passed; returns the last result.
inline HRESULT dispatchUntilResult(HANDLE handle, Collected& collected, HRESULT expected) {
  HRESULT result = S_OK;
  dispatchUntil(handle, collected, [&] {
    result = SimConnect_CallDispatch(handle, &Collected::callback, &collected);
    return result == expected;
  });
  return result;
}

// Points the known folders, the working folder and the pipe folder at fresh temporary
// folders, and makes the teardown not wait.
class SimLinkSandbox {
public:
  SimLinkSandbox() {
    for (const char* sub : {"public", "documents", "cwd", "pipes"}) std::filesystem::create_directories(root_ / sub);
    ::setenv("VDRK_PUBLIC_DOCUMENTS", (root_ / "public").c_str(), 1);
    ::setenv("VDRK_DOCUMENTS", (root_ / "documents").c_str(), 1);
    ::setenv("VDRK_PIPE_DIR", (root_ / "pipes").c_str(), 1);
    cwd_.emplace(root_ / "cwd");
    g_teardownSleep = [](std::chrono::milliseconds) {};
  }
  ~SimLinkSandbox() {
    cwd_.reset();
    ::unsetenv("VDRK_PUBLIC_DOCUMENTS");
    ::unsetenv("VDRK_DOCUMENTS");
    ::unsetenv("VDRK_PIPE_DIR");
  }
  std::filesystem::path publicDocuments() const { return root_.path() / "public"; }
  std::filesystem::path documents() const { return root_.path() / "documents"; }
  std::filesystem::path cwd() const { return root_.path() / "cwd"; }

  // The system's own environment with the simulator's ports given here.
  SimConnectEnvironment environment(std::string ipv6Port, std::string ipv4Port) const {
    SimConnectEnvironment environment = gf_simConnectEnvironment();
    environment.readPort = [=](bool ipv6) { return ipv6 ? ipv6Port : ipv4Port; };
    return environment;
  }

private:
  TempDir root_;
  std::optional<ScopedCwd> cwd_;
};

}  // namespace vexo::test
