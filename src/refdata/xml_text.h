// Reading attribute texts and numbers of the reference data's XML files. The files are
// untrusted input: numbers are parsed strictly, never through the C locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace vexo {

// The attribute's text, or "" when the node has no such attribute.
std::string lf_attributeText(const pugi::xml_node& node, const char* name);

// A number at the start of the text (leading blanks skipped, trailing text ignored), as the
// XML library reads numbers: a text that holds no number reads as 0. None for a value that
// is not finite or does not fit.
std::optional<double> gf_xmlDouble(std::string_view text);
std::optional<float> gf_xmlFloat(std::string_view text);
std::optional<int> gf_xmlInt(std::string_view text);

// "true"/"1"-style booleans as the XML library reads them: the first character is 1, t,
// T, y or Y; an absent attribute gives the default.
bool gf_xmlBool(const pugi::xml_node& node, const char* name, bool absentValue);

}  // namespace vexo
