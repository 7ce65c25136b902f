#include "updatestandin/standin_folder.h"

#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vexo::updatestandin {

namespace {

std::string lf_readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr const char* kSignInPage =
    "<!DOCTYPE html>\n<html><head><title>Sign in</title></head>\n"
    "<body><h1>Welcome</h1><p>Please sign in to use the network.</p></body></html>\n";

}  // namespace

std::optional<Reply> gf_failureReply(std::string_view how, const std::string& fileBytes) {
  using Kind = Reply::Kind;
  const std::string half = fileBytes.substr(0, fileBytes.size() / 2);
  if (how == "404") return Reply{404, "<html><body>Not found</body></html>\n"};
  if (how == "500") return Reply{500, "<html><body>Internal server error</body></html>\n"};
  if (how == "html") return Reply{200, kSignInPage, Kind::whole, "Content-Type: text/html\r\n"};
  if (how == "stall") return Reply{200, fileBytes, Kind::stallBeforeReply};
  // The others send (part of) the file: without one there is nothing to cut or trickle.
  if (fileBytes.size() < 2) return std::nullopt;
  if (how == "cut") return Reply{200, fileBytes, Kind::cutBody};
  if (how == "cut-nolength") return Reply{200, half, Kind::noLength};
  if (how == "stall-mid") return Reply{200, fileBytes, Kind::stallMidBody};
  if (how == "trickle") return Reply{200, fileBytes, Kind::trickle};
  return std::nullopt;
}

std::optional<FailureAnswer> gf_parseFailureAnswer(std::string_view text) {
  const auto equals = text.rfind('=');
  if (equals == std::string_view::npos || equals == 0 || text.front() != '/') return std::nullopt;
  FailureAnswer answer{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
  // Known only when it gives a reply for some file.
  if (!gf_failureReply(answer.how, "file bytes")) return std::nullopt;
  return answer;
}

void gf_serveFolder(UpdateStandIn& server, const fs::path& folder, const std::vector<FailureAnswer>& answers) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files["/" + fs::relative(entry.path(), folder).generic_string()] = lf_readAll(entry.path());
  }
  for (const auto& [path, bytes] : files) server.route(path, {200, bytes});
  for (const FailureAnswer& answer : answers) {
    const auto it = files.find(answer.path);
    const auto reply = gf_failureReply(answer.how, it == files.end() ? std::string() : it->second);
    if (!reply) throw std::runtime_error(answer.path + "=" + answer.how + " needs a file of at least 2 bytes at " + answer.path);
    server.route(answer.path, *reply);
  }
}

}  // namespace vexo::updatestandin
