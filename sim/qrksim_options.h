#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/qrk_device.h"

namespace qrk::sim {

// What the qrksim command line asks for.
struct QrksimOptions {
  std::string model = "QRK5-16B";
  std::string linkPath;
  std::string flashIn;
  std::string flashOut;
  std::string supplyFifo;
  DeviceOptions device;
  // Serve the offline programming board instead of a chip.
  bool board = false;
  int capacityKb = 64;
  bool help = false;
};

// Parses the arguments after the program name. Options take their value as
// the next argument or after '='. Returns nullopt with a one-line reason in
// *error on anything it cannot use: an unknown option or model, a missing or
// malformed value, a fault that does not parse, a stuck cell outside the
// model's space.
std::optional<QrksimOptions> parseQrksimArgs(std::span<const std::string_view> args,
                                             std::string* error);

// The text of `qrksim --help`.
std::string qrksimUsage();

}  // namespace qrk::sim
