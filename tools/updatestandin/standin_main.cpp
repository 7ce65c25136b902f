// updatestandin: serves a folder as the update server, for demos and manual checks.
//   updatestandin --folder DIR [--port N] [--answer PATH=HOW]...
// Each regular file below DIR is served at "/" + its path relative to DIR (read once at
// start), so a folder holding downloads/versions.json answers
// http://127.0.0.1:N/downloads/versions.json. Each --answer makes PATH fail instead, HOW
// being 404, 500, html (a sign-in page), cut (half the file after its whole length),
// cut-nolength (half the file, no length), stall, stall-mid or trickle (see
// standin_folder.h). Prints the address it serves, then one line per request received;
// ends on Ctrl-C or SIGTERM.

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/termination_signals.h"
#include "updatestandin/standin_folder.h"
#include "updatestandin/update_standin.h"

namespace fs = std::filesystem;

namespace {

int lf_usage() {
  std::fputs("usage: updatestandin --folder DIR [--port N] [--answer PATH=HOW]...\n"
             "  HOW: 404, 500, html, cut, cut-nolength, stall, stall-mid, trickle\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vexo;
  fs::path folder;
  std::uint16_t port = 0;
  std::vector<updatestandin::FailureAnswer> answers;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--folder" && i + 1 < argc) {
      folder = argv[++i];
    } else if (arg == "--port" && i + 1 < argc) {
      const std::string_view text = argv[++i];
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
      if (error != std::errc{} || end != text.data() + text.size()) return lf_usage();
    } else if (arg == "--answer" && i + 1 < argc) {
      const auto answer = updatestandin::gf_parseFailureAnswer(argv[++i]);
      if (!answer) return lf_usage();
      answers.push_back(*answer);
    } else {
      return lf_usage();
    }
  }
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return lf_usage();

  std::atomic<bool> stop{false};
  platform::TerminationSignals signals([&stop] { stop = true; });
  try {
    updatestandin::UpdateStandIn server(port);
    updatestandin::gf_serveFolder(server, folder, answers);
    std::printf("serving %s at %s\n", folder.string().c_str(), server.base().c_str());
    std::fflush(stdout);
    std::size_t reported = 0;
    while (!stop.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const auto requests = server.requests();
      for (; reported < requests.size(); ++reported) std::printf("GET %s\n", requests[reported].c_str());
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "updatestandin: %s\n", e.what());
    return 1;
  }
  return 0;
}
