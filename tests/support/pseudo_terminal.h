#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qrk::test {

// A pseudo-terminal whose master end the test holds: the slave path is what
// the program under test opens as its serial port. Nothing answers unless the
// test writes to the master.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    char name[128] = {};
    int slave = -1;
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
    ::close(slave);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
  }
  ~PseudoTerminal() { closeMaster(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& slavePath() const { return slavePath_; }
  bool writeMaster(const std::vector<std::uint8_t>& bytes) {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // What the slave sent, until `count` bytes or a silence of `timeoutMs`.
  std::vector<std::uint8_t> readMaster(std::size_t count, int timeoutMs) {
    std::vector<std::uint8_t> out;
    pollfd p{master_, POLLIN, 0};
    // Whole chunks, so that a reader keeps pace with a writer that drains a
    // long burst against a deadline.
    std::uint8_t chunk[4096];
    ssize_t n = 0;
    while (out.size() < count && poll(&p, 1, timeoutMs) > 0 &&
           (n = ::read(master_, chunk, std::min(sizeof chunk, count - out.size()))) > 0) {
      out.insert(out.end(), chunk, chunk + n);
    }
    return out;
  }
  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace qrk::test
