#include "link/frame.h"

#include "link/crc16.h"

namespace qrk {

std::uint8_t frameCheckSum(std::span<const std::uint8_t> bytes, std::size_t first,
                           std::size_t last) {
  unsigned sum = 0;
  for (std::size_t i = first; i <= last && i < bytes.size(); ++i) sum += bytes[i];
  return static_cast<std::uint8_t>(sum & 0xFFU);
}

namespace {

std::vector<std::uint8_t> envelope(std::uint8_t start, std::uint8_t code,
                                   std::span<const std::uint8_t> body, bool crc) {
  const std::size_t length = 1 + 2 + 1 + body.size() + (crc ? 2 : 1) + 1;
  std::vector<std::uint8_t> f;
  f.reserve(length);
  f.push_back(start);
  f.push_back(static_cast<std::uint8_t>(length >> 8));
  f.push_back(static_cast<std::uint8_t>(length & 0xFF));
  f.push_back(code);
  f.insert(f.end(), body.begin(), body.end());
  if (crc) {
    const auto c = crc16(f, 0, f.size());
    f.push_back(c[0]);
    f.push_back(c[1]);
  } else {
    f.push_back(frameCheckSum(f, 0, f.size() - 1));
  }
  f.push_back(frame::kEnd);
  return f;
}

}  // namespace

std::vector<std::uint8_t> buildRequest(std::uint8_t command, std::span<const std::uint8_t> params,
                                       bool crc, bool preamble) {
  auto body = envelope(frame::kRequestStart, command, params, crc);
  if (!preamble) return body;
  std::vector<std::uint8_t> f{frame::kPreamble0, frame::kPreamble1};
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

std::vector<std::uint8_t> buildShortCommand(std::uint8_t command, std::uint8_t mapKind,
                                            std::uint8_t parameter, bool crc) {
  const std::uint8_t params[] = {mapKind, parameter};
  return buildRequest(command, params, crc, true);
}

FrameCheck validateReply(std::span<const std::uint8_t> f, bool crc) {
  const std::size_t len = f.size();
  if (len < frame::minLength(crc)) return FrameCheck::BadEnd;
  if (f[len - 1] != frame::kEnd) return FrameCheck::BadEnd;
  if (crc) {
    const auto c = crc16(f, 0, len - 3);
    return (f[len - 3] == c[0] && f[len - 2] == c[1]) ? FrameCheck::Good : FrameCheck::BadCheck;
  }
  return frameCheckSum(f, 0, len - 3) == f[len - 2] ? FrameCheck::Good : FrameCheck::BadCheck;
}

}  // namespace qrk
