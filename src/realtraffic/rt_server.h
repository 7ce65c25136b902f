// The TCP server that RealTraffic connects to when it runs on this machine: one
// listening socket on 127.0.0.1, at most one client, and lines of the form key=value
// ending in "\r\n".
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace vexo {

// How long a connection to the port is given to answer the version request, counted in
// looks (one a tick, 10 ms): ten seconds. RealTraffic answers at once; a slow machine may
// take a few seconds; anything else on the port is given up.
inline constexpr int g_versionAnswerLooks = 1000;
// Connections asked and not answered yet, at most: beyond, the oldest is given up, so
// that a port flooded with connections never keeps a new one from being asked.
inline constexpr std::size_t g_maxAskedConnections = 64;

// What one look for RealTraffic found.
struct RealTrafficLook {
  bool answered = false;  // a connection answered: it is the client now
  std::string reply;      // its answer to the version request
  int givenUp = 0;        // connections given up in this look for not answering in time
};

// How the wait for RealTraffic at the start ended.
enum class RealTrafficWait {
  connected,  // a connection answered the version request: RealTraffic
  silent,     // every connection made was given up without an answer
  ended       // the run ended or the server was closed first
};

// Each socket is owned here and closed once, when its last user lets go: close() takes
// the sockets out and shuts them down, which wakes a thread waiting on one of them.
// Only a connection that answered the version request ("Qs999=version") becomes the
// client: lines go to RealTraffic and to nothing else on the port.
class RTServer {
public:
  // Opens the server at the port given as text ("0": any free port). Throws
  // std::runtime_error naming the step that failed. Start-up thread.
  void start(const std::string& portText);
  std::uint16_t port() const;  // the bound port; 0 when closed

  // Never waits. While no client is connected: takes every connection pending on the
  // port and asks each for its version, and reads the answers of those asked on earlier
  // looks. The first that answers becomes the client and the others are closed; one that
  // closes its end is dropped; one that has not answered within g_versionAnswerLooks
  // looks is given up. Start-up and tick thread.
  RealTrafficLook lookForRealTraffic();
  // The start: waits for RealTraffic to connect and answer, calling pause between looks
  // (a tick's length). Gives up when the run ends or the server is closed. Start-up thread.
  RealTrafficWait waitForRealTraffic(std::string& versionReply, const std::function<void()>& pause);
  // Sends one whole line; false when it failed (the client is then dropped and counts
  // as lost). A client that has closed its end counts as a failed send.
  bool sendDataPacket(const std::string& line);
  // True once after the client was lost: a line could not go to it.
  bool takeLoss() { return lost_.exchange(false); }
  // Sends "exit\r\n" to a connected client, then closes every socket. Any thread.
  void close();

  bool connected() const { return connected_.load(); }

private:
  // A connection asked for its version, with the looks it has been given so far.
  struct Asked {
    platform::Socket socket;
    int looks = 0;
  };

  std::shared_ptr<platform::Socket> listenSocket() const;
  std::shared_ptr<platform::Socket> clientSocket() const;
  bool hasAsked() const;
  // Takes the connections pending on the listening socket and asks each for its version;
  // the oldest asked give way beyond g_maxAskedConnections. Returns how many gave way.
  static int askPending(int listenFd, std::vector<Asked>& asked);
  // Waits until a connection is pending; false when the run ends or the server closes.
  bool waitForConnection(const std::shared_ptr<platform::Socket>& listener);
  void dropClient(const std::shared_ptr<platform::Socket>& client);

  mutable std::mutex mutex_;  // guards listenSocket_, clientSocket_, asked_ and port_
  std::shared_ptr<platform::Socket> listenSocket_;
  std::shared_ptr<platform::Socket> clientSocket_;
  std::vector<Asked> asked_;  // taken out by a look while it runs
  std::uint16_t port_ = 0;
  std::mutex sendMutex_;  // one line at a time on the wire
  std::atomic<bool> connected_{false};
  std::atomic<bool> lost_{false};
};

extern RTServer g_rtServer;

// The program's calls on g_rtServer.
void gf_startRTServer(const std::string& portText);
void gf_closeRTServer();

}  // namespace vexo
