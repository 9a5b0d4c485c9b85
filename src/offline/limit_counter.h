#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "offline/board_image.h"

namespace qrk {

// The production quota as the board keeps it: two unary fields of set bits.
// With N the limit, the high field holds N div 2048 ones and the low field
// N mod 2048, each packed from its first byte on, low bits first.
class LimitCounter {
 public:
  static constexpr int kMinimum = 1;
  static constexpr int kMaximum = 1'000'000;
  static constexpr int kBitsPerField = board::kLimitFieldSize * 8;

  // nullopt for a limit outside kMinimum..kMaximum: the board could be given
  // no quota at all, or one larger than the user may set.
  static std::optional<LimitCounter> of(long long limit);

  int limit() const { return limit_; }
  // Writes both fields whole: the ones, then 0x00 to the end of each field.
  void writeTo(BoardImage& image) const;

 private:
  explicit LimitCounter(int limit) : limit_(limit) {}
  int limit_;
};

inline constexpr std::string_view kLimitTooSmallMessage = "脱机下载板下载数量上限应大于 0。";
inline constexpr std::string_view kLimitTooLargeMessage =
    "脱机下载板下载数量上限应小于、等于 1000000。";
inline constexpr std::string_view kLimitNotWholeMessage =
    "The download limit must be a whole number from 1 to 1000000.\r\n"
    "脱机下载板下载数量上限应为 1--1000000 之间的整数。";

// The verdict on the typed limit: the counter, or the
// message box text that refuses it.
struct DownloadLimitCheck {
  std::optional<LimitCounter> counter;
  std::string message;
};

// Only a whole decimal number (an optional sign, digits) is a limit: a
// fraction or an exponent is not rounded into one, since the quota must never
// be more than the user asked for. Empty and non-numeric text reads as 0.
DownloadLimitCheck checkDownloadLimit(std::string_view text);

}  // namespace qrk
