// The BoardImage: the parameter block field by field for every kind-2 model
// and ISP size, the limit fields at their bounds, the block CRC table and
// where the image data goes, all against values worked out by hand.
#include "offline/board_image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "device/mcu_model.h"
#include "device/option_lookup.h"
#include "device/option_panel.h"
#include "image/image_buffer.h"
#include "offline/block_crc_table.h"
#include "offline/board_header.h"
#include "offline/image_placement.h"
#include "offline/limit_counter.h"

namespace qrk {
namespace {

// CRC-16/MODBUS bit by bit, written apart from the product's table version.
std::uint16_t modbusCrc(const std::uint8_t* bytes, std::size_t count) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

std::uint32_t header24(const BoardImage& b, int offset) {
  const std::int32_t a = board::kHeaderAddress + offset;
  return std::uint32_t{b.at(a)} << 16 | std::uint32_t{b.at(a + 1)} << 8 | b.at(a + 2);
}

struct Chosen {
  SelectedModel model;
  OptionPanel panel;
};

Chosen choose(const std::string& name, const std::string& isp) {
  Chosen c;
  selectModel(c.model, name);
  buildOptionPanel(c.panel, c.model.mapKind);
  setIspSpace(c.panel, isp);
  return c;
}

// One row per model family and ISP size: what the rules give, by hand.
struct LayoutCase {
  const char* model;
  const char* isp;
  std::int32_t rangeHigh;
  std::uint8_t id0, id1, optionA;
  std::uint32_t apBoardEnd, apTargetEnd;
  std::uint32_t ispBoardFirst, ispBoardLast, ispFirst, ispLast;
  std::uint32_t lowerTarget, lastApp, ispLength;
};

const LayoutCase kLayouts[] = {
    // "F0" models: the ISP copy is described below 0x7C00, the lower area at 0xAC00.
    {"QRK5-04A", "0.0k", 0x0FFF, 0xF0, 0x01, 0xF8, 0x4FFF, 0x0FFF, 0, 0x7BFF, 0, 0, 0xAC00, 0x0FFF,
     0},
    {"QRK3-08A", "1.0k", 0x1FFF, 0xF0, 0x02, 0xE8, 0x77FF, 0x37FF, 0x7800, 0x7BFF, 0x3800, 0x3BFF,
     0xAC00, 0x37FF, 0x400},
    {"QRK3-04A", "4.0k", 0x0FFF, 0xF0, 0x01, 0xC8, 0x6BFF, 0x2BFF, 0x6C00, 0x7BFF, 0x2C00, 0x3BFF,
     0xAC00, 0x2BFF, 0x1000},
    // The others: the ISP copy sits just below the header and pushes the rest down.
    {"QRK5-16B", "0.0k", 0x3FFF, 0xF1, 0x04, 0xF8, 0x7FFF, 0x3FFF, 0, 0xEBFF, 0, 0, 0xAC00, 0x3FFF,
     0},
    {"QRK5-64B", "0.0k", 0xFBFF, 0xF1, 0x10, 0xF8, 0xEBFF, 0xABFF, 0, 0xEBFF, 0, 0, 0xAC00, 0xFBFF,
     0},
    {"QRK3-32B", "1.0k", 0x7FFF, 0xF1, 0x08, 0xE8, 0xE7FF, 0xA7FF, 0xE800, 0xEBFF, 0xF800, 0xFBFF,
     0xA800, 0xF7FF, 0x400},
    {"QRK5-32B", "4.0k", 0x7FFF, 0xF1, 0x08, 0xC8, 0xDBFF, 0x9BFF, 0xDC00, 0xEBFF, 0xEC00, 0xFBFF,
     0x9C00, 0xEBFF, 0x1000},
};

TEST(BoardHeaderLayout, EveryFieldForEachModelFamilyAndIspSize) {
  for (const LayoutCase& c : kLayouts) {
    SCOPED_TRACE(std::string(c.model) + " " + c.isp);
    Chosen chosen = choose(c.model, c.isp);
    BoardImage b;
    BoardHeader::derive(chosen.model, chosen.panel, c.rangeHigh).writeTo(b);

    const std::string name = c.model;
    for (int i = 0; i < 32; ++i) {
      EXPECT_EQ(b.at(0xEC00 + i), i < static_cast<int>(name.size()) ? name[i] : 0) << i;
    }
    EXPECT_EQ(b.at(0xEC20), c.id0);
    EXPECT_EQ(b.at(0xEC21), c.id1);
    for (int i = 34; i < 48; ++i) EXPECT_EQ(b.at(0xEC00 + i), 0x00) << i;
    EXPECT_EQ(b.at(0xEC30), c.optionA);
    EXPECT_EQ(b.at(0xEC31), 0xEF);  // the panel's defaults
    for (int i = 50; i < 64; ++i) EXPECT_EQ(b.at(0xEC00 + i), 0xFF) << i;
    EXPECT_EQ(header24(b, 64), 0x4000U);
    EXPECT_EQ(header24(b, 67), c.apBoardEnd);
    EXPECT_EQ(header24(b, 70), 0U);
    EXPECT_EQ(header24(b, 73), c.apTargetEnd);
    EXPECT_EQ(header24(b, 76), c.ispBoardFirst);
    EXPECT_EQ(header24(b, 79), c.ispBoardLast);
    EXPECT_EQ(header24(b, 82), c.ispFirst);
    EXPECT_EQ(header24(b, 85), c.ispLast);
    EXPECT_EQ(header24(b, 88), 0x2000U);
    EXPECT_EQ(header24(b, 91), 0x3FFFU);
    EXPECT_EQ(header24(b, 94), c.lowerTarget);
    EXPECT_EQ(header24(b, 97), c.lowerTarget + 0x1FFF);
    for (int i = 100; i < 112; ++i) EXPECT_EQ(b.at(0xEC00 + i), 0x00) << i;
    EXPECT_EQ(header24(b, 112), c.lastApp);
    for (int i = 115; i < 118; ++i) EXPECT_EQ(b.at(0xEC00 + i), 0x00) << i;
    EXPECT_EQ(b.at(0xEC76) << 8 | b.at(0xEC77), static_cast<int>(c.ispLength));
    EXPECT_EQ(b.at(0xEC78), 0xF1);
    for (int i = 121; i < 254; ++i) EXPECT_EQ(b.at(0xEC00 + i), 0x00) << i;
    const std::uint16_t crc = modbusCrc(b.bytes().data() + 0xEC00, 128);
    EXPECT_EQ(b.at(0xECFE), crc & 0xFF);
    EXPECT_EQ(b.at(0xECFF), crc >> 8);
  }
}

TEST(BoardHeaderLayout, NameIsCutTo31AndTheOptionRowsReachTheirBits) {
  Chosen c = choose("QRK5-16B", "0.0k");
  c.model.name = "  A-very-long-model-name-of-forty-characters  ";
  for (const char* row : {"LOCK", "SB", "MOVCL", "EN6T", "HWBS"}) {
    setOption(c.panel, MapKind::TopOfModel, row,
              std::string(row) == "EN6T" || std::string(row) == "HWBS" ? "YES" : "NO");
  }
  ASSERT_TRUE(setOption(c.panel, MapKind::TopOfModel, "OSC", "full"));
  ASSERT_TRUE(setOption(c.panel, MapKind::TopOfModel, "AUX_RAM", "forbid"));
  ASSERT_TRUE(setOption(c.panel, MapKind::TopOfModel, "WDT", "power-off"));
  BoardImage b;
  BoardHeader::derive(c.model, c.panel, 0x3FFF).writeTo(b);
  EXPECT_EQ(std::string(b.bytes().begin() + 0xEC00, b.bytes().begin() + 0xEC1F),
            "A-very-long-model-name-of-forty");
  EXPECT_EQ(b.at(0xEC1F), 0x00);
  EXPECT_EQ(b.at(0xEC30), 0xFF);  // LOCK, SB, MOVCL "NO"; no ISP
  EXPECT_EQ(b.at(0xEC31), 0xFF & ~0x01 & ~0x02 & ~0x40 & ~0x80);
}

TEST(LimitCounter, BoundsAndPackedBits) {
  struct Case {
    const char* text;
    int highFullBytes, highPart, lowFullBytes, lowPart;
  };
  for (const Case& c :
       {Case{"1", 0, 0, 0, 0x01}, Case{"2047", 0, 0, 255, 0x7F}, Case{"2048", 0, 0x01, 0, 0},
        Case{" 1000000 ", 61, 0, 72, 0}, Case{"+4100", 0, 0x03, 0, 0x0F}}) {
    SCOPED_TRACE(c.text);
    const DownloadLimitCheck check = checkDownloadLimit(c.text);
    ASSERT_TRUE(check.counter.has_value());
    BoardImage b;
    b.set(0xEDFF, 0x55);  // a stale byte from an earlier limit
    check.counter->writeTo(b);
    for (auto [field, full, part] : {std::tuple{0xED00, c.highFullBytes, c.highPart},
                                     std::tuple{0xEE00, c.lowFullBytes, c.lowPart}}) {
      for (int i = 0; i < 256; ++i) {
        const int expected = i < full ? 0xFF : i == full ? part : 0;
        ASSERT_EQ(b.at(field + i), expected) << std::hex << field + i;
      }
    }
  }
}

TEST(LimitCounter, OnlyAWholeNumberFromOneToAMillionIsALimit) {
  for (const char* text : {"0", "-1", "", "abc", "nan", "inf", "0x10", "-0", "  "}) {
    const DownloadLimitCheck check = checkDownloadLimit(text);
    EXPECT_FALSE(check.counter) << text;
    EXPECT_EQ(check.message, kLimitTooSmallMessage) << text;
  }
  for (const char* text : {"1000001", "99999999999999999999999"}) {
    EXPECT_EQ(checkDownloadLimit(text).message, kLimitTooLargeMessage) << text;
  }
  for (const char* text : {"2.5", "1e3", "0.9", "1000000.4"}) {
    const DownloadLimitCheck check = checkDownloadLimit(text);
    EXPECT_FALSE(check.counter) << text;
    EXPECT_EQ(check.message, kLimitNotWholeMessage) << text;
  }
  EXPECT_FALSE(LimitCounter::of(0));
  EXPECT_FALSE(LimitCounter::of(1'000'001));
}

ImageBuffer randomImage(std::uint32_t seed) {
  ImageBuffer image;
  std::mt19937 random(seed);
  for (std::int32_t a = 0; a <= ImageBuffer::kLastIndex; ++a) {
    image.set(a, static_cast<std::uint8_t>(random()));
  }
  return image;
}

TEST(BlockCrcTable, OneModbusCrcPerBlockInTargetOrder) {
  const ImageBuffer image = randomImage(7);
  BoardImage b;
  int calls = 0;
  BlockCrcTable::build(b, image, [&](int k) { EXPECT_EQ(k, calls++); });
  EXPECT_EQ(calls, 512);
  for (int k = 0; k < 512; ++k) {
    const std::uint16_t crc = modbusCrc(image.bytes().data() + 128 * k, 128);
    ASSERT_EQ(b.at(0xF000 + 2 * k) | b.at(0xF001 + 2 * k) << 8, crc) << k;
  }
  EXPECT_EQ(b.at(0xEFFF), 0x00);
  EXPECT_EQ(b.at(0xF400), 0x00);
}

// Where image byte T lands on the board; -1 where it is not carried.
TEST(ImagePlacement, EachCaseCopiesTheRangesOfItsRow) {
  const ImageBuffer image = randomImage(11);
  struct Case {
    const char* model;
    const char* isp;
    std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>>
        copies;  // board, target, size
  };
  const Case cases[] = {
      {"QRK5-16B", "0.0k", {{0x4000, 0x0000, 0xAC00}, {0x2000, 0xAC00, 0x2000}}},
      {"QRK5-04A", "1.0k", {{0x4000, 0x0000, 0xAC00}, {0x2000, 0xAC00, 0x2000}}},
      {"QRK5-32B",
       "4.0k",
       {{0xDC00, 0xEC00, 0x1000}, {0x4000, 0x0000, 0x9C00}, {0x2000, 0x9C00, 0x2000}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.isp);
    Chosen chosen = choose(c.model, c.isp);
    const BoardHeader header = BoardHeader::derive(chosen.model, chosen.panel, 0xFBFF);
    BoardImage b;
    placeImageInBoard(b, header, image);
    std::int32_t covered = 0;
    for (auto [boardFirst, target, size] : c.copies) {
      covered += size;
      for (std::int32_t i = 0; i < size; ++i) {
        ASSERT_EQ(b.at(boardFirst + i), image.at(target + i)) << std::hex << boardFirst + i;
      }
    }
    EXPECT_EQ(covered, 0x2000 + 0xAC00) << "the two areas below the header are full";
    EXPECT_EQ(b.at(0xEC00), 0x00);
    EXPECT_EQ(b.at(0x1FFF), 0x00);
  }
}

TEST(ImagePlacement, DataTheBoardCannotHoldIsFoundButFillInAGapIsNot) {
  struct Case {
    const char* model;
    const char* isp;
    std::vector<std::pair<std::int32_t, std::int32_t>> data;  // loaded spans
    std::optional<std::pair<std::int32_t, std::int32_t>> dropped;
  };
  const Case cases[] = {
      {"QRK5-64B", "0.0k", {{0x0000, 0xCBFF}}, std::nullopt},
      {"QRK5-64B", "0.0k", {{0x0000, 0xCFFF}}, std::pair{0xCC00, 0xCFFF}},
      {"QRK5-16B", "4.0k", {{0x0000, 0xBBFF}, {0xEC00, 0xFBFF}}, std::nullopt},
      {"QRK5-16B",
       "4.0k",
       {{0x0000, 0x3FFF}, {0xBC00, 0xBC00}, {0xEC00, 0xFBFF}},
       std::pair{0xBC00, 0xBC00}},
      {"QRK5-64B", "4.0k", {{0x0000, 0xEBFF}}, std::pair{0xBC00, 0xEBFF}},
      {"QRK5-12A", "4.0k", {{0x0000, 0x3BFF}}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.isp);
    Chosen chosen = choose(c.model, c.isp);
    ImageBuffer image;
    image.fill(0xFF);
    image.rangeLow = c.data.front().first;
    image.rangeHigh = c.data.back().second;
    for (auto [first, last] : c.data) {
      for (std::int32_t a = first; a <= last; ++a) image.set(a, static_cast<std::uint8_t>(a % 251));
    }
    const BoardHeader header = BoardHeader::derive(chosen.model, chosen.panel, image.rangeHigh);
    const auto dropped = findDroppedData(header, image, 0xFF);
    ASSERT_EQ(dropped.has_value(), c.dropped.has_value());
    if (dropped) {
      EXPECT_EQ(dropped->first, c.dropped->first);
      EXPECT_EQ(dropped->last, c.dropped->second);
    }
  }
  EXPECT_EQ(droppedDataWarning({0xCC00, 0xCFFF}).substr(0, 31), "Data from 0CC00H to 0CFFFH lies");
}

}  // namespace
}  // namespace qrk
