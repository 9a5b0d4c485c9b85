#include "qt/low_latency.h"

#include <cerrno>
#include <cstring>

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace qrk {

bool requestLowLatency(int fd, std::string* reason) {
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
  if (fd < 0) {
    if (reason) *reason = "no open port";
    return false;
  }
  serial_struct info{};
  if (::ioctl(fd, TIOCGSERIAL, &info) != 0) {
    if (reason) *reason = std::strerror(errno);
    return false;
  }
  if ((info.flags & ASYNC_LOW_LATENCY) != 0) return true;
  info.flags |= ASYNC_LOW_LATENCY;
  if (::ioctl(fd, TIOCSSERIAL, &info) != 0) {
    if (reason) *reason = std::strerror(errno);
    return false;
  }
  return true;
#else
  (void)fd;
  if (reason) *reason = "not supported on this system";
  return false;
#endif
}

}  // namespace qrk
