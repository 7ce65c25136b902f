#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>

#include "foundation/log.h"

namespace fs = std::filesystem;

namespace vexo::test {

fs::path testdataDir() {
  if (const char* dir = std::getenv("VDRK_TESTDATA_DIR"); dir && *dir) return dir;
  return fs::path(VDRK_DEFAULT_TESTDATA_DIR);
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "vdrk-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

ScopedCwd::ScopedCwd(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
ScopedCwd::~ScopedCwd() {
  std::error_code ec;
  fs::current_path(previous_, ec);
}

LogCapture::LogCapture() {
  std::lock_guard lock(g_logMutex);
  if (g_logFile.is_open()) g_logFile.close();
  g_logFile.clear();
  g_logFile.open(dir_ / "Log.txt", std::ios::binary | std::ios::trunc);
}

LogCapture::~LogCapture() {
  std::lock_guard lock(g_logMutex);
  g_logFile.close();
  g_logFile.clear();
}

std::string LogCapture::text() const {
  {
    std::lock_guard lock(g_logMutex);
    g_logFile.flush();
  }
  return readFile(dir_ / "Log.txt");
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace vexo::test
