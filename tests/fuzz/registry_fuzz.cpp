// The registry stand-in's file as any bytes: reading keys and values must not crash.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path file = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vdrk-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern) / "registry.reg";
  }();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vexo::platform::gf_setRegistryFile(file);
  for (auto root : {vexo::platform::RegistryRoot::localMachine, vexo::platform::RegistryRoot::currentUser}) {
    if (auto key = vexo::platform::RegistryKey::open(root, "SOFTWARE\\Lockheed Martin\\Prepar3D v5")) {
      (void)key->readString("SetupPath");
      (void)key->readDword("SimConnect_Port_IPv4");
    }
  }
  return 0;
}
