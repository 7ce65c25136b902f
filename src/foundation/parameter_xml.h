// The parameter block root > parameters > parameter (name, value) that parameters.xml and
// the airport files share, and small attribute helpers.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexo {

// The element "parameters" under "root" when node has a child "root", else under node.
pugi::xml_node gf_parameterBlock(pugi::xml_node node);

// The first "parameter" element of the block whose name equals key byte for byte (a
// missing name counts as empty). A match without a value reads false, 0 or "".
std::optional<bool> gf_readBoolParameter(pugi::xml_node node, std::string_view key);
// Decimal, or hexadecimal after "0x"; 0 when the text is not a number.
std::optional<std::int32_t> gf_readIntParameter(pugi::xml_node node, std::string_view key);
std::optional<std::string> gf_readStringParameter(pugi::xml_node node, std::string_view key);

// Append a "parameter" element to parent (the "parameters" element) with its name, then
// its value. False as soon as one of the three appends is refused (what was appended stays).
bool gf_appendBoolParameter(pugi::xml_node parent, std::string_view name, bool value);
bool gf_appendIntParameter(pugi::xml_node parent, std::string_view name, std::int32_t value);
bool gf_appendStringParameter(pugi::xml_node parent, std::string_view name, const std::string& value);

// Sets the attribute, appending it when the node has none; false only when refused.
bool gf_setAttribute(pugi::xml_node node, std::string_view name, const std::string& value);
// Always appends a new attribute, even when one of that name exists; false when refused.
bool gf_appendAttribute(pugi::xml_node node, std::string_view name, std::string_view value);
// The same for a value that is a std::string already, which pugixml takes without a copy.
bool gf_appendAttributeString(pugi::xml_node node, std::string_view name, const std::string& value);

}  // namespace vexo
