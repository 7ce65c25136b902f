#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <string>
#include <thread>

extern char** environ;  // NOLINT: POSIX

namespace vexo::platform {

namespace {

std::mutex g_shellOpenerMutex;  // guards g_shellOpener
ShellOpener g_shellOpener;

bool lf_xdgOpen(const std::filesystem::path& target) {
  std::string program = "xdg-open";
  std::string argument = target.string();
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  // No shell: the path is one argument, whatever characters it holds.
  if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  // The handler may run for long (some desktops exec the viewer itself); reap it aside.
  std::thread([pid] {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }).detach();
  return true;
}

}  // namespace

bool gf_shellOpen(const std::filesystem::path& target) {
  ShellOpener opener;
  {
    std::lock_guard lock(g_shellOpenerMutex);
    opener = g_shellOpener;
  }
  return opener ? opener(target) : lf_xdgOpen(target);
}

bool gf_openExplorerAt(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return false;
  const std::filesystem::path parent = file.parent_path();
  if (parent.empty()) return false;
  return gf_shellOpen(parent);
}

void gf_setShellOpener(ShellOpener opener) {
  std::lock_guard lock(g_shellOpenerMutex);
  g_shellOpener = std::move(opener);
}

}  // namespace vexo::platform
