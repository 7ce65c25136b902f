// Read-only registry values, from a small file that stands in for the system registry.
//
// The file is named by the environment variable VDRK_REGISTRY_FILE (or gf_setRegistryFile).
// No file: no key exists. Its format is that of an exported .reg file:
//
//   ; comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Lockheed Martin\Prepar3D v5]
//   "SetupPath"="D:\\Prepar3D v5\\"
//   "SimConnect_Port_IPv4"=dword:0000c350
//
// Roots HKEY_LOCAL_MACHINE (HKLM) and HKEY_CURRENT_USER (HKCU); key paths and value names
// compare without regard to ASCII case; strings are UTF-8 with \\ and \" escaped; a dword
// is up to eight hexadecimal digits. Lines that fit none of these forms are ignored.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vexo::platform {

enum class RegistryRoot { localMachine, currentUser };

class RegistryKey {
public:
  // The key, when it exists. Any thread.
  static std::optional<RegistryKey> open(RegistryRoot root, std::string_view path);

  // A string value; empty when the value is missing or is not a string.
  std::optional<std::string> readString(std::string_view name) const;
  // A dword value; empty when the value is missing or is not a dword.
  std::optional<std::uint32_t> readDword(std::string_view name) const;

  using Value = std::variant<std::string, std::uint32_t>;
  using Values = std::map<std::string, Value>;  // by lower-case name

private:
  explicit RegistryKey(Values values) : values_(std::move(values)) {}
  Values values_;
};

// Replaces the file named by VDRK_REGISTRY_FILE (tests); nullopt goes back to the variable.
void gf_setRegistryFile(std::optional<std::filesystem::path> file);

}  // namespace vexo::platform
