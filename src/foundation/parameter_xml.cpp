#include "foundation/parameter_xml.h"

namespace vexo {

namespace {

// pugixml wants NUL-terminated names.
std::string lf_z(std::string_view text) { return std::string(text); }

pugi::xml_node lf_findParameter(pugi::xml_node node, std::string_view key) {
  const pugi::xml_node block = gf_parameterBlock(node);
  for (pugi::xml_node p : block.children("parameter")) {
    if (key == p.attribute("name").as_string()) return p;
  }
  return {};
}

pugi::xml_node lf_appendParameter(pugi::xml_node parent, std::string_view name) {
  pugi::xml_node p = parent.append_child("parameter");
  if (!p) return {};
  pugi::xml_attribute a = p.append_attribute("name");
  if (!a || !a.set_value(lf_z(name).c_str())) return {};
  return p;
}

}  // namespace

pugi::xml_node gf_parameterBlock(pugi::xml_node node) {
  const pugi::xml_node root = node.child("root");
  return (root ? root : node).child("parameters");
}

std::optional<bool> gf_readBoolParameter(pugi::xml_node node, std::string_view key) {
  const pugi::xml_node p = lf_findParameter(node, key);
  if (!p) return std::nullopt;
  return p.attribute("value").as_bool();
}

std::optional<std::int32_t> gf_readIntParameter(pugi::xml_node node, std::string_view key) {
  const pugi::xml_node p = lf_findParameter(node, key);
  if (!p) return std::nullopt;
  return static_cast<std::int32_t>(p.attribute("value").as_int());
}

std::optional<std::string> gf_readStringParameter(pugi::xml_node node, std::string_view key) {
  const pugi::xml_node p = lf_findParameter(node, key);
  if (!p) return std::nullopt;
  return std::string(p.attribute("value").as_string());
}

bool gf_appendBoolParameter(pugi::xml_node parent, std::string_view name, bool value) {
  pugi::xml_node p = lf_appendParameter(parent, name);
  if (!p) return false;
  pugi::xml_attribute v = p.append_attribute("value");
  return v && v.set_value(value);
}

bool gf_appendIntParameter(pugi::xml_node parent, std::string_view name, std::int32_t value) {
  pugi::xml_node p = lf_appendParameter(parent, name);
  if (!p) return false;
  pugi::xml_attribute v = p.append_attribute("value");
  return v && v.set_value(static_cast<int>(value));
}

bool gf_appendStringParameter(pugi::xml_node parent, std::string_view name, const std::string& value) {
  pugi::xml_node p = lf_appendParameter(parent, name);
  if (!p) return false;
  pugi::xml_attribute v = p.append_attribute("value");
  return v && v.set_value(value.c_str());
}

bool gf_setAttribute(pugi::xml_node node, std::string_view name, const std::string& value) {
  const std::string n = lf_z(name);
  pugi::xml_attribute a = node.attribute(n.c_str());
  if (!a) a = node.append_attribute(n.c_str());
  return a && a.set_value(value.c_str());
}

bool gf_appendAttribute(pugi::xml_node node, std::string_view name, std::string_view value) {
  return gf_appendAttributeString(node, name, lf_z(value));
}

bool gf_appendAttributeString(pugi::xml_node node, std::string_view name, const std::string& value) {
  pugi::xml_attribute a = node.append_attribute(lf_z(name).c_str());
  return a && a.set_value(value.c_str());
}

}  // namespace vexo
