#include "serial_devices.h"

#include <QFileInfo>

#include "qt/port_directory.h"

namespace qrkgui {

std::vector<qrk::SerialDeviceEntry> machineSerialDevices() {
  // The directory's order is the one COM<n> resolves in, for the window and
  // the command line alike.
  const qrk::PortDirectory directory = qrk::PortDirectory::scan();
  std::vector<qrk::SerialDeviceEntry> devices;
  for (const qrk::SerialDevice& d : directory.devices()) {
    devices.push_back({QFileInfo(QString::fromStdString(d.path)).fileName().toStdString(), d.path,
                       d.description});
  }
  return devices;
}

}  // namespace qrkgui
