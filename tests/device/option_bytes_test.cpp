#include "device/option_bytes.h"

#include <gtest/gtest.h>

#include <string>

#include "device/option_panel.h"

namespace qrk {
namespace {

OptionPanel builtFor(int mapKind, const std::string& ispSpace = "") {
  OptionPanel panel;
  buildOptionPanel(panel, mapKind);
  if (!ispSpace.empty()) {
    EXPECT_TRUE(setIspSpace(panel, ispSpace)) << ispSpace;
  }
  return panel;
}

std::string lines(std::initializer_list<const char*> parts) {
  std::string out;
  for (const char* part : parts) {
    if (!out.empty()) out += "\r\n";
    out += part;
  }
  return out;
}

TEST(ComposeOptionBytes, KindTwoDefaults) {
  EXPECT_EQ(composeOptionBytes(builtFor(2), 2), (OptionBytes{0xF8, 0xEF}));
  EXPECT_EQ(composeOptionBytes(builtFor(2, "0.0k"), 2), (OptionBytes{0xF8, 0xEF}));
}

TEST(ComposeOptionBytes, KindOneDefaultsAcrossIspSizes) {
  EXPECT_EQ(composeOptionBytes(builtFor(1, "8.0k"), 1), (OptionBytes{0x08, 0xFF}));
  EXPECT_EQ(composeOptionBytes(builtFor(1, "0.0k"), 1), (OptionBytes{0xF8, 0xFF}));
  EXPECT_EQ(composeOptionBytes(builtFor(1), 1), (OptionBytes{0xF8, 0xFF}));  // none chosen
  EXPECT_EQ(composeOptionByte1(builtFor(1, "1.5k"), 1), 0xD8);
  EXPECT_EQ(composeOptionByte1(builtFor(1, "1.0k"), 1), 0xE8);
}

TEST(ComposeOptionBytes, KindTwoIspSizeCodes) {
  EXPECT_EQ(composeOptionByte1(builtFor(2, "4.0k"), 2) & 0x30, 0x00);
  EXPECT_EQ(composeOptionByte1(builtFor(2, "2.0k"), 2) & 0x30, 0x10);
  EXPECT_EQ(composeOptionByte1(builtFor(2, "1.0k"), 2) & 0x30, 0x20);
  EXPECT_EQ(composeOptionByte1(builtFor(2, "0.0k"), 2) & 0x30, 0x30);
}

// Each row moves exactly its own bit, in the direction of its kind's layout.
TEST(ComposeOptionBytes, EachRowOwnsOneBit) {
  struct Case {
    int kind, row, button;
    bool secondByte;
    int mask;
  };
  const Case cases[] = {
      {1, 0, 1, false, 0x01}, {1, 1, 1, false, 0x02}, {1, 2, 1, false, 0x04},
      {1, 4, 0, false, 0x08}, {1, 3, 0, true, 0x04},  {2, 0, 1, false, 0x01},
      {2, 1, 1, false, 0x02}, {2, 2, 1, false, 0x04}, {2, 3, 0, true, 0x01},
      {2, 4, 0, true, 0x02},  {2, 5, 1, true, 0x10},  {2, 6, 0, true, 0x40},
      {2, 7, 0, true, 0x80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " row " + std::to_string(c.row));
    const OptionPanel defaults = builtFor(c.kind, "1.0k");
    OptionPanel changed = defaults;
    changed.rows[c.row].selected = c.button;
    ASSERT_NE(defaults.rows[c.row].selected, c.button) << "case must leave the default";
    const OptionBytes a = composeOptionBytes(defaults, c.kind);
    const OptionBytes b = composeOptionBytes(changed, c.kind);
    const int diff1 = a.byte1 ^ b.byte1;
    const int diff2 = a.byte2 ^ b.byte2;
    EXPECT_EQ(c.secondByte ? diff2 : diff1, c.mask);
    EXPECT_EQ(c.secondByte ? diff1 : diff2, 0);
  }
}

TEST(ComposeOptionBytes, KindZeroHasNone) {
  OptionPanel panel = builtFor(2, "4.0k");
  for (OptionRow& row : panel.rows) row.selected = 1;
  buildOptionPanel(panel, 0);
  EXPECT_EQ(composeOptionBytes(panel, 0), (OptionBytes{0, 0}));
}

// Texts that no list offers can only come from a caller writing the field
// directly; they still give a byte whose fixed bits are intact.
TEST(ComposeOptionBytes, OutOfRangeSizesKeepTheFixedBits) {
  for (const char* text : {"99k", "-5k", "8.5k", "0.5k", "garbage", "1e400"}) {
    SCOPED_TRACE(text);
    OptionPanel panel = builtFor(1);
    panel.ispSpaceText = text;
    EXPECT_EQ(composeOptionByte1(panel, 1) & 0x0F, 0x08);
    EXPECT_EQ(composeOptionByte2(panel, 1), 0xFF);
    panel = builtFor(2);
    panel.ispSpaceText = text;
    EXPECT_EQ(composeOptionByte1(panel, 2) & 0xCF, 0xC8);
  }
  OptionPanel big = builtFor(1);
  big.ispSpaceText = "99k";
  EXPECT_EQ(composeOptionByte1(big, 1), 0x08);  // the largest size there is
  big.ispSpaceText = "0.5k";
  EXPECT_EQ(composeOptionByte1(big, 1), 0xF8);  // shares its code with 0 K
}

TEST(OptionReport, KindTwoDefaultsReadBack) {
  EXPECT_EQ(optionReportText(2, 0xF8, 0xEF),
            lines({"ISP space = 0.0 K", "LOCK   is Yes", "SB     is Yes", "MOVCL  is Yes",
                   "EN6T   is No", "HWBS   is No", "Oscillator Control: 1/2 gain",
                   "AUX_RAM:允许访问扩展RAM", "CLOSE_WDT:复位关看门狗,",
                   "It's the reference of Option.", "加密后的 Option 仅供参考。"}));
}

TEST(OptionReport, KindTwoOppositeBits) {
  EXPECT_EQ(optionReportText(2, 0x07, 0x2C),
            lines({"ISP space = 4.0 K", "LOCK   is No", "SB     is No", "MOVCL  is No",
                   "EN6T   is Yes", "HWBS   is Yes", "Oscillator Control: 1/2 gain",
                   "AUX_RAM:禁止访问扩展RAM", "CLOSE_WDT:只有停电才关看门狗,",
                   "It's the reference of Option.", "加密后的 Option 仅供参考。"}));
  EXPECT_EQ(optionReportText(2, 0xE0, 0x10).substr(0, 17), "ISP space = 1.0 K");
  EXPECT_NE(optionReportText(2, 0xD0, 0x10).find("2.0 K\r\n"), std::string::npos);
  EXPECT_NE(optionReportText(2, 0xD0, 0x10).find("Full gain"), std::string::npos);
}

TEST(OptionReport, KindOneLines) {
  EXPECT_EQ(optionReportText(1, 0xF8, 0xFB),
            lines({"ISP space = 0.0 K", "LOCK     is Yes", "ENCRYPT  is Yes", "MOVCL    is Yes",
                   "EN6T     is Yes", "HWEN_ISP is No", "It's the reference of Option.",
                   "加密后的 Option 仅供参考。"}));
  EXPECT_EQ(optionReportText(1, 0x07, 0xFF),
            lines({"ISP space = 8.0 K", "LOCK     is No", "ENCRYPT  is No", "MOVCL    is No",
                   "EN6T     is No", "HWEN_ISP is Yes", "It's the reference of Option.",
                   "加密后的 Option 仅供参考。"}));
}

TEST(OptionReport, KindOneTextShowsHalvesButTheLabelRoundsToEven) {
  struct Case {
    std::uint8_t b1;
    const char* text;
    const char* label;
  };
  const Case cases[] = {
      {0xD0, "1.5 K", "2.0 K"}, {0xB0, "2.5 K", "2.0 K"}, {0x90, "3.5 K", "4.0 K"},
      {0x70, "4.5 K", "4.0 K"}, {0x50, "5.5 K", "6.0 K"}, {0x30, "6.5 K", "6.0 K"},
      {0x10, "7.5 K", "8.0 K"}, {0x00, "8.0 K", "8.0 K"}, {0xE0, "1.0 K", "1.0 K"},
      {0xF0, "0.0 K", "0.0 K"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.b1);
    EXPECT_EQ(optionReportText(1, c.b1, 0xFF).substr(0, 17), std::string("ISP space = ") + c.text);
    OptionPanel panel = builtFor(1);
    reportOptionLabels(panel, 1, c.b1, 0xFF);
    EXPECT_EQ(panel.readOptionLabels[6], std::string("ISP Space: ") + c.label);
  }
}

TEST(OptionReport, KindZeroReportsNothing) {
  EXPECT_EQ(optionReportText(0, 0x00, 0x00), "");
  OptionPanel panel = builtFor(2);
  const auto labels = panel.readOptionLabels;
  buildOptionPanel(panel, 0);
  reportOptionLabels(panel, 0, 0x00, 0x00);
  EXPECT_EQ(panel.readOptionLabels, labels);
}

TEST(OptionLabels, KindTwo) {
  OptionPanel panel = builtFor(2);
  reportOptionLabels(panel, 2, 0xF8, 0xEF);
  EXPECT_EQ(panel.readOptionLabels,
            (std::array<std::string, kReadOptionLabelCount>{
                "LOCK: Yes", "SB: Yes", "MOVCL: Yes", "EN6T: No", "HWBSL: No",
                "Oscillator Control: 1/2 gain", "ISP Space: 0.0 K"}));
  reportOptionLabels(panel, 2, 0xC7, 0x10);
  EXPECT_EQ(panel.readOptionLabels,
            (std::array<std::string, kReadOptionLabelCount>{
                "LOCK: No", "SB: No", "MOVCL: No", "EN6T: Yes", "HWBSL: Yes",
                "Oscillator Control: Full gain", "ISP Space: 4.0 K"}));
}

TEST(OptionLabels, KindOneLeavesTheHiddenOscillatorLabel) {
  OptionPanel panel = builtFor(1);
  const std::string hidden = panel.readOptionLabels[5];
  reportOptionLabels(panel, 1, 0xE9, 0xFB);
  EXPECT_EQ(panel.readOptionLabels, (std::array<std::string, kReadOptionLabelCount>{
                                        "LOCK: No", "SB: Yes", "MOVCL: Yes", "EN6T: Yes",
                                        "HWEN_ISP: No", hidden, "ISP Space: 1.0 K"}));
}

// What is composed from a size reads back as the same size.
TEST(OptionRoundTrip, EverySizeOfEveryKindReadsBackAsChosen) {
  for (int kind : {1, 2}) {
    for (const std::string& entry : ispSpaceChoices(kind)) {
      SCOPED_TRACE(entry);
      const OptionBytes b = composeOptionBytes(builtFor(kind, entry), kind);
      std::string expected = entry.substr(0, entry.size() - 1) + " K";
      EXPECT_EQ(optionReportText(kind, b.byte1, b.byte2).substr(0, 17), "ISP space = " + expected);
    }
  }
}

}  // namespace
}  // namespace qrk
