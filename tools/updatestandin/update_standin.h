// An update server stand-in: HTTP/1.1 on 127.0.0.1 that serves a map of paths to bytes,
// for the downloader's and the updater's tests and for the demo (standin_main.cpp serves a
// folder). Each connection gets one answer and is closed. Besides whole answers it can
// fail the ways a real server or the way to it does: an error status, a body cut off
// mid-transfer, silence after accepting, silence mid-body, a body without a length, and a
// body that trickles forever.
//
// Thread-safe: route() and requests() may be called from any thread while the stand-in's
// own threads serve; each connection is served on a thread of its own, so a stalled one
// holds up no other.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/socket.h"

namespace vexo::updatestandin {

struct Reply {
  enum class Kind {
    whole,             // status line, headers and the whole body
    cutBody,           // announces the whole body, sends half of it and closes
    stallBeforeReply,  // reads the request and says nothing
    stallMidBody,      // sends the headers and half the body, then nothing more
    noLength,          // no Content-Length: the body ends when the connection closes
    trickle,           // no Content-Length; sends the body byte by byte, one every 20 ms, over and over
  };
  Reply(int status_, std::string body_, Kind kind_ = Kind::whole, std::string extraHeaders_ = {})
      : status(status_), body(std::move(body_)), kind(kind_), extraHeaders(std::move(extraHeaders_)) {}

  int status;
  std::string body;
  Kind kind;
  std::string extraHeaders;  // each ending in "\r\n"
};

class UpdateStandIn {
public:
  // Listens on 127.0.0.1:port (0: a free port). Throws std::runtime_error when it cannot.
  explicit UpdateStandIn(std::uint16_t port = 0);
  // Stops serving: stalled connections are closed, every thread joined.
  ~UpdateStandIn();
  UpdateStandIn(const UpdateStandIn&) = delete;
  UpdateStandIn& operator=(const UpdateStandIn&) = delete;

  std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port><path>"; base() is url("/").
  std::string url(const std::string& path) const;
  std::string base() const { return url("/"); }

  // The answer to a request for path (a path that has none gets 404 "not here").
  void route(const std::string& path, Reply reply);
  // The paths requested so far, in order.
  std::vector<std::string> requests() const;

private:
  struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void serve();
  void answer(const platform::Socket& client);
  bool waitReadable(const platform::Socket& client, std::chrono::steady_clock::time_point deadline) const;
  void holdUntilClosed(const platform::Socket& client, std::chrono::steady_clock::time_point deadline) const;
  void trickle(const platform::Socket& client, const std::string& head, const std::string& body,
               std::chrono::steady_clock::time_point deadline) const;

  platform::Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;  // guards routes_ and requests_
  std::map<std::string, Reply> routes_;
  std::vector<std::string> requests_;
  std::list<Connection> connections_;  // the serving thread's own
  std::thread thread_;
};

}  // namespace vexo::updatestandin
