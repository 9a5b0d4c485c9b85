#include "image/memory_map.h"

#include <gtest/gtest.h>

#include <tuple>

#include "image_fixtures.h"

namespace qrk {
namespace {

using imagetest::options;

TEST(MemoryMap, BoxesShowTheIspAreaNeverBelowZeroAndReadBackTheSameLimits) {
  const auto boxes = [](const char* model, const char* isp) {
    const MemoryMapTexts t = options(model, isp).memoryMap;
    return std::vector<std::string>{t.apFirst, t.apEnd, t.ispStart, t.ispEnd};
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(boxes("QRK5-04A", "4.0k"), (Texts{"0000", "0FFF", "02C00", "03BFF"}));
  EXPECT_EQ(boxes("QRK3-32F", "1.5k"), (Texts{"0000", "7FFF", "0FA00", "0FFFF"}));
  EXPECT_EQ(boxes("QRK5-12A", "99999k"), (Texts{"0000", "0000", "00001", "03BFF"}));
  EXPECT_EQ(boxes("QRK5-64E", "0.0k"), (Texts{"0000", "FFFF", "10000", "11FFF"}));
  const LoadOptions kindZero = options("QRK5-64E", "0.0k");
  const MemoryLimits limits = readLimits(kindZero.memoryMap, kindZero.model);
  EXPECT_EQ(std::tie(limits.apEnd, limits.ispStart, limits.ispEnd),
            std::make_tuple(0xFFFF, 0x10000, 0x11FFF));
}

// The start address is parsed once, whole, for the check and the loaders alike.
TEST(MemoryMap, StartAddressIsUpToFiveHexDigitsAndNeverAboveTheIspEnd) {
  EXPECT_EQ(parseStartAddress(" 1a2Bc "), 0x1A2BC);
  EXPECT_EQ(parseStartAddress(""), 0);
  for (const char* bad : {"123456", "000100", "12G", "-1", "0x10", "1 0", "+5"}) {
    EXPECT_EQ(parseStartAddress(bad), std::nullopt) << bad;
  }
  const auto check = [](const char* start, const char* model) {
    const LoadOptions load = options(model);
    return checkStartAddress(start, readLimits(load.memoryMap, load.model), load.model);
  };
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"QRK3-32F", "7FFF", true},  {"QRK3-32F", "8000", false},  {"QRK5-32D", "DFFF", false},
      {"QRK5-32D", "E000", true},  {"QRK5-32D", "10000", false}, {"QRK5-04A", "3BFF", true},
      {"QRK5-04A", "3C00", false}, {"QRK5-64E", "11FFF", true},  {"QRK5-64E", "12000", false},
  };
  for (const auto& [model, start, accepted] : cases) {
    EXPECT_EQ(check(start, model).accepted, accepted) << model << " " << start;
  }
  EXPECT_EQ(check("2000", "QRK5-04A").address, 0x2000);
  EXPECT_EQ(check("8000", "QRK3-32F").message,
            "Buffer Start Address Outrun the valid scope. \r\n       缓冲区起始地址超出有效空间。");
  EXPECT_EQ(check("0x100", "QRK5-64B").message, kStartMalformedMessage);
}

}  // namespace
}  // namespace qrk
