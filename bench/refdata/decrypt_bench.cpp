// Data-file decryption against libsodium's pull on the same data: the program's checks and
// chunked file handling should cost little against the plainest whole job (aim: at least
// 0.8 of its throughput). The in-memory pull shows what the cipher alone costs.
#include <benchmark/benchmark.h>
#include <sodium.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datafile_encrypt.h"
#include "foundation/datafile_decrypt.h"

namespace {

namespace fs = std::filesystem;
using namespace vexo;

constexpr std::size_t lf_plainBytes = 16 * 1024 * 1024;

// A 16 MiB data file in the temporary folder, made once.
struct BenchFile {
  fs::path folder = fs::temp_directory_path() / "vdrk_decrypt_bench";
  fs::path enc = folder / "data.enc";
  fs::path out = folder / "data.xml";
  std::vector<unsigned char> cipher;

  BenchFile() {
    fs::create_directories(folder);
    fs::path plain = folder / "plain.bin";
    {
      std::ofstream file(plain, std::ios::binary);
      std::string line = "    <ap c=\"EDDF\" i=\"FRA\" la=\"50.033333\" lo=\"8.570556\" a=\"364\" s=\"0\"/>\n";
      for (std::size_t written = 0; written < lf_plainBytes; written += line.size()) {
        file << line;
      }
    }
    gf_streamEncrypt(g_dataFileKey, plain, enc);
    fs::remove(plain);
    std::ifstream in(enc, std::ios::binary);
    cipher.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ~BenchFile() { fs::remove_all(folder); }
};

BenchFile& benchFile() {
  static BenchFile file;
  return file;
}

void BM_StreamDecryptFile(benchmark::State& state) {
  BenchFile& file = benchFile();
  for (auto _ : state) {
    if (!gf_streamDecrypt(file.enc, file.out)) {
      state.SkipWithError("decryption failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lf_plainBytes));
}
BENCHMARK(BM_StreamDecryptFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cipher alone: the same chunks pulled from memory into one plain buffer.
void BM_RawSodiumPull(benchmark::State& state) {
  BenchFile& file = benchFile();
  if (sodium_init() < 0) {
    state.SkipWithError("sodium_init failed");
    return;
  }
  std::vector<unsigned char> plain(g_dataFilePlainChunkBytes);
  for (auto _ : state) {
    crypto_secretstream_xchacha20poly1305_state secret;
    crypto_secretstream_xchacha20poly1305_init_pull(&secret, file.cipher.data(), g_dataFileKey.data());
    std::size_t at = g_dataFileHeaderBytes;
    while (at < file.cipher.size()) {
      std::size_t size = std::min(g_dataFileCipherChunkBytes, file.cipher.size() - at);
      unsigned long long plainSize = 0;
      unsigned char tag = 0;
      if (crypto_secretstream_xchacha20poly1305_pull(&secret, plain.data(), &plainSize, &tag, &file.cipher[at], size,
                                                     nullptr, 0) != 0) {
        state.SkipWithError("pull failed");
        return;
      }
      benchmark::DoNotOptimize(plain.data());
      at += size;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lf_plainBytes));
}
BENCHMARK(BM_RawSodiumPull)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plainest whole job with libsodium: the input read at once, pulled chunk by chunk into
// one buffer, the text written at once. The program's decryption is measured against it.
void BM_RawSodiumPullFiles(benchmark::State& state) {
  BenchFile& file = benchFile();
  if (sodium_init() < 0) {
    state.SkipWithError("sodium_init failed");
    return;
  }
  for (auto _ : state) {
    std::ifstream in(file.enc, std::ios::binary);
    std::vector<unsigned char> cipher(fs::file_size(file.enc));
    in.read(reinterpret_cast<char*>(cipher.data()), static_cast<std::streamsize>(cipher.size()));
    std::vector<unsigned char> plain(cipher.size());
    crypto_secretstream_xchacha20poly1305_state secret;
    crypto_secretstream_xchacha20poly1305_init_pull(&secret, cipher.data(), g_dataFileKey.data());
    std::size_t at = g_dataFileHeaderBytes;
    std::size_t plainAt = 0;
    while (at < cipher.size()) {
      std::size_t size = std::min(g_dataFileCipherChunkBytes, cipher.size() - at);
      unsigned long long plainSize = 0;
      unsigned char tag = 0;
      if (crypto_secretstream_xchacha20poly1305_pull(&secret, &plain[plainAt], &plainSize, &tag, &cipher[at], size,
                                                     nullptr, 0) != 0) {
        state.SkipWithError("pull failed");
        return;
      }
      at += size;
      plainAt += plainSize;
    }
    std::ofstream out(file.out, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(plain.data()), static_cast<std::streamsize>(plainAt));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lf_plainBytes));
}
BENCHMARK(BM_RawSodiumPullFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
