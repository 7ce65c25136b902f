// A SimConnect client written for these tests from the protocol's published layouts alone:
// packets are filled and messages read at hard-coded offsets and widths, so that the
// stand-in is checked against the protocol rather than against its own code or the
// program's client.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::test {

using Wire = std::vector<std::uint8_t>;

inline void put32(Wire& w, std::size_t at, std::uint32_t v) { std::memcpy(w.data() + at, &v, 4); }
inline void putF64(Wire& w, std::size_t at, double v) { std::memcpy(w.data() + at, &v, 8); }
inline void putText(Wire& w, std::size_t at, std::string_view text) { std::memcpy(w.data() + at, text.data(), text.size()); }
inline std::uint32_t get32(const Wire& w, std::size_t at) {
  std::uint32_t v = 0;
  if (at + 4 <= w.size()) std::memcpy(&v, w.data() + at, 4);
  return v;
}
inline std::int64_t getI64(const Wire& w, std::size_t at) {
  std::int64_t v = 0;
  if (at + 8 <= w.size()) std::memcpy(&v, w.data() + at, 8);
  return v;
}
inline float getF32(const Wire& w, std::size_t at) {
  float v = 0;
  if (at + 4 <= w.size()) std::memcpy(&v, w.data() + at, 4);
  return v;
}
inline double getF64(const Wire& w, std::size_t at) {
  double v = 0;
  if (at + 8 <= w.size()) std::memcpy(&v, w.data() + at, 8);
  return v;
}
// The bytes of a field as text, NULs included, so that a test sees the terminator.
inline std::string getBytes(const Wire& w, std::size_t at, std::size_t width) {
  if (at + width > w.size()) return {};
  return std::string(reinterpret_cast<const char*>(w.data() + at), width);
}

class RawSimConnect {
public:
  explicit RawSimConnect(std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawSimConnect() { ::close(fd_); }
  RawSimConnect(const RawSimConnect&) = delete;
  RawSimConnect& operator=(const RawSimConnect&) = delete;
  bool connected() const { return connected_; }

  // A packet: u32 size, u32 version, u32 0xF0000000 | function, u32 send id, then body.
  // Packets after the Open carry the version it opened with.
  void send(std::uint32_t function, const Wire& body) { send(function, body, version_); }
  void send(std::uint32_t function, const Wire& body, std::uint32_t version) {
    Wire packet(16 + body.size());
    put32(packet, 0, static_cast<std::uint32_t>(packet.size()));
    put32(packet, 4, version);
    put32(packet, 8, 0xF0000000u | function);
    put32(packet, 12, ++sendId_);
    std::memcpy(packet.data() + 16, body.data(), body.size());
    ASSERT_EQ(::send(fd_, packet.data(), packet.size(), MSG_NOSIGNAL), static_cast<ssize_t>(packet.size()));
  }

  // The Open of a client of the given protocol version; the simulator tag and version
  // major and minor follow the name ("P3D" 5.3 by default, "FSX" 10.0 for older clients).
  void open(std::uint32_t version = 35, std::uint32_t tag = 0x50334400u, std::uint32_t major = 5,
            std::uint32_t minor = 3) {
    Wire body(280);
    putText(body, 0, "Raw client");
    put32(body, 260, tag);
    put32(body, 264, major);
    put32(body, 268, minor);
    version_ = version;
    send(0x01, body, version);
  }
  void addToDataDefinition(std::uint32_t defineId, std::string_view name, std::uint32_t type, std::uint32_t datumId) {
    Wire body(528);
    put32(body, 0, defineId);
    putText(body, 4, name);
    put32(body, 516, type);
    put32(body, 524, datumId);
    send(0x0C, body);
  }
  void requestData(std::uint32_t requestId, std::uint32_t defineId, std::uint32_t period, std::uint32_t flags = 0,
                   std::uint32_t interval = 0, std::uint32_t limit = 0) {
    Wire body(32);
    put32(body, 0, requestId);
    put32(body, 4, defineId);
    put32(body, 8, 0);  // the user's aircraft
    put32(body, 12, period);
    put32(body, 16, flags);
    put32(body, 24, interval);
    put32(body, 28, limit);
    send(0x0E, body);
  }
  // One FLOAT64 value set on an object through a definition of that one datum.
  void setData(std::uint32_t defineId, std::uint32_t objectId, double value) {
    Wire body(28);
    put32(body, 0, defineId);
    put32(body, 4, objectId);
    put32(body, 12, 1);
    put32(body, 16, 8);
    putF64(body, 20, value);
    send(0x10, body);
  }
  void subscribe(std::uint32_t eventId, std::string_view name) {
    Wire body(260);
    put32(body, 0, eventId);
    putText(body, 4, name);
    send(0x17, body);
  }
  void createAircraft(std::string_view title, std::uint32_t requestId) {
    Wire body(328);
    putText(body, 0, title);
    putText(body, 256, "N123");
    putF64(body, 268, 33.9);
    putF64(body, 276, -118.4);
    put32(body, 324, requestId);
    send(0x29, body);
  }

  // The next whole message, empty when none comes within 10 s.
  Wire next() {
    Wire size(4);
    if (!read(size)) return {};
    Wire message(get32(size, 0));
    if (message.size() < 12) return {};
    std::memcpy(message.data(), size.data(), 4);
    Wire rest(message.size() - 4);
    if (!read(rest)) return {};
    std::memcpy(message.data() + 4, rest.data(), rest.size());
    return message;
  }
  // The next message of id (u32 at 8), skipping others.
  Wire nextOf(std::uint32_t id) {
    for (Wire m = next(); !m.empty(); m = next())
      if (get32(m, 8) == id) return m;
    return {};
  }

  // True when the stand-in ends the connection, with nothing more sent, within 10 s.
  bool closedByPeer() {
    std::uint8_t byte = 0;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 10000) == 1 && ::recv(fd_, &byte, 1, 0) == 0;
  }

private:
  bool read(Wire& into) {
    for (std::size_t at = 0; at < into.size();) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 10000) != 1) return false;
      const ssize_t n = ::recv(fd_, into.data() + at, into.size() - at, 0);
      if (n <= 0) return false;
      at += static_cast<std::size_t>(n);
    }
    return true;
  }

  int fd_ = -1;
  bool connected_ = false;
  std::uint32_t sendId_ = 0;
  std::uint32_t version_ = 35;
};

}  // namespace vexo::test
