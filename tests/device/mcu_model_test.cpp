#include "device/mcu_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qrk {
namespace {

TEST(McuCatalogue, ListHoldsTheSeventeenNamesInListOrderAndNoKindZero) {
  const char* expected[] = {"QRK5-04A", "QRK5-08A", "QRK5-12A", "QRK5-16B", "QRK5-32B", "QRK5-64B",
                            "QRK3-04A", "QRK3-08A", "QRK3-12A", "QRK3-16B", "QRK3-32B", "QRK3-64B",
                            "QRK3-08F", "QRK3-16F", "QRK3-32F", "QRK3-64F", "QRK3-64G"};
  const auto listed = listedModels();
  ASSERT_EQ(listed.size(), std::size(expected));
  for (std::size_t i = 0; i < listed.size(); ++i) {
    EXPECT_EQ(listed[i].name, expected[i]) << "list position " << i;
    EXPECT_NE(listed[i].mapKind, 0);
  }
  EXPECT_EQ(mcuCatalogue().size(), 27u);
}

// Rules every row must keep, whatever its values: a typo in one row shows up here.
TEST(McuCatalogue, EveryRowKeepsTheRulesOfItsKind) {
  std::set<std::string_view> names;
  for (const McuModel& m : mcuCatalogue()) {
    SCOPED_TRACE(std::string(m.name));
    EXPECT_TRUE(names.insert(m.name).second) << "duplicate name";
    EXPECT_EQ(m.blockSize, m.mapKind == 0 ? 128 : 512);
    EXPECT_EQ(m.writableTop, m.mapKind == 2 ? m.topAddress : m.apLast);
    EXPECT_LT(m.apLast, m.block1Start);
    EXPECT_LT(m.block1Start, m.topAddress);
    EXPECT_EQ(m.inList, m.mapKind != 0);
    if (m.mapKind == 0) {
      EXPECT_TRUE(m.expectedId.empty());
    }
    if (m.mapKind == 1) {
      EXPECT_EQ(m.expectedId, "0055");
    }
    if (m.mapKind == 2) {
      EXPECT_EQ(m.expectedId.size(), 4u);
      EXPECT_EQ(m.expectedId.front(), 'F');
    }
    // Models without data flash end their AP area right under the ISP area.
    if (m.apUpToIsp) {
      EXPECT_EQ(m.apLast + 1, m.block1Start);
    }
  }
  // The largest space, which sizes the image buffer.
  const McuModel* big = findModel("QRK5-64E");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->block1Start, 0x10000);
  EXPECT_EQ(big->topAddress, 0x11FFF);
}

TEST(SelectModel, NothingIsSelectedBeforeTheFirstMatch) {
  SelectedModel model;
  EXPECT_FALSE(selectModel(model, "no such chip"));
  EXPECT_FALSE(model.selected);
  EXPECT_EQ(model.mapKind, 0);
  EXPECT_EQ(model.topAddress, 0);
  EXPECT_EQ(model.blockSize, 128);
}

TEST(SelectModel, KindOneAfterKindTwoTakesEveryValueOfItsRow) {
  SelectedModel model;
  ASSERT_TRUE(selectModel(model, "QRK5-16B"));
  EXPECT_EQ(model.expectedId, "F104");
  EXPECT_FALSE(model.apUpToIsp);

  ASSERT_TRUE(selectModel(model, "QRK3-64G"));
  EXPECT_EQ(model.name, "QRK3-64G");
  EXPECT_EQ(model.mapKind, 1);
  EXPECT_EQ(model.apFirst, 0);
  EXPECT_EQ(model.apLast, 0xDFFF);
  EXPECT_EQ(model.writableTop, 0xDFFF);
  EXPECT_EQ(model.block1Start, 0xE000);
  EXPECT_EQ(model.topAddress, 0xFFFF);
  EXPECT_TRUE(model.apUpToIsp);
  EXPECT_EQ(model.expectedId, "0055");
  EXPECT_EQ(model.blockSize, 512);
}

TEST(SelectModel, KindZeroNameKeepsThePreviousExpectedId) {
  SelectedModel model;
  ASSERT_TRUE(selectModel(model, "QRK5-16B"));
  ASSERT_TRUE(selectModel(model, "QRK5-32D"));
  EXPECT_EQ(model.mapKind, 0);
  EXPECT_EQ(model.apLast, 0x7FFF);
  EXPECT_EQ(model.block1Start, 0xE000);
  EXPECT_EQ(model.topAddress, 0xFFFF);
  EXPECT_EQ(model.blockSize, 128);
  EXPECT_EQ(model.expectedId, "F104");

  // A kind-0 name as the very first choice leaves the ID empty.
  SelectedModel fresh;
  ASSERT_TRUE(selectModel(fresh, "QRKL-64E"));
  EXPECT_TRUE(fresh.expectedId.empty());
  EXPECT_EQ(fresh.topAddress, 0x11FFF);
}

TEST(SelectModel, UnknownTextResetsOnlyBlockSizeAndApUpToIsp) {
  SelectedModel model;
  ASSERT_TRUE(selectModel(model, "QRK5-64B"));
  ASSERT_TRUE(model.apUpToIsp);
  const SelectedModel before = model;

  EXPECT_FALSE(selectModel(model, "QRK5-99Z"));
  EXPECT_EQ(model.blockSize, 128);
  EXPECT_FALSE(model.apUpToIsp);
  EXPECT_EQ(model.name, before.name);
  EXPECT_EQ(model.mapKind, 2);
  EXPECT_EQ(model.apLast, before.apLast);
  EXPECT_EQ(model.block1Start, before.block1Start);
  EXPECT_EQ(model.topAddress, before.topAddress);
  EXPECT_EQ(model.writableTop, before.writableTop);
  EXPECT_EQ(model.expectedId, "F110");
  EXPECT_TRUE(model.selected);
}

TEST(SelectModel, MatchingIsExact) {
  for (const char* text :
       {"qrk5-04a", "QRK5-04a", " QRK5-04A", "QRK5-04A ", "QRK5-04", "QRK5-04AA", ""}) {
    SelectedModel model;
    EXPECT_FALSE(selectModel(model, text)) << '"' << text << '"';
    EXPECT_EQ(findModel(text), nullptr);
  }
  // An embedded NUL does not cut the comparison short.
  SelectedModel model;
  EXPECT_FALSE(selectModel(model, std::string_view("QRK5-04A\0x", 10)));
}

}  // namespace
}  // namespace qrk
