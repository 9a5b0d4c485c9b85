#include "device/option_panel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "device/option_lookup.h"

namespace qrk {
namespace {

// The rows and lists each kind shows are checked through the window; here,
// what a rebuild keeps.
TEST(BuildOptionPanel, EachKindShowsItsRowsListAndLabels) {
  OptionPanel panel;
  buildOptionPanel(panel, MapKind::TopOfModel);
  EXPECT_EQ(panel.ispSpaceEntries, (std::vector<std::string>{"0.0k", "1.0k", "2.0k", "4.0k"}));
  panel.readOptionLabels[5] = "Oscillator Control: Full gain";
  buildOptionPanel(panel, MapKind::TopOf64k);
  // The oscillator label is hidden, but kept.
  EXPECT_EQ(std::tuple(panel.ispSpaceEntries.size(), panel.readOptionOscillatorVisible,
                       panel.readOptionLabels[1], panel.readOptionLabels[5]),
            std::tuple(16u, false, "ENCRYPT: Unknown", "Oscillator Control: Full gain"));
}

// Typed or from a settings file: only a size the kind offers is taken.
TEST(IspSpace, OnlyTheKindsOwnSizesCanBeChosen) {
  OptionPanel panel;
  buildOptionPanel(panel, MapKind::TopOf64k);
  std::string error;
  EXPECT_TRUE(setIspSpace(panel, " 7.50 K "));
  EXPECT_EQ(panel.ispSpaceText, "7.5k");
  for (const char* bad : {"0.5k", "", "9k", "1.5kk", "-1k", "1.5 MB"}) {
    EXPECT_FALSE(setIspSpace(panel, bad, &error)) << bad;
  }
  EXPECT_EQ(panel.ispSpaceText, "7.5k");
  EXPECT_NE(error.find("0.0k, 1.0k, 1.5k"), std::string::npos);
  EXPECT_TRUE(std::isfinite(ispSpaceKilobytes(std::string(5000, '9'))));
  EXPECT_TRUE(selectIspSpaceIndex(panel, 15));
  EXPECT_FALSE(selectIspSpaceIndex(panel, 16) || selectIspSpaceIndex(panel, -1));
  EXPECT_EQ(panel.ispSpaceText, "8.0k");
}

// Either name of a shared row is taken; anything else is refused clearly.
TEST(OptionNames, RowsAndChoicesByTheNamesUsersType) {
  std::string error;
  EXPECT_EQ(findOptionRow(MapKind::TopOfModel, "encrypt"), 1);
  EXPECT_EQ(findOptionChoice(MapKind::TopOfModel, 6, "禁止访问"), 0);
  EXPECT_EQ(findOptionRow(MapKind::TopOf64k, "OSC", &error), -1);
  EXPECT_NE(error.find("LOCK, ENCRYPT, MOVCL, EN6T, HWEN_ISP"), std::string::npos);
  EXPECT_EQ(findOptionChoice(MapKind::TopOfModel, 6, "maybe", &error), -1);
  EXPECT_NE(error.find("禁止访问 (forbid) or 允许(推荐) (allow)"), std::string::npos);
  // Kind 1 has five rows, kind 2 eight.
  EXPECT_EQ(std::pair(findOptionChoice(MapKind::TopOf64k, 5, "YES"),
                      findOptionChoice(MapKind::TopOfModel, 8, "YES")),
            std::pair(-1, -1));

  OptionPanel panel;
  buildOptionPanel(panel, MapKind::TopOfModel);
  ASSERT_TRUE(setOption(panel, MapKind::TopOfModel, "Lock", "no", &error)) << error;
  const OptionPanel before = panel;
  EXPECT_FALSE(setOption(panel, MapKind::TopOfModel, "LOCK", "perhaps") ||
               setOption(panel, MapKind::TopOfModel, "NOPE", "YES"));
  EXPECT_TRUE(panel.rows == before.rows && panel.rows[0].selected == 1);
}

}  // namespace
}  // namespace qrk
