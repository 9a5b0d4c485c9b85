#include "serial_devices.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace qrkgui {

std::vector<qrk::SerialDeviceEntry> machineSerialDevices() {
  std::vector<qrk::SerialDeviceEntry> devices;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    devices.push_back({info.portName().toStdString(), info.systemLocation().toStdString(),
                       info.description().toStdString()});
  }
  // By path, as COM<n> is counted when a run opens it.
  std::sort(devices.begin(), devices.end(),
            [](const auto& a, const auto& b) { return a.path < b.path; });
  return devices;
}

}  // namespace qrkgui
