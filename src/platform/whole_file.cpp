#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace vexo::platform {

namespace {

struct Descriptor {
  explicit Descriptor(int fd) : fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  int fd;
};

}  // namespace

// Into a text or into bytes: the same calls.
template <class Buffer>
WholeFileRead lf_readWholeFile(int folderFd, const char* path, std::size_t maxBytes, Buffer& bytes) {
  // What bytes held is overwritten, not emptied first: a buffer kept for file after file
  // is then not zeroed again before each read, only where it grows.
  const auto fail = [&bytes](WholeFileRead result) {
    bytes.clear();
    return result;
  };
  const Descriptor file(::openat(folderFd, path, O_RDONLY | O_CLOEXEC));
  if (file.fd < 0) return fail(errno == ENOENT || errno == ENOTDIR ? WholeFileRead::notFound : WholeFileRead::failed);
  struct stat info {};
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return fail(WholeFileRead::failed);
  if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    return fail(info.st_size < 0 ? WholeFileRead::failed : WholeFileRead::tooLarge);
  }
  // The size is taken when the file is opened; reading goes on to the end, so a file that
  // grew meanwhile beyond the limit is refused too.
  // One byte more than the size asks the first read to find the end too.
  bytes.resize(std::min(maxBytes + 1, static_cast<std::size_t>(info.st_size) + 1));
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(std::min(maxBytes + 1, bytes.size() + 4096));
    const ssize_t got = ::read(file.fd, bytes.data() + done, bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return fail(WholeFileRead::failed);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
    if (done > maxBytes) return fail(WholeFileRead::tooLarge);
    // Less than asked, but all the size promised: the end is reached, no read needed to
    // find it.
    if (done < bytes.size() && done >= static_cast<std::size_t>(info.st_size)) break;
  }
  bytes.resize(done);
  return WholeFileRead::ok;
}

WholeFileRead gf_readWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes) {
  return lf_readWholeFile(AT_FDCWD, path.c_str(), maxBytes, bytes);
}

WholeFileRead gf_readWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::vector<std::byte>& bytes) {
  return lf_readWholeFile(AT_FDCWD, path.c_str(), maxBytes, bytes);
}

WholeFileRead gf_readWholeFileIn(int folderFd, const std::string& name, std::size_t maxBytes, std::string& bytes) {
  return lf_readWholeFile(folderFd, name.c_str(), maxBytes, bytes);
}

}  // namespace vexo::platform
