#include "device/mcu_model.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace qrk {
namespace {

using namespace std::string_view_literals;

TEST(SelectModel, RowValuesUnknownTextAndKindZeroKeepingThePreviousId) {
  SelectedModel model;
  ASSERT_TRUE(selectModel(model, "QRK5-16B"));
  ASSERT_TRUE(selectModel(model, "QRK3-64G"));
  EXPECT_EQ(std::tuple(model.mapKind, model.topAddress, model.apUpToIsp, model.expectedId,
                       model.blockSize),
            std::tuple(MapKind::TopOf64k, 0xFFFF, true, "0055", 512));

  // Matching is exact (an embedded NUL must not cut it short); a text that
  // names no model resets only the block size and apUpToIsp.
  for (std::string_view text :
       {"qrk3-64g"sv, " QRK3-64G"sv, "QRK3-64"sv, "QRK3-64GG"sv, ""sv, "QRK3-64G\0x"sv}) {
    EXPECT_FALSE(selectModel(model, text)) << '"' << text << '"';
    EXPECT_EQ(findModel(text), nullptr);
  }
  EXPECT_EQ(std::tuple(model.blockSize, model.apUpToIsp, model.name, model.apLast),
            std::tuple(128, false, "QRK3-64G", 0xDFFF));

  // Kind-0 chips report no ID: the previous model's stays, and with no
  // previous model there is none, never a stale one.
  ASSERT_TRUE(selectModel(model, "QRK5-32D"));
  EXPECT_EQ(std::tuple(model.mapKind, model.block1Start, model.expectedId),
            std::tuple(MapKind::FixedIspBlock, 0xE000, "0055"));
  SelectedModel fresh;
  EXPECT_FALSE(selectModel(fresh, "QRK5-99Z"));
  EXPECT_FALSE(fresh.selected);
  ASSERT_TRUE(selectModel(fresh, "QRKL-64E"));
  // No ID, and the largest space, which sizes the image buffer.
  EXPECT_EQ(std::tuple(fresh.expectedId, fresh.topAddress), std::tuple("", 0x11FFF));
}

}  // namespace
}  // namespace qrk
