// A program started by a test: its own working folder and environment, its output in a
// file, and bounded waits for its end.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexo::test {

class ChildProcess {
public:
  // Starts program with args in folder; env entries are added to (or replace) the test's
  // environment. Standard input is a pipe (see writeInput); output goes to outputFile.
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::filesystem::path& folder, const std::map<std::string, std::string>& env,
               const std::filesystem::path& outputFile);
  ~ChildProcess();  // kills a child that still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code once the child has ended within the limit; empty when it still runs.
  // A child ended by a signal gives 128 + the signal number.
  std::optional<int> waitFor(std::chrono::milliseconds limit);
  bool running();
  void signal(int sig);
  void writeInput(const std::string& text);
  void closeInput();

private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::optional<int> status_;
};

// Polls `done` every 50 ms until it holds or the limit passes.
bool gf_waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace vexo::test
