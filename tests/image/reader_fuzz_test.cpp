// Random and mutated input, deterministic seeds: the readers never crash, hang or
// touch memory outside the image, and every line they reject is reported.
#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "image/bin_reader.h"
#include "image/hex_reader.h"
#include "image_fixtures.h"

namespace qrk {
namespace {

using namespace imagetest;

// An independent reading of a line beginning with ':' (CR, LF and CR LF end a
// line; trailing blanks are tolerated): its type, or -1 when it must be rejected.
int recordType(std::string line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  const std::string digits = line.substr(1);
  if (digits.size() % 2 != 0 || digits.size() > 522) return -1;
  Bytes bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    if (!std::isxdigit(static_cast<unsigned char>(digits[i])) ||
        !std::isxdigit(static_cast<unsigned char>(digits[i + 1])))
      return -1;
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  if (bytes.size() < 5 || bytes[0] + 5u != bytes.size()) return -1;
  return (bytes[3] == 2 || bytes[3] == 4) && bytes[0] != 2 ? -1 : bytes[3];
}

// Reads the text and checks what every fuzz case must hold; returns how many
// lines it rejected.
std::int64_t checkHex(const std::string& text, const LoadOptions& load) {
  ImageBuffer image;
  clearImage(image, load.fillByte);
  const ReadResult result = readHexText(image, text, context(load));

  std::vector<std::int64_t> malformed;
  std::string usable;
  std::int64_t number = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    const std::string line = text.substr(at, end - at);
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    ++number;
    if (line.empty() || line[0] != ':') continue;
    const int type = recordType(line);
    if (type < 0) {
      malformed.push_back(number);
      continue;
    }
    usable += line + "\n";
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
  EXPECT_GE(image.fileEnd, 0);
  EXPECT_LE(image.fileEnd, ImageBuffer::kLastIndex);
  return result.rejectedCount;
}

// Mutated firmware, record-like garbage and raw bytes, in turn.
TEST(ReaderFuzz, BadInputIsReadSafelyAndEveryBadLineReported) {
  const Bytes blink = readAll(std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex");
  ASSERT_FALSE(blink.empty());
  const char* const models[] = {"QRK5-04A", "QRK5-12A", "QRK5-64B", "QRK3-32F", "QRK5-64E"};
  const char* const ispSpaces[] = {"0.0k", "1.0k", "4.0k", "8.0k"};
  static constexpr char kAlphabet[] = "0123456789ABCDEFabcdefG: \t\r\n\x00\xFF";
  std::mt19937 random(20240611);
  std::int64_t rejected = 0;
  for (int round = 0; round < 2000 && !HasFailure(); ++round) {
    std::string text(blink.begin(), blink.end());
    if (round % 2 == 0) {
      for (int e = 1 + static_cast<int>(random() % 8); e > 0 && !text.empty(); --e) {
        const std::size_t at = random() % text.size();
        const char c = kAlphabet[random() % (sizeof kAlphabet - 1)];
        const unsigned edit = random() % 5;
        if (edit == 0) text[at] = c;
        if (edit == 1) text.insert(at, 1, c);
        if (edit == 2) text.erase(at, 1 + random() % 4);
        if (edit == 3) text.resize(at);
        if (edit == 4) text.insert(at, text.substr(at, random() % 80));
      }
    } else {
      text.resize(random() % 3000);
      for (char& c : text) {
        c = round % 4 == 1 && random() % 4 != 0 ? "0123456789ABCDEF:\r\n"[random() % 19]
                                                : static_cast<char>(random());
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    const LoadOptions load =
        options(models[random() % std::size(models)], ispSpaces[random() % std::size(ispSpaces)],
                "0", random() % 2 ? 0xFF : 0x00);
    const std::int64_t count = checkHex(text, load);
    if (round % 2 == 0) rejected += count;

    ImageBuffer image;
    clearImage(image, load.fillByte);
    const std::int32_t start = static_cast<std::int32_t>(random() % 0x12500);
    readBinBytes(image, Bytes(text.begin(), text.end()), context(load, start));
    ASSERT_LE(image.fileEnd, load.model.topAddress);
  }
  EXPECT_GT(rejected, 500) << "the mutations should break many records";
}

}  // namespace
}  // namespace qrk
