#include "datafile_encrypt.h"

#include <sodium.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "foundation/charset.h"
#include "foundation/datafile_decrypt.h"
#include "platform/private_file.h"

namespace vexo {

namespace {

void lf_write(std::FILE* out, const unsigned char* data, std::size_t size, const std::filesystem::path& path) {
  if (std::fwrite(data, 1, size, out) != size) {
    throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(path));
  }
}

void lf_encryptInto(const DataFileKey& key, std::FILE* in, std::FILE* out, const std::filesystem::path& path) {
  crypto_secretstream_xchacha20poly1305_state state;
  unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
  crypto_secretstream_xchacha20poly1305_init_push(&state, header, key.data());
  lf_write(out, header, sizeof header, path);

  std::vector<unsigned char> current(g_dataFilePlainChunkBytes);
  std::vector<unsigned char> next(g_dataFilePlainChunkBytes);
  std::vector<unsigned char> cipher(g_dataFileCipherChunkBytes);
  std::size_t currentSize = std::fread(current.data(), 1, current.size(), in);
  for (;;) {
    // Read one chunk ahead: the chunk after which nothing follows is tagged final.
    std::size_t nextSize = currentSize == current.size() ? std::fread(next.data(), 1, next.size(), in) : 0;
    if (std::ferror(in)) {
      throw std::runtime_error("Could not read input file");
    }
    const bool last = nextSize == 0;
    unsigned long long cipherSize = 0;
    crypto_secretstream_xchacha20poly1305_push(
        &state, cipher.data(), &cipherSize, current.data(), currentSize, nullptr, 0,
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    lf_write(out, cipher.data(), cipherSize, path);
    if (last) {
      break;
    }
    current.swap(next);
    currentSize = nextSize;
  }
  sodium_memzero(&state, sizeof state);
}

}  // namespace

void gf_streamEncrypt(const DataFileKey& key, const std::filesystem::path& input, const std::filesystem::path& output) {
  if (sodium_init() < 0) {
    throw std::runtime_error("libsodium could not be initialised");
  }
  platform::FilePtr in(std::fopen(input.c_str(), "rb"));
  if (!in) {
    throw std::runtime_error("Could not open input file: " + gf_pathToUtf8(input));
  }
  std::filesystem::path temporary = output;
  temporary += ".tmp";
  RemoveFileGuard guard(temporary);
  platform::FilePtr out = platform::gf_createPrivateFile(temporary);
  if (!out) {
    throw std::runtime_error("Could not open output file: " + gf_pathToUtf8(temporary));
  }
  lf_encryptInto(key, in.get(), out.get(), temporary);
  if (std::fclose(out.release()) != 0) {
    throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(temporary));
  }
  std::filesystem::rename(temporary, output);
  guard.dismiss();
}

}  // namespace vexo
