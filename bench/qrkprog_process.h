#pragma once

// qrkprog and qrksim as separate processes, for the benchmarks that time
// what a user waits for: a scratch directory, children whose every wait has a
// limit, qrksim on a pseudo-terminal and a timed qrkprog run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace qrk::bench {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline constexpr auto kSimStartLimit = 5s;
inline constexpr auto kSimStopLimit = 3s;
// How long one qrkprog run may take before it is killed.
inline constexpr auto kRunLimit = 60s;
// 10 bits a byte at 115200 8N1: the wire-time ideal of the bytes exchanged.
inline constexpr double kWireSecondsPerByte = 10.0 / 115200.0;

// A scratch directory for one benchmark: the image, the settings file, the
// simulator's link, the outputs. Removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/qrk-bench-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// A child process with its descriptors given by file actions. Every wait has a
// limit, after which the child is killed; a child still running when the
// object goes is killed and reaped, so no path leaves one behind.
class Child {
 public:
  struct End {
    bool exited = false;
    int exitCode = -1;
    bool timedOut = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;
  };

  Child(std::vector<std::string> argv, posix_spawn_file_actions_t& actions,
        const std::vector<std::string>& env) {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    start_ = Clock::now();
    if (::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
      pid_ = -1;
      return;
    }
    // Turns readable when the child ends, so a wait blocks in poll().
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  }
  ~Child() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      reap(true);
    }
    if (pidFd_ >= 0) ::close(pidFd_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  bool running() const { return started() && !end_; }
  void signal(int number) const {
    if (running()) ::kill(pid_, number);
  }

  // The child's end, killing it when `limit` passes first.
  End wait(Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    while (running() && !reap(false)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left <= 0ms) {
        ::kill(pid_, SIGKILL);
        reap(true);
        if (end_) end_->timedOut = true;
        break;
      }
      // Without a process descriptor (kernels before 5.3) the end is polled.
      pollfd ended{pidFd_, POLLIN, 0};
      ::poll(&ended, pidFd_ >= 0 ? 1 : 0, pidFd_ >= 0 ? static_cast<int>(left.count()) : 1);
    }
    return end_.value_or(End{});
  }

 private:
  bool reap(bool block) {
    int status = 0;
    rusage usage{};
    pid_t done = -1;
    do {
      done = ::wait4(pid_, &status, block ? 0 : WNOHANG, &usage);
    } while (done < 0 && errno == EINTR);
    if (done == 0) return false;
    End end;
    if (done != pid_) {
      // Not ours to wait for any more: nothing to measure, nothing to kill.
      end_ = end;
      return true;
    }
    end.wallSeconds = std::chrono::duration<double>(Clock::now() - start_).count();
    end.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    end.exited = WIFEXITED(status);
    end.exitCode = end.exited ? WEXITSTATUS(status) : -1;
    end_ = end;
    return true;
  }

  pid_t pid_ = -1;
  int pidFd_ = -1;
  Clock::time_point start_;
  std::optional<End> end_;
};

// The children see the scratch directory as their home, so nothing of the
// developer's own settings is read or written.
inline std::vector<std::string> childEnvironment(const ScratchDir& dir) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (!entry.starts_with("HOME=") && !entry.starts_with("XDG_CONFIG_HOME=") &&
        !entry.starts_with("XDG_DATA_HOME=")) {
      env.push_back(entry);
    }
  }
  env.push_back("HOME=" + dir.path());
  env.push_back("XDG_CONFIG_HOME=" + dir.file("config"));
  // Where each run's production record goes by default.
  env.push_back("XDG_DATA_HOME=" + dir.file("data"));
  return env;
}

// qrksim with `args` behind the link `link` in the scratch directory.
// Stopped with SIGTERM; its stdin is a pipe held here, so it also ends if
// this process dies without stopping it.
class Simulator {
 public:
  // `link` names the pseudo-terminal's link (and its stderr file) when
  // several simulators share one scratch directory.
  Simulator(const ScratchDir& dir, const std::vector<std::string>& args,
            const std::string& link = "tty")
      : port_(dir.file(link)) {
    std::vector<std::string> argv = {std::string(QRK_BIN_DIR) + "/qrksim", "--link", port_};
    argv.insert(argv.end(), args.begin(), args.end());
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
      ::close(in[0]);
      ::close(in[1]);
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, dir.file(link + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    process_.emplace(argv, actions, childEnvironment(dir));
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    ready_ = process_->started() && awaitPtyLine();
  }
  ~Simulator() {
    if (process_) {
      process_->signal(SIGTERM);
      process_->wait(kSimStopLimit);
    }
    if (stdin_ >= 0) ::close(stdin_);
    if (stdout_ >= 0) ::close(stdout_);
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  bool ready() const { return ready_; }
  const std::string& port() const { return port_; }

 private:
  // "PTY <path>" on stdout once it answers.
  bool awaitPtyLine() {
    const auto deadline = Clock::now() + kSimStartLimit;
    std::string out;
    while (out.find('\n') == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd readable{stdout_, POLLIN, 0};
      if (left <= 0ms || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) return false;
      char buffer[256];
      const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
      if (n <= 0) return false;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    return out.starts_with("PTY ");
  }

  std::string port_;
  std::optional<Child> process_;
  int stdin_ = -1;
  int stdout_ = -1;
  bool ready_ = false;
};

// What one qrkprog run printed, and how it ended.
struct QrkprogOutput {
  Child::End end;
  std::string out;
  std::string err;
  // Exit 0 and stdout ending in `line` (trailing blanks aside).
  bool endsWithLine(const std::string& line) const {
    std::string text = out;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return end.exited && end.exitCode == 0 && text.ends_with(line);
  }
  std::string describe() const {
    if (end.timedOut) return "qrkprog timed out and was killed";
    const std::string tail = out.substr(out.size() > 300 ? out.size() - 300 : 0);
    return "qrkprog exit " + std::to_string(end.exitCode) + ": " + tail +
           err.substr(0, err.find('\n'));
  }
};

// Runs qrkprog with `args` as a production line starts it; stdout and stderr
// go to files so that nothing of the child's output has to be pumped while it
// is timed.
inline QrkprogOutput runQrkprog(const ScratchDir& dir, const std::vector<std::string>& args,
                                Clock::duration limit) {
  std::vector<std::string> argv = {std::string(QRK_BIN_DIR) + "/qrkprog"};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string outPath = dir.file("qrkprog.out");
  const std::string errPath = dir.file("qrkprog.err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  QrkprogOutput result;
  {
    Child qrkprog(argv, actions, childEnvironment(dir));
    posix_spawn_file_actions_destroy(&actions);
    if (qrkprog.started()) result.end = qrkprog.wait(limit);
  }
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

// `size` bytes that differ from their neighbours and from the erased state,
// the same for the same `seed` on every run.
inline bool writePatternFile(const std::string& path, std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<char>(seed >> 24);
  }
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// One frame line of a --trace stream: `[   12 ms] -> 6A 00 ...` (sent) or
// `<- ...` (received), each byte two hex digits.
struct TraceLine {
  long long ms = 0;
  bool sent = false;
  std::vector<unsigned> bytes;
};

// The frame lines of a --trace stream; other lines are left out.
inline std::vector<TraceLine> parseTrace(const std::string& trace) {
  std::vector<TraceLine> out;
  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.starts_with("[")) continue;
    const std::size_t arrow = line.find(" ms] ");
    if (arrow == std::string::npos) continue;
    const std::string direction = line.substr(arrow + 5, 2);
    if (direction != "->" && direction != "<-") continue;
    std::istringstream fields(line.substr(1, arrow - 1) + " " + line.substr(arrow + 7));
    TraceLine frame;
    frame.sent = direction == "->";
    if (!(fields >> frame.ms)) continue;
    std::string token;
    while (fields >> token) {
      unsigned value = 0;
      const auto [end, error] =
          std::from_chars(token.data(), token.data() + token.size(), value, 16);
      if (error != std::errc() || end != token.data() + token.size() || token.size() != 2) break;
      frame.bytes.push_back(value);
    }
    out.push_back(std::move(frame));
  }
  return out;
}

// One run for the traffic: `run(sim, true)` against a fresh qrksim started
// with `simArgs`, which must end with `successLine`. Nullopt, the state
// skipped, when the simulator or the run fails.
template <typename Run>
std::optional<QrkprogOutput> tracedRun(benchmark::State& state, const ScratchDir& dir,
                                       const std::vector<std::string>& simArgs,
                                       const std::string& successLine, Run&& run) {
  Simulator sim(dir, simArgs);
  if (!sim.ready()) {
    state.SkipWithError("qrksim did not start: build the qrksim target first");
    return std::nullopt;
  }
  QrkprogOutput traced = run(sim, true);
  if (!traced.endsWithLine(successLine)) {
    state.SkipWithError(("traced run failed: " + traced.describe()).c_str());
    return std::nullopt;
  }
  return traced;
}

// What the timed runs took, summed over the iterations.
struct TimedRuns {
  double wall = 0;
  double cpu = 0;
};

// Each iteration: `run(sim, false)` against a fresh qrksim started with
// `simArgs`, which must end with `successLine`; its wall time is the
// iteration's. Nullopt, the state skipped, when a simulator or a run fails.
template <typename Run>
std::optional<TimedRuns> timeRuns(benchmark::State& state, const ScratchDir& dir,
                                  const std::vector<std::string>& simArgs,
                                  const std::string& successLine, Run&& run) {
  TimedRuns total;
  for (auto _ : state) {
    Simulator sim(dir, simArgs);
    if (!sim.ready()) {
      state.SkipWithError("qrksim did not start");
      return std::nullopt;
    }
    const QrkprogOutput timed = run(sim, false);
    if (!timed.endsWithLine(successLine)) {
      state.SkipWithError(("timed run failed: " + timed.describe()).c_str());
      return std::nullopt;
    }
    total.wall += timed.end.wallSeconds;
    total.cpu += timed.end.cpuSeconds;
    state.SetIterationTime(timed.end.wallSeconds);
  }
  return total;
}

}  // namespace qrk::bench
