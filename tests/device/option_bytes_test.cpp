#include "device/option_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace qrk {
namespace {

OptionPanel builtFor(MapKind mapKind, const std::string& ispSpace = "") {
  OptionPanel panel;
  buildOptionPanel(panel, mapKind);
  EXPECT_TRUE(ispSpace.empty() || setIspSpace(panel, ispSpace)) << ispSpace;
  return panel;
}

TEST(ComposeOptionBytes, PanelDefaultsOfEachKind) {
  EXPECT_EQ(composeOptionBytes(builtFor(MapKind::TopOf64k, "8.0k"), MapKind::TopOf64k),
            (OptionBytes{0x08, 0xFF}));
  EXPECT_EQ(composeOptionBytes(builtFor(MapKind::TopOf64k), MapKind::TopOf64k),
            (OptionBytes{0xF8, 0xFF}));  // none chosen
  OptionPanel kindZero = builtFor(MapKind::TopOfModel, "4.0k");
  for (OptionRow& row : kindZero.rows) row.selected = 1;
  buildOptionPanel(kindZero, MapKind::FixedIspBlock);
  EXPECT_EQ(composeOptionBytes(kindZero, MapKind::FixedIspBlock), (OptionBytes{0, 0}));
}

// From the defaults with 1.0k (0xE8 0xFF, 0xE8 0xEF) each row flips its own bit.
TEST(ComposeOptionBytes, EachRowOwnsOneBit) {
  const struct {
    MapKind kind;
    int row;
    OptionBytes flipped;
  } cases[] = {{MapKind::TopOf64k, 0, {0xE9, 0xFF}},   {MapKind::TopOf64k, 1, {0xEA, 0xFF}},
               {MapKind::TopOf64k, 2, {0xEC, 0xFF}},   {MapKind::TopOf64k, 3, {0xE8, 0xFB}},
               {MapKind::TopOf64k, 4, {0xE0, 0xFF}},   {MapKind::TopOfModel, 0, {0xE9, 0xEF}},
               {MapKind::TopOfModel, 1, {0xEA, 0xEF}}, {MapKind::TopOfModel, 2, {0xEC, 0xEF}},
               {MapKind::TopOfModel, 3, {0xE8, 0xEE}}, {MapKind::TopOfModel, 4, {0xE8, 0xED}},
               {MapKind::TopOfModel, 5, {0xE8, 0xFF}}, {MapKind::TopOfModel, 6, {0xE8, 0xAF}},
               {MapKind::TopOfModel, 7, {0xE8, 0x6F}}};
  for (const auto& c : cases) {
    OptionPanel panel = builtFor(c.kind, "1.0k");
    panel.rows[c.row].selected ^= 1;
    EXPECT_EQ(composeOptionBytes(panel, c.kind), c.flipped)
        << "kind " << int(familyByte(c.kind)) << " row " << c.row;
  }
}

// Both texts of every line of both kinds, and the ISP size each byte stands for.
TEST(OptionReport, ExactLinesOfEachKind) {
  const auto lines = [](std::initializer_list<const char*> parts) {
    std::string out;
    for (const char* part : parts) out += std::string(out.empty() ? "" : "\r\n") + part;
    return out + "\r\nIt's the reference of Option.\r\n加密后的 Option 仅供参考。";
  };
  EXPECT_EQ(optionReportText(MapKind::TopOfModel, 0xF8, 0xEF),
            lines({"ISP space = 0.0 K", "LOCK   is Yes", "SB     is Yes", "MOVCL  is Yes",
                   "EN6T   is No", "HWBS   is No", "Oscillator Control: 1/2 gain",
                   "AUX_RAM:允许访问扩展RAM", "CLOSE_WDT:复位关看门狗,"}));
  EXPECT_EQ(optionReportText(MapKind::TopOfModel, 0x07, 0x3C),
            lines({"ISP space = 4.0 K", "LOCK   is No", "SB     is No", "MOVCL  is No",
                   "EN6T   is Yes", "HWBS   is Yes", "Oscillator Control: Full gain",
                   "AUX_RAM:禁止访问扩展RAM", "CLOSE_WDT:只有停电才关看门狗,"}));
  EXPECT_EQ(optionReportText(MapKind::TopOf64k, 0xF8, 0xFB),
            lines({"ISP space = 0.0 K", "LOCK     is Yes", "ENCRYPT  is Yes", "MOVCL    is Yes",
                   "EN6T     is Yes", "HWEN_ISP is No"}));
  EXPECT_EQ(optionReportText(MapKind::TopOf64k, 0x07, 0xFF),
            lines({"ISP space = 8.0 K", "LOCK     is No", "ENCRYPT  is No", "MOVCL    is No",
                   "EN6T     is No", "HWEN_ISP is Yes"}));
  EXPECT_EQ(optionReportText(MapKind::FixedIspBlock, 0x00, 0x00), "");

  for (MapKind kind :
       {MapKind::TopOf64k,
        MapKind::TopOfModel}) {  // what is composed from a size reads back as that size
    for (const std::string& entry : ispSpaceChoices(kind)) {
      const OptionBytes b = composeOptionBytes(builtFor(kind, entry), kind);
      EXPECT_EQ(optionReportText(kind, b.byte1, b.byte2).substr(0, 17),
                "ISP space = " + entry.substr(0, entry.size() - 1) + " K");
    }
  }
}

TEST(OptionLabels, ExactLabelsAndTheKindOneSizeRoundedToEven) {
  using Labels = std::array<std::string, kReadOptionLabelCount>;
  OptionPanel panel = builtFor(MapKind::TopOfModel);
  reportOptionLabels(panel, MapKind::TopOfModel, 0xC7, 0x10);
  EXPECT_EQ(panel.readOptionLabels,
            (Labels{"LOCK: No", "SB: No", "MOVCL: No", "EN6T: Yes", "HWBSL: Yes",
                    "Oscillator Control: Full gain", "ISP Space: 4.0 K"}));
  const Labels kindTwo = panel.readOptionLabels;
  reportOptionLabels(panel, MapKind::FixedIspBlock, 0x00, 0x00);  // kind 0 leaves every label alone
  EXPECT_EQ(panel.readOptionLabels, kindTwo);

  panel = builtFor(MapKind::TopOf64k);
  const std::string hidden = panel.readOptionLabels[5];  // kind 1 leaves it as it was
  reportOptionLabels(panel, MapKind::TopOf64k, 0xE9, 0xFB);
  EXPECT_EQ(panel.readOptionLabels, (Labels{"LOCK: No", "SB: Yes", "MOVCL: Yes", "EN6T: Yes",
                                            "HWEN_ISP: No", hidden, "ISP Space: 1.0 K"}));
  // The report shows the half sizes; the label rounds them to the even neighbour.
  EXPECT_EQ(optionReportText(MapKind::TopOf64k, 0xB0, 0xFF).substr(12, 5), "2.5 K");
  reportOptionLabels(panel, MapKind::TopOf64k, 0xB0, 0xFF);
  EXPECT_EQ(panel.readOptionLabels[6], "ISP Space: 2.0 K");
}

}  // namespace
}  // namespace qrk
