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
  const pugi::xml_node block = doc.child("root").child("meta");
  std::vector<std::string> names;
  for (pugi::xml_node info : block.children("info")) names.emplace_back(info.attribute("name").as_string());
  EXPECT_EQ(names, (std::vector<std::string>{"author", "version", "date", "copyright", "sim"}));

  const auto read = gf_readMetaInfo(doc, false);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->author, "Vendrake_P3D");
  EXPECT_EQ(read->version, "3.1");
  EXPECT_EQ(read->sim, 5);
  EXPECT_FALSE(read->date.empty());
  EXPECT_TRUE(read->P3D.empty());
}

TEST(MetaInfo, ReadingTakesFirstEntriesAndNeedsCopyrightAndASimEntry) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(R"x(<root><meta>
      <info name="author" value="first"/><info name="author" value="second"/>
      <info name="" value="skipped"/><info name="copyright" value="(c)"/>
      <info name="version" value="1"/><info name="date" value="Jan 01, 2024"/>
    </meta></root>)x"));
  EXPECT_FALSE(gf_readMetaInfo(doc, false).has_value());  // no P3D, MSFS or sim
  const auto meta = gf_readMetaInfo(doc, true);
  ASSERT_TRUE(meta.has_value());
  EXPECT_EQ(meta->author, "first");

  doc.child("root").child("meta").append_child("info").append_attribute("name").set_value("P3D");
  EXPECT_TRUE(gf_readMetaInfo(doc, false).has_value());
}

TEST(MetaInfo, EmptyCopyrightOrNoneGivesNothing) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(R"(<meta><info name="sim" value="6"/><info name="copyright" value=""/></meta>)"));
  test::LogCapture log;
  EXPECT_FALSE(gf_readMetaInfo(doc, true).has_value());
  EXPECT_TRUE(log.contains("==> no copyright info in the file?"));

  pugi::xml_document none;
  ASSERT_TRUE(none.load_string(R"(<root><meta><info name="sim" value="6"/></meta></root>)"));
  EXPECT_FALSE(gf_readMetaInfo(none, true).has_value());
  EXPECT_FALSE(gf_readMetaInfo(pugi::xml_document(), true).has_value());
}
