// Program + verify of the largest kind-2 space (QRK5-64B: 0 .. 0xFBFF) against
// qrksim on a pseudo-terminal, in real time.
//
// With --baud-emulation the figure is the measured time divided by the time the
// bytes actually exchanged need on a 115200 8N1 wire (10 bits a byte): what the
// programmer adds to the line itself (goal: at most 1.03). Without it, the
// time per data frame is what the host spends around each frame (goal: under
// 0.3 ms), shown as wall time and as this process's CPU time. In both, the
// turnaround (from the last byte of a reply to the next request) is the
// programmer's own share; the rest belongs to the line, the pseudo-terminal
// and the simulator (whose fixed 0.1 ms response delay alone is 0.8% of a
// data frame's wire time).
//
// The command line cannot load a file for Program yet, so the operations are
// driven in-process over a small poll-based real-time event loop and a termios
// port defined here; qrksim runs as its own process, as it does for users.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/mcu_model.h"
#include "image/image_buffer.h"
#include "link/isp_link.h"
#include "ops/op_context.h"
#include "ops/program.h"
#include "ops/verify.h"
#include "platform/event_loop.h"
#include "platform/host.h"
#include "platform/message_pane.h"
#include "platform/serial_port.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kSpaceLast = 0xFBFF;
constexpr double kWireSecondsPerByte = 10.0 / 115200.0;

// The single thread's loop in real time: one-shot timers on the steady clock
// and one watched descriptor; waiting blocks in ppoll until the next timer is
// due or bytes arrive.
class PollEventLoop : public qrk::EventLoop {
 public:
  class PollTimer : public qrk::Timer {
   public:
    explicit PollTimer(PollEventLoop& loop) : loop_(loop) { loop_.timers_.push_back(this); }
    ~PollTimer() override { std::erase(loop_.timers_, this); }
    void start(int intervalMs) override {
      due_ = Clock::now() + std::chrono::milliseconds(intervalMs);
      active_ = true;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

   private:
    friend class PollEventLoop;
    PollEventLoop& loop_;
    Clock::time_point due_{};
    bool active_ = false;
    std::function<void()> handler_;
  };

  std::unique_ptr<qrk::Timer> createTimer() override { return std::make_unique<PollTimer>(*this); }
  std::int64_t nowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count();
  }
  void watch(int fd, std::function<void()> onReadable) {
    fd_ = fd;
    onReadable_ = std::move(onReadable);
  }

  void waitUntil(const std::function<bool()>& done) override {
    while (!done()) {
      runDueTimers();
      if (done()) return;
      timespec timeout{};
      timespec* timeoutPtr = nullptr;
      if (const auto next = nextDue()) {
        const auto wait = std::max(Clock::duration::zero(), *next - Clock::now());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        timeoutPtr = &timeout;
      }
      pollfd watched{fd_, POLLIN, 0};
      const int ready = ::ppoll(&watched, fd_ >= 0 ? 1 : 0, timeoutPtr, nullptr);
      if (ready > 0 && (watched.revents & POLLIN) && onReadable_) onReadable_();
    }
  }

 private:
  std::optional<Clock::time_point> nextDue() const {
    std::optional<Clock::time_point> next;
    for (const PollTimer* t : timers_) {
      if (t->active_ && (!next || t->due_ < *next)) next = t->due_;
    }
    return next;
  }
  void runDueTimers() {
    const auto now = Clock::now();
    const std::vector<PollTimer*> timers = timers_;
    for (PollTimer* t : timers) {
      if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) continue;
      if (!t->active_ || t->due_ > now) continue;
      t->active_ = false;
      if (t->handler_) t->handler_();
    }
  }

  Clock::time_point origin_ = Clock::now();
  std::vector<PollTimer*> timers_;
  int fd_ = -1;
  std::function<void()> onReadable_;
};

// A raw termios port on the loop, counting the bytes that cross it.
class PtySerialPort : public qrk::SerialPort {
 public:
  explicit PtySerialPort(PollEventLoop& loop) : loop_(loop) {}
  ~PtySerialPort() override { close(); }

  bool open(const std::string& name, int, std::string* error) override {
    fd_ = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      if (error) *error = "cannot open " + name;
      return false;
    }
    termios raw{};
    ::tcgetattr(fd_, &raw);
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    ::tcsetattr(fd_, TCSANOW, &raw);
    loop_.watch(fd_, [this] {
      drain();
      if (handler_ && !rx_.empty()) handler_();
    });
    return true;
  }
  void close() override {
    if (fd_ < 0) return;
    loop_.watch(-1, {});
    ::close(fd_);
    fd_ = -1;
  }
  bool isOpen() const override { return fd_ >= 0; }
  bool write(std::span<const std::uint8_t> bytes) override {
    // From the last byte of a reply to the next request: the programmer's own share.
    if (lastArrival_) turnaround += Clock::now() - *lastArrival_;
    lastArrival_.reset();
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd out{fd_, POLLOUT, 0};
        ::poll(&out, 1, 100);
      }
    }
    bytesSent += done;
    ++writes;
    return done == bytes.size();
  }
  std::vector<std::uint8_t> readAll() override {
    drain();
    std::vector<std::uint8_t> out;
    out.swap(rx_);
    return out;
  }
  std::size_t bytesAvailable() const override { return rx_.size(); }
  void discardInput() override {
    drain();
    rx_.clear();
  }
  void discardOutput() override {}
  void setReceiveHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  std::uint64_t bytesSent = 0;
  std::uint64_t bytesReceived = 0;
  std::uint64_t writes = 0;
  Clock::duration turnaround{};

 private:
  void drain() {
    std::uint8_t buffer[4096];
    for (;;) {
      if (fd_ < 0) return;
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) return;
      rx_.insert(rx_.end(), buffer, buffer + n);
      bytesReceived += static_cast<std::uint64_t>(n);
      lastArrival_ = Clock::now();
    }
  }

  PollEventLoop& loop_;
  int fd_ = -1;
  std::vector<std::uint8_t> rx_;
  std::function<void()> handler_;
  std::optional<Clock::time_point> lastArrival_;
};

// qrksim as its own process; closing its stdin ends it.
class SimProcess {
 public:
  explicit SimProcess(bool baudEmulation) {
    const std::string program = std::string(QRK_BIN_DIR) + "/qrksim";
    std::vector<std::string> argv = {program, "--model", "QRK5-64B"};
    if (baudEmulation) argv.push_back("--baud-emulation");
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    if (rc != 0) {
      pid_ = -1;
      ::close(out[0]);
      return;
    }
    // "PTY <path>" once it answers.
    std::string line;
    char c = 0;
    pollfd ready{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&ready, 1, 5000) > 0 &&
           ::read(out[0], &c, 1) == 1) {
      line += c;
    }
    ::close(out[0]);
    if (line.rfind("PTY ", 0) == 0) path_ = line.substr(4, line.find('\n') - 4);
  }
  ~SimProcess() {
    if (stdin_ >= 0) ::close(stdin_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  const std::string& path() const { return path_; }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  std::string path_;
};

double cpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Phase {
  double seconds = 0;
  double cpu = 0;
  std::uint64_t bytes = 0;
  std::uint64_t writes = 0;
  double turnaround = 0;
  qrk::Status status = qrk::Status::failure(qrk::Reason::NoAnswer);
  double ratio() const { return seconds / (static_cast<double>(bytes) * kWireSecondsPerByte); }
};

Phase measure(PtySerialPort& port, const std::function<qrk::Status()>& operation) {
  const std::uint64_t bytesBefore = port.bytesSent + port.bytesReceived;
  const std::uint64_t writesBefore = port.writes;
  const Clock::duration turnaroundBefore = port.turnaround;
  const double cpuBefore = cpuSeconds();
  const auto start = Clock::now();
  Phase phase;
  phase.status = operation();
  phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  phase.cpu = cpuSeconds() - cpuBefore;
  phase.bytes = port.bytesSent + port.bytesReceived - bytesBefore;
  phase.writes = port.writes - writesBefore;
  phase.turnaround = std::chrono::duration<double>(port.turnaround - turnaroundBefore).count();
  return phase;
}

enum class VerifyBy { ReadBack, PageSums };

void programAndVerify(benchmark::State& state, bool baudEmulation, VerifyBy verifyBy) {
  Phase program;
  Phase verify;
  for (auto _ : state) {
    SimProcess sim(baudEmulation);
    if (sim.path().empty()) {
      state.SkipWithError("qrksim did not start: build the qrksim target first");
      return;
    }
    PollEventLoop loop;
    PtySerialPort port(loop);
    qrk::IspLink link(port, loop);
    if (!link.openPort(sim.path())) {
      state.SkipWithError("cannot open qrksim's pseudo-terminal");
      return;
    }
    qrk::SelectedModel model;
    qrk::selectModel(model, "QRK5-64B");
    link.setMapKind(model.mapKind);
    qrk::NullHost host;
    qrk::MessagePane pane(host);
    qrk::ImageBuffer image;
    for (std::int32_t a = 0; a <= kSpaceLast; ++a) {
      image.set(a, static_cast<std::uint8_t>(a * 7 + (a >> 8)));
    }
    image.fileLoaded = true;
    image.fileStart = image.rangeLow = 0;
    image.fileEnd = image.rangeHigh = kSpaceLast;
    qrk::OperationFlags flags;
    const qrk::OpContext ctx{link, pane, host, image, model, flags};

    program = measure(port, [&] { return qrk::programImage(ctx, false); });
    verify = measure(port, [&] {
      return verifyBy == VerifyBy::ReadBack ? qrk::verifyImage(ctx, false)
                                            : qrk::verifyByChecksum(ctx, false);
    });
    link.closePort();
    if (!program.status.ok() || !verify.status.ok()) {
      state.SkipWithError(("program or verify failed: " + pane.text()).c_str());
      return;
    }
    state.SetIterationTime(program.seconds + verify.seconds);
  }
  const double frames = static_cast<double>(program.writes);
  state.counters["data_frames"] = frames;
  state.counters["bytes"] = static_cast<double>(program.bytes + verify.bytes);
  state.counters["program_ms_per_frame"] = program.seconds * 1e3 / frames;
  state.counters["program_cpu_ms_per_frame"] = program.cpu * 1e3 / frames;
  state.counters["program_turnaround_ms_per_frame"] = program.turnaround * 1e3 / frames;
  if (baudEmulation) {
    state.counters["program_ratio"] = program.ratio();
    state.counters["verify_ratio"] = verify.ratio();
    Phase total = program;
    total.seconds += verify.seconds;
    total.bytes += verify.bytes;
    state.counters["ratio"] = total.ratio();
  }
}

void BM_ProgramVerifyReadBack_Baud(benchmark::State& state) {
  programAndVerify(state, true, VerifyBy::ReadBack);
}
void BM_ProgramVerifyPageSums_Baud(benchmark::State& state) {
  programAndVerify(state, true, VerifyBy::PageSums);
}
void BM_ProgramVerifyReadBack_NoBaud(benchmark::State& state) {
  programAndVerify(state, false, VerifyBy::ReadBack);
}

BENCHMARK(BM_ProgramVerifyReadBack_Baud)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramVerifyPageSums_Baud)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramVerifyReadBack_NoBaud)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
