#include "offline/board_header.h"

#include <algorithm>
#include <cctype>

#include "image/memory_map.h"
#include "link/crc16.h"

namespace qrk {

namespace {

constexpr std::int32_t kFamilyF0IspTop = 0x7C00;
constexpr std::int32_t kLowerAreaTargetF0 = 0xAC00;

std::string trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

std::uint8_t hexByte(std::string_view digits) {
  unsigned value = 0;
  for (char c : digits) {
    const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                  : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                              : 0;
    value = value * 16 + static_cast<unsigned>(v);
  }
  return static_cast<std::uint8_t>(value);
}

// Offsets within the block.
constexpr std::int32_t kIdOffset = 32;
constexpr std::int32_t kOptionOffset = 48;
constexpr std::int32_t kOptionFillEnd = 64;
constexpr std::int32_t kApFieldsOffset = 64;
constexpr std::int32_t kLastAppOffset = 112;
constexpr std::int32_t kIspLengthOffset = 118;
constexpr std::int32_t kFormatOffset = 120;
constexpr std::uint8_t kFormatMark = 0xF1;
constexpr std::int32_t kCrcCovered = 128;
constexpr std::int32_t kCrcOffset = 254;

class HeaderWriter {
 public:
  explicit HeaderWriter(BoardImage& image) : image_(image) {}
  void byte(std::int32_t offset, std::uint8_t value) {
    image_.set(board::kHeaderAddress + offset, value);
  }
  // Big-endian, `width` bytes.
  void number(std::int32_t offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
      byte(offset + i, static_cast<std::uint8_t>(value >> (8 * (width - 1 - i))));
    }
  }

 private:
  BoardImage& image_;
};

}  // namespace

BoardHeader BoardHeader::derive(const SelectedModel& model, const OptionPanel& panel,
                                std::int32_t rangeHigh) {
  BoardHeader h;
  h.modelName = trimmed(model.name).substr(0, kModelNameLength);
  const std::string id = trimmed(model.expectedId);
  if (!id.empty()) {
    h.idHigh = hexByte(std::string_view(id).substr(0, 2));
    h.idLow = hexByte(std::string_view(id).substr(id.size() >= 2 ? id.size() - 2 : 0));
  }
  h.options = composeOptionBytes(panel, model.mapKind);

  const MemoryMapTexts boxes = memoryMapTexts(model, panel.ispSpaceText);
  if (!boxes.ispStart.empty()) {
    const MemoryLimits limits = readLimits(boxes, model);
    h.ispStart = limits.ispStart;
    h.ispEnd = limits.ispEnd;
    h.ispLength = h.ispEnd - h.ispStart + 1;
  }
  h.ispTop = id.starts_with("F0") ? kFamilyF0IspTop : board::kHeaderAddress;
  h.lastAppAddress = h.ispLength != 0 ? h.ispStart - 1 : rangeHigh;
  const std::int32_t apRoom = board::kHeaderAddress - h.ispLength;
  h.apBoardEnd = h.lastAppAddress + board::kUpperAreaFirst >= apRoom
                     ? apRoom - 1
                     : h.lastAppAddress + board::kUpperAreaFirst;
  return h;
}

std::int32_t BoardHeader::lowerAreaTarget() const {
  return ispTop == kFamilyF0IspTop ? kLowerAreaTargetF0 : kLowerAreaTargetF0 - ispLength;
}

bool BoardHeader::carries(std::int32_t target) const {
  if (!separateIspCopy()) return target >= 0 && target < board::kImageCopyEnd;
  return (target >= 0 && target < board::kImageCopyEnd - ispLength) ||
         (target >= ispStart && target <= ispEnd);
}

void BoardHeader::writeTo(BoardImage& image) const {
  std::ranges::fill(
      image.range(board::kHeaderAddress, board::kHeaderAddress + board::kHeaderSize - 1),
      std::uint8_t{0x00});
  HeaderWriter w(image);
  for (std::size_t i = 0; i < modelName.size() && i < kModelNameLength; ++i) {
    w.byte(static_cast<std::int32_t>(i), static_cast<std::uint8_t>(modelName[i]));
  }
  w.byte(kIdOffset, idHigh);
  w.byte(kIdOffset + 1, idLow);
  for (std::int32_t offset = kOptionOffset; offset < kOptionFillEnd; ++offset) w.byte(offset, 0xFF);
  w.byte(kOptionOffset, options.byte1);
  w.byte(kOptionOffset + 1, options.byte2);

  const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
  // Four ranges of three 24-bit pairs each: AP, ISP copy, lower area, each as
  // (first board, last board, first target, last target).
  const std::int32_t lowerTarget = lowerAreaTarget();
  const std::uint32_t fields[12] = {
      u(board::kUpperAreaFirst),
      u(apBoardEnd),
      0,
      u(apBoardEnd - board::kUpperAreaFirst),
      ispLength != 0 ? u(ispTop - ispLength) : 0,
      u(ispTop - 1),
      u(ispStart),
      u(ispEnd),
      u(board::kLowerAreaFirst),
      u(board::kLowerAreaLast),
      u(lowerTarget),
      u(lowerTarget + board::kLowerAreaLast - board::kLowerAreaFirst)};
  for (int i = 0; i < 12; ++i) w.number(kApFieldsOffset + 3 * i, fields[i], 3);
  w.number(kLastAppOffset, u(lastAppAddress), 3);
  w.number(kIspLengthOffset, u(ispLength), 2);
  w.byte(kFormatOffset, kFormatMark);

  const auto crc = crc16(image.bytes(), board::kHeaderAddress, kCrcCovered);
  w.byte(kCrcOffset, crc[0]);
  w.byte(kCrcOffset + 1, crc[1]);
}

}  // namespace qrk
