#pragma once

#include <fcntl.h>
#include <gmock/gmock.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_files.h"

namespace qrk::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;
using ::testing::Not;

// How a child process ended, and everything it wrote.
struct ProcessResult {
  int exitCode = -1;      // 128 + the signal for a child that a signal ended
  bool timedOut = false;  // the harness killed it at its time limit
  std::string out;
  std::string err;
  double wallSeconds = 0;
};

inline std::string describe(const ProcessResult& r) {
  return "exit " + std::to_string(r.exitCode) + (r.timedOut ? " (timed out)" : "") +
         "\n--- stdout\n" + r.out + "--- stderr\n" + r.err.substr(0, 3000);
}

// One of this project's binaries, started with stdin on /dev/null and stdout
// and stderr on pipes. Every wait has a hard time limit, and a child still
// running when the object goes is killed, so that a failing test can never
// hang the suite.
class ChildProcess {
 public:
  // `args` are separated by spaces: no path in this suite holds one.
  ChildProcess(const std::string& binary, const std::string& args) {
    std::istringstream words(args);
    std::vector<std::string> argv = {std::string(QRK_BIN_DIR) + "/" + binary};
    for (std::string word; words >> word;) argv.push_back(word);
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
      for (int fd : {out[0], out[1]}) ::close(fd);
      return;
    }
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    start_ = Clock::now();
    pid_ = fork();
    if (pid_ == 0) {
      // Default signal handling, whatever the test runner set.
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      for (int s : {SIGINT, SIGTERM, SIGPIPE}) signal(s, SIG_DFL);
      dup2(in, 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      execv(pointers[0], pointers.data());
      _exit(127);
    }
    for (int fd : {in, out[1], err[1]}) ::close(fd);
    outFd_ = out[0];
    errFd_ = err[0];
    if (pid_ < 0) return;  // the pipes end at once: nothing to wait for
    reaped_ = false;
    // Readable when the child ends, so that waits block in poll().
    pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    fcntl(outFd_, F_SETFL, O_NONBLOCK);
    fcntl(errFd_, F_SETFL, O_NONBLOCK);
  }
  ~ChildProcess() {
    sendSignal(SIGKILL);
    reap(0);
    for (int fd : {outFd_, errFd_, pidFd_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  const std::string& out() const { return result_.out; }
  const std::string& err() const { return result_.err; }
  void sendSignal(int signalNumber) {
    if (!reaped_) ::kill(pid_, signalNumber);
  }
  // Collects output until stdout holds `text`; false once `limit` passed or
  // the child ended without it.
  bool waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (result_.out.find(text) == std::string::npos) {
      if (Clock::now() >= deadline || ended()) return false;
      pump(deadline);
    }
    return true;
  }
  // Waits for the child's end and its last output; kills it at `limit`.
  ProcessResult wait(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!ended()) {
      if (Clock::now() >= deadline) {
        result_.timedOut = true;
        sendSignal(SIGKILL);
        reap(0);
        pump(deadline);  // whatever is still buffered in the pipes
        break;
      }
      pump(deadline);
    }
    return result_;
  }

 private:
  bool ended() const { return reaped_ && outFd_ < 0 && errFd_ < 0; }
  // Reads what the pipes hold, waiting until `deadline` at most for more.
  void pump(Clock::time_point deadline) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    // Without a process descriptor the child's end is noticed by looking again.
    if (pidFd_ < 0 && !reaped_) ms = std::min(ms, std::chrono::milliseconds(20));
    // poll() skips negative descriptors.
    pollfd fds[3] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}, {reaped_ ? -1 : pidFd_, POLLIN, 0}};
    poll(fds, 3, std::max(0, static_cast<int>(ms.count())));
    for (auto [fd, text] : {std::pair{&outFd_, &result_.out}, std::pair{&errFd_, &result_.err}}) {
      char buffer[4096];
      ssize_t n = 0;
      while (*fd >= 0 && (n = ::read(*fd, buffer, sizeof buffer)) > 0) text->append(buffer, n);
      if (n == 0 && *fd >= 0) {
        ::close(*fd);
        *fd = -1;
      }
    }
    reap(WNOHANG);
  }
  // Records how the child ended, once it has; `flags` as for waitpid().
  void reap(int flags) {
    int status = 0;
    if (reaped_ || waitpid(pid_, &status, flags) != pid_) return;
    reaped_ = true;
    result_.wallSeconds = std::chrono::duration<double>(Clock::now() - start_).count();
    result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  pid_t pid_ = -1;
  bool reaped_ = true;  // until a child is running
  int pidFd_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  Clock::time_point start_;
  ProcessResult result_;
};

// `qrksim` serving a simulated chip on a pseudo-terminal, stopped when the
// object goes. A simulator that does not start fails the test.
class Simulator : public ChildProcess {
 public:
  explicit Simulator(const std::string& args) : ChildProcess("qrksim", args) {
    // Its first line names the port.
    if (waitForOutput("\n", 5s) && out().starts_with("PTY ")) {
      portPath_ = out().substr(4, out().find('\n') - 4);
    } else {
      ADD_FAILURE() << "qrksim " << args << " did not start: " << out() << err();
    }
  }
  ~Simulator() { stop(); }
  const std::string& portPath() const { return portPath_; }
  // Reads the port until nothing has come for `quiet`: a reply to a stopped
  // run may still be on the wire, and a session opened within its time takes
  // it for an answer to its own first request, as with a real chip.
  void waitForQuietLine(std::chrono::milliseconds quiet = 50ms) const {
    const int fd = ::open(portPath_.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0) << portPath_;
    pollfd p{fd, POLLIN, 0};
    char discarded[256];
    for (int pass = 0; pass < 100 && ::poll(&p, 1, static_cast<int>(quiet.count())) > 0; ++pass)
      (void)!::read(fd, discarded, sizeof discarded);
    ::close(fd);
  }
  void stop() {
    sendSignal(SIGTERM);
    wait(3s);
  }

 private:
  std::string portPath_;
};

// Each test gets its own directory, which is also the settings home of what
// it starts, so that no run reads or writes the settings of the person
// running the suite.
class QrkprogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.made);
    setenv("HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    setenv("XDG_DATA_HOME", path("data").c_str(), 1);  // the default production record
  }
  std::string path(const std::string& name) const { return temp_.path(name); }
  static ProcessResult run(const std::string& args) {
    return ChildProcess("qrkprog", args).wait(60s);
  }

  TempDir temp_;
  std::string dir_ = temp_.root;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every line of `out` as an event object of format version 1; a line that is
// not one fails the test.
inline std::vector<QJsonObject> jsonEvents(const std::string& out) {
  std::vector<QJsonObject> parsed;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    EXPECT_TRUE(document.isObject()) << "not a JSON object: " << line;
    if (!document.isObject()) continue;
    EXPECT_EQ(document.object().value("v").toInt(), 2) << line;
    parsed.push_back(document.object());
  }
  return parsed;
}

// Bytes that differ from their neighbours and from the erased state, the same
// on every call: an image whose every byte must reach the chip.
inline std::string pseudoRandomImage(std::size_t size) {
  std::string out(size, '\0');
  std::uint32_t x = 0x9E3779B9u;
  for (char& b : out) b = static_cast<char>((x = x * 1664525u + 1013904223u) >> 24);
  return out;
}

}  // namespace qrk::test
