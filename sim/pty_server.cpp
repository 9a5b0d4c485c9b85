#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "sim/adapter_frames.h"
#include "sim/system_error.h"

namespace qrk::sim {

namespace {

constexpr std::int64_t kWakeUpLeadUs = 150;

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool pointsAt(const std::string& link, const std::string& target) {
  char buffer[4096];
  const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
  return n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == target;
}

bool placeLink(const std::string& linkPath, const std::string& target, std::string* error) {
  if (!PtyServer::linkPathUsable(linkPath, error)) return false;
  // A new link renamed over the old one: the path never goes missing.
  const std::string temporary = linkPath + ".tmp" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) {
    return fail(error, "--link " + linkPath + ": " + reason());
  }
  if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
    const std::string why = reason();
    ::unlink(temporary.c_str());
    return fail(error, "--link " + linkPath + ": " + why);
  }
  return true;
}

}  // namespace

PtyServer::~PtyServer() {
  if (!linkPath_.empty() && pointsAt(linkPath_, path_)) ::unlink(linkPath_.c_str());
  closeFd(master_);
  closeFd(slave_);
  closeFd(signals_);
  closeFd(supply_);
}

bool PtyServer::openSupplyFifo(const std::string& fifoPath, std::string* error) {
  struct stat st {};
  if (::stat(fifoPath.c_str(), &st) != 0) {
    if (::mkfifo(fifoPath.c_str(), 0600) != 0) {
      return fail(error, "--supply-fifo " + fifoPath + ": " + reason());
    }
  } else if (!S_ISFIFO(st.st_mode)) {
    return fail(error, "--supply-fifo " + fifoPath + ": exists and is not a FIFO");
  }
  // Read and write: with a writer of our own the FIFO never reports the end
  // of every writer, which poll would otherwise report again and again.
  supply_ = ::open(fifoPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (supply_ < 0) return fail(error, "--supply-fifo " + fifoPath + ": " + reason());
  return true;
}

bool PtyServer::linkPathUsable(const std::string& linkPath, std::string* error) {
  struct stat st {};
  if (::lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    return fail(error, "--link " + linkPath + ": exists and is not a symbolic link");
  }
  return true;
}

bool PtyServer::stdinCanEnd() {
  struct stat st {};
  if (::fstat(STDIN_FILENO, &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
}

bool PtyServer::open(const std::string& linkPath, std::string* error) {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGHUP);
  if (::sigprocmask(SIG_BLOCK, &stops, nullptr) != 0) {
    return fail(error, "cannot hold signals back: " + reason());
  }
  signals_ = ::signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signals_ < 0) return fail(error, "cannot watch signals: " + reason());

  if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
    return fail(error, "cannot open a pseudo-terminal: " + reason());
  }
  termios raw{};
  if (::tcgetattr(slave_, &raw) == 0) {
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    ::tcsetattr(slave_, TCSANOW, &raw);
  }
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  const char* name = ::ttyname(slave_);
  if (name == nullptr) return fail(error, "cannot name the pseudo-terminal: " + reason());
  path_ = name;
  if (!linkPath.empty()) {
    if (!placeLink(linkPath, path_, error)) return false;
    linkPath_ = linkPath;
  }
  return true;
}

bool PtyServer::serve(LineDevice& device, bool watchStdin, std::string* error) {
  // Bytes are due to the microsecond; the default timer slack would add up to
  // 50 us to every burst.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  using Clock = std::chrono::steady_clock;
  const auto origin = Clock::now();
  auto nowUs = [origin] {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - origin).count();
  };
  std::deque<TimedChunk> due;          // the device's output, in order of instant
  std::vector<std::uint8_t> outgoing;  // released to the programmer, not yet written
  std::size_t sentOfOutgoing = 0;
  bool stdinOpen = watchStdin;
  std::uint8_t buffer[4096];
  std::string supplyText;  // from the FIFO, not yet ended by a line break

  for (;;) {
    // Hand over what is due in the adapter's bursts; a full pseudo-terminal
    // keeps the rest for POLLOUT.
    while (!due.empty()) {
      const AdapterRelease release = nextAdapterRelease(due);
      if (release.atUs > nowUs()) break;
      for (std::size_t i = 0; i < release.chunks; ++i) {
        outgoing.insert(outgoing.end(), due.front().bytes.begin(), due.front().bytes.end());
        due.pop_front();
      }
    }
    bool blocked = false;
    while (sentOfOutgoing < outgoing.size()) {
      const ssize_t n =
          ::write(master_, outgoing.data() + sentOfOutgoing, outgoing.size() - sentOfOutgoing);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN) {
          blocked = true;
          break;
        }
        return fail(error, "writing to the pseudo-terminal: " + reason());
      }
      sentOfOutgoing += static_cast<std::size_t>(n);
    }
    if (sentOfOutgoing == outgoing.size()) {
      outgoing.clear();
      sentOfOutgoing = 0;
    }

    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (!due.empty() && !blocked) {
      // A core woken from idle takes tens of microseconds to run us: a long
      // wait ends a little early and the last stretch is waited from awake.
      std::int64_t waitUs = std::max<std::int64_t>(0, nextAdapterRelease(due).atUs - nowUs());
      if (waitUs > 2 * kWakeUpLeadUs) waitUs -= kWakeUpLeadUs;
      timeout.tv_sec = static_cast<time_t>(waitUs / 1'000'000);
      timeout.tv_nsec = static_cast<long>(waitUs % 1'000'000) * 1000;
      timeoutPtr = &timeout;
    }
    pollfd fds[4] = {{master_, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0},
                     {signals_, POLLIN, 0},
                     {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0},
                     {supply_, POLLIN, 0}};
    if (::ppoll(fds, 4, timeoutPtr, nullptr) < 0) {
      if (errno == EINTR) continue;
      return fail(error, "waiting for the pseudo-terminal: " + reason());
    }

    if (fds[1].revents & POLLIN) return true;  // SIGTERM, SIGINT or SIGHUP

    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) {
        for (TimedChunk& chunk : device.receive(
                 std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)), nowUs())) {
          due.push_back(std::move(chunk));
        }
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        return fail(error, "reading the pseudo-terminal: " + reason());
      }
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      // Cannot happen while our own slave descriptor is open; never spin on it.
      return fail(error, "the pseudo-terminal hung up");
    }

    if (fds[3].revents & POLLIN) {
      const ssize_t n = ::read(supply_, buffer, sizeof buffer);
      if (n > 0)
        supplyText.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
      for (std::size_t end; (end = supplyText.find('\n')) != std::string::npos;) {
        std::string line = supplyText.substr(0, end);
        supplyText.erase(0, end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line != "on" && line != "off") continue;
        // A chip without supply stops talking mid-reply.
        if (line == "off") due.clear();
        device.switchSupply(line == "on", nowUs());
      }
    }

    if (stdinOpen && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return true;
    }
  }
}

}  // namespace qrk::sim
