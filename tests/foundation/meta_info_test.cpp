#include "foundation/meta_info.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace vexo;

TEST(MetaInfo, WrittenBlockReadsBack) {
  pugi::xml_document doc;
  FileMeta meta;
  meta.version = "3.1";
  meta.sim = 5;
  ASSERT_TRUE(gf_writeMetaInfo(doc, meta));
  const auto read = gf_readMetaInfo(doc, false);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->author, "Vendrake_P3D");
  EXPECT_EQ(read->version, "3.1");
  EXPECT_EQ(read->sim, 5);
}

TEST(MetaInfo, FirstEntriesCountAndCopyrightAndASimEntryAreNeeded) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(R"x(<root><meta>
      <info name="author" value="first"/><info name="author" value="second"/>
      <info name="" value="skipped"/><info name="copyright" value="(c)"/></meta></root>)x"));
  EXPECT_FALSE(gf_readMetaInfo(doc, false).has_value());  // no P3D, MSFS or sim
  EXPECT_EQ(gf_readMetaInfo(doc, true)->author, "first");
  doc.child("root").child("meta").append_child("info").append_attribute("name").set_value("P3D");
  EXPECT_TRUE(gf_readMetaInfo(doc, false).has_value());

  test::LogCapture log;
  ASSERT_TRUE(doc.load_string(R"(<meta><info name="sim" value="6"/><info name="copyright" value=""/></meta>)"));
  EXPECT_FALSE(gf_readMetaInfo(doc, true).has_value());
  EXPECT_TRUE(log.contains("==> no copyright info in the file?"));
  EXPECT_FALSE(gf_readMetaInfo(pugi::xml_document(), true).has_value());
}
