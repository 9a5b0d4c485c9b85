#include "device/mcu_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>

namespace qrk {
namespace {

using namespace std::string_view_literals;

// The catalogue as the chip makers publish it, one line per model name, typed
// out here rather than derived from the code so that a slip in any one value
// of any one row fails.
struct PublishedRow {
  const char* name;
  int mapKind;
  std::int32_t apLast;
  std::int32_t writableTop;
  std::int32_t block1Start;
  std::int32_t topAddress;
  bool apUpToIsp;
  const char* expectedId;  // "" for kind 0: the previous model's ID stays
  int blockSize;
};

constexpr PublishedRow kPublished[] = {
    {"QRK5-04A", 2, 0x0FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F001", 512},
    {"QRK3-04A", 2, 0x0FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F001", 512},
    {"QRK5-08A", 2, 0x1FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F002", 512},
    {"QRK3-08A", 2, 0x1FFF, 0x3BFF, 0x2C00, 0x3BFF, false, "F002", 512},
    {"QRK5-12A", 2, 0x2BFF, 0x3BFF, 0x2C00, 0x3BFF, true, "F004", 512},
    {"QRK3-12A", 2, 0x2BFF, 0x3BFF, 0x2C00, 0x3BFF, true, "F004", 512},
    {"QRK5-16B", 2, 0x3FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F104", 512},
    {"QRK3-16B", 2, 0x3FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F104", 512},
    {"QRK5-32B", 2, 0x7FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F108", 512},
    {"QRK3-32B", 2, 0x7FFF, 0xFBFF, 0xEC00, 0xFBFF, false, "F108", 512},
    {"QRK5-64B", 2, 0xEBFF, 0xFBFF, 0xEC00, 0xFBFF, true, "F110", 512},
    {"QRK3-64B", 2, 0xEBFF, 0xFBFF, 0xEC00, 0xFBFF, true, "F110", 512},
    {"QRK3-08F", 1, 0x1FFF, 0x1FFF, 0xE000, 0xFFFF, false, "0055", 512},
    {"QRK3-16F", 1, 0x3FFF, 0x3FFF, 0xE000, 0xFFFF, false, "0055", 512},
    {"QRK3-32F", 1, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "0055", 512},
    {"QRK3-64F", 1, 0xDFFF, 0xDFFF, 0xE000, 0xFFFF, true, "0055", 512},
    {"QRK3-64G", 1, 0xDFFF, 0xDFFF, 0xE000, 0xFFFF, true, "0055", 512},
    {"QRK5-64E", 0, 0xFFFF, 0xFFFF, 0x10000, 0x11FFF, false, "", 128},
    {"QRKL-64E", 0, 0xFFFF, 0xFFFF, 0x10000, 0x11FFF, false, "", 128},
    {"QRK5-32E", 0, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRKL-32E", 0, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRK5-32D", 0, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRKL-32D", 0, 0x7FFF, 0x7FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRK5-16D", 0, 0x3FFF, 0x3FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRKL-16D", 0, 0x3FFF, 0x3FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRK5-08D", 0, 0x1FFF, 0x1FFF, 0xE000, 0xFFFF, false, "", 128},
    {"QRKL-08D", 0, 0x1FFF, 0x1FFF, 0xE000, 0xFFFF, false, "", 128},
};

// Every row is checked through selectModel, as the window and the CLI reach
// it, starting from a model whose values differ in every field so that a
// value left over from before cannot pass for the row's own.
TEST(McuCatalogue, EveryRowHoldsThePublishedValues) {
  ASSERT_EQ(mcuCatalogue().size(), std::size(kPublished)) << "a model added or lost";
  for (const PublishedRow& row : kPublished) {
    SCOPED_TRACE(row.name);
    SelectedModel model;
    ASSERT_TRUE(selectModel(model, "QRK3-64F"));
    model.apFirst = -1;
    model.expectedId = "PREV";
    ASSERT_TRUE(selectModel(model, row.name));
    EXPECT_EQ(model.name, row.name);
    EXPECT_EQ(model.mapKind, row.mapKind);
    EXPECT_EQ(model.apFirst, 0);
    EXPECT_EQ(model.apLast, row.apLast);
    EXPECT_EQ(model.writableTop, row.writableTop);
    EXPECT_EQ(model.block1Start, row.block1Start);
    EXPECT_EQ(model.topAddress, row.topAddress);
    EXPECT_EQ(model.apUpToIsp, row.apUpToIsp);
    EXPECT_EQ(model.expectedId, *row.expectedId ? row.expectedId : "PREV");
    EXPECT_EQ(model.blockSize, row.blockSize);
  }
}

// The settings store a list position, so the list order is part of every
// saved file; kind-0 names are recognised when typed but never listed.
TEST(McuCatalogue, TheListHoldsTheSeventeenNamesInTheirOrder) {
  const char* expected[] = {"QRK5-04A", "QRK5-08A", "QRK5-12A", "QRK5-16B", "QRK5-32B", "QRK5-64B",
                            "QRK3-04A", "QRK3-08A", "QRK3-12A", "QRK3-16B", "QRK3-32B", "QRK3-64B",
                            "QRK3-08F", "QRK3-16F", "QRK3-32F", "QRK3-64F", "QRK3-64G"};
  const auto listed = listedModels();
  ASSERT_EQ(listed.size(), std::size(expected));
  for (std::size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i].name, expected[i]) << i;
  for (const McuModel& m : mcuCatalogue()) EXPECT_EQ(m.inList, m.mapKind != 0) << m.name;
}

TEST(SelectModel, RowValuesUnknownTextAndKindZeroKeepingThePreviousId) {
  SelectedModel model;
  ASSERT_TRUE(selectModel(model, "QRK5-16B"));
  ASSERT_TRUE(selectModel(model, "QRK3-64G"));
  EXPECT_EQ(model.mapKind, 1);
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
  EXPECT_EQ(model.mapKind, 0);
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
