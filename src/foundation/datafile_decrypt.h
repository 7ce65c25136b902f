// Decryption of the program's data files: a secretstream (XChaCha20-Poly1305) header of 24
// bytes, then chunks of up to 4096 plain bytes plus 17 bytes each, the last one tagged final.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "foundation/datafile_key.h"

namespace vexo {

inline constexpr std::size_t g_dataFileHeaderBytes = 24;
inline constexpr std::size_t g_dataFilePlainChunkBytes = 4096;
inline constexpr std::size_t g_dataFileChunkOverhead = 17;
inline constexpr std::size_t g_dataFileCipherChunkBytes = g_dataFilePlainChunkBytes + g_dataFileChunkOverhead;

// Decrypts the whole file with the program's key into output (created readable by the user
// only). False after any failure, which is logged; the output is then removed. A file cut
// short (no final chunk, short header, empty) is a failure.
bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output);

// True when the whole file decrypts with the program's key: its header is accepted, every
// chunk authenticates and the final chunk is there. Nothing is written; why a file fails
// goes to *why. A download must pass this before it replaces a data file.
bool gf_dataFileDecrypts(const std::filesystem::path& input, std::string* why);

// The decryption itself; throws std::runtime_error and may leave a partial output behind.
void lf_streamDecryptPull(const DataFileKey& key, const std::filesystem::path& input,
                          const std::filesystem::path& output);

// Removes the file when it exists; a failure is logged as a warning, never thrown.
void gf_removeFileWarn(const std::filesystem::path& path);

// Removes a decrypted file when the scope ends, on every path out of a reader.
class RemoveFileGuard {
public:
  explicit RemoveFileGuard(std::filesystem::path path) : path_(std::move(path)) {}
  ~RemoveFileGuard() {
    if (armed_) {
      gf_removeFileWarn(path_);
    }
  }
  RemoveFileGuard(const RemoveFileGuard&) = delete;
  RemoveFileGuard& operator=(const RemoveFileGuard&) = delete;
  void dismiss() { armed_ = false; }

private:
  std::filesystem::path path_;
  bool armed_ = true;
};

}  // namespace vexo
