// The BoardImage against values worked out by hand. (The header CRC and the
// block CRC table are recomputed by the simulated board's self-check in the
// download tests.)
#include "offline/board_image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "device/mcu_model.h"
#include "device/option_panel.h"
#include "image/image_buffer.h"
#include "offline/board_header.h"
#include "offline/image_placement.h"
#include "offline/limit_counter.h"

namespace qrk {
namespace {

// The big-endian header field of `width` bytes at `offset`.
std::uint32_t field(const BoardImage& b, int offset, int width = 3) {
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i) value = value << 8 | b.at(board::kHeaderAddress + offset + i);
  return value;
}

// The header offsets from..to-1 that do not hold `value`, if any.
std::string notFilled(const BoardImage& b, int from, int to, std::uint8_t value) {
  std::string out;
  for (int i = from; i < to; ++i)
    if (b.at(board::kHeaderAddress + i) != value) out += std::to_string(i) + " ";
  return out;
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

TEST(BoardHeaderLayout, EveryFieldForEachModelFamilyAndIspSize) {
  // One row per model family and ISP size: what the rules give, by hand.
  struct LayoutCase {
    const char *model, *isp;
    std::int32_t rangeHigh;
    std::uint16_t id;
    std::uint8_t optionA;
    std::uint32_t apBoardEnd, apTargetEnd, ispBoardFirst, ispBoardLast, ispFirst, ispLast;
    std::uint32_t lowerTarget, lastApp, ispLength;
  };
  // clang-format off
  const LayoutCase cases[] = {
      // "F0" models: the ISP copy is described below 0x7C00, the lower area at 0xAC00.
      {"QRK5-04A", "0.0k", 0x0FFF, 0xF001, 0xF8, 0x4FFF, 0x0FFF, 0, 0x7BFF, 0, 0, 0xAC00, 0x0FFF, 0},
      {"QRK3-08A", "1.0k", 0x1FFF, 0xF002, 0xE8, 0x77FF, 0x37FF, 0x7800, 0x7BFF, 0x3800, 0x3BFF, 0xAC00, 0x37FF, 0x400},
      {"QRK3-04A", "4.0k", 0x0FFF, 0xF001, 0xC8, 0x6BFF, 0x2BFF, 0x6C00, 0x7BFF, 0x2C00, 0x3BFF, 0xAC00, 0x2BFF, 0x1000},
      // The others: the ISP copy sits just below the header and pushes the rest down.
      {"QRK5-16B", "0.0k", 0x3FFF, 0xF104, 0xF8, 0x7FFF, 0x3FFF, 0, 0xEBFF, 0, 0, 0xAC00, 0x3FFF, 0},
      {"QRK5-64B", "0.0k", 0xFBFF, 0xF110, 0xF8, 0xEBFF, 0xABFF, 0, 0xEBFF, 0, 0, 0xAC00, 0xFBFF, 0},
      {"QRK3-32B", "1.0k", 0x7FFF, 0xF108, 0xE8, 0xE7FF, 0xA7FF, 0xE800, 0xEBFF, 0xF800, 0xFBFF, 0xA800, 0xF7FF, 0x400},
      {"QRK5-32B", "4.0k", 0x7FFF, 0xF108, 0xC8, 0xDBFF, 0x9BFF, 0xDC00, 0xEBFF, 0xEC00, 0xFBFF, 0x9C00, 0xEBFF, 0x1000},
  };
  // clang-format on
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.isp);
    Chosen chosen = choose(c.model, c.isp);
    BoardImage b;
    BoardHeader::derive(chosen.model, chosen.panel, c.rangeHigh).writeTo(b);

    const std::string name = c.model;
    EXPECT_EQ(std::string(b.bytes().begin() + 0xEC00, b.bytes().begin() + 0xEC00 + name.size()),
              name);
    EXPECT_EQ(notFilled(b, static_cast<int>(name.size()), 32, 0x00), "");
    EXPECT_EQ(field(b, 32, 2), c.id);
    EXPECT_EQ(notFilled(b, 34, 48, 0x00), "");
    EXPECT_EQ(field(b, 48, 2), c.optionA << 8 | 0xEFu);  // the panel's defaults
    EXPECT_EQ(notFilled(b, 50, 64, 0xFF), "");
    const std::uint32_t areas[] = {
        0x4000,     c.apBoardEnd, 0,      c.apTargetEnd, c.ispBoardFirst, c.ispBoardLast,
        c.ispFirst, c.ispLast,    0x2000, 0x3FFF,        c.lowerTarget,   c.lowerTarget + 0x1FFF};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(field(b, 64 + 3 * i), areas[i]) << 64 + 3 * i;
    EXPECT_EQ(notFilled(b, 100, 112, 0x00), "");
    EXPECT_EQ(field(b, 112), c.lastApp);
    EXPECT_EQ(notFilled(b, 115, 118, 0x00), "");
    EXPECT_EQ(field(b, 118, 2), c.ispLength);
    EXPECT_EQ(field(b, 120, 1), 0xF1u);
    EXPECT_EQ(notFilled(b, 121, 254, 0x00), "");  // its CRC: the simulated board's self-check
  }
}

// (The option bytes are the panel's composed bytes, checked with the panel.)
TEST(BoardHeaderLayout, ALongNameIsTrimmedAndCutTo31Characters) {
  Chosen c = choose("QRK5-16B", "0.0k");
  c.model.name = "  A-very-long-model-name-of-forty-characters  ";
  BoardImage b;
  BoardHeader::derive(c.model, c.panel, 0x3FFF).writeTo(b);
  EXPECT_EQ(std::string(b.bytes().begin() + 0xEC00, b.bytes().begin() + 0xEC20),
            std::string("A-very-long-model-name-of-forty") + '\0');
}

TEST(LimitCounter, OnlyAWholeNumberFromOneToAMillionIsALimitPackedAsBits) {
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
    for (auto [at, full, part] : {std::tuple{0xED00, c.highFullBytes, c.highPart},
                                  std::tuple{0xEE00, c.lowFullBytes, c.lowPart}}) {
      for (int i = 0; i < 256; ++i)
        ASSERT_EQ(b.at(at + i), i < full ? 0xFF : i == full ? part : 0) << std::hex << at + i;
    }
  }
  // clang-format off
  const std::pair<const char*, std::string_view> refused[] = {
      {"0", kLimitTooSmallMessage}, {"-1", kLimitTooSmallMessage}, {"", kLimitTooSmallMessage},
      {"abc", kLimitTooSmallMessage}, {"nan", kLimitTooSmallMessage}, {"0x10", kLimitTooSmallMessage},
      {"-0", kLimitTooSmallMessage}, {"1000001", kLimitTooLargeMessage},
      {"99999999999999999999999", kLimitTooLargeMessage}, {"2.5", kLimitNotWholeMessage},
      {"1e3", kLimitNotWholeMessage}, {"1000000.4", kLimitNotWholeMessage}};
  // clang-format on
  for (const auto& [text, message] : refused) {
    const DownloadLimitCheck check = checkDownloadLimit(text);
    EXPECT_FALSE(check.counter) << text;
    EXPECT_EQ(check.message, message) << text;
  }
  EXPECT_FALSE(LimitCounter::of(0));
  EXPECT_FALSE(LimitCounter::of(1'000'001));
}

ImageBuffer randomImage(std::uint32_t seed) {
  ImageBuffer image;
  std::mt19937 random(seed);
  for (std::int32_t a = 0; a <= ImageBuffer::kLastIndex; ++a)
    image.set(a, static_cast<std::uint8_t>(random()));
  return image;
}

// Where image byte T lands on the board; -1 where it is not carried.
TEST(ImagePlacement, EachCaseCopiesTheRangesOfItsRow) {
  const ImageBuffer image = randomImage(11);
  using Copy = std::tuple<std::int32_t, std::int32_t, std::int32_t>;  // board, target, size
  const std::tuple<const char*, const char*, std::vector<Copy>> cases[] = {
      {"QRK5-16B", "0.0k", {{0x4000, 0x0000, 0xAC00}, {0x2000, 0xAC00, 0x2000}}},
      {"QRK5-04A", "1.0k", {{0x4000, 0x0000, 0xAC00}, {0x2000, 0xAC00, 0x2000}}},
      {"QRK5-32B",
       "4.0k",
       {{0xDC00, 0xEC00, 0x1000}, {0x4000, 0, 0x9C00}, {0x2000, 0x9C00, 0x2000}}},
  };
  for (const auto& [model, isp, copies] : cases) {
    SCOPED_TRACE(std::string(model) + " " + isp);
    Chosen chosen = choose(model, isp);
    BoardImage b;
    placeImageInBoard(b, BoardHeader::derive(chosen.model, chosen.panel, 0xFBFF), image);
    std::int32_t covered = 0;
    for (auto [boardFirst, target, size] : copies) {
      covered += size;
      for (std::int32_t i = 0; i < size; ++i)
        ASSERT_EQ(b.at(boardFirst + i), image.at(target + i)) << std::hex << boardFirst + i;
    }
    EXPECT_EQ(covered, 0x2000 + 0xAC00) << "the two areas below the header are full";
    EXPECT_EQ(b.at(0xEC00), 0x00);
    EXPECT_EQ(b.at(0x1FFF), 0x00);
  }
}

TEST(ImagePlacement, DataTheBoardCannotHoldIsFoundButFillInAGapIsNot) {
  using Span = std::pair<std::int32_t, std::int32_t>;
  const std::tuple<const char*, const char*, std::vector<Span>, std::optional<Span>> cases[] = {
      {"QRK5-64B", "0.0k", {{0x0000, 0xCBFF}}, std::nullopt},
      {"QRK5-64B", "0.0k", {{0x0000, 0xCFFF}}, Span{0xCC00, 0xCFFF}},
      {"QRK5-16B", "4.0k", {{0x0000, 0xBBFF}, {0xEC00, 0xFBFF}}, std::nullopt},
      {"QRK5-16B", "4.0k", {{0, 0x3FFF}, {0xBC00, 0xBC00}, {0xEC00, 0xFBFF}}, Span{0xBC00, 0xBC00}},
      {"QRK5-64B", "4.0k", {{0x0000, 0xEBFF}}, Span{0xBC00, 0xEBFF}},
      {"QRK5-12A", "4.0k", {{0x0000, 0x3BFF}}, std::nullopt},
  };
  for (const auto& [model, isp, data, dropped] : cases) {
    SCOPED_TRACE(std::string(model) + " " + isp);
    Chosen chosen = choose(model, isp);
    ImageBuffer image;
    image.fill(0xFF);
    image.rangeLow = data.front().first;
    image.rangeHigh = data.back().second;
    for (auto [first, last] : data)
      for (std::int32_t a = first; a <= last; ++a) image.set(a, static_cast<std::uint8_t>(a % 251));
    const BoardHeader header = BoardHeader::derive(chosen.model, chosen.panel, image.rangeHigh);
    const auto found = findDroppedData(header, image, 0xFF);
    ASSERT_EQ(found.has_value(), dropped.has_value());
    if (found) {
      EXPECT_EQ(Span(found->first, found->last), *dropped);
    }
  }
  EXPECT_EQ(droppedDataWarning({0xCC00, 0xCFFF}).substr(0, 31), "Data from 0CC00H to 0CFFFH lies");
}

}  // namespace
}  // namespace qrk
