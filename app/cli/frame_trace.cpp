#include "frame_trace.h"

namespace qrkcli {

std::string traceLine(qrk::TraceDirection direction, std::int64_t ms,
                      std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%8lld ms] ", static_cast<long long>(ms));
  std::string line = stamp;
  line += direction == qrk::TraceDirection::Sent ? "->" : "<-";
  for (std::uint8_t b : bytes) {
    line += ' ';
    line += kHex[b >> 4];
    line += kHex[b & 0x0F];
  }
  line += '\n';
  return line;
}

qrk::TraceSink traceTo(std::FILE* stream) {
  return [stream](qrk::TraceDirection direction, std::int64_t ms,
                  std::span<const std::uint8_t> bytes) {
    const std::string line = traceLine(direction, ms, bytes);
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
  };
}

}  // namespace qrkcli
