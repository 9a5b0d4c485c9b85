#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "link/isp_link.h"

namespace qrkcli {

// One line of --trace: the link's clock in milliseconds, the direction
// ("->" sent, "<-" received) and the bytes in hex, e.g.
// "[     812 ms] -> 46 B9 6A 00 08 80 02 F0 E4 16".
std::string traceLine(qrk::TraceDirection direction, std::int64_t ms,
                      std::span<const std::uint8_t> bytes);

// A trace sink that writes every line to `stream`.
qrk::TraceSink traceTo(std::FILE* stream);

}  // namespace qrkcli
