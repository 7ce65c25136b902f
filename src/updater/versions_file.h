// versions.json: the update server's list of the current version of each component.
//
// The file comes from the network and is untrusted: a body that is not JSON at all (a
// proxy's or a captive portal's page) is told apart from a JSON document whose content is
// wrong, because only the latter is the server's own fault worth stopping for.
#pragma once

#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/version.h"

namespace vexo {

// The parsed document, or nothing when the text is not JSON (why goes to *error).
std::optional<nlohmann::json> gf_parseVersionsText(std::string_view text, std::string* error);

// The version the document gives for key: nothing when the document is not an object or
// lacks the key. Throws std::runtime_error when the key's value is not an object whose
// "major", "minor" and "patch" are integers of 32 bits.
std::optional<VersionData> gf_webVersion(const nlohmann::json& document, std::string_view key);

}  // namespace vexo
