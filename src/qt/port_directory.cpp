#include "qt/port_directory.h"

#include <QSerialPortInfo>
#include <algorithm>

#include "platform/text.h"

namespace qrk {

namespace {

std::string plural(std::size_t n, const std::string& word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::optional<std::string> usbSerialOf(const std::string& name) {
  if (name.size() < 4 || !equalsIgnoreCase(std::string_view(name).substr(0, 4), "usb:")) {
    return std::nullopt;
  }
  return name.substr(4);
}

PortDirectory PortDirectory::scan() {
  std::vector<SerialDevice> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialDevice device;
    device.path = info.systemLocation().toStdString();
    device.description = info.description().toStdString();
    device.manufacturer = info.manufacturer().toStdString();
    device.serialNumber = info.serialNumber().toStdString();
    if (info.hasVendorIdentifier()) device.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier()) device.productId = info.productIdentifier();
    devices.push_back(std::move(device));
  }
  return PortDirectory(std::move(devices));
}

PortDirectory::PortDirectory(std::vector<SerialDevice> devices) : devices_(std::move(devices)) {
  std::sort(devices_.begin(), devices_.end(), [](const SerialDevice& a, const SerialDevice& b) {
    if (a.isUsb() != b.isUsb()) return a.isUsb();
    return a.path < b.path;
  });
}

bool PortDirectory::resolve(const std::string& name, std::string* devicePath,
                            std::string* error) const {
  const auto fail = [error](std::string message) {
    if (error) *error = std::move(message);
    return false;
  };
  if (const std::optional<int> number = comPortNumber(name)) {
    if (static_cast<std::size_t>(*number) > devices_.size()) {
      return fail(name + ": this machine has " + plural(devices_.size(), "serial port") +
                  " ('qrkprog ports' lists them)");
    }
    *devicePath = devices_[static_cast<std::size_t>(*number) - 1].path;
    return true;
  }
  if (const std::optional<std::string> serial = usbSerialOf(name)) {
    if (serial->empty()) return fail(name + ": give the adapter's serial number after usb:");
    std::vector<std::string> matches;
    for (const SerialDevice& device : devices_) {
      if (device.isUsb() && device.serialNumber == *serial) matches.push_back(device.path);
    }
    if (matches.empty()) {
      return fail(name + ": no USB serial adapter with serial number " + *serial +
                  " is plugged in ('qrkprog ports' lists them)");
    }
    if (matches.size() > 1) {
      std::string paths;
      for (const std::string& path : matches) paths += (paths.empty() ? "" : ", ") + path;
      return fail(name + ": " + plural(matches.size(), "adapter") + " report serial number " +
                  *serial + " (" + paths + "); name the device path instead");
    }
    *devicePath = matches.front();
    return true;
  }
  *devicePath = name;
  return true;
}

bool needsPortDirectory(const std::string& name) {
  return comPortNumber(name).has_value() || usbSerialOf(name).has_value();
}

bool resolvePortName(const std::string& name, std::string* devicePath, std::string* error) {
  if (!needsPortDirectory(name)) {
    *devicePath = name;
    return true;
  }
  return PortDirectory::scan().resolve(name, devicePath, error);
}

}  // namespace qrk
