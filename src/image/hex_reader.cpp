#include "image/hex_reader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "image/region_scan.h"

namespace qrk {

std::string_view describe(RecordProblem problem) {
  switch (problem) {
    case RecordProblem::OddDigitCount:
      return "odd number of hex digits";
    case RecordProblem::NonHexCharacter:
      return "character that is not a hex digit";
    case RecordProblem::TooShort:
      return "record shorter than five bytes";
    case RecordProblem::CountMismatch:
      return "byte count disagrees with the record's length";
    case RecordProblem::TooLong:
      return "record longer than 261 bytes";
    case RecordProblem::BadExtendedAddress:
      return "extended address record without two address bytes";
  }
  return "malformed record";
}

namespace {

// Count, two address bytes, type, 255 data bytes, checksum, and one to spare.
constexpr std::size_t kMaxRecordBytes = 261;
// Longer lines are rejected anyway; only their first characters are kept so that
// a file without line ends cannot grow the carried line without bound.
constexpr std::size_t kMaxCarriedLine = 1024;
constexpr std::uint8_t kNotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> makeHexTable() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kNotHex);
  for (int c = '0'; c <= '9'; ++c)
    table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) {
    table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
    table[static_cast<std::size_t>(c + 'a' - 'A')] = static_cast<std::uint8_t>(c - 'A' + 10);
  }
  return table;
}
constexpr std::array<std::uint8_t, 256> kHexTable = makeHexTable();

enum RecordType : std::uint8_t {
  kData = 0x00,
  kEndOfFile = 0x01,
  kExtendedSegment = 0x02,
  kExtendedLinear = 0x04,
};

// Splits the text into lines (CR, LF or CR LF) across chunk boundaries and reads
// each record straight into the image.
class HexParser {
 public:
  HexParser(ImageBuffer& image, const ReadContext& context, ReadResult& result)
      : image_(image),
        context_(context),
        result_(result),
        storeLimit_(std::min<std::int64_t>(context.limits.ispEnd, ImageBuffer::kLastIndex)) {}

  // False once the end record has been read: the rest of the file is ignored.
  bool feed(std::string_view chunk) {
    std::size_t i = 0;
    const std::size_t n = chunk.size();
    if (pendingCarriageReturn_) {
      pendingCarriageReturn_ = false;
      if (n > 0 && chunk[0] == '\n') i = 1;
    }
    while (i < n && !ended_) {
      std::size_t j = i;
      while (j < n && chunk[j] != '\n' && chunk[j] != '\r') ++j;
      if (j == n) {
        carry(chunk.substr(i));
        break;
      }
      if (carried_) {
        carry(chunk.substr(i, j - i));
        takeCarriedLine();
      } else {
        line(chunk.substr(i, j - i), false);
      }
      if (chunk[j] == '\r') {
        if (j + 1 == n) {
          pendingCarriageReturn_ = true;
        } else if (chunk[j + 1] == '\n') {
          ++j;
        }
      }
      i = j + 1;
    }
    return !ended_;
  }

  // The last line of a file need not end in a line break.
  void finish() {
    if (carried_ && !ended_) takeCarriedLine();
  }

  std::int64_t highest() const { return highest_; }
  bool dropped() const { return dropped_; }

 private:
  void carry(std::string_view piece) {
    carried_ = true;
    const std::size_t room = kMaxCarriedLine - carriedLine_.size();
    if (piece.size() > room) {
      carriedTooLong_ = true;
      piece = piece.substr(0, room);
    }
    carriedLine_.append(piece);
  }

  void takeCarriedLine() {
    line(carriedLine_, carriedTooLong_);
    carriedLine_.clear();
    carried_ = false;
    carriedTooLong_ = false;
  }

  void reject(RecordProblem problem) {
    ++result_.rejectedCount;
    if (result_.rejected.size() < ReadResult::kMaxListed) {
      result_.rejected.push_back({lineNumber_, problem});
    }
  }

  void stray() {
    ++result_.strayLineCount;
    if (result_.strayLines.size() < ReadResult::kMaxListed) {
      result_.strayLines.push_back(lineNumber_);
    }
  }

  void line(std::string_view text, bool tooLong) {
    ++lineNumber_;
    if (text.empty() || text.front() != ':') {
      if (text.find_first_not_of(" \t") != std::string_view::npos) stray();
      return;
    }
    if (tooLong) return reject(RecordProblem::TooLong);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    const std::string_view digits = text.substr(1);
    if (digits.size() > 2 * kMaxRecordBytes) return reject(RecordProblem::TooLong);
    if (digits.size() % 2 != 0) return reject(RecordProblem::OddDigitCount);

    const std::size_t n = digits.size() / 2;
    std::array<std::uint8_t, kMaxRecordBytes> b;
    std::uint8_t invalid = 0;
    unsigned check = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint8_t high = kHexTable[static_cast<unsigned char>(digits[2 * k])];
      const std::uint8_t low = kHexTable[static_cast<unsigned char>(digits[2 * k + 1])];
      invalid |= static_cast<std::uint8_t>(high | low);
      b[k] = static_cast<std::uint8_t>((high << 4) | (low & 0x0F));
      check += b[k];
    }
    if (invalid & 0xF0) return reject(RecordProblem::NonHexCharacter);
    if (n < 5) return reject(RecordProblem::TooShort);
    const std::size_t count = b[0];
    if (count + 5 != n) return reject(RecordProblem::CountMismatch);
    const std::uint8_t type = b[3];
    if ((type == kExtendedSegment || type == kExtendedLinear) && count != 2) {
      return reject(RecordProblem::BadExtendedAddress);
    }

    if ((check & 0xFF) != 0) {
      // Reported, and the record is used all the same: the user decides.
      ++result_.checksumFailureCount;
      if (result_.checksumFailures.size() < ReadResult::kMaxListed) {
        result_.checksumFailures.emplace_back(text);
      }
    }

    switch (type) {
      case kEndOfFile:
        ended_ = true;
        result_.endRecordSeen = true;
        return;
      case kExtendedSegment:
        extendedBase_ = static_cast<std::int64_t>((b[4] << 8) | b[5]) << 4;
        return;
      case kExtendedLinear:
        extendedBase_ = static_cast<std::int64_t>((b[4] << 8) | b[5]) << 16;
        return;
      case kData:
        storeData(static_cast<std::int64_t>((b[1] << 8) | b[2]), {b.data() + 4, count});
        return;
      default:
        return;  // start addresses and unknown types carry nothing for the image
    }
  }

  void storeData(std::int64_t recordAddress, std::span<const std::uint8_t> data) {
    std::uint64_t sum = 0;
    for (std::uint8_t value : data) sum += value;
    result_.sum += sum;
    result_.dataBytes += static_cast<std::int64_t>(data.size());
    if (data.empty()) return;

    const std::int64_t first = extendedBase_ + recordAddress + context_.start;
    const std::int64_t last = first + static_cast<std::int64_t>(data.size()) - 1;
    highest_ = std::max(highest_, last);
    if (first >= 0 && last <= storeLimit_) {
      image_.store(static_cast<std::int32_t>(first), data);
      return;
    }
    for (std::size_t j = 0; j < data.size(); ++j) {
      const std::int64_t address = first + static_cast<std::int64_t>(j);
      if (address >= 0 && address <= storeLimit_) {
        image_.set(static_cast<std::int32_t>(address), data[j]);
      } else {
        dropped_ = true;
      }
    }
  }

  ImageBuffer& image_;
  const ReadContext& context_;
  ReadResult& result_;
  const std::int64_t storeLimit_;

  std::string carriedLine_;
  bool carried_ = false;
  bool carriedTooLong_ = false;
  bool pendingCarriageReturn_ = false;
  bool ended_ = false;
  std::int64_t lineNumber_ = 0;

  std::int64_t extendedBase_ = 0;
  std::int64_t highest_ = 0;
  bool dropped_ = false;
};

// Finds where the file ends inside the model's areas, raising the region
// warnings on the way; kinds 0 and 1 lose whatever lies between the AP end and
// the upper block, since no such flash exists.
void settleFileEnd(ImageBuffer& image, const ReadContext& context, std::int64_t highest,
                   bool dropped, RegionFlags& flags) {
  const SelectedModel& model = context.model;
  const MemoryLimits& limits = context.limits;
  const std::uint8_t fill = context.fillByte;
  const auto endAt = [&](std::int32_t found, std::int64_t ceiling) {
    image.fileEnd = found;
    if (highest <= ceiling && image.fileEnd < highest) {
      image.fileEnd = static_cast<std::int32_t>(highest);
    }
  };

  if (auto found = lastDifferent(image, limits.apEnd, context.start, fill)) {
    endAt(*found, limits.apEnd);
  }
  const UpperAreas areas = upperAreas(model, limits);
  if (areas.gap && lastDifferent(image, areas.gap->last, areas.gap->first, fill)) {
    image.fileEnd = limits.apEnd;
    flags.over = true;
    fillBetween(image, areas.gap->first, areas.gap->last, fill);
  }
  if (areas.dataMemory) {
    if (auto found = lastDifferent(image, areas.dataMemory->last, areas.dataMemory->first, fill)) {
      endAt(*found, areas.dataMemory->last);
      flags.dataMemory = true;
    }
  }
  if (areas.isp) {
    if (auto found = lastDifferent(image, areas.isp->last, areas.isp->first, fill)) {
      endAt(*found, areas.isp->last);
      flags.ispBlock = true;
    }
  }
  if (dropped) {
    flags.over = true;
    image.fileEnd = model.topAddress;
  }
}

void finishRead(ImageBuffer& image, const ReadContext& context, const HexParser& parser,
                ReadResult& result) {
  settleFileEnd(image, context, parser.highest(), parser.dropped(), result.flags);
  image.fileStart = context.start;
  image.fileLoaded = true;
}

}  // namespace

ReadResult readHexText(ImageBuffer& image, std::string_view text, const ReadContext& context) {
  ReadResult result;
  HexParser parser(image, context, result);
  if (parser.feed(text)) parser.finish();
  finishRead(image, context, parser, result);
  return result;
}

ReadResult readHexFile(ImageBuffer& image, std::FILE* file, const ReadContext& context) {
  ReadResult result;
  HexParser parser(image, context, result);
  std::vector<char> chunk(64 * 1024);
  bool more = true;
  while (more) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (got == 0) {
      result.readable = std::ferror(file) == 0;
      parser.finish();
      break;
    }
    more = parser.feed({chunk.data(), got});
  }
  finishRead(image, context, parser, result);
  return result;
}

}  // namespace qrk
