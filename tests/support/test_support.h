// Helpers shared by the test executables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vexo::test {

// tests/data of the checkout (ctest passes it as VDRK_TESTDATA_DIR).
std::filesystem::path testdataDir();

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

// Makes the process's working folder a given folder for the lifetime of the object.
class ScopedCwd {
public:
  explicit ScopedCwd(const std::filesystem::path& folder);
  ~ScopedCwd();
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
  std::filesystem::path previous_;
};

// Points the program's log at a temporary file while it lives, so a test can read
// what was logged; the log is closed again afterwards.
class LogCapture {
public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::string text() const;  // everything logged so far (flushes first)
  bool contains(const std::string& part) const { return text().find(part) != std::string::npos; }

private:
  TempDir dir_;
};

std::string readFile(const std::filesystem::path& path);

// Where text breaks XML 1.0's Char production (#x9 | #xA | #xD | [#x20-#xD7FF] |
// [#xE000-#xFFFD] | [#x10000-#x10FFFF]), raw or as a character reference, or is no
// well-formed UTF-8 ("U+FFFF at 3", "&#01; at 9", "bad UTF-8 at 2"); "" when nowhere.
std::string firstNonXmlChar(std::string_view text);
void writeFile(const std::filesystem::path& path, const std::string& content);

// A port of 127.0.0.1 that is free now for the socket type (SOCK_STREAM or SOCK_DGRAM), so
// that copies of the program run by other test runs on the machine do not meet this one;
// 0 when none could be had.
std::uint16_t freeLoopbackPort(int type);

}  // namespace vexo::test
