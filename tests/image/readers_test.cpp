#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

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

// Reads BIN bytes, HEX text or a file (in chunks, as the loader does) into a
// freshly cleared image as the window would.
template <typename Input>
std::unique_ptr<Loaded> read(const Input& input, const LoadOptions& load, std::int32_t start = 0) {
  auto loaded = std::make_unique<Loaded>(clearedImage(load.fillByte));
  const ReadContext context{load.model, readLimits(load.memoryMap, load.model), start,
                            load.fillByte};
  if constexpr (std::is_same_v<Input, Bytes>) {
    loaded->result = readBinBytes(loaded->image, input, context);
  } else if constexpr (std::is_same_v<Input, std::filesystem::path>) {
    std::FILE* file = std::fopen(input.string().c_str(), "rb");
    EXPECT_NE(file, nullptr) << input;
    if (file == nullptr) return loaded;
    loaded->result =
        (input.extension() == ".hex" ? readHexFile : readBinFile)(loaded->image, file, context);
    std::fclose(file);
  } else {
    loaded->result = readHexText(loaded->image, input, context);
  }
  return loaded;
}

std::vector<std::int64_t> lineNumbers(const ReadResult& result) {
  std::vector<std::int64_t> numbers;
  for (const RejectedLine& line : result.rejected) numbers.push_back(line.lineNumber);
  return numbers;
}

TEST(Readers, PlaceTheFileAtTheBufferStartAndDropWhatLiesBeyondTheImage) {
  const auto hex = read("not a record\r\n" + record(0x03, 0, {0, 0, 1, 2}) + "\r\n" +
                            dataRecord(0x0000, {1, 2, 0xFF}) + record(0x01, 0, {}) + "\r\n" +
                            dataRecord(0x0010, {8}),
                        options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(hex->image, 0x0FF, 5), (Bytes{0xFF, 1, 2, 0xFF, 0xFF}));
  EXPECT_EQ(hex->image.at(0x110), 0xFF) << "nothing after the end record";
  EXPECT_FALSE(hex->result.flags.any());
  // A trailing fill byte is still the file's and must be programmed.
  EXPECT_EQ(std::tuple(hex->image.fileStart, hex->image.fileEnd, hex->result.sum),
            std::tuple(0x100, 0x102, std::uint64_t{0x102}));
  const auto bin = read(Bytes{1, 2, 3}, options("QRK5-16B"), 0x100);
  EXPECT_EQ(bytesAt(bin->image, 0xFF, 5), (Bytes{0xFF, 1, 2, 3, 0xFF}));
  EXPECT_EQ(std::pair(bin->image.fileEnd, bin->result.sum), std::pair(0x102, std::uint64_t{6}));

  // A base of 16 MB would index far outside the image.
  const auto far =
      read(record(0x04, 0, {1, 0}) + "\n" + dataRecord(0xFFFF, {5, 6}), options("QRK5-64E"));
  EXPECT_EQ(std::pair(far->result.flags.over, far->image.fileEnd), std::pair(true, 0x11FFF));
  EXPECT_EQ(far->image.bytes(), clearedImage(0xFF).bytes());

  TempDir dir;
  const auto big = read(std::filesystem::path(dir.file("big.bin", Bytes(0x30000, 0x5A))),
                        options("QRK5-64E"), 0x100);
  EXPECT_EQ(std::tuple(big->result.flags.over, big->image.fileEnd,
                       big->image.at(ImageBuffer::kLastIndex)),
            std::tuple(true, 0x11FFF, 0x5A));
  EXPECT_EQ(big->result.sum, 0x5Au * (ImageBuffer::kLastIndex - 0x100 + 1));
}

TEST(HexReader, HonoursExtendedLinearAndSegmentBases) {
  for (const std::string& base :
       {record(0x04, 0, {0, 1}) + "\r\n", record(0x02, 0, {0x10, 0}) + "\r\n"}) {
    const auto loaded = read(dataRecord(0, {0x11}) + base + dataRecord(0x0100, {0x22, 0x33}),
                             options("QRK5-64E"), 0x10);
    // Nothing may land at the base-less address 0x110.
    EXPECT_EQ(
        std::tuple(loaded->image.at(0x10), bytesAt(loaded->image, 0x10110, 2),
                   loaded->image.at(0x110), loaded->result.flags.ispBlock, loaded->image.fileEnd),
        std::tuple(0x11, Bytes{0x22, 0x33}, 0xFF, true, 0x10111));
  }
  const std::string body = dataRecord(0x0200, {9, 8, 7});
  EXPECT_EQ(read(body, options("QRK5-16B"))->image.bytes(),
            read(record(0x04, 0, {0, 0}) + "\n" + record(0x02, 0, {0, 0}) + "\n" + body,
                 options("QRK5-16B"))
                ->image.bytes());
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
  const auto loaded = read(text + badSum + "\r\n" + dataRecord(0x20, {0xEE}), options("QRK5-16B"));

  ASSERT_EQ(loaded->result.rejected.size(), std::size(malformed));
  for (std::size_t i = 0; i < std::size(malformed); ++i) {
    EXPECT_EQ(loaded->result.rejected[i].lineNumber, static_cast<std::int64_t>(i + 2)) << i;
    EXPECT_EQ(loaded->result.rejected[i].problem, malformed[i].second) << i;
  }
  // Nothing of a rejected line reached 0x0010..: not zeros, not the first record's bytes.
  EXPECT_EQ(std::tuple(bytesAt(loaded->image, 0x10, 8), loaded->image.at(0x20),
                       bytesAt(loaded->image, 0x40, 2), loaded->result.sum),
            std::tuple(Bytes(8, 0xFF), 0xEE, Bytes{0x12, 0x34}, 0x240u + 0xEE + 0x12 + 0x34));
  EXPECT_EQ(loaded->result.checksumFailures, std::vector<std::string>{badSum});
}

// The same content as BIN and as HEX records (mixed line ends, a bad line now and then, across
// the file reader's chunks): both name the same regions, wipe the same gap, end at one address.
TEST(Readers, AgreeOnTheRegionsOfEveryKindOfMap) {
  struct Case {
    const char *model, *ispSpace;
    std::int32_t length;
    std::uint8_t fill;
    bool over, dataMemory, ispBlock;
  } const cases[] = {
      {"QRK5-04A", "4.0k", 0x2C01, 0xFF, false, true, true},  // kind 2
      {"QRK5-04A", "0.0k", 0x3C02, 0x00, true, true, false},
      {"QRK5-12A", "1.0k", 0x3801, 0xFF, false, false, true},  // AP up to the ISP area
      {"QRK3-32F", "4.0k", 0xE010, 0x00, true, false, true},   // kind 1
      {"QRK5-32D", "0.0k", 0xE010, 0xFF, true, false, true},   // kind 0
  };
  const char* const kLineEnds[] = {"\r\n", "\n", "\r"};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.ispSpace + " " + std::to_string(c.length));
    Bytes file(static_cast<std::size_t>(c.length));
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(1 + i % 253);
    std::string hex;
    std::vector<std::int64_t> badLines;
    for (std::size_t at = 0, line = 1; at < file.size(); at += 16, ++line) {
      hex += record(0x00, static_cast<std::uint16_t>(at),
                    {file.begin() + at, file.begin() + std::min(at + 16, file.size())}) +
             kLineEnds[line % 3];
      if (line % 97 == 0) {
        hex += ":12\r\n";
        badLines.push_back(static_cast<std::int64_t>(++line));
      }
    }
    const LoadOptions load = options(c.model, c.ispSpace, "0", c.fill);
    const SelectedModel& m = load.model;
    const auto bin = read(file, load);
    const auto fromHex = read(std::filesystem::path(dir.file("file.hex", hex)), load);
    const std::int32_t end = std::min(c.length - 1, m.topAddress);
    for (const Loaded* loaded : {bin.get(), fromHex.get()}) {
      EXPECT_EQ(std::tuple(loaded->result.flags.over, loaded->result.flags.dataMemory,
                           loaded->result.flags.ispBlock, loaded->image.fileEnd),
                std::tuple(c.over, c.dataMemory, c.ispBlock, end));
      if (m.mapKind != MapKind::TopOfModel &&
          m.apLast + 1 < m.block1Start) {  // no flash lies in the gap
        EXPECT_EQ(bytesAt(loaded->image, m.apLast, 2), (Bytes{file[m.apLast], c.fill}));
        EXPECT_EQ(loaded->image.at(m.block1Start - 1), c.fill);
      }
    }
    EXPECT_EQ(bytesAt(bin->image, 0, end + 1), bytesAt(fromHex->image, 0, end + 1));
    EXPECT_EQ(fromHex->image.at(end + 1), c.fill) << "data beyond the valid space is dropped";
    EXPECT_EQ(fromHex->result.sum, bin->result.sum) << "the file's content, dropped bytes too";
    EXPECT_EQ(lineNumbers(fromHex->result), badLines);
  }
}

}  // namespace
}  // namespace qrk
