// versions.json: the update server's list of the current version of each component.
//
// The file comes from the network and is untrusted: a body that is not JSON at all (a
// proxy's or a captive portal's page) is told apart from a JSON document whose content is
// wrong, because only the latter is the server's own fault worth stopping for.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/version.h"

namespace vexo {

// versions.json is a few hundred bytes: a larger, slower or deeper answer is not it.
inline constexpr std::uint64_t g_versionsFileMaxBytes = 256ULL * 1024;
inline constexpr std::chrono::milliseconds g_versionsFileTotalTime = std::chrono::seconds(8);
// Objects and arrays nested deeper than this are refused while parsing (the file itself
// is two levels deep).
inline constexpr int g_versionsFileMaxDepth = 16;

// The parsed document, or nothing when the text is not JSON or nests deeper than
// g_versionsFileMaxDepth (why goes to *error).
std::optional<nlohmann::json> gf_parseVersionsText(std::string_view text, std::string* error);

// The version the document gives for key: nothing when the document is not an object or
// lacks the key. Throws std::runtime_error when the key's value is not an object whose
// "major", "minor" and "patch" are integers of 32 bits.
std::optional<VersionData> gf_webVersion(const nlohmann::json& document, std::string_view key);

}  // namespace vexo
