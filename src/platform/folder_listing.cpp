#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace vexo::platform {

namespace {

EntryType lf_typeOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return EntryType::directory;
  if (S_ISREG(mode)) return EntryType::regular;
  if (S_ISLNK(mode)) return EntryType::symlink;
  return EntryType::other;
}

constexpr off64_t kEndOfFolder = std::numeric_limits<off64_t>::max();

// The raw listing of an open folder, with a buffer that takes a usual folder in one call.
std::error_code lf_listDescriptor(int fd, std::vector<FolderEntry>& entries) {
  entries.clear();
  alignas(dirent64) static thread_local char buffer[32768];
  entries.reserve(16);
  // A listing is read from the descriptor's own position: one opened for this object is
  // read once, from the start.
  for (;;) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      entries.clear();
      return {error, std::generic_category()};
    }
    if (got == 0) return {};
    bool atEnd = false;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      // The position after the last entry is the largest offset only at the end of the
      // folder (ext4's hashed folders, where no entry can take that position): then the
      // call that would only say so is left out. Elsewhere the listing reads on until a
      // call gives nothing.
      atEnd = at == got && entry->d_off == kEndOfFolder;
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      EntryType type = EntryType::other;
      switch (entry->d_type) {
        case DT_DIR:
          type = EntryType::directory;
          break;
        case DT_REG:
          type = EntryType::regular;
          break;
        case DT_LNK:
          type = EntryType::symlink;
          break;
        case DT_UNKNOWN: {
          struct stat info {};
          if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) type = lf_typeOfMode(info.st_mode);
          break;
        }
        default:
          break;
      }
      entries.push_back(FolderEntry{std::string(name, std::strlen(name)), type});
    }
    if (atEnd) return {};
  }
}

}  // namespace

std::error_code gf_listFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
  OpenFolder open;
  if (const std::error_code ec = open.open(folder)) {
    entries.clear();
    return ec;
  }
  return open.list(entries);
}

OpenFolder::~OpenFolder() {
  if (fd_ >= 0) ::close(fd_);
}

std::error_code OpenFolder::take(int fd) {
  const int error = fd < 0 ? errno : 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  if (fd < 0) return {error, std::generic_category()};
  return {};
}

std::error_code OpenFolder::open(const std::filesystem::path& path) {
  return take(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::error_code OpenFolder::openIn(const OpenFolder& parent, const char* name) {
  return take(::openat(parent.fd_, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
}

std::error_code OpenFolder::list(std::vector<FolderEntry>& entries) const {
  if (fd_ < 0) {
    entries.clear();
    return std::make_error_code(std::errc::bad_file_descriptor);
  }
  return lf_listDescriptor(fd_, entries);
}

}  // namespace vexo::platform
