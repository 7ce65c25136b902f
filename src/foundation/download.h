// Downloads of single files over HTTPS (versions.json, data files, airport files, the
// installer).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/run_state.h"

namespace vexo {

// Limits of one transfer, so a silent, crawling or endless server cannot hold up the
// program, fill the disk or outlive the run.
struct DownloadLimits {
  std::chrono::milliseconds connect{15000};
  // A transfer slower than lowSpeedBytesPerSecond for lowSpeedTime fails.
  long lowSpeedBytesPerSecond = 1;
  std::chrono::seconds lowSpeedTime{20};
  // The whole transfer, however fast, ends by then.
  std::chrono::milliseconds total{std::chrono::minutes(30)};
  // A body larger than this fails (the largest file fetched is the installer).
  std::uint64_t maxBytes = 512ULL * 1024 * 1024;
  // Asked about once a second during the transfer: true stops it.
  std::function<bool()> stopRequested = &gf_runEnding;
};
// The limits every new Downloader starts with, also those that gf_downloadDataFile and the
// updater make for themselves. Tests shorten them to show a stall given up. Any thread.
void gf_setDefaultDownloadLimits(DownloadLimits limits);
DownloadLimits gf_defaultDownloadLimits();

// The default limits, tightened to what suits one kind of file: a body of at most
// maxBytes, received within total. The stall limits stay those of the default.
DownloadLimits gf_downloadLimits(std::uint64_t maxBytes, std::chrono::milliseconds total);

// A data file (dbase.enc, airports.enc, AIG-regcodes.enc): a few MB, so a transfer that
// takes minutes is one from a server too slow to wait for at start-up (the file is tried
// again at the next start).
inline constexpr std::uint64_t g_dataFileMaxBytes = 32ULL * 1024 * 1024;
inline constexpr std::chrono::milliseconds g_dataFileTotalTime = std::chrono::minutes(3);

// Owns one libcurl handle for one or more downloads; used by one thread at a time.
class Downloader {
public:
  Downloader();
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  void setLimits(DownloadLimits limits) { limits_ = std::move(limits); }

  // True when the whole body of a 2xx answer reached the target file. The body goes to a
  // temporary file beside the target, which replaces the target only on success, so a
  // failed download leaves an earlier file as it was. Redirects are not followed (a 3xx
  // answer fails): the address is the file's. TLS certificates are verified. The
  // transfer fails beyond the limits and stops when the run is closing down. Failures are
  // logged. binary is kept for the callers' sake: files are always written byte for byte.
  bool download(const std::string& url, const std::filesystem::path& target, bool binary);

private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  DownloadLimits limits_;
};

// The download base, ending in a slash: the maker's web site followed by "/downloads/"
// unless the environment variable VDRK_DOWNLOAD_BASE or a call here sets another (tests
// and the demo point it at a local server).
void gf_setDownloadBase(std::string base);
std::string gf_downloadBase();

// Downloads <base><major version>/<fileName> (a data file of the running program version)
// within the data-file limits and replaces the target with it only when it decrypts
// whole; logs the outcome. False leaves the target as it was.
bool gf_downloadDataFile(std::string_view fileName, const std::filesystem::path& target);

}  // namespace vexo
