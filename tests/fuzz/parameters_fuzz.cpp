// parameters.xml as any bytes: the load must not crash, every number must end within its
// bounds, and a one-value save must leave a file that loads again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/parameters.h"

namespace {

std::filesystem::path lf_folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vdrk-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path path = lf_folder() / "parameters.xml";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vexo::SettingsState s;
  vexo::ParametersStore store(s, path);
  vexo::gf_loadParameters(store);
  for (const vexo::NumericSetting* n : s.numericSettings) {
    if (n->value < n->lo || n->value > n->hi) std::abort();
  }
  for (const vexo::ComboSetting* c : s.comboSettings) {
    if (c->value < c->lo || c->value > c->hi) std::abort();
  }
  store.saveInt(s.RANGE);
  vexo::SettingsState again;
  if (vexo::gf_loadParameters(vexo::ParametersStore(again, path))) std::abort();  // the file written must be usable
  return 0;
}
