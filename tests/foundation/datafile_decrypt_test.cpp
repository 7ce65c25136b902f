#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "datafile_encrypt.h"
#include "foundation/datafile_decrypt.h"
#include "test_support.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;
using test::LogCapture;
using test::readFile;
using test::TempDir;
using test::writeFile;

std::string patternText(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>((i * 131 + 7) % 251);
  }
  return text;
}

int runTool(const std::string& command, const fs::path& in, const fs::path& out) {
  std::string line = fmt::format("'{}' {} '{}' '{}' 2>/dev/null", VDRK_DATAFILE_TOOL, command, in.string(), out.string());
  int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t expectedCipherSize(std::size_t plain) {
  std::size_t chunks = plain == 0 ? 1 : (plain + g_dataFilePlainChunkBytes - 1) / g_dataFilePlainChunkBytes;
  return g_dataFileHeaderBytes + plain + chunks * g_dataFileChunkOverhead;
}

class DataFile : public ::testing::Test {
protected:
  // Encrypts text of the given size with the program's key; returns the data file.
  fs::path encrypted(std::size_t size, const std::string& name = "data.enc") {
    writeFile(dir / "plain.bin", patternText(size));
    gf_streamEncrypt(g_dataFileKey, dir / "plain.bin", dir / name);
    return dir / name;
  }
  TempDir dir;
  LogCapture log;
};

TEST_F(DataFile, ToolRoundTripsChunkBoundariesIntoPrivateFiles) {
  writeFile(dir / "out.xml", "old");
  fs::permissions(dir / "out.xml", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  for (std::size_t size : {0u, 1u, 4096u, 4097u, 8192u}) {
    SCOPED_TRACE(size);
    const std::string plain = patternText(size);
    writeFile(dir / "in.xml", plain);
    ASSERT_EQ(runTool("encrypt", dir / "in.xml", dir / "in.enc"), 0);
    EXPECT_EQ(fs::file_size(dir / "in.enc"), expectedCipherSize(size));
    EXPECT_FALSE(fs::exists(dir / "in.enc.tmp"));
    ASSERT_EQ(runTool("decrypt", dir / "in.enc", dir / "tool.xml"), 0);
    EXPECT_EQ(readFile(dir / "tool.xml"), plain);
    ASSERT_TRUE(gf_streamDecrypt(dir / "in.enc", dir / "out.xml"));
    EXPECT_EQ(readFile(dir / "out.xml"), plain);
    EXPECT_EQ(fs::status(dir / "out.xml").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
  }
}

TEST_F(DataFile, EveryChangedByteOrAWrongKeyFailsAndLeavesNoOutput) {
  fs::path enc = encrypted(4097);
  const std::string good = readFile(enc);
  // Every byte of the header, of both ends of the first chunk (its tag and MAC) and of the
  // short final chunk, and a stride through the rest.
  std::vector<std::size_t> positions;
  const std::size_t chunk2 = g_dataFileHeaderBytes + g_dataFileCipherChunkBytes;
  for (std::size_t at = 0; at < good.size(); ++at) {
    if (at < g_dataFileHeaderBytes + 32 || (at >= chunk2 - 32) || at % 97 == 0) {
      positions.push_back(at);
    }
  }
  for (std::size_t at : positions) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x20);
    writeFile(dir / "bad.enc", bad);
    ASSERT_FALSE(gf_streamDecrypt(dir / "bad.enc", dir / "out.xml")) << "byte " << at;
    ASSERT_FALSE(fs::exists(dir / "out.xml")) << "byte " << at;
  }
  EXPECT_TRUE(log.contains("gf_streamDecrypt exception: Decryption failed"));
  EXPECT_EQ(runTool("decrypt", dir / "bad.enc", dir / "tool.xml"), 1);
  EXPECT_FALSE(fs::exists(dir / "tool.xml"));
  DataFileKey other = g_dataFileKey;  // a wrong key fails the same way
  other[5] ^= 1;
  gf_streamEncrypt(other, dir / "plain.bin", dir / "other.enc");
  EXPECT_FALSE(gf_streamDecrypt(dir / "other.enc", dir / "out.xml"));
  EXPECT_FALSE(fs::exists(dir / "out.xml"));
}

TEST_F(DataFile, CutShortFilesAreFailuresNotShorterTexts) {
  fs::path enc = encrypted(8192);
  const std::string whole = readFile(enc);
  struct Case {
    std::size_t keep;
    const char* message;
  };
  const Case cases[] = {
      {0, "File too short for a header"},
      {10, "File too short for a header"},
      {g_dataFileHeaderBytes, "File ends without its final chunk"},
      {g_dataFileHeaderBytes + g_dataFileCipherChunkBytes, "File ends without its final chunk"},
      {g_dataFileHeaderBytes + g_dataFileCipherChunkBytes + 100, "Decryption failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keep);
    writeFile(dir / "cut.enc", whole.substr(0, c.keep));
    EXPECT_FALSE(gf_streamDecrypt(dir / "cut.enc", dir / "out.xml"));
    EXPECT_FALSE(fs::exists(dir / "out.xml"));
    EXPECT_TRUE(log.contains(fmt::format("gf_streamDecrypt exception: {}", c.message)));
  }
}

// The check of a downloaded file: only a whole data file of the program's key passes, and
// nothing is written beside it.
TEST_F(DataFile, OnlyAWholeDataFilePassesTheCheck) {
  const std::string whole = readFile(encrypted(8192));
  std::string changed = whole;
  changed[whole.size() - 5] = static_cast<char>(changed[whole.size() - 5] ^ 0x20);
  const std::pair<std::string, std::string> refused[] = {
      {"", "File too short for a header"},
      {"<!DOCTYPE html><html><body>Sign in</body></html>", "Decryption failed"},
      {whole.substr(0, g_dataFileHeaderBytes), "File ends without its final chunk"},
      {whole.substr(0, g_dataFileHeaderBytes + g_dataFileCipherChunkBytes), "File ends without its final chunk"},
      {whole.substr(0, whole.size() - 1), "Decryption failed"},
      {changed, "Decryption failed"},
  };
  for (const auto& [bytes, reason] : refused) {
    SCOPED_TRACE(reason);
    writeFile(dir / "fresh.enc", bytes);
    std::string why;
    EXPECT_FALSE(gf_dataFileDecrypts(dir / "fresh.enc", &why));
    EXPECT_EQ(why, reason);
  }
  EXPECT_FALSE(gf_dataFileDecrypts(dir / "missing.enc", nullptr));
  writeFile(dir / "fresh.enc", whole);
  EXPECT_TRUE(gf_dataFileDecrypts(dir / "fresh.enc", nullptr));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);  // plain.bin, data.enc, fresh.enc
}

TEST_F(DataFile, BytesAfterTheFinalChunkAreIgnoredWithAWarning) {
  const std::string whole = readFile(encrypted(8192));
  const std::string other = readFile(encrypted(5000, "other.enc"));
  for (const std::string& tail : {std::string("x"), other}) {
    SCOPED_TRACE(tail.size());
    writeFile(dir / "long.enc", whole + tail);
    ASSERT_TRUE(gf_streamDecrypt(dir / "long.enc", dir / "out.xml"));
    EXPECT_EQ(readFile(dir / "out.xml"), patternText(8192));
    EXPECT_TRUE(log.contains(fmt::format("==> {} bytes after the final chunk of {} ignored\n", tail.size(),
                                         (dir / "long.enc").string())));
  }
}

TEST_F(DataFile, MissingInputOrUnwritableOutputFailsCleanly) {
  writeFile(dir / "out.xml", "stale");
  EXPECT_FALSE(gf_streamDecrypt(dir / "missing.enc", dir / "out.xml"));
  EXPECT_FALSE(fs::exists(dir / "out.xml"));
  EXPECT_TRUE(log.contains(
      fmt::format("gf_streamDecrypt exception: Could not open input file: {}", (dir / "missing.enc").string())));
  EXPECT_EQ(runTool("decrypt", dir / "missing.enc", dir / "tool.xml"), 1);
  EXPECT_EQ(runTool("encrypt", dir / "missing.xml", dir / "tool.enc"), 1);
  EXPECT_FALSE(fs::exists(dir / "tool.xml"));
  EXPECT_FALSE(fs::exists(dir / "tool.enc"));
  EXPECT_FALSE(gf_streamDecrypt(encrypted(10), dir / "no-such-folder" / "out.xml"));
  EXPECT_TRUE(log.contains("Could not open output file: "));
}

TEST_F(DataFile, DecryptedFileGoesWhenAReaderThrowsAndOnlyRealRemoveFailuresWarn) {
  fs::path enc = encrypted(10);
  try {
    RemoveFileGuard guard(dir / "out.xml");
    ASSERT_TRUE(gf_streamDecrypt(enc, dir / "out.xml"));
    throw std::logic_error("reader failed half-way");
  } catch (const std::logic_error&) {
  }
  EXPECT_FALSE(fs::exists(dir / "out.xml"));
  gf_removeFileWarn(dir / "absent.xml");
  EXPECT_FALSE(log.contains("could not remove"));
  fs::create_directories(dir / "full" / "inner");
  gf_removeFileWarn(dir / "full");
  EXPECT_TRUE(log.contains(fmt::format("==> Warning: could not remove {}, errorcode: ", (dir / "full").string())));
}

}  // namespace
}  // namespace vexo
