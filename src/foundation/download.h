// Downloads of single files over HTTPS (versions.json, data files, airport files, the
// installer).
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vexo {

// Limits of one transfer, so a silent or crawling server cannot hold up the start-up.
struct DownloadTimeouts {
  std::chrono::milliseconds connect{15000};
  // A transfer slower than lowSpeedBytesPerSecond for lowSpeedTime fails.
  long lowSpeedBytesPerSecond = 1;
  std::chrono::seconds lowSpeedTime{20};
};

// Owns one libcurl handle for one or more downloads; used by one thread at a time.
class Downloader {
public:
  Downloader();
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  void setTimeouts(const DownloadTimeouts& timeouts) { timeouts_ = timeouts; }

  // True when the whole body of a 2xx answer reached the target file. The body goes to a
  // temporary file beside the target, which replaces the target only on success, so a
  // failed download leaves an earlier file as it was. Redirects are followed (http and
  // https only); TLS certificates are verified. Failures are logged. binary is kept
  // for the callers' sake: files are always written byte for byte here.
  bool download(const std::string& url, const std::filesystem::path& target, bool binary);

private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  DownloadTimeouts timeouts_;
};

// The download base, ending in a slash: the maker's web site followed by "/downloads/"
// unless set otherwise (tests point it at a local server).
void gf_setDownloadBase(std::string base);
std::string gf_downloadBase();

// Downloads <base><major version>/<fileName> (a data file of the running program version)
// to the target; logs the outcome.
bool gf_downloadDataFile(std::string_view fileName, const std::filesystem::path& target);

}  // namespace vexo
