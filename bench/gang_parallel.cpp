// qrkprog gang on eight ports at once against eight qrksim chips with
// --baud-emulation, each programmed and verified over its whole space
// (QRK5-64B, ISP Space 0.0k: 0 .. 0xFBFF), as bench_qrkprog_auto does for one.
// In the same run, `qrkprog run` on one port gives the single-port wall time:
// the gang's wall time over it shows what running side by side costs (goal:
// at most 1.1). The gang's CPU time, its eight runs included, over its wall
// time is the share of one core the whole station uses (goal: at most 5%);
// beside it, eight times the single run's share: what the runs themselves cost,
// and the gang's share with --events json, every port's progress passed on.
// The simulators' own CPU is not counted; on a 2-core machine they compete
// with the programmer for the cores, so the ratio is an upper bound.
//
// Beside it, the floor in the same run: eight bare processes that block in
// poll() and read once per frame exchanged, at the same pace. Each wake-up
// from an idle core costs CPU of its own (tens of microseconds on a virtual
// machine), and a request-and-reply line cannot wake less than once a frame;
// the gang's share over this floor is what the programmer itself adds.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "qrkprog_process.h"

namespace {

using namespace qrk::bench;

constexpr int kPorts = 8;
constexpr std::size_t kImageSize = 0xFC00;
constexpr auto kRunLimit = 120s;

// `processes` children that each wake `wakeUps` times from poll() on a pipe,
// one byte every `period` at a phase of their own, and read it: their CPU
// seconds and the wall time.
std::pair<double, double> wakeUpFloor(int processes, int wakeUps, std::chrono::nanoseconds period) {
  std::vector<int> writeEnds;
  std::vector<pid_t> readers;
  for (int i = 0; i < processes; ++i) {
    int ends[2];
    if (::pipe(ends) != 0) break;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ends[1]);
      pollfd readable{ends[0], POLLIN, 0};
      char byte;
      for (int n = 0; n<wakeUps&& ::poll(&readable, 1, 5'000)> 0; ++n) {
        if (::read(ends[0], &byte, 1) != 1) break;
      }
      ::_exit(0);
    }
    ::close(ends[0]);
    if (pid < 0) {
      ::close(ends[1]);
      break;
    }
    writeEnds.push_back(ends[1]);
    readers.push_back(pid);
  }
  const auto start = std::chrono::steady_clock::now();
  // The ports do not keep step: each pipe gets its byte at its own phase.
  const auto phase = period / std::max<std::size_t>(1, writeEnds.size());
  for (int n = 0; n < wakeUps; ++n) {
    for (std::size_t i = 0; i < writeEnds.size(); ++i) {
      std::this_thread::sleep_until(start + period * n + phase * i);
      (void)!::write(writeEnds[i], "x", 1);
    }
  }
  double cpu = 0;
  for (pid_t pid : readers) {
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) == pid)
      cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
  }
  for (int fd : writeEnds) ::close(fd);
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  return {cpu, wall.count()};
}

// The frames qrkprog sent in a --trace run, each waiting for its reply.
int framesSent(const std::string& trace) {
  int sent = 0;
  for (const TraceLine& line : parseTrace(trace)) sent += line.sent ? 1 : 0;
  return sent;
}

// qrkprog with `args` after the image options, output to files in `dir`.
Child::End timeQrkprog(const ScratchDir& dir, std::vector<std::string> args) {
  std::vector<std::string> argv = {std::string(QRK_BIN_DIR) + "/qrkprog"};
  argv.insert(argv.end(), args.begin(), args.end());
  for (const char* word :
       {"--list", "Program,Verify", "--model", "QRK5-64B", "--isp-space", "0.0k", "--fill", "FF"}) {
    argv.emplace_back(word);
  }
  argv.push_back("--file");
  argv.push_back(dir.file("image.bin"));
  argv.push_back("--settings");
  argv.push_back(dir.file("settings.ini"));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, dir.file("qrkprog.out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, dir.file("qrkprog.err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  Child qrkprog(argv, actions, childEnvironment(dir));
  posix_spawn_file_actions_destroy(&actions);
  return qrkprog.started() ? qrkprog.wait(kRunLimit) : Child::End{};
}

void BM_GangEightPorts_Baud(benchmark::State& state) {
  ScratchDir dir;
  if (!dir.ok() || !writePatternFile(dir.file("image.bin"), kImageSize, 0x6A09E667u)) {
    state.SkipWithError("cannot write the image in a scratch directory");
    return;
  }
  std::vector<std::unique_ptr<Simulator>> chips;
  for (int i = 0; i < kPorts; ++i) {
    chips.push_back(std::make_unique<Simulator>(
        dir, std::vector<std::string>{"--model", "QRK5-64B", "--baud-emulation"},
        "tty" + std::to_string(i)));
    if (!chips.back()->ready()) {
      state.SkipWithError("qrksim did not start: build the qrksim target first");
      return;
    }
  }
  const Child::End traced =
      timeQrkprog(dir, {"run", "Auto", "--trace", "--port", chips[0]->port()});
  const int frames = framesSent(readFile(dir.file("qrkprog.err")));
  if (!traced.exited || traced.exitCode != 0 || frames == 0) {
    state.SkipWithError(("traced run failed: " + readFile(dir.file("qrkprog.err"))).c_str());
    return;
  }
  double single = 0, singleCpu = 0, gang = 0, cpu = 0, floorCpu = 0, floorWall = 0;
  double eventsCpu = 0, eventsWall = 0;
  for (auto _ : state) {
    const Child::End one = timeQrkprog(dir, {"run", "Auto", "--port", chips[0]->port()});
    if (!one.exited || one.exitCode != 0) {
      state.SkipWithError(("single run failed: " + readFile(dir.file("qrkprog.err"))).c_str());
      return;
    }
    std::vector<std::string> args = {"gang", "Auto", "--repeat", "1"};
    for (const auto& chip : chips) {
      args.push_back("--port");
      args.push_back(chip->port());
    }
    const Child::End all = timeQrkprog(dir, args);
    if (!all.exited || all.exitCode != 0) {
      state.SkipWithError(("gang failed: " + readFile(dir.file("qrkprog.out"))).c_str());
      return;
    }
    // The same with every port's events passed on, progress ten times a second included.
    args.push_back("--events");
    args.push_back("json");
    const Child::End withEvents = timeQrkprog(dir, args);
    if (!withEvents.exited || withEvents.exitCode != 0) {
      state.SkipWithError(
          ("gang --events json failed: " + readFile(dir.file("qrkprog.err"))).c_str());
      return;
    }
    eventsCpu += withEvents.cpuSeconds;
    eventsWall += withEvents.wallSeconds;
    const auto [bareCpu, bareWall] = wakeUpFloor(
        kPorts, frames,
        std::chrono::nanoseconds(static_cast<long long>(one.wallSeconds * 1e9 / frames)));
    floorCpu += bareCpu;
    floorWall += bareWall;
    single += one.wallSeconds;
    singleCpu += one.cpuSeconds;
    gang += all.wallSeconds;
    cpu += all.cpuSeconds;
    state.SetIterationTime(all.wallSeconds);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["ports"] = kPorts;
  state.counters["cores"] = std::thread::hardware_concurrency();
  state.counters["single_wall_s"] = single / runs;
  state.counters["gang_wall_s"] = gang / runs;
  state.counters["ratio"] = gang / single;
  state.counters["cpu_share_pct"] = gang > 0 ? cpu / gang * 100.0 : 0;
  // What eight separate runs would cost: the floor of one process per port.
  state.counters["eight_singles_cpu_share_pct"] =
      single > 0 ? kPorts * singleCpu / single * 100.0 : 0;
  state.counters["events_cpu_share_pct"] = eventsWall > 0 ? eventsCpu / eventsWall * 100.0 : 0;
  state.counters["frames_per_run"] = frames;
  const double floorShare = floorWall > 0 ? floorCpu / floorWall * 100.0 : 0;
  state.counters["floor_cpu_share_pct"] = floorShare;
  state.counters["cpu_over_floor"] =
      floorShare > 0 && gang > 0 ? cpu / gang * 100.0 / floorShare : 0;
}

BENCHMARK(BM_GangEightPorts_Baud)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
