#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vexo::platform {

namespace {

EntryType lf_typeOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return EntryType::directory;
  if (S_ISREG(mode)) return EntryType::regular;
  if (S_ISLNK(mode)) return EntryType::symlink;
  return EntryType::other;
}

}  // namespace

std::error_code gf_listFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  // The folder's own descriptor and the raw listing: no status query of the folder, and a
  // buffer that takes a usual folder in one call.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return {errno, std::generic_category()};
  alignas(dirent64) static thread_local char buffer[32768];
  entries.reserve(16);
  int error = 0;
  for (;;) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (got == 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
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
  }
  ::close(fd);
  if (error != 0) {
    entries.clear();
    return {error, std::generic_category()};
  }
  return {};
}

}  // namespace vexo::platform
