// The TCP server that RealTraffic connects to when it runs on this machine: one
// listening socket on 127.0.0.1, at most one client, and lines of the form key=value
// ending in "\r\n".
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/socket.h"

namespace vexo {

// Each socket is owned here and closed once, when its last user lets go: close() takes
// the sockets out and shuts them down, which wakes a thread waiting on one of them.
// Waits poll in short slices and give up when the run ends (g_closing, g_windowClosed)
// or the server is closed.
class RTServer {
public:
  // Opens the server at the port given as text ("0": any free port). Throws
  // std::runtime_error naming the step that failed. Start-up thread.
  void start(const std::string& portText);
  std::uint16_t port() const;  // the bound port; 0 when closed

  // Accepts RealTraffic; true when a new client is connected. False at once when one is
  // connected already; false when the run ends or the server is closed meanwhile. Of the
  // connections pending, the newest one still open is taken and the others are closed.
  bool waitForClient();
  // The same without waiting: accepts RealTraffic only when its connection is pending now.
  bool acceptPendingClient();
  // True once a line has gone to the current client: a connection that never carried
  // one and fails was not RealTraffic (a connect-and-close call on the port).
  bool clientCarriedLine() const { return clientCarriedLine_.load(); }
  // Asks the client for its version ("Qs999=version"): its answer, or empty when none
  // came within a few seconds. A client that closed its end instead is dropped.
  std::string askVersion();
  // True once the current client answered askVersion.
  bool clientAnswered() const { return clientAnswered_.load(); }
  // A client that has not answered gives way to the newest connection pending now (not
  // yet asked); true when it did. Never waits.
  bool replaceSilentClient();
  // Waits for RealTraffic and asks for its version. A connection that goes before it
  // answers was not RealTraffic: the wait goes on. One that stays silent is kept only
  // while no other connection is pending, else the newest pending one is asked in its
  // place. True with the answer (empty: none received) once a client is kept; false when
  // the run ends or the server is closed first. Start-up thread.
  bool waitForRealTraffic(std::string& versionReply);
  // Sends one whole line; false when it failed (the client is then dropped). A client
  // that has closed its end counts as a failed send.
  bool sendDataPacket(const std::string& line);
  // One receive from the client: empty on failure, at the end of the stream, when the
  // data filled the buffer, or when the run ends while waiting.
  std::string receive();
  // Sends "exit\r\n" to a connected client, then closes both sockets. Any thread.
  void close();

  bool connected() const { return connected_.load(); }

private:
  std::shared_ptr<platform::Socket> listenSocket() const;
  std::shared_ptr<platform::Socket> clientSocket() const;
  // Accepts within the wait (zero: only a pending connection); true when one is connected.
  // A connected client is replaced by the one accepted.
  bool acceptClient(std::chrono::milliseconds wait, bool untilRunEnds);
  void dropClient(const std::shared_ptr<platform::Socket>& client);
  // One receive from client, given up at the deadline when there is one.
  std::string receiveFrom(const std::shared_ptr<platform::Socket>& client,
                          std::optional<std::chrono::steady_clock::time_point> deadline);

  mutable std::mutex mutex_;  // guards listenSocket_, clientSocket_ and port_
  std::shared_ptr<platform::Socket> listenSocket_;
  std::shared_ptr<platform::Socket> clientSocket_;
  std::uint16_t port_ = 0;
  std::mutex sendMutex_;  // one line at a time on the wire
  std::atomic<bool> connected_{false};
  std::atomic<bool> clientCarriedLine_{false};
  std::atomic<bool> clientAnswered_{false};
};

extern RTServer g_rtServer;

// The program's calls on g_rtServer.
void gf_startRTServer(const std::string& portText);
bool waitForClient();
bool sendDataPacket(const std::string& line);
std::string receive();
void gf_closeRTServer();

}  // namespace vexo
