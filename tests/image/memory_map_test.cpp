#include "image/memory_map.h"

#include <gtest/gtest.h>

#include "image_fixtures.h"

namespace qrk {
namespace {

using imagetest::model;

struct MapCase {
  const char* model;
  const char* ispSpace;
  const char* boxes[4];
};

class MemoryMapBoxes : public ::testing::TestWithParam<MapCase> {};

TEST_P(MemoryMapBoxes, ShowTheModelsAreasAndReadBackTheSameLimits) {
  const MapCase& c = GetParam();
  const SelectedModel selected = model(c.model);
  const MemoryMapTexts boxes = memoryMapTexts(selected, c.ispSpace);
  EXPECT_EQ(boxes.apFirst, c.boxes[0]);
  EXPECT_EQ(boxes.apEnd, c.boxes[1]);
  EXPECT_EQ(boxes.ispStart, c.boxes[2]);
  EXPECT_EQ(boxes.ispEnd, c.boxes[3]);

  const MemoryLimits limits = readLimits(boxes, selected);
  EXPECT_EQ(limits.apEnd, std::stoi(c.boxes[1], nullptr, 16));
  if (*c.boxes[2] != '\0') {
    EXPECT_EQ(limits.ispStart, std::stoi(c.boxes[2], nullptr, 16));
    EXPECT_EQ(limits.ispEnd, std::stoi(c.boxes[3], nullptr, 16));
  } else {
    EXPECT_EQ(limits.ispStart, selected.topAddress + 1);
    EXPECT_EQ(limits.ispEnd, selected.topAddress);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, MemoryMapBoxes,
    ::testing::Values(MapCase{"QRK5-04A", "4.0k", {"0000", "0FFF", "02C00", "03BFF"}},
                      MapCase{"QRK5-04A", "0.0k", {"0000", "0FFF", "", ""}},
                      MapCase{"QRK5-12A", "1.0k", {"0000", "37FF", "03800", "03BFF"}},
                      MapCase{"QRK3-32F", "1.5k", {"0000", "7FFF", "0FA00", "0FFFF"}},
                      MapCase{"QRK3-16F", "-2k", {"0000", "3FFF", "", ""}},
                      // An ISP size beyond the space keeps every address at 0 or above.
                      MapCase{"QRK5-12A", "99999k", {"0000", "0000", "00001", "03BFF"}},
                      MapCase{"QRK5-64E", "0.0k", {"0000", "FFFF", "10000", "11FFF"}}));

// The start address is parsed once, whole, for the check and the loaders alike.
TEST(StartAddress, IsUpToFiveHexDigitsAndNeverAboveTheIspEnd) {
  EXPECT_EQ(parseStartAddress(" 1a2Bc "), 0x1A2BC);
  EXPECT_EQ(parseStartAddress(""), 0);
  for (const char* bad : {"123456", "000100", "12G", "-1", "0x10", "1 0", "+5"}) {
    EXPECT_EQ(parseStartAddress(bad), std::nullopt) << bad;
  }
  const auto check = [](const char* start, const char* modelName) {
    const SelectedModel selected = model(modelName);
    return checkStartAddress(start, readLimits(memoryMapTexts(selected, "0.0k"), selected),
                             selected);
  };
  struct Case {
    const char* model;
    const char* start;
    bool accepted;
  };
  const Case cases[] = {
      {"QRK3-32F", "7FFF", true},   {"QRK3-32F", "8000", false}, {"QRK5-32D", "DFFF", false},
      {"QRK5-32D", "E000", true},   {"QRK5-32D", "FFFF", true},  {"QRK5-32D", "10000", false},
      {"QRK5-04A", "3BFF", true},   {"QRK5-04A", "3C00", false}, {"QRK5-64E", "11FFF", true},
      {"QRK5-64E", "12000", false},
  };
  for (const Case& c : cases) EXPECT_EQ(check(c.start, c.model).accepted, c.accepted) << c.start;
  EXPECT_EQ(check("2000", "QRK5-04A").address, 0x2000);
  EXPECT_EQ(check("8000", "QRK3-32F").message,
            "Buffer Start Address Outrun the valid scope. \r\n       缓冲区起始地址超出有效空间。");
  for (const char* bad : {"123456", "zz", "0x100"}) {
    EXPECT_FALSE(check(bad, "QRK5-64B").accepted) << bad;
    EXPECT_EQ(check(bad, "QRK5-64B").message, kStartMalformedMessage) << bad;
  }
}

}  // namespace
}  // namespace qrk
