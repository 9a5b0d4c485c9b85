#include "device/mcu_model.h"

#include <gtest/gtest.h>

#include <string>

namespace qrk {
namespace {

using namespace std::string_view_literals;

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
