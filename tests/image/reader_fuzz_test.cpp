// Random and mutated input, deterministic seeds: the readers never crash, hang or
// touch memory outside the image, and every line they reject is reported.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "image/bin_reader.h"
#include "image/hex_reader.h"
#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

struct Line {
  std::int64_t number;
  std::string text;
};

// An independent reading of the line structure: CR, LF and CR LF end a line.
std::vector<Line> splitLines(const std::string& text) {
  std::vector<Line> lines;
  std::string current;
  std::int64_t number = 0;
  bool pending = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back({++number, current});
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      pending = false;
    } else {
      current += c;
      pending = true;
    }
  }
  if (pending) lines.push_back({++number, current});
  return lines;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether a line beginning with ':' is a record the reader may use, and its type.
bool wellFormed(std::string line, int& type) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  const std::string digits = line.substr(1);
  if (digits.size() % 2 != 0 || digits.size() > 522) return false;
  std::vector<int> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hexDigit(digits[i]), low = hexDigit(digits[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(high * 16 + low);
  }
  if (bytes.size() < 5 || static_cast<std::size_t>(bytes[0]) + 5 != bytes.size()) return false;
  type = bytes[3];
  return !((type == 2 || type == 4) && bytes[0] != 2);
}

// Reads the text and checks what every fuzz case must hold; returns how many
// lines it rejected.
std::int64_t checkHex(const std::string& text, const LoadOptions& load) {
  ImageBuffer image;
  clearImage(image, load.fillByte);
  const ReadResult result = readHexText(image, text, context(load));

  std::vector<std::int64_t> malformed;
  std::string usable;
  for (const Line& line : splitLines(text)) {
    if (line.text.empty() || line.text[0] != ':') continue;
    int type = -1;
    if (!wellFormed(line.text, type)) {
      malformed.push_back(line.number);
      continue;
    }
    usable += line.text + "\n";
    if (type == 1) break;
  }
  std::vector<std::int64_t> reported;
  for (const RejectedLine& rejected : result.rejected) reported.push_back(rejected.lineNumber);
  EXPECT_EQ(reported, malformed);
  EXPECT_EQ(result.rejectedCount, static_cast<std::int64_t>(malformed.size()));

  // A rejected line contributes nothing: the usable lines alone give the same image.
  ImageBuffer clean;
  clearImage(clean, load.fillByte);
  const ReadResult cleanResult = readHexText(clean, usable, context(load));
  EXPECT_EQ(image.bytes(), clean.bytes());
  EXPECT_EQ(result.sum, cleanResult.sum);
  EXPECT_EQ(cleanResult.rejectedCount, 0);
  EXPECT_GE(image.fileEnd, 0);
  EXPECT_LE(image.fileEnd, ImageBuffer::kLastIndex);
  return result.rejectedCount;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

const char* const kModels[] = {"QRK5-04A", "QRK5-12A", "QRK5-64B", "QRK3-32F",
                               "QRK3-64G", "QRK5-64E", "QRK5-16D"};
const char* const kIspSpaces[] = {"0.0k", "1.0k", "4.0k", "8.0k"};

LoadOptions randomOptions(std::mt19937& random) {
  return options(kModels[random() % std::size(kModels)],
                 kIspSpaces[random() % std::size(kIspSpaces)], "0", random() % 2 ? 0xFF : 0x00);
}

TEST(ReaderFuzz, MutatedFirmwareIsReadSafelyAndEveryBadLineReported) {
  const std::string firmware =
      readFile(std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex");
  ASSERT_FALSE(firmware.empty());
  static constexpr char kAlphabet[] = "0123456789ABCDEFabcdefG: \t\r\n\x00\xFF";
  std::mt19937 random(20240611);
  std::int64_t rejected = 0;
  for (int round = 0; round < 1000 && !HasFailure(); ++round) {
    std::string text = firmware;
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      const std::size_t at = random() % text.size();
      switch (random() % 5) {
        case 0:
          text[at] = kAlphabet[random() % (sizeof kAlphabet - 1)];
          break;
        case 1:
          text.insert(at, 1, kAlphabet[random() % (sizeof kAlphabet - 1)]);
          break;
        case 2:
          text.erase(at, 1 + random() % 4);
          break;
        case 3:
          text.resize(at);
          break;
        default:
          text.insert(at, text.substr(at, random() % 80));
          break;
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    rejected += checkHex(text, randomOptions(random));
  }
  EXPECT_GT(rejected, 500) << "the mutations should break many records";
}

TEST(ReaderFuzz, RandomRecordsLandWhereTheirBasesSay) {
  std::mt19937 random(7);
  for (int round = 0; round < 800; ++round) {
    std::string text;
    std::map<std::int64_t, std::uint8_t> expected;
    std::uint64_t sum = 0;
    std::int64_t base = 0;
    bool dropped = false;
    const int records = 1 + static_cast<int>(random() % 30);
    for (int r = 0; r < records; ++r) {
      const unsigned kind = random() % 10;
      if (kind == 0) {
        const std::uint16_t upper = static_cast<std::uint16_t>(random() % 3);
        text += linearBase(upper);
        base = static_cast<std::int64_t>(upper) << 16;
      } else if (kind == 1) {
        const std::uint16_t segment = static_cast<std::uint16_t>(random() % 0x1400);
        text += segmentBase(segment);
        base = static_cast<std::int64_t>(segment) << 4;
      } else {
        const std::uint16_t address = static_cast<std::uint16_t>(random());
        std::vector<std::uint8_t> data(random() % 40);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        text += dataRecord(address, data);
        for (std::size_t j = 0; j < data.size(); ++j) {
          const std::int64_t at = base + address + static_cast<std::int64_t>(j);
          sum += data[j];
          if (at <= 0x11FFF) {
            expected[at] = data[j];
          } else {
            dropped = true;
          }
        }
      }
    }
    // The widest model and no gap: the image must be exactly the records.
    const LoadOptions load = options("QRK5-64E");
    ImageBuffer image;
    clearImage(image, 0xFF);
    const ReadResult result = readHexText(image, text, context(load));
    ImageBuffer want;
    clearImage(want, 0xFF);
    for (const auto& [address, value] : expected)
      want.set(static_cast<std::int32_t>(address), value);
    ASSERT_EQ(image.bytes(), want.bytes()) << "round " << round;
    ASSERT_EQ(result.sum, sum);
    ASSERT_EQ(result.flags.over, dropped);
  }
}

TEST(ReaderFuzz, GarbageNeitherCrashesNorHangsEitherReader) {
  std::mt19937 random(99);
  for (int round = 0; round < 1000 && !HasFailure(); ++round) {
    std::string text(random() % 3000, '\0');
    const bool recordish = round % 2 == 0;
    for (char& c : text) {
      const unsigned pick = random() % 16;
      if (recordish && pick < 12) {
        c = "0123456789ABCDEF:\r\n"[random() % 19];
      } else {
        c = static_cast<char>(random());
      }
    }
    const LoadOptions load = randomOptions(random);
    SCOPED_TRACE("round " + std::to_string(round));
    checkHex(text, load);

    ImageBuffer image;
    clearImage(image, load.fillByte);
    const std::int32_t start = static_cast<std::int32_t>(random() % 0x12500);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    readBinBytes(image, bytes, context(load, start));
    ASSERT_LE(image.fileEnd, load.model.topAddress);
  }
}

}  // namespace
}  // namespace qrk
