#include <gtest/gtest.h>

#include "airports/bgl_convert.h"
#include "bgl_builder.h"

namespace vexo {
namespace {

TEST(BglConvert, IcaoIdentsDecodeFromBase38) {
  EXPECT_EQ(lf_decodeIcaoText(0x0263DFE1U), "KTST");  // the ident field of the real test scenery
  EXPECT_EQ(lf_decodeIcaoText(test::encodeIcao("EHAM")), "EHAM");
  EXPECT_EQ(lf_decodeIcaoText(test::encodeIcao("K2A9")), "K2A9");
  EXPECT_EQ(lf_decodeIcaoText(test::encodeIcao("LAX")), "LAX");
  EXPECT_EQ(lf_decodeIcaoText(0x1F), "");            // low 5 bits are not part of the ident
  EXPECT_EQ(lf_decodeIcaoText(38U << 5), std::nullopt);  // digit 0
  EXPECT_EQ(lf_decodeIcaoText(1U << 5), std::nullopt);   // digit 1
  EXPECT_EQ(lf_decodeIcaoText(0xFFFFFFFFU), std::nullopt);
}

TEST(BglConvert, StandIdPrefixByNameCode) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases{
      {0, "7"}, {1, "r7"}, {2, "p7"}, {3, "np7"}, {4, "ep7"}, {5, "sep7"}, {6, "sp7"}, {7, "swp7"}, {8, "wp7"},
      {9, "nwp7"}, {10, "g7"}, {11, "7"}, {12, "A7"}, {14, "C7"}, {37, "Z7"}, {38, "7"}, {63, "7"}};
  for (const auto& [code, id] : cases) EXPECT_EQ(gf_bglStandId(code, 7), id) << code;
  EXPECT_EQ(gf_bglStandId(10, 4095), "g4095");
}

TEST(BglConvert, AltitudeInFeetWithinItsLimits) {
  EXPECT_EQ(gf_bglAltitudeFeet(-3000), -10);
  EXPECT_EQ(gf_bglAltitudeFeet(4000000), 0);
  EXPECT_EQ(gf_bglAltitudeFeet(-6096), -20);     // -20.0 ft stays
  EXPECT_EQ(gf_bglAltitudeFeet(-6401), 0);       // -21 ft
  EXPECT_EQ(gf_bglAltitudeFeet(3048000), 10000); // exactly 10000 ft
  EXPECT_EQ(gf_bglAltitudeFeet(3048305), 0);     // 10001 ft
  EXPECT_EQ(gf_bglAltitudeFeet(199339), 654);
}

TEST(BglConvert, PackedCoordinatesAndUsablePositions) {
  EXPECT_DOUBLE_EQ(gf_bglLatitude(1U << 29), -90.0);
  EXPECT_FALSE(gf_bglPositionUsable(0.00009, -0.00009));
  EXPECT_TRUE(gf_bglPositionUsable(0.0, 0.0002));
  EXPECT_FALSE(gf_bglPositionUsable(-90.0001, 10.0));
  EXPECT_FALSE(gf_bglPositionUsable(10.0, 180.0001));
  EXPECT_TRUE(gf_bglPositionUsable(-90.0, 180.0));
}

TEST(BglConvert, DuplicateIdsGetSuffixesUpToJ) {
  StandIdSet used(1);  // grows as it fills
  std::vector<std::string> got;
  auto take = [&used](std::uint32_t code, std::uint32_t number) {
    std::string id = "-";
    const int repeat = lf_uniqueStandId(used, code, number);
    if (repeat >= 0) gf_bglStandId(code, number, static_cast<std::uint32_t>(repeat), id);
    return id;
  };
  for (int i = 0; i < 12; ++i) got.push_back(take(10, 12));
  EXPECT_EQ(got, (std::vector<std::string>{"g12", "g12a", "g12b", "g12c", "g12d", "g12e", "g12f", "g12g", "g12h",
                                           "g12i", "g12j", "-"}));
  // Name codes with the same prefix give the same id; others do not.
  EXPECT_EQ(take(0, 7), "7");
  EXPECT_EQ(take(11, 7), "7a");
  EXPECT_EQ(take(40, 7), "7b");
  EXPECT_EQ(take(12, 7), "A7");
  EXPECT_EQ(take(37, 7), "Z7");
  EXPECT_EQ(take(10, 4095), "g4095");
  for (std::uint32_t n = 0; n < 1000; ++n) ASSERT_EQ(take(2, n), "p" + std::to_string(n));  // grows past its start size
}

}  // namespace
}  // namespace vexo
