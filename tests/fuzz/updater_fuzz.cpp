// versions.json and the installer archive come from the network: reading the versions of
// any text, and unpacking any bytes as an archive, must end in a result or a clean error.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "updater/installer_download.h"
#include "updater/versions_file.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {
const fs::path& lf_scratchFolder() {
  static const fs::path folder = [] {
    fs::path f = fs::temp_directory_path() / ("vdrk_updater_fuzz_" + std::to_string(::getpid()));
    fs::create_directories(f);
    return f;
  }();
  return folder;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (const auto document = gf_parseVersionsText(bytes, &error)) {
    for (const char* key : {"p3d_app", "airports", "aig", "liveries", "addons", "dbase"}) {
      try {
        (void)gf_webVersion(*document, key);
      } catch (const std::runtime_error&) {
      }
    }
  } else if (error.empty()) {
    std::abort();  // a refusal always says why
  }

  const fs::path zip = lf_scratchFolder() / "latest_version.zip";
  const fs::path exe = lf_scratchFolder() / "install_new_version.exe";
  {
    std::ofstream out(zip, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // A small limit, so an archive that unpacks far beyond its own size is cut short.
  (void)gf_unzipInstaller(zip, exe, 1024 * 1024);
  std::error_code ignored;
  fs::remove(exe, ignored);
  return 0;
}
