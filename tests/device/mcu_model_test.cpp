#include "device/mcu_model.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace qrk {
namespace {

using namespace std::string_view_literals;

// The settings store a list position, so the list order is part of every
// saved file; kind-0 names are recognised when typed but never listed.
TEST(McuCatalogue, TheListHoldsTheSeventeenNamesInTheirOrder) {
  const char* expected[] = {"QRK5-04A", "QRK5-08A", "QRK5-12A", "QRK5-16B", "QRK5-32B", "QRK5-64B",
                            "QRK3-04A", "QRK3-08A", "QRK3-12A", "QRK3-16B", "QRK3-32B", "QRK3-64B",
                            "QRK3-08F", "QRK3-16F", "QRK3-32F", "QRK3-64F", "QRK3-64G"};
  const auto listed = listedModels();
  ASSERT_EQ(mcuCatalogue().size(), 27u) << "a model added or lost";
  ASSERT_EQ(listed.size(), std::size(expected));
  for (std::size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i].name, expected[i]) << i;
  for (const McuModel& m : mcuCatalogue())
    EXPECT_EQ(m.inList, m.mapKind != MapKind::FixedIspBlock) << m.name;
}

TEST(SelectModel, RowValuesUnknownTextAndKindZeroKeepingThePreviousId) {
  SelectedModel model;
  ASSERT_TRUE(selectModel(model, "QRK5-16B"));
  ASSERT_TRUE(selectModel(model, "QRK3-64G"));
  EXPECT_EQ(model.mapKind, MapKind::TopOf64k);
  EXPECT_EQ(model.topAddress, 0xFFFF);
  EXPECT_TRUE(model.apUpToIsp);
  EXPECT_EQ(model.expectedId, "0055");
  EXPECT_EQ(model.blockSize, 512);

  // Matching is exact (an embedded NUL must not cut it short); a text that
  // names no model resets only the block size and apUpToIsp.
  for (std::string_view text :
       {"qrk3-64g"sv, " QRK3-64G"sv, "QRK3-64"sv, "QRK3-64GG"sv, ""sv, "QRK3-64G\0x"sv}) {
    EXPECT_FALSE(selectModel(model, text)) << '"' << text << '"';
    EXPECT_EQ(findModel(text), nullptr);
  }
  EXPECT_EQ(model.blockSize, 128);
  EXPECT_FALSE(model.apUpToIsp);
  EXPECT_EQ(model.name, "QRK3-64G");
  EXPECT_EQ(model.apLast, 0xDFFF);

  // Kind-0 chips report no ID: the previous model's stays, and with no
  // previous model there is none, never a stale one.
  ASSERT_TRUE(selectModel(model, "QRK5-32D"));
  EXPECT_EQ(model.mapKind, MapKind::FixedIspBlock);
  EXPECT_EQ(model.block1Start, 0xE000);
  EXPECT_EQ(model.expectedId, "0055");
  SelectedModel fresh;
  EXPECT_FALSE(selectModel(fresh, "QRK5-99Z"));
  EXPECT_FALSE(fresh.selected);
  ASSERT_TRUE(selectModel(fresh, "QRKL-64E"));
  EXPECT_TRUE(fresh.expectedId.empty());
  EXPECT_EQ(fresh.topAddress, 0x11FFF);  // the largest space, which sizes the image buffer
}

}  // namespace
}  // namespace qrk
