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
std::unique_ptr<Loaded> readBin(const Bytes& bytes, const LoadOptions& load,
                                std::int32_t start = 0) {
  auto loaded = std::make_unique<Loaded>();
  clearImage(loaded->image, load.fillByte);
  loaded->result = readBinBytes(loaded->image, bytes, context(load, start));
  return loaded;
}

TEST(Readers, PlaceTheFileAtTheBufferStartAndSumItsData) {
  const auto hex = readHex("not a record\r\n" + record(0x03, 0, {0, 0, 1, 2}) + "\r\n" +
                               dataRecord(0x0000, {1, 2, 3}) + dataRecord(0x0010, {0xAA}) +
                               kEndRecord + dataRecord(0x0020, {8}),
                           options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(hex->image, 0x0FF, 5), (Bytes{0xFF, 1, 2, 3, 0xFF}));
  EXPECT_EQ(bytesAt(hex->image, 0x110, 1), (Bytes{0xAA}));
  EXPECT_EQ(hex->image.at(0x120), 0xFF) << "nothing after the end record";
  EXPECT_EQ(hex->image.fileStart, 0x100);
  EXPECT_EQ(hex->image.fileEnd, 0x110);
  EXPECT_EQ(hex->result.sum, 1u + 2 + 3 + 0xAA);
  EXPECT_FALSE(hex->result.flags.any());
  // Trailing bytes equal to the fill byte are still the file's and must be programmed.
  EXPECT_EQ(
      readHex(dataRecord(0x0100, {0x42, 0, 0}), options("QRK5-16B", "0.0k", "0", 0))->image.fileEnd,
      0x102);

  const auto bin = readBin({1, 2, 3}, options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(bin->image, 0xFF, 5), (Bytes{0xFF, 1, 2, 3, 0xFF}));
  EXPECT_EQ(bin->image.fileEnd, 0x102);
  EXPECT_EQ(bin->result.sum, 6u);
  EXPECT_EQ(readBin({}, options("QRK5-16B"))->result.sum, 0u);
}

TEST(HexReader, HonoursExtendedLinearAndSegmentBases) {
  for (const std::string& base : {baseRecord(0x04, 0x0001), baseRecord(0x02, 0x1000)}) {
    const auto loaded =
        readHex(dataRecord(0x0000, {0x11}) + base + dataRecord(0x0100, {0x22, 0x33}) + kEndRecord,
                options("QRK5-64E"), 0x10);
    EXPECT_EQ(loaded->image.at(0x10), 0x11);
    EXPECT_EQ(bytesAt(loaded->image, 0x10110, 2), (Bytes{0x22, 0x33}));
    EXPECT_EQ(loaded->image.at(0x110), 0xFF) << "nothing may land at the base-less address";
    EXPECT_TRUE(loaded->result.flags.ispBlock);
    EXPECT_EQ(loaded->image.fileEnd, 0x10111);
  }
  const std::string body = dataRecord(0x0200, {9, 8, 7}) + kEndRecord;
  EXPECT_EQ(readHex(body, options("QRK5-16B"))->image.bytes(),
            readHex(baseRecord(0x04, 0) + baseRecord(0x02, 0) + body, options("QRK5-16B"))
                ->image.bytes());
}

TEST(Readers, DropDataBeyondTheValidSpaceOrTheImageAndSaySo) {
  const auto straddling = readHex(dataRecord(0x3BFE, {1, 2, 3, 4}), options("QRK5-04A"));
  EXPECT_EQ(bytesAt(straddling->image, 0x3BFE, 4), (Bytes{1, 2, 0xFF, 0xFF}));
  EXPECT_TRUE(straddling->result.flags.over);
  EXPECT_EQ(straddling->image.fileEnd, 0x3BFF);
  EXPECT_EQ(straddling->result.sum, 10u);

  // A base of 16 MB would index far outside the image.
  const auto far =
      readHex(baseRecord(0x04, 0x0100) + dataRecord(0xFFFF, {5, 6}), options("QRK5-64E"));
  EXPECT_TRUE(far->result.flags.over);
  EXPECT_EQ(far->image.fileEnd, 0x11FFF);
  EXPECT_EQ(far->image.bytes(), readHex("", options("QRK5-64E"))->image.bytes());

  TempDir dir;
  std::FILE* handle = std::fopen(dir.file("big.bin", Bytes(0x30000, 0x5A)).c_str(), "rb");
  ASSERT_NE(handle, nullptr);
  ImageBuffer image;
  clearImage(image, 0xFF);
  const ReadResult big = readBinFile(image, handle, context(options("QRK5-64E"), 0x100));
  std::fclose(handle);
  EXPECT_TRUE(big.flags.over);
  EXPECT_EQ(image.fileEnd, 0x11FFF);
  EXPECT_EQ(image.at(ImageBuffer::kLastIndex), 0x5A);
  EXPECT_EQ(big.sum, 0x5Au * (ImageBuffer::kLastIndex - 0x100 + 1));
}

TEST(HexReader, RejectsMalformedLinesWholeAndKeepsRecordsWithABadChecksum) {
  const std::pair<std::string, RecordProblem> malformed[] = {
      {":", RecordProblem::TooShort},
      {":0400", RecordProblem::TooShort},
      {":0400100001020304E", RecordProblem::OddDigitCount},
      {":04001000010203G4E2", RecordProblem::NonHexCharacter},
      {":0800100001020304E2", RecordProblem::CountMismatch},  // count too big
      {":02001000010203E6", RecordProblem::CountMismatch},    // count too small
      {":" + std::string(600, '0'), RecordProblem::TooLong},
      {":0400000201020304F2", RecordProblem::BadExtendedAddress},  // a base of four bytes
  };
  std::string badSum = record(0x00, 0x0040, {0x12, 0x34});
  badSum.back() = badSum.back() == '0' ? '1' : '0';
  std::string text = dataRecord(0x0000, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80});
  for (const auto& [line, problem] : malformed) text += line + "\r\n";
  const auto loaded =
      readHex(text + badSum + "\r\n" + dataRecord(0x0020, {0xEE}), options("QRK5-16B"));

  ASSERT_EQ(loaded->result.rejected.size(), std::size(malformed));
  EXPECT_EQ(loaded->result.rejectedCount, 8);
  for (std::size_t i = 0; i < std::size(malformed); ++i) {
    EXPECT_EQ(loaded->result.rejected[i].lineNumber, static_cast<std::int64_t>(i + 2)) << i;
    EXPECT_EQ(loaded->result.rejected[i].problem, malformed[i].second) << i;
  }
  // Nothing of a rejected line reached 0x0010..: not zeros, not the first record's bytes.
  EXPECT_EQ(bytesAt(loaded->image, 0x10, 8), Bytes(8, 0xFF));
  EXPECT_EQ(loaded->image.at(0x20), 0xEE);
  EXPECT_EQ(bytesAt(loaded->image, 0x40, 2), (Bytes{0x12, 0x34}));
  EXPECT_EQ(loaded->result.checksumFailures, std::vector<std::string>{badSum});
  EXPECT_EQ(loaded->result.sum, 0x240u + 0xEE + 0x12 + 0x34);
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
  const auto fromText = readHex(text, options("QRK5-64E"));
  TempDir dir;
  std::FILE* file = std::fopen(dir.file("big.hex", text).c_str(), "rb");
  ASSERT_NE(file, nullptr);
  ImageBuffer image;
  clearImage(image, 0xFF);
  const ReadResult fromFile = readHexFile(image, file, context(options("QRK5-64E")));
  std::fclose(file);
  EXPECT_EQ(image.bytes(), fromText->image.bytes());
  EXPECT_EQ(fromFile.sum, fromText->result.sum);
  ASSERT_EQ(fromFile.rejected.size(), fromText->result.rejected.size());
  for (std::size_t i = 0; i < fromFile.rejected.size(); ++i) {
    EXPECT_EQ(fromFile.rejected[i].lineNumber, fromText->result.rejected[i].lineNumber);
  }
}

// The same content as BIN and as HEX records: both readers must name the same
// regions, wipe the same gap and end the file at the same address.
TEST(Readers, AgreeOnTheRegionsOfEveryKindOfMap) {
  struct Case {
    const char* model;
    const char* ispSpace;
    std::int32_t length;
    std::uint8_t fill;
    bool over, dataMemory, ispBlock;
  };
  const Case cases[] = {
      {"QRK5-04A", "4.0k", 0x1001, 0xFF, false, true, false},  // kind 2
      {"QRK5-04A", "4.0k", 0x2C01, 0xFF, false, true, true},
      {"QRK5-04A", "0.0k", 0x2C01, 0x00, false, true, false},
      {"QRK5-04A", "0.0k", 0x3C02, 0xFF, true, true, false},
      {"QRK5-12A", "1.0k", 0x3801, 0xFF, false, false, true},  // AP up to the ISP area
      {"QRK3-64F", "8.0k", 0xE010, 0xFF, false, false, true},
      {"QRK3-32F", "4.0k", 0xE010, 0x00, true, false, true},  // kind 1
      {"QRK5-32D", "0.0k", 0xE010, 0xFF, true, false, true},  // kind 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.ispSpace + " " + std::to_string(c.length));
    Bytes file(static_cast<std::size_t>(c.length));
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(1 + i % 253);
    std::string hex;
    for (std::size_t at = 0; at < file.size(); at += 16) {
      hex += dataRecord(static_cast<std::uint16_t>(at),
                        {file.begin() + at, file.begin() + std::min(at + 16, file.size())});
    }
    const LoadOptions load = options(c.model, c.ispSpace, "0", c.fill);
    const SelectedModel& m = load.model;
    const auto bin = readBin(file, load);
    const auto fromHex = readHex(hex, load);
    const std::int32_t end = std::min(c.length - 1, m.topAddress);
    for (const Loaded* loaded : {bin.get(), fromHex.get()}) {
      EXPECT_EQ(loaded->result.flags.over, c.over);
      EXPECT_EQ(loaded->result.flags.dataMemory, c.dataMemory);
      EXPECT_EQ(loaded->result.flags.ispBlock, c.ispBlock);
      EXPECT_EQ(loaded->image.fileEnd, end);
      if (m.mapKind != 2 && m.apLast + 1 < m.block1Start) {  // no flash lies in the gap
        EXPECT_EQ(bytesAt(loaded->image, m.apLast, 2), (Bytes{file[m.apLast], c.fill}));
        EXPECT_EQ(loaded->image.at(m.block1Start - 1), c.fill);
      }
    }
    EXPECT_EQ(bytesAt(bin->image, 0, end + 1), bytesAt(fromHex->image, 0, end + 1));
  }
}

}  // namespace
}  // namespace qrk
