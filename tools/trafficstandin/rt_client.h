// The traffic source's side of the TCP link: it connects to the program's server
// (retrying until it is up), answers the version request and keeps the lines it gets.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexo::standin {

struct ClientOptions {
  std::uint16_t port = 10747;
  int level = 1;                   // edition in the version reply: 2 professional
  std::string version = "9.0.0";
  // Called for each line received (without its line end), on the client's thread.
  std::function<void(const std::string&)> onLine;
  // How long the version request waits for its answer (a slow machine).
  std::chrono::milliseconds answerDelay{0};
};

class RtClient {
public:
  explicit RtClient(ClientOptions options);
  ~RtClient();  // stops the client and closes the link
  RtClient(const RtClient&) = delete;
  RtClient& operator=(const RtClient&) = delete;

  // Closes the link and stays away until reopen().
  void drop();
  void reopen();

  // Every line received so far, in order ("Qs999=version", "Qs121=...", "exit").
  std::vector<std::string> lines() const;
  // How many connections have been made.
  int connections() const;
  // Waits until a connection has been made (true) or stop is set (false).
  bool waitForConnection(const std::atomic<bool>& stop);
  // Waits until pred holds for the lines received, at most timeout.
  bool waitFor(const std::function<bool(const std::vector<std::string>&)>& pred, std::chrono::milliseconds timeout);

private:
  void run();
  void handleLine(const std::string& line, int fd);

  ClientOptions options_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> away_{false};     // drop() asked: close the link and stay away
  mutable std::mutex mutex_;          // guards lines_ and connections_
  std::condition_variable changed_;   // lines_ or connections_ changed
  std::vector<std::string> lines_;
  int connections_ = 0;
  std::thread thread_;                // last member: starts after the others exist
};

}  // namespace vexo::standin
