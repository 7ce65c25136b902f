#include "foundation/download.h"

#include <curl/curl.h>
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <mutex>
#include <system_error>

#include "foundation/charset.h"
#include "foundation/datafile_decrypt.h"
#include "foundation/log.h"
#include "foundation/version.h"

namespace fs = std::filesystem;

namespace vexo {

namespace {

constexpr const char* kDefaultDownloadBase = "https://www.morvelt.com/downloads/";

// VDRK_DOWNLOAD_BASE points the program at another update server (a local one for tests
// and the demo) without rebuilding; the paths below the base stay the same.
std::string lf_initialDownloadBase() {
  const char* own = std::getenv("VDRK_DOWNLOAD_BASE");  // NOLINT(concurrency-mt-unsafe): static start
  if (own == nullptr || *own == '\0') return kDefaultDownloadBase;
  std::string base = own;
  if (base.back() != '/') base += '/';
  return base;
}

// Guards g_downloadBase: set at start-up or by tests, read by any downloading thread.
std::mutex g_downloadBaseMutex;
std::string g_downloadBase = lf_initialDownloadBase();

// Guards g_defaultDownloadLimits: read by every new downloader, set by tests.
std::mutex g_defaultLimitsMutex;
DownloadLimits g_defaultDownloadLimits;

// Where the body goes and how much of it may come.
struct Sink {
  std::ofstream& out;
  std::uint64_t maxBytes;
  std::uint64_t received = 0;
  bool tooLarge = false;
};

// libcurl's write callback: a short count makes libcurl stop the transfer with a write
// error, for a failed write or a body beyond the limit (also one without a length).
std::size_t lf_writeBlock(char* data, std::size_t size, std::size_t count, void* user) {
  auto& sink = *static_cast<Sink*>(user);
  const std::size_t bytes = size * count;
  if (bytes > sink.maxBytes - sink.received) {
    sink.tooLarge = true;
    return 0;
  }
  sink.received += bytes;
  sink.out.write(data, static_cast<std::streamsize>(bytes));
  return sink.out ? bytes : 0;
}

// libcurl's progress callback, called about once a second even while nothing arrives:
// nonzero aborts the transfer.
int lf_checkStop(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& stop = *static_cast<const std::function<bool()>*>(user);
  return stop() ? 1 : 0;
}

// A temporary name beside the target, unique within the process.
fs::path lf_partialPath(const fs::path& target) {
  static std::atomic<unsigned> s_counter{0};
  fs::path partial = target;
  partial += fmt::format(".{}.download", s_counter.fetch_add(1));
  return partial;
}

void lf_removeQuietly(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

}  // namespace

struct Downloader::Handle {
  CURL* curl = nullptr;
  ~Handle() {
    if (curl) curl_easy_cleanup(curl);
  }
};

void gf_setDefaultDownloadLimits(DownloadLimits limits) {
  std::lock_guard lock(g_defaultLimitsMutex);
  g_defaultDownloadLimits = std::move(limits);
}

DownloadLimits gf_defaultDownloadLimits() {
  std::lock_guard lock(g_defaultLimitsMutex);
  return g_defaultDownloadLimits;
}

DownloadLimits gf_downloadLimits(std::uint64_t maxBytes, std::chrono::milliseconds total) {
  DownloadLimits limits = gf_defaultDownloadLimits();
  limits.maxBytes = std::min(limits.maxBytes, maxBytes);
  limits.total = std::min(limits.total, total);
  return limits;
}

Downloader::Downloader() : handle_(std::make_unique<Handle>()), limits_(gf_defaultDownloadLimits()) {
  static std::once_flag s_globalInit;
  std::call_once(s_globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  handle_->curl = curl_easy_init();
}

Downloader::~Downloader() = default;

bool Downloader::download(const std::string& url, const fs::path& target, bool /*binary*/) {
  CURL* curl = handle_->curl;
  if (!curl) return false;
  const fs::path partial = lf_partialPath(target);
  try {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
      gf_log(fmt::format("Could not open output file: {}", gf_pathToUtf8(target)));
      return false;
    }
    Sink sink{out, limits_.maxBytes};
    const std::function<bool()> stop = limits_.stopRequested ? limits_.stopRequested : &gf_runEnding;
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "VDRK");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &lf_writeBlock);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &lf_checkStop);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &stop);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connect.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits_.lowSpeedBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits_.lowSpeedTime.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.total.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxBytes));

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    out.close();
    std::string error;
    if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
      error = fmt::format("larger than {} bytes", limits_.maxBytes);
    } else if (code == CURLE_ABORTED_BY_CALLBACK) {
      error = "stopped, the program is closing";
    } else if (code != CURLE_OK) {
      error = curl_easy_strerror(code);
    } else if (status < 200 || status > 299) {
      // Only a 2xx answer carries the file; anything else left a page that is not it.
      error = fmt::format("HTTP status {}", status);
    } else if (!out) {
      error = "write to the output file failed";
    }
    if (!error.empty()) {
      gf_log(fmt::format("Download error: '{}' for {}", error, url));
      lf_removeQuietly(partial);
      return false;
    }
    fs::rename(partial, target);
    return true;
  } catch (const std::exception& e) {
    gf_log(fmt::format("Downloader exception: '{}', {} => {}", e.what(), url, gf_pathToUtf8(target)));
    lf_removeQuietly(partial);
    return false;
  }
}

void gf_setDownloadBase(std::string base) {
  std::lock_guard lock(g_downloadBaseMutex);
  g_downloadBase = std::move(base);
}

std::string gf_downloadBase() {
  std::lock_guard lock(g_downloadBaseMutex);
  return g_downloadBase;
}

bool gf_downloadDataFile(std::string_view fileName, const fs::path& target) {
  Downloader downloader;
  downloader.setLimits(gf_downloadLimits(g_dataFileMaxBytes, g_dataFileTotalTime));
  const std::string address = fmt::format("{}{}/{}", gf_downloadBase(), g_programVersion.major, fileName);
  // The answer lands beside the data file and replaces it only when it decrypts whole: a
  // portal's page or a body cut short by a server that sent no length is a 200 answer
  // too, and in place of the data file it would stop every later start.
  fs::path fresh = target;
  fresh += ".new";
  bool ok = downloader.download(address, fresh, true);
  if (ok) {
    std::string why;
    ok = gf_dataFileDecrypts(fresh, &why);
    if (!ok) gf_log(fmt::format("Download error: 'not a data file: {}' for {}", why, address));
  }
  if (ok) {
    std::error_code ec;
    fs::rename(fresh, target, ec);
    if (ec) {
      gf_log(fmt::format("could not rename {} => {}: {}", gf_pathToUtf8(fresh), gf_pathToUtf8(target), ec.message()));
      ok = false;
    }
  }
  if (ok) {
    gf_log(fmt::format("Downloaded '{}' to '{}'", address, gf_pathToUtf8(target)));
  } else {
    lf_removeQuietly(fresh);
    gf_logWarning(fmt::format("Downloading '{}' failed !", address));
  }
  return ok;
}

}  // namespace vexo
