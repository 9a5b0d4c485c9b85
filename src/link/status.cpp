#include "link/status.h"

#include <array>

namespace qrk {

namespace {

// Indexed by Reason; the codes are stored in records and read by line
// systems, so a code never changes once it has shipped.
constexpr std::array<std::string_view, 13> kCodes = {
    "",        "no-answer", "wrong-id",      "not-blank", "mismatch", "refused", "port",
    "stopped", "file",      "serial-number", "record",    "usage",    "fixture",
};
static_assert(kCodes.size() == static_cast<std::size_t>(Reason::Fixture) + 1);

}  // namespace

std::string_view reasonCode(Reason reason) { return kCodes[static_cast<std::size_t>(reason)]; }

std::optional<Reason> reasonFromCode(std::string_view code) {
  if (code.empty()) return std::nullopt;
  for (std::size_t i = 0; i < kCodes.size(); ++i) {
    if (kCodes[i] == code) return static_cast<Reason>(i);
  }
  return std::nullopt;
}

}  // namespace qrk
