#include "image/hex_reader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

struct Loaded {
  ImageBuffer image;
  ReadResult result;
};

// Reads `text` into a freshly cleared image as the window would for the model.
std::unique_ptr<Loaded> readHex(std::string_view text, const LoadOptions& load,
                                std::int32_t start = 0) {
  auto loaded = std::make_unique<Loaded>();
  clearImage(loaded->image, load.fillByte);
  loaded->result = readHexText(loaded->image, text, context(load, start));
  return loaded;
}

std::vector<std::uint8_t> bytesAt(const ImageBuffer& image, std::int32_t address, int count) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) bytes.push_back(image.at(address + i));
  return bytes;
}

TEST(HexReader, PlacesRecordsAtTheBufferStartAndSumsTheirData) {
  const auto loaded =
      readHex(dataRecord(0x0000, {1, 2, 3}) + dataRecord(0x0010, {0xAA, 0xBB}) + kEndRecord,
              options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(loaded->image, 0x100, 4), (std::vector<std::uint8_t>{1, 2, 3, 0xFF}));
  EXPECT_EQ(bytesAt(loaded->image, 0x110, 2), (std::vector<std::uint8_t>{0xAA, 0xBB}));
  EXPECT_EQ(loaded->image.at(0x0FF), 0xFF);
  EXPECT_EQ(loaded->image.fileStart, 0x100);
  EXPECT_EQ(loaded->image.fileEnd, 0x111);
  EXPECT_TRUE(loaded->image.fileLoaded);
  EXPECT_EQ(loaded->result.sum, 1u + 2 + 3 + 0xAA + 0xBB);
  EXPECT_FALSE(loaded->result.flags.any());
  EXPECT_EQ(loaded->result.rejectedCount, 0);
}

TEST(HexReader, HonoursExtendedLinearAndSegmentBases) {
  const LoadOptions load = options("QRK5-64E");
  for (const std::string& base : {linearBase(0x0001), segmentBase(0x1000)}) {
    const auto loaded =
        readHex(dataRecord(0x0000, {0x11}) + base + dataRecord(0x0100, {0x22, 0x33}) + kEndRecord,
                load, 0x10);
    EXPECT_EQ(loaded->image.at(0x10), 0x11);
    EXPECT_EQ(bytesAt(loaded->image, 0x10110, 2), (std::vector<std::uint8_t>{0x22, 0x33}));
    EXPECT_EQ(loaded->image.at(0x110), 0xFF) << "nothing may land at the base-less address";
    EXPECT_TRUE(loaded->result.flags.ispBlock);
    EXPECT_EQ(loaded->image.fileEnd, 0x10111);
  }
}

TEST(HexReader, ABaseOfZeroLoadsAsIfThereWereNone) {
  const LoadOptions load = options("QRK5-16B");
  const std::string body = dataRecord(0x0200, {9, 8, 7}) + kEndRecord;
  const auto plain = readHex(body, load);
  const auto based = readHex(linearBase(0) + segmentBase(0) + body, load);
  EXPECT_EQ(plain->image.bytes(), based->image.bytes());
  EXPECT_EQ(plain->image.fileEnd, based->image.fileEnd);
}

TEST(HexReader, DropsDataBeyondTheIspEndOrTheImageAndSaysSo) {
  const LoadOptions load = options("QRK5-04A");  // ISP end 0x3BFF at 0 K
  const auto straddling = readHex(dataRecord(0x3BFE, {1, 2, 3, 4}), load);
  EXPECT_EQ(bytesAt(straddling->image, 0x3BFE, 4), (std::vector<std::uint8_t>{1, 2, 0xFF, 0xFF}));
  EXPECT_TRUE(straddling->result.flags.over);
  EXPECT_EQ(straddling->image.fileEnd, 0x3BFF);
  EXPECT_EQ(straddling->result.sum, 10u);

  // A base of 16 MB would index far outside the image.
  const auto far = readHex(linearBase(0x0100) + dataRecord(0xFFFF, {5, 6}), options("QRK5-64E"));
  EXPECT_TRUE(far->result.flags.over);
  EXPECT_EQ(far->image.fileEnd, 0x11FFF);
  EXPECT_EQ(far->result.sum, 11u);
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

TEST(HexReader, StopsAtTheEndRecordAndSkipsWhatCarriesNoData) {
  const auto loaded = readHex("garbage that is no record\r\n" + record(0x03, 0, {0, 0, 1, 2}) +
                                  "\r\n" + record(0x05, 0, {0, 0, 0, 0}) + "\r\n" +
                                  dataRecord(0, {7}) + kEndRecord + dataRecord(1, {8}),
                              options("QRK5-16B"));
  EXPECT_EQ(loaded->image.at(0), 7);
  EXPECT_EQ(loaded->image.at(1), 0xFF);
  EXPECT_EQ(loaded->result.sum, 7u);
  EXPECT_EQ(loaded->result.rejectedCount, 0);
}

TEST(HexReader, CountsLinesAcrossEveryLineEndAndToleratesTrailingBlanks) {
  const std::string text = record(0x00, 0, {1}) + "\n" + record(0x00, 1, {2}) + "  \t\r" +
                           record(0x00, 2, {3}) + "\r\n\r\n" + ":zz\n" + record(0x00, 3, {4});
  const auto loaded = readHex(text, options("QRK5-16B"));
  EXPECT_EQ(bytesAt(loaded->image, 0, 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
  ASSERT_EQ(loaded->result.rejected.size(), 1u);
  EXPECT_EQ(loaded->result.rejected[0].lineNumber, 5);
}

TEST(HexReader, ReadsAFileInChunksAsItReadsText) {
  // Line ends and records straddle the reader's 64 KB chunks.
  std::string text;
  std::uint16_t address = 0;
  while (text.size() < 200'000) {
    text += record(0x00, address, {static_cast<std::uint8_t>(address), 0x5A}) +
            (address % 3 == 0   ? "\r\n"
             : address % 3 == 1 ? "\n"
                                : "\r");
    if (address % 97 == 0) text += ":12\r\n";
    address = static_cast<std::uint16_t>(address + 2);
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

// Where the file ends and what it warns about, per kind of memory map.
TEST(HexReaderRegions, KindTwoDataMemoryStaysAndIsNamed) {
  const auto loaded =
      readHex(dataRecord(0x0000, {1}) + dataRecord(0x1000, {2, 3}), options("QRK5-04A", "4.0k"));
  EXPECT_TRUE(loaded->result.flags.dataMemory);
  EXPECT_FALSE(loaded->result.flags.ispBlock);
  EXPECT_EQ(loaded->image.fileEnd, 0x1001);
  EXPECT_EQ(loaded->image.at(0x1001), 3);
}

TEST(HexReaderRegions, KindTwoIspAreaIsNamedOnlyWhenThereIsOne) {
  const std::string text = dataRecord(0x0000, {1}) + dataRecord(0x3000, {2});
  const auto withIsp = readHex(text, options("QRK5-04A", "4.0k"));
  EXPECT_TRUE(withIsp->result.flags.ispBlock);
  EXPECT_FALSE(withIsp->result.flags.dataMemory);
  EXPECT_EQ(withIsp->image.fileEnd, 0x3000);
  const auto withoutIsp = readHex(text, options("QRK5-04A", "0.0k"));
  EXPECT_FALSE(withoutIsp->result.flags.ispBlock);
  EXPECT_TRUE(withoutIsp->result.flags.dataMemory);
}

TEST(HexReaderRegions, KindsZeroAndOneWipeTheGapAboveTheApEnd) {
  for (const char* name : {"QRK5-32D", "QRK3-32F"}) {
    for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
      const auto loaded = readHex(dataRecord(0x0000, {1}) + dataRecord(0x9000, {0x5A, 0xA5}),
                                  options(name, "0.0k", "0", fill));
      EXPECT_TRUE(loaded->result.flags.over) << name;
      EXPECT_EQ(loaded->image.fileEnd, 0x7FFF) << name;
      EXPECT_EQ(loaded->image.at(0x9000), fill) << name;
      EXPECT_EQ(loaded->image.at(0x9001), fill) << name;
      EXPECT_EQ(loaded->image.at(0x0001), fill) << name;
    }
  }
}

TEST(HexReaderRegions, KindsZeroAndOneNameTheUpperBlock) {
  const auto kindOne = readHex(dataRecord(0xE000, {1, 2}), options("QRK3-32F", "4.0k"));
  EXPECT_TRUE(kindOne->result.flags.ispBlock);
  EXPECT_FALSE(kindOne->result.flags.over);
  EXPECT_EQ(kindOne->image.fileEnd, 0xE001);
  const auto kindZero = readHex(linearBase(1) + dataRecord(0x1FFF, {3}), options("QRK5-64E"));
  EXPECT_TRUE(kindZero->result.flags.ispBlock);
  EXPECT_EQ(kindZero->image.fileEnd, 0x11FFF);
}

TEST(HexReaderRegions, ApUpToIspModelsNameDataAboveTheApArea) {
  const auto loaded = readHex(dataRecord(0x3800, {1}), options("QRK5-12A", "1.0k"));
  EXPECT_TRUE(loaded->result.flags.ispBlock);
  EXPECT_EQ(loaded->image.fileEnd, 0x3800);
}

TEST(HexReaderRegions, TrailingFillBytesStillCountAsTheFile) {
  for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
    const auto loaded = readHex(dataRecord(0x0100, {0x42, fill, fill, fill}),
                                options("QRK5-16B", "0.0k", "0", fill));
    EXPECT_EQ(loaded->image.fileEnd, 0x103);
  }
}

TEST(HexReaderRegions, AFileOfFillBytesOnlyKeepsThePreviousEnd) {
  ImageBuffer image;
  clearImage(image, 0xFF);
  image.fileEnd = 0x1234;
  readHexText(image, dataRecord(0x0000, {0xFF, 0xFF}), context(options("QRK5-16B")));
  EXPECT_EQ(image.fileEnd, 0x1234);
}

}  // namespace
}  // namespace qrk
