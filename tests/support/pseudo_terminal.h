#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

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
    std::uint8_t byte = 0;
    while (out.size() < count && poll(&p, 1, timeoutMs) > 0 && ::read(master_, &byte, 1) == 1) {
      out.push_back(byte);
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
