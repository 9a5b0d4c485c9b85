#include "process_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace qrk::test {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& env) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  // The child gets default signal handling whatever the test runner set.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  for (const std::string& extra : env) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(environment, [&](const std::string& e) { return e.starts_with(name); });
    environment.push_back(extra);
  }
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  startTime_ = Clock::now();
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  inFd_ = in[1];
  outFd_ = out[0];
  errFd_ = err[0];
  if (rc != 0) {
    err_ = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
    closeFd(inFd_);
    closeFd(outFd_);
    closeFd(errFd_);
    return;
  }
  pid_ = pid;
  result_.started = true;
  // A descriptor that turns readable when the child ends lets waits block in
  // poll() instead of polling waitpid().
  pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  fcntl(outFd_, F_SETFL, O_NONBLOCK);
  fcntl(errFd_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
  if (started() && !reaped_) {
    ::kill(pid_, SIGKILL);
    reap(true);
  }
  closeFd(inFd_);
  closeFd(outFd_);
  closeFd(errFd_);
  closeFd(pidFd_);
}

void ChildProcess::pump(int timeoutMs) {
  pollfd fds[3];
  int count = 0;
  if (outFd_ >= 0) fds[count++] = {outFd_, POLLIN, 0};
  if (errFd_ >= 0) fds[count++] = {errFd_, POLLIN, 0};
  if (pidFd_ >= 0 && !reaped_) fds[count++] = {pidFd_, POLLIN, 0};
  // Without a process descriptor the child's end is noticed by polling.
  if (pidFd_ < 0 && !reaped_ && timeoutMs > 20) timeoutMs = 20;
  if (count == 0) return;
  if (poll(fds, static_cast<nfds_t>(count), timeoutMs) < 0) return;
  for (auto [fd, text] : {std::pair{&outFd_, &out_}, std::pair{&errFd_, &err_}}) {
    if (*fd < 0) continue;
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(*fd, buffer, sizeof buffer);
      if (n > 0) {
        text->append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      if (n == 0) closeFd(*fd);
      break;
    }
  }
  reap(false);
}

void ChildProcess::reap(bool block) {
  if (reaped_ || !started()) return;
  int status = 0;
  rusage usage{};
  const pid_t done = wait4(pid_, &status, block ? 0 : WNOHANG, &usage);
  if (done != pid_) return;
  reaped_ = true;
  result_.wallSeconds = std::chrono::duration<double>(Clock::now() - startTime_).count();
  result_.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (WIFEXITED(status)) {
    result_.exited = true;
    result_.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result_.termSignal = WTERMSIG(status);
  }
}

bool ChildProcess::waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
  return waitForOutput(
      [&text](const std::string& out) { return out.find(text) != std::string::npos; }, limit);
}

bool ChildProcess::waitForOutput(const std::function<bool(const std::string&)>& ready,
                                 std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!ready(out_)) {
    if (!pipesOpen() && reaped_) return false;
    const int left = remainingMs(deadline);
    if (left == 0) return false;
    pump(left);
  }
  return true;
}

void ChildProcess::sendSignal(int signalNumber) {
  if (started() && !reaped_) ::kill(pid_, signalNumber);
}

void ChildProcess::closeStdin() { closeFd(inFd_); }

ProcessResult ChildProcess::wait(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (started() && (!reaped_ || pipesOpen())) {
    const int left = remainingMs(deadline);
    if (left == 0) {
      result_.timedOut = true;
      ::kill(pid_, SIGKILL);
      reap(true);
      // Whatever is still buffered in the pipes.
      pump(0);
      break;
    }
    pump(left);
  }
  result_.out = out_;
  result_.err = err_;
  return result_;
}

ProcessResult runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                         const Environment& env) {
  ChildProcess child(argv, env);
  ProcessResult result = child.wait(limit);
  if (!child.started()) result.err = child.err();
  return result;
}

std::string binaryPath(const std::string& name) { return std::string(QRK_BIN_DIR) + "/" + name; }

Simulator::Simulator(std::vector<std::string> args)
    : process_([&] {
        args.insert(args.begin(), binaryPath("qrksim"));
        return args;
      }()) {
  constexpr auto kStartLimit = std::chrono::seconds(5);
  const auto ptyLine = [](const std::string& out) {
    const std::size_t at = out.find("PTY ");
    return at != std::string::npos && out.find('\n', at) != std::string::npos;
  };
  if (!process_.waitForOutput(ptyLine, kStartLimit)) return;
  const std::string& out = process_.out();
  const std::size_t at = out.find("PTY ") + 4;
  portPath_ = out.substr(at, out.find('\n', at) - at);
}

Simulator::~Simulator() { stop(); }

ProcessResult Simulator::stop() {
  if (stopped_) return {};
  stopped_ = true;
  process_.sendSignal(SIGTERM);
  return process_.wait(std::chrono::seconds(3));
}

}  // namespace qrk::test
