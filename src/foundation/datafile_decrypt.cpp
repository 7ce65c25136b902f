#include "foundation/charset.h"
#include "foundation/datafile_decrypt.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "foundation/log.h"
#include "platform/private_file.h"

namespace vexo {

static_assert(g_dataFileHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(g_dataFileChunkOverhead == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(g_dataFileKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);

namespace {

// Chunks are read and decrypted a block at a time and the block's text written at once:
// with stdio's buffering off, no byte is copied beyond what the cipher itself writes.
constexpr std::size_t lf_chunksPerBlock = 256;

// Wipes the key copy and the cipher state however the decryption ends.
struct SecretState {
  DataFileKey key{};
  crypto_secretstream_xchacha20poly1305_state state{};
  ~SecretState() {
    sodium_memzero(key.data(), key.size());
    sodium_memzero(&state, sizeof state);
  }
};

}  // namespace

namespace {

platform::FilePtr lf_openInput(const std::filesystem::path& input) {
  if (sodium_init() < 0) {
    throw std::runtime_error("libsodium could not be initialised");
  }
  platform::FilePtr in(std::fopen(input.c_str(), "rb"));
  if (!in) {
    throw std::runtime_error("Could not open input file: " + gf_pathToUtf8(input));
  }
  std::setvbuf(in.get(), nullptr, _IONBF, 0);
  return in;
}

// Decrypts the opened input to out, or only authenticates it when out is null (the plain
// text is then dropped block by block). Throws std::runtime_error.
void lf_pull(const DataFileKey& key, const platform::FilePtr& in, const std::filesystem::path& input, std::FILE* out,
             const std::filesystem::path& output) {
  SecretState secret;
  secret.key = key;
  unsigned char header[g_dataFileHeaderBytes];
  // A header cut short (an empty file too) is a broken download, not an empty data file.
  if (std::fread(header, 1, sizeof header, in.get()) != sizeof header) {
    throw std::runtime_error("File too short for a header");
  }
  if (crypto_secretstream_xchacha20poly1305_init_pull(&secret.state, header, secret.key.data()) != 0) {
    throw std::runtime_error("Invalid header or key");
  }

  // Small files get small buffers; the size is only a hint, the loop trusts fread alone.
  std::error_code sizeError;
  std::uintmax_t fileSize = std::filesystem::file_size(input, sizeError);
  std::size_t chunks = sizeError ? lf_chunksPerBlock
                                 : static_cast<std::size_t>(std::min<std::uintmax_t>(
                                       lf_chunksPerBlock, fileSize / g_dataFileCipherChunkBytes + 1));
  std::vector<unsigned char> cipher(g_dataFileCipherChunkBytes * chunks);
  std::vector<unsigned char> plain(g_dataFilePlainChunkBytes * chunks);
  bool final = false;
  std::uintmax_t consumed = sizeof header;  // bytes of the file that were decrypted
  while (!final) {
    // fread delivers a short block only at the end of the file (or on an error).
    std::size_t got = std::fread(cipher.data(), 1, cipher.size(), in.get());
    if (std::ferror(in.get())) {
      throw std::runtime_error("Could not read input file: " + gf_pathToUtf8(input));
    }
    if (got == 0) {
      // Without the final chunk the stream was cut: the text so far is not the whole file.
      throw std::runtime_error("File ends without its final chunk");
    }
    std::size_t plainSize = 0;
    for (std::size_t at = 0; at < got && !final;) {
      std::size_t size = std::min(g_dataFileCipherChunkBytes, got - at);
      unsigned long long plainLength = 0;
      unsigned char tag = 0;
      if (crypto_secretstream_xchacha20poly1305_pull(&secret.state, &plain[plainSize], &plainLength, &tag, &cipher[at],
                                                     size, nullptr, 0) != 0) {
        throw std::runtime_error("Decryption failed");
      }
      plainSize += plainLength;
      at += size;
      consumed += size;
      final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
    }
    if (out != nullptr && plainSize > 0 && std::fwrite(plain.data(), 1, plainSize, out) != plainSize) {
      throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(output));
    }
  }
  // The final chunk ends the stream: what follows it is covered by no tag and never read.
  if (std::fseek(in.get(), 0, SEEK_END) == 0) {
    const long end = std::ftell(in.get());
    if (end > 0 && static_cast<std::uintmax_t>(end) > consumed) {
      const std::uintmax_t extra = static_cast<std::uintmax_t>(end) - consumed;
      gf_logWarning(fmt::format("{} bytes after the final chunk of {} ignored", extra, gf_pathToUtf8(input)));
    }
  }
}

}  // namespace

void lf_streamDecryptPull(const DataFileKey& key, const std::filesystem::path& input,
                          const std::filesystem::path& output) {
  const platform::FilePtr in = lf_openInput(input);
  platform::FilePtr out = platform::gf_createPrivateFile(output);
  if (!out) {
    throw std::runtime_error("Could not open output file: " + gf_pathToUtf8(output));
  }
  std::setvbuf(out.get(), nullptr, _IONBF, 0);
  lf_pull(key, in, input, out.get(), output);
  if (std::fclose(out.release()) != 0) {
    throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(output));
  }
}

bool gf_dataFileDecrypts(const std::filesystem::path& input, std::string* why) {
  try {
    lf_pull(g_dataFileKey, lf_openInput(input), input, nullptr, {});
    return true;
  } catch (const std::exception& e) {
    if (why) *why = e.what();
    return false;
  }
}

bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output) {
  // Removes the output also when something other than a std::exception passes through.
  RemoveFileGuard guard(output);
  try {
    lf_streamDecryptPull(g_dataFileKey, input, output);
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
    return false;
  }
  guard.dismiss();
  return true;
}

void gf_removeFileWarn(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (ec) {
    gf_logWarning(fmt::format("Warning: could not remove {}, errorcode: {}", gf_pathToUtf8(path), ec.message()));
  }
}

}  // namespace vexo
