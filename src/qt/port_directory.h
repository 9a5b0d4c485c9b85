#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/port_list.h"

namespace qrk {

// One serial device of this machine as the system reports it.
struct SerialDevice {
  std::string path;  // /dev/ttyUSB0
  std::string description;
  std::string manufacturer;
  std::string serialNumber;  // the USB adapter's own; empty for others
  std::optional<std::uint16_t> vendorId;
  std::optional<std::uint16_t> productId;

  bool isUsb() const { return vendorId.has_value() && productId.has_value(); }
};

// The SERIAL of "usb:SERIAL" (prefix in any letter case); nullopt for other
// names. An empty serial is returned as such, for the caller to refuse.
std::optional<std::string> usbSerialOf(const std::string& name);

// The serial devices of the machine in one stable order (COM<n> names the
// n-th): USB adapters first
// (the ones a production station plugs in, so COM1 is the first adapter and
// not a motherboard UART that may not even be wired), then the rest, each
// group by path. Names a user types for a port resolve against this order.
class PortDirectory {
 public:
  // The devices the system reports now.
  static PortDirectory scan();
  explicit PortDirectory(std::vector<SerialDevice> devices);

  const std::vector<SerialDevice>& devices() const { return devices_; }

  // The device path a port name stands for: COM<n> the n-th device,
  // usb:SERIAL the one adapter with that USB serial number, anything else a
  // device path as given (a pseudo-terminal included). False with a message
  // that says what to do when the name matches no device or, for a serial
  // number, more than one.
  bool resolve(const std::string& name, std::string* devicePath, std::string* error) const;

 private:
  std::vector<SerialDevice> devices_;
};

// Whether resolving `name` needs the machine's device list; a plain path
// does not, and scanning costs a walk over sysfs.
bool needsPortDirectory(const std::string& name);

// Resolves `name` against a fresh scan, or returns a path unchanged without
// one.
bool resolvePortName(const std::string& name, std::string* devicePath, std::string* error);

}  // namespace qrk
