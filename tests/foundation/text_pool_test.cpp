#include "foundation/text_pool.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <thread>
#include <vector>

namespace vexo::test {
namespace {

TEST(TextPoolTest, EqualTextsShareOneIdAndEveryTextReadsBackAsStored) {
  TextPool pool;
  EXPECT_EQ(pool.intern(""), 0U);
  EXPECT_EQ(pool.text(0), "");
  // Enough texts to fill several blocks and chunks, with a long one among them.
  const std::string longText(40000, 'x');
  std::vector<std::uint32_t> ids;
  for (int n = 0; n < 40000; ++n) ids.push_back(pool.intern(n == 777 ? longText : fmt::format("D-{:05}", n)));
  for (int n = 0; n < 40000; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(pool.text(ids[static_cast<std::size_t>(n)]), n == 777 ? longText : fmt::format("D-{:05}", n));
    EXPECT_EQ(pool.intern(n == 777 ? longText : fmt::format("D-{:05}", n)), ids[static_cast<std::size_t>(n)]);
  }
  EXPECT_NE(pool.intern("D-00001 "), ids[1]) << "a text differs by its trailing blank";
}

// Texts interned by two threads at once get one id each, and a text read on one thread
// while the other keeps interning stays what it was.
TEST(TextPoolTest, TwoThreadsInterningTheSameTextsAgreeOnTheirIds) {
  TextPool pool;
  const auto text = [](int n) { return fmt::format("CS{}", n % 5000); };
  std::vector<std::uint32_t> first(20000);
  std::vector<std::uint32_t> second(20000);
  std::thread other([&] {
    for (int n = 0; n < 20000; ++n) second[static_cast<std::size_t>(n)] = pool.intern(text(n));
  });
  for (int n = 0; n < 20000; ++n) {
    first[static_cast<std::size_t>(n)] = pool.intern(text(n));
    ASSERT_EQ(pool.text(first[static_cast<std::size_t>(n)]), text(n));
  }
  other.join();
  EXPECT_EQ(first, second);
}

TEST(TextPoolTest, APooledTextComparesAndFormatsAsItsText) {
  PooledText registration;
  EXPECT_TRUE(registration.empty());
  EXPECT_EQ(registration, "");
  registration = std::string("PH-BXA");
  EXPECT_FALSE(registration.empty());
  EXPECT_EQ(registration, "PH-BXA");
  EXPECT_EQ(std::string("PH-BXA"), registration);
  EXPECT_EQ(registration, PooledText("PH-BXA"));
  EXPECT_NE(registration, PooledText("PH-BXB"));
  EXPECT_EQ(fmt::format("[{:8}]", registration), "[PH-BXA  ]");
}

}  // namespace
}  // namespace vexo::test
