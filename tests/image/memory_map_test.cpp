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
                      MapCase{"QRK5-64B", "2.0k", {"0000", "F3FF", "0F400", "0FBFF"}},
                      MapCase{"QRK3-64F", "8.0k", {"0000", "DFFF", "0E000", "0FFFF"}},
                      MapCase{"QRK3-32F", "1.5k", {"0000", "7FFF", "0FA00", "0FFFF"}},
                      MapCase{"QRK3-16F", "", {"0000", "3FFF", "", ""}},
                      MapCase{"QRK3-16F", "abc", {"0000", "3FFF", "", ""}},
                      MapCase{"QRK3-16F", "-2k", {"0000", "3FFF", "", ""}},
                      // An ISP size beyond the space keeps every address at 0 or above.
                      MapCase{"QRK5-12A", "99999k", {"0000", "0000", "00001", "03BFF"}},
                      MapCase{"QRK5-32D", "4.0k", {"0000", "7FFF", "0E000", "0FFFF"}},
                      MapCase{"QRK5-64E", "0.0k", {"0000", "FFFF", "10000", "11FFF"}}));

TEST(StartAddressText, IsUpToFiveHexDigitsAndNothingElse) {
  EXPECT_EQ(parseStartAddress("100"), 0x100);
  EXPECT_EQ(parseStartAddress(" 1a2Bc "), 0x1A2BC);
  EXPECT_EQ(parseStartAddress(""), 0);
  EXPECT_EQ(parseStartAddress("FFFFF"), 0xFFFFF);
  for (const char* bad : {"123456", "000100", "12G", "-1", "0x10", "1 0", "+5"}) {
    EXPECT_EQ(parseStartAddress(bad), std::nullopt) << bad;
  }
}

StartAddressCheck check(const char* start, const char* modelName, const char* isp = "0.0k") {
  const SelectedModel selected = model(modelName);
  return checkStartAddress(start, readLimits(memoryMapTexts(selected, isp), selected), selected);
}

TEST(StartAddressCheck, RefusesTheGapBelowTheUpperBlockOnKindsZeroAndOne) {
  for (const char* name : {"QRK5-32D", "QRK3-32F"}) {
    EXPECT_TRUE(check("7FFF", name).accepted) << name;
    EXPECT_FALSE(check("8000", name).accepted) << name;
    EXPECT_FALSE(check("DFFF", name).accepted) << name;
    EXPECT_TRUE(check("E000", name).accepted) << name;
    EXPECT_TRUE(check("FFFF", name).accepted) << name;
    EXPECT_FALSE(check("10000", name).accepted) << name;
  }
  EXPECT_EQ(check("8000", "QRK3-32F").message,
            "Buffer Start Address Outrun the valid scope. \r\n       缓冲区起始地址超出有效空间。");
}

TEST(StartAddressCheck, RefusesOnlyAddressesAboveTheIspEndOnKindTwo) {
  const StartAddressCheck inDataMemory = check("2000", "QRK5-04A");
  EXPECT_TRUE(inDataMemory.accepted);
  EXPECT_EQ(inDataMemory.address, 0x2000);
  EXPECT_TRUE(check("3BFF", "QRK5-04A").accepted);
  EXPECT_FALSE(check("3C00", "QRK5-04A").accepted);
  EXPECT_TRUE(check("11FFF", "QRK5-64E").accepted);
  EXPECT_FALSE(check("12000", "QRK5-64E").accepted);
}

TEST(StartAddressCheck, RefusesAMalformedTextWithItsOwnMessage) {
  for (const char* bad : {"123456", "zz", "0x100"}) {
    const StartAddressCheck refused = check(bad, "QRK5-64B");
    EXPECT_FALSE(refused.accepted) << bad;
    EXPECT_EQ(refused.message, kStartMalformedMessage) << bad;
  }
}

}  // namespace
}  // namespace qrk
