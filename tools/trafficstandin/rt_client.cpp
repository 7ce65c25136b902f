#include "rt_client.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/net.h"

namespace vexo::standin {

namespace {
constexpr std::chrono::milliseconds g_slice{50};
constexpr std::chrono::milliseconds g_sendTimeout{2000};
}  // namespace

RtClient::RtClient(ClientOptions options) : options_(std::move(options)), thread_([this] { run(); }) {}

RtClient::~RtClient() {
  stop_.store(true);
  thread_.join();
}

void RtClient::drop() { away_.store(true); }

void RtClient::reopen() { away_.store(false); }

std::vector<std::string> RtClient::lines() const {
  const std::lock_guard lock(mutex_);
  return lines_;
}

int RtClient::connections() const {
  const std::lock_guard lock(mutex_);
  return connections_;
}

bool RtClient::waitForConnection(const std::atomic<bool>& stop) {
  std::unique_lock lock(mutex_);
  while (connections_ == 0) {
    if (stop.load()) return false;
    changed_.wait_for(lock, g_slice);  // stop is not tied to the lock: look again now and then
  }
  return true;
}

bool RtClient::waitFor(const std::function<bool(const std::vector<std::string>&)>& pred,
                       std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return pred(lines_); });
}

void RtClient::handleLine(const std::string& line, int fd) {
  {
    const std::lock_guard lock(mutex_);
    lines_.push_back(line);
  }
  changed_.notify_all();
  if (options_.onLine) options_.onLine(line);
  if (line == "Qs999=version") {
    const auto answerAt = std::chrono::steady_clock::now() + options_.answerDelay;
    while (std::chrono::steady_clock::now() < answerAt) {
      if (stop_.load() || away_.load()) return;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(g_slice, answerAt - std::chrono::steady_clock::now()));
    }
    int error = 0;
    const std::string reply = fmt::format(R"({{"level": {}, "version": "{}"}})", options_.level, options_.version);
    platform::gf_sendAll(fd, reply, g_sendTimeout, error);
  }
}

void RtClient::run() {
  while (!stop_.load()) {
    if (away_.load()) {
      std::this_thread::sleep_for(g_slice);
      continue;
    }
    int error = 0;
    platform::Socket link = platform::gf_connectToLoopback(options_.port, error);
    if (!link.valid()) {
      std::this_thread::sleep_for(g_slice);  // the server is not up yet
      continue;
    }
    {
      const std::lock_guard lock(mutex_);
      ++connections_;
    }
    changed_.notify_all();
    std::string pending;
    std::array<char, 4096> buffer{};
    while (!stop_.load() && !away_.load()) {
      const auto wait = platform::gf_waitReadable(link.fd(), g_slice);
      if (wait == platform::WaitResult::timeout) continue;
      const std::ptrdiff_t n = wait == platform::WaitResult::ready ? platform::gf_receiveSome(link.fd(), buffer, error) : -1;
      if (n <= 0) break;  // the program closed the link
      pending.append(buffer.data(), static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
        handleLine(pending.substr(0, end), link.fd());
        pending.erase(0, end + 2);
      }
    }
    link.close();
    if (!away_.load()) std::this_thread::sleep_for(g_slice);
  }
}

}  // namespace vexo::standin
