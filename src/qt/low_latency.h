#pragma once

#include <string>

namespace qrk {

// Asks the serial driver behind `fd` to hand received bytes over at once
// instead of batching them (Linux: the ASYNC_LOW_LATENCY flag; USB adapters
// of the ftdi_sio kind then drop their 16 ms latency timer to 1 ms). Every
// reply of the bootloader is waited for, so each millisecond of batching is
// paid once per frame. Best effort: false, with the driver's reason, when the
// driver refuses (a pseudo-terminal does) or the system has no such flag.
bool requestLowLatency(int fd, std::string* reason = nullptr);

}  // namespace qrk
