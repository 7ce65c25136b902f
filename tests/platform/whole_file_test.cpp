#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {
std::string lf_text(const std::vector<std::byte>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
}  // namespace

// The byte form that the scenery reader uses gives what the text form gives.
TEST(WholeFile, BytesAreEveryByteAndWhatIsNoFileIsRefused) {
  test::TempDir dir;
  std::string content(70'000, '\0');  // more than one read of a small buffer, zero bytes inside
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
  test::writeFile(dir / "big.bin", content);
  test::writeFile(dir / "empty.bin", "");
  fs::create_directories(dir / "folder");

  std::vector<std::byte> bytes{std::byte{1}};
  ASSERT_EQ(platform::gf_readWholeFile(dir / "big.bin", content.size(), bytes), platform::WholeFileRead::ok);
  EXPECT_EQ(lf_text(bytes), content);
  EXPECT_EQ(platform::gf_readWholeFile(dir / "big.bin", content.size() - 1, bytes), platform::WholeFileRead::tooLarge);
  EXPECT_TRUE(bytes.empty());
  ASSERT_EQ(platform::gf_readWholeFile(dir / "empty.bin", 10, bytes), platform::WholeFileRead::ok);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(platform::gf_readWholeFile(dir / "missing.bin", 10, bytes), platform::WholeFileRead::notFound);
  EXPECT_EQ(platform::gf_readWholeFile(dir / "folder", 10, bytes), platform::WholeFileRead::failed);
}
