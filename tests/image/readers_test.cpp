#include <gtest/gtest.h>

#include <cstdio>

#include "image/bin_reader.h"
#include "image/hex_reader.h"
#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

struct Loaded {
  ImageBuffer image;
  ReadResult result;
};

// Reads into a freshly cleared image as the window would for the model.
std::unique_ptr<Loaded> readHex(std::string_view text, const LoadOptions& load,
                                std::int32_t start = 0) {
  auto loaded = std::make_unique<Loaded>();
  clearImage(loaded->image, load.fillByte);
  loaded->result = readHexText(loaded->image, text, context(load, start));
  return loaded;
}
std::unique_ptr<Loaded> readBin(const std::vector<std::uint8_t>& bytes, const LoadOptions& load,
                                std::int32_t start = 0) {
  auto loaded = std::make_unique<Loaded>();
  clearImage(loaded->image, load.fillByte);
  loaded->result = readBinBytes(loaded->image, bytes, context(load, start));
  return loaded;
}

TEST(HexReader, PlacesRecordsAtTheBufferStartUpToTheEndRecord) {
  const auto loaded = readHex("not a record\r\n" + record(0x03, 0, {0, 0, 1, 2}) + "\r\n" +
                                  dataRecord(0x0000, {1, 2, 3}) + dataRecord(0x0010, {0xAA, 0xBB}) +
                                  kEndRecord + dataRecord(0x0020, {8}),
                              options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(loaded->image, 0x0FF, 5), (std::vector<std::uint8_t>{0xFF, 1, 2, 3, 0xFF}));
  EXPECT_EQ(bytesAt(loaded->image, 0x110, 2), (std::vector<std::uint8_t>{0xAA, 0xBB}));
  EXPECT_EQ(loaded->image.at(0x120), 0xFF);
  EXPECT_EQ(loaded->image.fileStart, 0x100);
  EXPECT_EQ(loaded->image.fileEnd, 0x111);
  EXPECT_EQ(loaded->result.sum, 1u + 2 + 3 + 0xAA + 0xBB);
  EXPECT_FALSE(loaded->result.flags.any());
  EXPECT_EQ(loaded->result.rejectedCount, 0);

  // Trailing bytes equal to the fill byte are still the file's and must be programmed.
  const auto trailing =
      readHex(dataRecord(0x0100, {0x42, 0, 0}), options("QRK5-16B", "0.0k", "0", 0));
  EXPECT_EQ(trailing->image.fileEnd, 0x102);
}

TEST(HexReader, HonoursExtendedLinearAndSegmentBases) {
  for (const std::string& base : {baseRecord(0x04, 0x0001), baseRecord(0x02, 0x1000)}) {
    const auto loaded =
        readHex(dataRecord(0x0000, {0x11}) + base + dataRecord(0x0100, {0x22, 0x33}) + kEndRecord,
                options("QRK5-64E"), 0x10);
    EXPECT_EQ(loaded->image.at(0x10), 0x11);
    EXPECT_EQ(bytesAt(loaded->image, 0x10110, 2), (std::vector<std::uint8_t>{0x22, 0x33}));
    EXPECT_EQ(loaded->image.at(0x110), 0xFF) << "nothing may land at the base-less address";
    EXPECT_TRUE(loaded->result.flags.ispBlock);
    EXPECT_EQ(loaded->image.fileEnd, 0x10111);
  }
  // A base of zero loads exactly as no base at all.
  const std::string body = dataRecord(0x0200, {9, 8, 7}) + kEndRecord;
  const auto plain = readHex(body, options("QRK5-16B"));
  const auto based = readHex(baseRecord(0x04, 0) + baseRecord(0x02, 0) + body, options("QRK5-16B"));
  EXPECT_EQ(plain->image.bytes(), based->image.bytes());
  EXPECT_EQ(plain->image.fileEnd, based->image.fileEnd);
}

TEST(HexReader, DropsDataBeyondTheIspEndOrTheImageAndSaysSo) {
  const auto straddling = readHex(dataRecord(0x3BFE, {1, 2, 3, 4}), options("QRK5-04A"));
  EXPECT_EQ(bytesAt(straddling->image, 0x3BFE, 4), (std::vector<std::uint8_t>{1, 2, 0xFF, 0xFF}));
  EXPECT_TRUE(straddling->result.flags.over);
  EXPECT_EQ(straddling->image.fileEnd, 0x3BFF);
  EXPECT_EQ(straddling->result.sum, 10u);

  // A base of 16 MB would index far outside the image.
  const auto far =
      readHex(baseRecord(0x04, 0x0100) + dataRecord(0xFFFF, {5, 6}), options("QRK5-64E"));
  EXPECT_TRUE(far->result.flags.over);
  EXPECT_EQ(far->image.fileEnd, 0x11FFF);
  ImageBuffer untouched;
  clearImage(untouched, 0xFF);
  EXPECT_EQ(far->image.bytes(), untouched.bytes());
}

TEST(HexReader, RejectsMalformedLinesWholeAndNamesTheirLines) {
  const std::string lines[] = {
      dataRecord(0x0000, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}),  // line 1 is good
      ":\r\n",                                                               // 2
      ":0400\r\n",                                                           // 3
      ":0400100001020304E\r\n",                                              // 4 odd
      ":04001000010203G4E2\r\n",                                             // 5 non-hex
      ":0800100001020304E2\r\n",                                             // 6 count too big
      ":02001000010203E6\r\n",                                               // 7 count too small
      ":" + std::string(600, '0') + "\r\n",                                  // 8 too long
      ":0400000201020304F2\r\n",                                             // 9 base of 4 bytes
      dataRecord(0x0020, {0xEE}),                                            // 10 is good
  };
  std::string text;
  for (const std::string& line : lines) text += line;
  const auto loaded = readHex(text, options("QRK5-16B"));

  const std::vector<std::pair<std::int64_t, RecordProblem>> expected = {
      {2, RecordProblem::TooShort},      {3, RecordProblem::TooShort},
      {4, RecordProblem::OddDigitCount}, {5, RecordProblem::NonHexCharacter},
      {6, RecordProblem::CountMismatch}, {7, RecordProblem::CountMismatch},
      {8, RecordProblem::TooLong},       {9, RecordProblem::BadExtendedAddress}};
  ASSERT_EQ(loaded->result.rejected.size(), expected.size());
  EXPECT_EQ(loaded->result.rejectedCount, 8);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(loaded->result.rejected[i].lineNumber, expected[i].first) << i;
    EXPECT_EQ(loaded->result.rejected[i].problem, expected[i].second) << i;
  }
  // Nothing of a rejected line reached 0x0010..: not zeros, not the first record's bytes.
  EXPECT_EQ(bytesAt(loaded->image, 0x10, 8), std::vector<std::uint8_t>(8, 0xFF));
  EXPECT_EQ(loaded->image.at(0x20), 0xEE);
  EXPECT_EQ(loaded->result.sum, 0x10u + 0x20 + 0x30 + 0x40 + 0x50 + 0x60 + 0x70 + 0x80 + 0xEE);
  EXPECT_EQ(loaded->result.checksumFailureCount, 0);
}

TEST(HexReader, StoresARecordWhoseChecksumFailsAndListsItsLine) {
  std::string bad = record(0x00, 0x0040, {0x12, 0x34});
  bad.back() = bad.back() == '0' ? '1' : '0';
  const auto loaded =
      readHex(dataRecord(0, {1}) + bad + "\r\n" + dataRecord(0x50, {2}), options("QRK5-16B"));
  ASSERT_EQ(loaded->result.checksumFailures.size(), 1u);
  EXPECT_EQ(loaded->result.checksumFailures[0], bad);
  EXPECT_EQ(bytesAt(loaded->image, 0x40, 2), (std::vector<std::uint8_t>{0x12, 0x34}));
  EXPECT_EQ(loaded->image.at(0x50), 2);
}

// Line ends and records straddle the file reader's 64 KB chunks.
TEST(HexReader, ReadsAFileInChunksAsItReadsText) {
  std::string text;
  for (std::uint16_t address = 0; text.size() < 200'000; address += 2) {
    text += record(0x00, address, {static_cast<std::uint8_t>(address), 0x5A}) +
            (address % 3 == 0   ? "\r\n"
             : address % 3 == 1 ? "\n"
                                : "\r");
    if (address % 97 == 0) text += ":12\r\n";
  }
  const LoadOptions load = options("QRK5-64E");
  const auto fromText = readHex(text, load);

  TempDir dir;
  std::FILE* file = std::fopen(dir.file("big.hex", text).c_str(), "rb");
  ASSERT_NE(file, nullptr);
  ImageBuffer image;
  clearImage(image, 0xFF);
  const ReadResult fromFile = readHexFile(image, file, context(load));
  std::fclose(file);

  EXPECT_EQ(image.bytes(), fromText->image.bytes());
  EXPECT_EQ(fromFile.sum, fromText->result.sum);
  ASSERT_EQ(fromFile.rejected.size(), fromText->result.rejected.size());
  for (std::size_t i = 0; i < fromFile.rejected.size(); ++i) {
    EXPECT_EQ(fromFile.rejected[i].lineNumber, fromText->result.rejected[i].lineNumber);
  }
}

TEST(BinReader, PlacesTheFileAtTheBufferStartAndAnEmptyFileSumsToZero) {
  const auto loaded = readBin({1, 2, 3}, options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(loaded->image, 0xFF, 5), (std::vector<std::uint8_t>{0xFF, 1, 2, 3, 0xFF}));
  EXPECT_EQ(loaded->image.fileStart, 0x100);
  EXPECT_EQ(loaded->image.fileEnd, 0x102);
  EXPECT_EQ(loaded->result.sum, 6u);
  EXPECT_FALSE(loaded->result.flags.any());

  const auto empty = readBin({}, options("QRK5-16B"), 0x100);
  EXPECT_EQ(empty->result.sum, 0u);
  EXPECT_TRUE(empty->image.fileLoaded);
}

TEST(BinReader, AFileLargerThanTheImageStopsAtItsEnd) {
  TempDir dir;
  std::vector<std::uint8_t> file(0x30000);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + 1);
  std::FILE* handle = std::fopen(dir.file("big.bin", file).c_str(), "rb");
  ASSERT_NE(handle, nullptr);
  ImageBuffer image;
  clearImage(image, 0xFF);
  const ReadResult result = readBinFile(image, handle, context(options("QRK5-64E"), 0x100));
  std::fclose(handle);

  EXPECT_TRUE(result.flags.over);
  EXPECT_EQ(image.fileEnd, 0x11FFF);
  EXPECT_EQ(image.at(ImageBuffer::kLastIndex), file[ImageBuffer::kLastIndex - 0x100]);
  std::uint64_t stored = 0;
  for (std::int32_t i = 0; i <= ImageBuffer::kLastIndex - 0x100; ++i) stored += file[i];
  EXPECT_EQ(result.sum, stored);
}

// The same content as BIN and as HEX records: both readers must name the same
// regions, wipe the same gap and end the file at the same address.
struct RegionCase {
  const char* model;
  const char* ispSpace;
  std::int32_t length;
  std::uint8_t fill;
  bool over, dataMemory, ispBlock;
  std::int32_t fileEnd;
};

class ReaderRegions : public ::testing::TestWithParam<RegionCase> {};

TEST_P(ReaderRegions, BothReadersAgreeOnRegionsAndFileEnd) {
  const RegionCase& c = GetParam();
  std::vector<std::uint8_t> file(static_cast<std::size_t>(c.length));
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(1 + i % 253);
  std::string hex;
  for (std::size_t at = 0; at < file.size(); at += 16) {
    if (at % 0x10000 == 0) hex += baseRecord(0x04, static_cast<std::uint16_t>(at >> 16));
    const std::size_t end = std::min(at + 16, file.size());
    hex += dataRecord(static_cast<std::uint16_t>(at), {file.begin() + at, file.begin() + end});
  }
  const LoadOptions load = options(c.model, c.ispSpace, "0", c.fill);
  const SelectedModel& m = load.model;
  const bool gap = m.mapKind != 2 && m.apLast + 1 < m.block1Start && c.length > m.apLast + 1;
  const auto bin = readBin(file, load);
  const auto fromHex = readHex(hex, load);
  for (const Loaded* loaded : {bin.get(), fromHex.get()}) {
    EXPECT_EQ(loaded->result.flags.over, c.over);
    EXPECT_EQ(loaded->result.flags.dataMemory, c.dataMemory);
    EXPECT_EQ(loaded->result.flags.ispBlock, c.ispBlock);
    EXPECT_EQ(loaded->image.fileEnd, c.fileEnd);
    if (gap) {  // no flash lies between the AP end and the upper block
      EXPECT_EQ(loaded->image.at(m.apLast), file[static_cast<std::size_t>(m.apLast)]);
      EXPECT_EQ(loaded->image.at(m.apLast + 1), c.fill);
      EXPECT_EQ(loaded->image.at(m.block1Start - 1), c.fill);
    }
  }
  EXPECT_EQ(bytesAt(bin->image, 0, c.fileEnd + 1), bytesAt(fromHex->image, 0, c.fileEnd + 1));
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ReaderRegions,
    ::testing::Values(RegionCase{"QRK5-04A", "4.0k", 0x1001, 0xFF, false, true, false, 0x1000},
                      RegionCase{"QRK5-04A", "4.0k", 0x2C01, 0xFF, false, true, true, 0x2C00},
                      RegionCase{"QRK5-04A", "0.0k", 0x2C01, 0x00, false, true, false, 0x2C00},
                      RegionCase{"QRK5-04A", "0.0k", 0x3C02, 0xFF, true, true, false, 0x3BFF},
                      RegionCase{"QRK5-12A", "1.0k", 0x3801, 0xFF, false, false, true, 0x3800},
                      RegionCase{"QRK3-64F", "8.0k", 0xE010, 0xFF, false, false, true, 0xE00F},
                      RegionCase{"QRK3-32F", "4.0k", 0xE010, 0x00, true, false, true, 0xE00F},
                      RegionCase{"QRK5-32D", "0.0k", 0xE010, 0xFF, true, false, true, 0xE00F},
                      RegionCase{"QRK5-32D", "0.0k", 0xE010, 0x00, true, false, true, 0xE00F}));

}  // namespace
}  // namespace qrk
