// Random and mutated input, deterministic seeds: the readers never crash, hang or
// touch memory outside the image, and every line they reject is reported.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
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

// Mutated firmware, record-like garbage and raw bytes, in turn.
TEST(ReaderFuzz, BadInputIsReadSafelyAndEveryBadLineReported) {
  const std::string firmware =
      readFile(std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex");
  ASSERT_FALSE(firmware.empty());
  static constexpr char kAlphabet[] = "0123456789ABCDEFabcdefG: \t\r\n\x00\xFF";
  std::mt19937 random(20240611);
  std::int64_t rejected = 0;
  for (int round = 0; round < 2000 && !HasFailure(); ++round) {
    std::string text;
    if (round % 2 == 0) {
      text = firmware;
      for (int e = 1 + static_cast<int>(random() % 8); e > 0 && !text.empty(); --e) {
        const std::size_t at = random() % text.size();
        const char c = kAlphabet[random() % (sizeof kAlphabet - 1)];
        switch (random() % 5) {
          case 0:
            text[at] = c;
            break;
          case 1:
            text.insert(at, 1, c);
            break;
          case 2:
            text.erase(at, 1 + random() % 4);
            break;
          case 3:
            text.resize(at);
            break;
          default:
            text.insert(at, text.substr(at, random() % 80));
        }
      }
    } else {
      text.resize(random() % 3000);
      for (char& c : text) {
        c = round % 4 == 1 && random() % 4 != 0 ? "0123456789ABCDEF:\r\n"[random() % 19]
                                                : static_cast<char>(random());
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    const LoadOptions load = randomOptions(random);
    const std::int64_t count = checkHex(text, load);
    if (round % 2 == 0) rejected += count;

    ImageBuffer image;
    clearImage(image, load.fillByte);
    const std::int32_t start = static_cast<std::int32_t>(random() % 0x12500);
    readBinBytes(image, std::vector<std::uint8_t>(text.begin(), text.end()), context(load, start));
    ASSERT_LE(image.fileEnd, load.model.topAddress);
  }
  EXPECT_GT(rejected, 500) << "the mutations should break many records";
}

}  // namespace
}  // namespace qrk
