#include "test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fmt/format.h>

#include <charconv>
#include <cstdint>
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

namespace {

bool lf_isXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// The length of the UTF-8 sequence at i and its code point; 0 when it is not well-formed
// (overlong, surrogate, above U+10FFFF, cut off).
std::size_t lf_utf8At(std::string_view text, std::size_t i, std::uint32_t& c) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(text[i + k]);
    if ((byte & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte & 0x3F);
  }
  constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string firstNonXmlChar(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t c = 0;
    const std::size_t length = lf_utf8At(text, i, c);
    if (length == 0) return fmt::format("bad UTF-8 at {}", i);
    if (!lf_isXmlChar(c)) return fmt::format("U+{:04X} at {}", c, i);
    if (text.substr(i, 2) == "&#") {
      const bool hex = text.substr(i + 2, 1) == "x";
      const std::size_t digits = i + (hex ? 3 : 2);
      std::uint32_t referenced = 0;
      const auto [end, ec] = std::from_chars(text.data() + digits, text.data() + text.size(), referenced, hex ? 16 : 10);
      if (ec != std::errc() || end == text.data() + text.size() || *end != ';' || !lf_isXmlChar(referenced)) {
        return std::string(text.substr(i, end - text.data() + 1 - i)) + fmt::format(" at {}", i);
      }
    }
    i += length;
  }
  return "";
}

std::uint16_t freeLoopbackPort(int type) {
  const int fd = ::socket(AF_INET, type, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  std::uint16_t port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  if (fd >= 0) ::close(fd);
  return port;
}

}  // namespace vexo::test
