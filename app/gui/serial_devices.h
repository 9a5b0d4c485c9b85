#pragma once

#include <vector>

#include "ui/port_list.h"

namespace qrkgui {

// The serial devices of this machine in the order COM1, COM2, ... stand for,
// the same order the command line resolves COM<n> in.
std::vector<qrk::SerialDeviceEntry> machineSerialDevices();

}  // namespace qrkgui
