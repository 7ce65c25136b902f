// What the command line of the update server stand-in serves: the files of a folder, and
// answers that fail the way a real server or the way to it does, for the demo and manual
// checks.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "updatestandin/update_standin.h"

namespace vexo::updatestandin {

// One "--answer PATH=HOW" of the command line: the request path and how it is answered.
//   404, 500      that error status with a short page
//   html          200 with a network sign-in page in place of the file
//   cut           the file's length announced, half its bytes sent, then closed
//   cut-nolength  half the file's bytes without a length, then closed (looks complete)
//   stall         the request read, nothing said
//   stall-mid     the headers and half the file, then nothing
//   trickle       the file without a length, a byte every 20 ms, over and over
struct FailureAnswer {
  std::string path;
  std::string how;
};

// "PATH=HOW" with a path beginning with "/" and a known HOW; nothing otherwise.
std::optional<FailureAnswer> gf_parseFailureAnswer(std::string_view text);

// The reply for how, built from the file's bytes (those of a file the folder does not
// hold are empty); nothing when how needs a file's bytes and there are none.
std::optional<Reply> gf_failureReply(std::string_view how, const std::string& fileBytes);

// Routes every regular file below folder at "/" + its path relative to folder (read once),
// then the failure answers over them. Throws std::runtime_error naming an answer that
// needs a file the folder does not hold.
void gf_serveFolder(UpdateStandIn& server, const std::filesystem::path& folder,
                    const std::vector<FailureAnswer>& answers);

}  // namespace vexo::updatestandin
