#include "device/option_panel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace qrk {
namespace {

OptionPanel builtFor(int mapKind) {
  OptionPanel panel;
  buildOptionPanel(panel, mapKind);
  return panel;
}

TEST(BuildOptionPanel, KindTwoShowsEightRowsWithCombinedCaptionsAndDefaults) {
  const OptionPanel panel = builtFor(2);
  const char* captions[] = {"LOCK/锁芯片(读为FF)",
                            "SB/编程器读加密",
                            "MOVCL/禁止外部MOVC指令",
                            "EN6T/双倍速",
                            "HWBS/上电复位执行ISP",
                            "Oscillator Control/振荡器控制",
                            "访问内部扩展RAM-MCU新版C版有效",
                            "用户启动内看门狗后-MCU C版有效"};
  const int defaults[] = {0, 0, 0, 1, 1, 0, 1, 1};
  for (int i = 0; i < kOptionRowCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(panel.rows[i].visible);
    EXPECT_FALSE(panel.rows[i].labOptionCVisible);
    EXPECT_EQ(panel.rows[i].labOptionE, captions[i]);
    EXPECT_EQ(panel.rows[i].selected, defaults[i]);
    if (i < 5) {
      EXPECT_EQ(panel.rows[i].buttonCaptions, (std::array<std::string, 2>{"YES", "NO"}));
    }
  }
  EXPECT_EQ(panel.rows[5].buttonCaptions, (std::array<std::string, 2>{"1/2 gain", "Full gain"}));
  EXPECT_EQ(panel.rows[6].buttonCaptions, (std::array<std::string, 2>{"禁止访问", "允许(推荐)"}));
  EXPECT_EQ(panel.rows[7].buttonCaptions, (std::array<std::string, 2>{"仅停电关狗", "复位关狗"}));

  EXPECT_EQ(panel.ispSpaceEntries, (std::vector<std::string>{"0.0k", "1.0k", "2.0k", "4.0k"}));
  EXPECT_EQ(panel.ispSpaceText, "");
  EXPECT_EQ(panel.readOptionLabels,
            (std::array<std::string, kReadOptionLabelCount>{
                "LOCK: Unknown", "SB: Unknown", "MOVCL: Unknown", "EN6T: Unknown", "HWBS: Unknown",
                "Oscillator Control: Unknown", "ISP Space: Unknown"}));
  EXPECT_TRUE(panel.readOptionOscillatorVisible);
}

TEST(BuildOptionPanel, KindTwoToKindOneHidesTheExtraRowsAndShowsBothCaptionLines) {
  OptionPanel panel = builtFor(2);
  panel.readOptionLabels[5] = "Oscillator Control: Full gain";
  buildOptionPanel(panel, 1);

  const char* english[] = {"LOCK", "ENCRYPT", "MOVCL", "EN6T", "HWEN_ISP"};
  const char* chinese[] = {"锁芯片(读为FF)", "编程器读加密", "禁止外部MOVC指令", "双倍速",
                           "上电复位执行ISP"};
  const int defaults[] = {0, 0, 0, 1, 1};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(panel.rows[i].visible);
    EXPECT_TRUE(panel.rows[i].labOptionCVisible);
    EXPECT_EQ(panel.rows[i].labOptionE, english[i]);
    EXPECT_EQ(panel.rows[i].labOptionC, chinese[i]);
    EXPECT_EQ(panel.rows[i].selected, defaults[i]);
  }
  for (int i = 5; i < kOptionRowCount; ++i) EXPECT_FALSE(panel.rows[i].visible) << i;

  ASSERT_EQ(panel.ispSpaceEntries.size(), 16u);
  EXPECT_EQ(panel.ispSpaceEntries.front(), "0.0k");
  EXPECT_EQ(panel.ispSpaceEntries[1], "1.0k");  // no 0.5 K entry
  EXPECT_EQ(panel.ispSpaceEntries[2], "1.5k");
  EXPECT_EQ(panel.ispSpaceEntries.back(), "8.0k");

  EXPECT_FALSE(panel.readOptionOscillatorVisible);
  EXPECT_EQ(panel.readOptionLabels[1], "ENCRYPT: Unknown");
  EXPECT_EQ(panel.readOptionLabels[4], "HWEN_ISP: Unknown");
  EXPECT_EQ(panel.readOptionLabels[6], "ISP Space: Unknown");
  // The hidden label keeps what it showed.
  EXPECT_EQ(panel.readOptionLabels[5], "Oscillator Control: Full gain");
}

TEST(BuildOptionPanel, KindZeroHidesTheRowsAndLeavesListAndLabelsAlone) {
  OptionPanel panel = builtFor(1);
  ASSERT_TRUE(setIspSpace(panel, "3.5k"));
  panel.readOptionLabels[0] = "LOCK: Yes";
  const auto entries = panel.ispSpaceEntries;
  const auto labels = panel.readOptionLabels;

  buildOptionPanel(panel, 0);
  for (const OptionRow& row : panel.rows) EXPECT_FALSE(row.visible);
  EXPECT_EQ(panel.ispSpaceEntries, entries);
  EXPECT_EQ(panel.ispSpaceText, "3.5k");
  EXPECT_EQ(panel.readOptionLabels, labels);
  EXPECT_TRUE(optionRows(0).empty());
  EXPECT_TRUE(ispSpaceChoices(0).empty());
}

TEST(BuildOptionPanel, RebuildingTheSameKindRestoresTheDefaults) {
  OptionPanel panel = builtFor(2);
  for (OptionRow& row : panel.rows) row.selected = 1 - row.selected;
  ASSERT_TRUE(setIspSpace(panel, "4.0k"));
  panel.readOptionLabels[0] = "LOCK: No";

  buildOptionPanel(panel, 2);
  EXPECT_EQ(panel.rows, builtFor(2).rows);
  EXPECT_EQ(panel.ispSpaceText, "");
  EXPECT_EQ(panel.readOptionLabels[0], "LOCK: Unknown");
}

TEST(IspSpace, OnlyTheKindsOwnSizesCanBeChosen) {
  OptionPanel panel = builtFor(1);
  std::string error;
  EXPECT_TRUE(setIspSpace(panel, "1.5k", &error));
  EXPECT_EQ(panel.ispSpaceText, "1.5k");
  for (const char* typed : {"7.5K", " 7.5k ", "7.5", "7.50 k"}) {
    panel.ispSpaceText.clear();
    EXPECT_TRUE(setIspSpace(panel, typed)) << typed;
    EXPECT_EQ(panel.ispSpaceText, "7.5k") << typed;
  }

  EXPECT_FALSE(setIspSpace(panel, "0.5k", &error));
  EXPECT_EQ(panel.ispSpaceText, "7.5k");  // unchanged
  EXPECT_NE(error.find("0.5k"), std::string::npos);
  EXPECT_NE(error.find("0.0k, 1.0k, 1.5k"), std::string::npos);
  for (const char* bad : {"", "k", "9k", "1.5kk", "abc", "-1k", "1.5 MB"}) {
    EXPECT_FALSE(setIspSpace(panel, bad)) << bad;
  }

  panel = builtFor(2);
  EXPECT_FALSE(setIspSpace(panel, "1.5k"));
  EXPECT_TRUE(setIspSpace(panel, "4"));
  EXPECT_EQ(panel.ispSpaceText, "4.0k");

  OptionPanel never;  // a kind-0 model before any other: no list at all
  buildOptionPanel(never, 0);
  EXPECT_FALSE(setIspSpace(never, "0.0k", &error));
  EXPECT_NE(error.find("fixed"), std::string::npos);
}

TEST(IspSpace, ListPositionsFromTheSettings) {
  OptionPanel panel = builtFor(2);
  EXPECT_TRUE(selectIspSpaceIndex(panel, 3));
  EXPECT_EQ(panel.ispSpaceText, "4.0k");
  EXPECT_FALSE(selectIspSpaceIndex(panel, 4));
  EXPECT_FALSE(selectIspSpaceIndex(panel, -1));
  EXPECT_EQ(panel.ispSpaceText, "4.0k");
}

TEST(IspSpace, KilobytesOfAText) {
  EXPECT_EQ(ispSpaceKilobytes("1.5k"), 1.5);
  EXPECT_EQ(ispSpaceKilobytes("8.0k"), 8.0);
  EXPECT_EQ(ispSpaceKilobytes(" 4k"), 4.0);
  EXPECT_EQ(ispSpaceKilobytes(""), 0.0);
  EXPECT_EQ(ispSpaceKilobytes("k1"), 0.0);
  EXPECT_EQ(ispSpaceKilobytes("."), 0.0);
  // An absurdly long number stays finite.
  EXPECT_TRUE(std::isfinite(ispSpaceKilobytes(std::string(5000, '9'))));
}

TEST(OptionNames, RowsByTheNamesUsersType) {
  EXPECT_EQ(findOptionRow(2, "lock"), 0);
  EXPECT_EQ(findOptionRow(2, "SB"), 1);
  EXPECT_EQ(findOptionRow(2, "encrypt"), 1);
  EXPECT_EQ(findOptionRow(1, "SB"), 1);
  EXPECT_EQ(findOptionRow(1, "Movcl"), 2);
  EXPECT_EQ(findOptionRow(2, "EN6T"), 3);
  EXPECT_EQ(findOptionRow(1, "HWBS"), 4);
  EXPECT_EQ(findOptionRow(2, "hwen_isp"), 4);
  EXPECT_EQ(findOptionRow(2, "osc"), 5);
  EXPECT_EQ(findOptionRow(2, "AUX_RAM"), 6);
  EXPECT_EQ(findOptionRow(2, "wdt"), 7);
  EXPECT_EQ(findOptionRow(2, "CLOSE_WDT"), 7);

  std::string error;
  EXPECT_EQ(findOptionRow(1, "OSC", &error), -1);
  EXPECT_NE(error.find("not available"), std::string::npos);
  EXPECT_NE(error.find("LOCK, ENCRYPT, MOVCL, EN6T, HWEN_ISP"), std::string::npos);
  EXPECT_EQ(findOptionRow(2, "SPEED", &error), -1);
  EXPECT_NE(error.find("unknown option \"SPEED\""), std::string::npos);
  EXPECT_EQ(findOptionRow(0, "LOCK", &error), -1);
  EXPECT_NE(error.find("no option bits"), std::string::npos);
  EXPECT_EQ(findOptionRow(2, ""), -1);
}

TEST(OptionNames, ChoicesByCaptionOrPlainWord) {
  EXPECT_EQ(findOptionChoice(2, 0, "yes"), 0);
  EXPECT_EQ(findOptionChoice(2, 0, "NO"), 1);
  EXPECT_EQ(findOptionChoice(2, 5, "1/2 gain"), 0);
  EXPECT_EQ(findOptionChoice(2, 5, "FULL GAIN"), 1);
  EXPECT_EQ(findOptionChoice(2, 5, "half"), 0);
  EXPECT_EQ(findOptionChoice(2, 6, "禁止访问"), 0);
  EXPECT_EQ(findOptionChoice(2, 6, "allow"), 1);
  EXPECT_EQ(findOptionChoice(2, 7, "power-off"), 0);
  EXPECT_EQ(findOptionChoice(2, 7, "复位关狗"), 1);

  std::string error;
  EXPECT_EQ(findOptionChoice(2, 6, "maybe", &error), -1);
  EXPECT_NE(error.find("禁止访问 (forbid) or 允许(推荐) (allow)"), std::string::npos);
  EXPECT_EQ(findOptionChoice(1, 5, "half", &error), -1);  // kind 1 has five rows
  EXPECT_EQ(findOptionChoice(2, 8, "YES"), -1);
  EXPECT_EQ(findOptionChoice(2, -1, "YES"), -1);
}

TEST(OptionNames, SetOptionChangesOneRowOrNothing) {
  OptionPanel panel = builtFor(2);
  std::string error;
  ASSERT_TRUE(setOption(panel, 2, "Lock", "no", &error)) << error;
  EXPECT_EQ(panel.rows[0].selected, 1);
  ASSERT_TRUE(setOption(panel, 2, "AUX_RAM", "forbid"));
  EXPECT_EQ(panel.rows[6].selected, 0);

  const OptionPanel before = panel;
  EXPECT_FALSE(setOption(panel, 2, "LOCK", "perhaps", &error));
  EXPECT_FALSE(setOption(panel, 2, "NOPE", "YES", &error));
  EXPECT_EQ(panel.rows, before.rows);
}

TEST(OptionNames, ListingNamesEveryRowChoiceAndDefault) {
  const std::string kind2 = optionListing(2);
  for (const OptionRowInfo& row : optionRows(2)) {
    EXPECT_NE(kind2.find(std::string(row.name)), std::string::npos) << row.name;
    EXPECT_NE(kind2.find("(default: " + std::string(row.choices[row.defaultChoice]) + ")"),
              std::string::npos);
  }
  EXPECT_NE(kind2.find("ISP Space: 0.0k | 1.0k | 2.0k | 4.0k"), std::string::npos);
  EXPECT_NE(optionListing(1).find("HWEN_ISP"), std::string::npos);
  EXPECT_EQ(optionListing(1).find("OSC"), std::string::npos);
  EXPECT_NE(optionListing(0).find("no option bits"), std::string::npos);
}

}  // namespace
}  // namespace qrk
