#include "platform/registry.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/ascii_text.h"

namespace vexo::platform {

namespace {

std::mutex g_registryFileMutex;  // guards g_registryFileOverride
std::optional<std::filesystem::path> g_registryFileOverride;

std::optional<std::filesystem::path> lf_registryFile() {
  {
    std::lock_guard lock(g_registryFileMutex);
    if (g_registryFileOverride) return g_registryFileOverride;
  }
  const char* env = std::getenv("VDRK_REGISTRY_FILE");
  if (env == nullptr || *env == '\0') return std::nullopt;
  return std::filesystem::path(env);
}

std::string lf_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// "root\path" in one spelling: "hklm\software\..." (lower case, no trailing backslash).
std::string lf_keyName(RegistryRoot root, std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return std::string(root == RegistryRoot::localMachine ? "hklm\\" : "hkcu\\") + lf_lower(path);
}

std::optional<std::string> lf_sectionName(std::string_view head) {
  const auto slash = head.find('\\');
  const std::string rootName = lf_lower(head.substr(0, slash));
  const std::string_view path = slash == std::string_view::npos ? std::string_view() : head.substr(slash + 1);
  if (rootName == "hkey_local_machine" || rootName == "hklm") return lf_keyName(RegistryRoot::localMachine, path);
  if (rootName == "hkey_current_user" || rootName == "hkcu") return lf_keyName(RegistryRoot::currentUser, path);
  return std::nullopt;
}

// A quoted text at the start of s; s is left after the closing quote.
std::optional<std::string> lf_quoted(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) ++i;
    out += s[i];
  }
  return std::nullopt;  // unterminated
}

std::optional<RegistryKey::Value> lf_value(std::string_view text) {
  text = gf_stripSpace(text);
  if (text.substr(0, 6) == "dword:") {
    const std::string_view digits = text.substr(6);
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() || digits.size() > 8) {
      return std::nullopt;
    }
    return RegistryKey::Value(v);
  }
  std::optional<std::string> s = lf_quoted(text);
  if (!s || !gf_stripSpace(text).empty()) return std::nullopt;
  return RegistryKey::Value(std::move(*s));
}

// The values of one key, when the file holds it.
std::optional<RegistryKey::Values> lf_readKey(const std::string& wanted) {
  const auto file = lf_registryFile();
  if (!file) return std::nullopt;
  std::ifstream in(*file, std::ios::binary);
  if (!in) return std::nullopt;
  std::optional<RegistryKey::Values> found;
  bool inWanted = false;
  std::string line;
  while (std::getline(in, line)) {
    std::string_view l = gf_stripSpace(line);
    if (l.empty() || l.front() == ';' || l.front() == '#') continue;
    if (l.front() == '[') {
      const auto close = l.rfind(']');
      const auto name = close == std::string_view::npos ? std::nullopt : lf_sectionName(gf_stripSpace(l.substr(1, close - 1)));
      inWanted = name && *name == wanted;
      if (inWanted && !found) found.emplace();
      continue;
    }
    if (!inWanted) continue;
    std::string valueName;
    if (l.front() == '"') {
      auto q = lf_quoted(l);
      if (!q) continue;
      valueName = std::move(*q);
      l = gf_stripSpace(l);
      if (l.empty() || l.front() != '=') continue;
      l.remove_prefix(1);
    } else {
      const auto eq = l.find('=');
      if (eq == std::string_view::npos) continue;
      valueName = std::string(gf_stripSpace(l.substr(0, eq)));
      l.remove_prefix(eq + 1);
    }
    if (auto v = lf_value(l)) (*found)[lf_lower(valueName)] = std::move(*v);
  }
  return found;
}

}  // namespace

std::optional<RegistryKey> RegistryKey::open(RegistryRoot root, std::string_view path) {
  auto values = lf_readKey(lf_keyName(root, path));
  if (!values) return std::nullopt;
  return RegistryKey(std::move(*values));
}

std::optional<std::string> RegistryKey::readString(std::string_view name) const {
  const auto it = values_.find(lf_lower(name));
  if (it == values_.end() || !std::holds_alternative<std::string>(it->second)) return std::nullopt;
  return std::get<std::string>(it->second);
}

std::optional<std::uint32_t> RegistryKey::readDword(std::string_view name) const {
  const auto it = values_.find(lf_lower(name));
  if (it == values_.end() || !std::holds_alternative<std::uint32_t>(it->second)) return std::nullopt;
  return std::get<std::uint32_t>(it->second);
}

void gf_setRegistryFile(std::optional<std::filesystem::path> file) {
  std::lock_guard lock(g_registryFileMutex);
  g_registryFileOverride = std::move(file);
}

}  // namespace vexo::platform
