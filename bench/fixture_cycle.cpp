// A hands-free production fixture end to end: `qrkprog run Auto --repeat 20`
// switching qrksim's supply through shell commands (--power cmd, writing "on"
// and "off" to its --supply-fifo) and starting every chip with a start
// command, against --baud-emulation so that the line's timing is real.
//
// - power-on to handshake: qrksim times each power-on to the first handshake
//   it sees (the FIFO's "on" arrives as the on command ends); median and worst
//   over the chips (goal: under 20 ms, well inside a 300 ms boot window).
// - cycle ratio: each chip's share of the wall time against its wire-time
//   ideal (the bytes a --trace run exchanged, 10 bits a byte at 115200) plus
//   the off time the supply must stay off (goal: at most 1.05).
// - waiting CPU: qrkprog's CPU time for one chip whose start command takes
//   5 s, less that of one whose start command returns at once, over the 5 s
//   (goal: under 0.5 % of one core). The wait is the event loop's, the same
//   one a wait on an input line sleeps in.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "qrkprog_process.h"

namespace {

using namespace qrk::bench;

constexpr int kChips = 20;
constexpr int kOffMs = 300;
constexpr double kWireSecondsPerByte = 10.0 / 115200.0;
constexpr auto kRunLimit = 120s;

bool writeScript(const std::string& path, const std::string& body) {
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  return ::chmod(path.c_str(), 0755) == 0;
}

std::vector<std::string> fixtureRun(const ScratchDir& dir, const std::string& port, int chips,
                                    const std::string& startCommand) {
  return {"run",
          "Auto",
          "--list",
          "Program,Verify",
          "--file",
          dir.file("image.bin"),
          "--model",
          "QRK5-16B",
          "--settings",
          dir.file("settings.ini"),
          "--repeat",
          std::to_string(chips),
          "--power",
          "cmd",
          "--power-on-cmd",
          dir.file("on.sh"),
          "--power-off-cmd",
          dir.file("off.sh"),
          "--power-off-ms",
          std::to_string(kOffMs),
          "--start-on",
          "cmd",
          "--start-cmd",
          startCommand,
          "--port",
          port};
}

std::vector<double> handshakeDelaysMs(const std::string& simErr) {
  std::vector<double> delays;
  static const std::regex kLine(R"(handshake ([0-9.]+) ms after power-on)");
  for (auto it = std::sregex_iterator(simErr.begin(), simErr.end(), kLine);
       it != std::sregex_iterator(); ++it) {
    delays.push_back(std::stod((*it)[1].str()));
  }
  return delays;
}

std::uint64_t tracedBytes(const std::string& trace) {
  std::uint64_t bytes = 0;
  for (const TraceLine& line : parseTrace(trace)) bytes += line.bytes.size();
  return bytes;
}

void BM_FixtureCycle(benchmark::State& state) {
  ScratchDir dir;
  const std::string fifo = dir.file("supply");
  if (!dir.ok() || !writePatternFile(dir.file("image.bin"), 0x1000, 0x2545F491u) ||
      !writeScript(dir.file("on.sh"), "echo on > " + fifo) ||
      !writeScript(dir.file("off.sh"), "echo off > " + fifo) ||
      !writeScript(dir.file("start-now.sh"), "exit 0") ||
      !writeScript(dir.file("start-later.sh"), "sleep 5")) {
    state.SkipWithError("cannot write the scripts in a scratch directory");
    return;
  }
  const std::vector<std::string> simArgs = {"--model", "QRK5-16B", "--baud-emulation",
                                            "--supply-fifo", fifo};
  std::uint64_t bytes = 0;
  {
    Simulator sim(dir, simArgs);
    if (!sim.ready()) {
      state.SkipWithError("qrksim did not start: build the qrksim target first");
      return;
    }
    std::vector<std::string> args = fixtureRun(dir, sim.port(), kChips, dir.file("start-now.sh"));
    args.push_back("--trace");
    const QrkprogOutput traced = runQrkprog(dir, args, kRunLimit);
    if (!traced.end.exited || traced.end.exitCode != 0) {
      state.SkipWithError(("traced run failed: " + traced.describe()).c_str());
      return;
    }
    bytes = tracedBytes(traced.err);
  }

  std::vector<double> delays;
  double cycle = 0;
  for (auto _ : state) {
    std::string simErr;
    QrkprogOutput timed;
    {
      Simulator sim(dir, simArgs);
      timed =
          runQrkprog(dir, fixtureRun(dir, sim.port(), kChips, dir.file("start-now.sh")), kRunLimit);
    }
    simErr = readFile(dir.file("tty.err"));
    if (!timed.end.exited || timed.end.exitCode != 0) {
      state.SkipWithError(("timed run failed: " + timed.describe()).c_str());
      return;
    }
    delays = handshakeDelaysMs(simErr);
    cycle = timed.end.wallSeconds / kChips;
    state.SetIterationTime(timed.end.wallSeconds);
  }
  if (delays.size() != static_cast<std::size_t>(kChips)) {
    state.SkipWithError("qrksim did not report one boot per chip");
    return;
  }

  // The CPU of a 5 s wait for the start, against none.
  double waitingCpu = 0;
  for (const char* script : {"start-later.sh", "start-now.sh"}) {
    Simulator sim(dir, simArgs);
    const QrkprogOutput one =
        runQrkprog(dir, fixtureRun(dir, sim.port(), 1, dir.file(script)), kRunLimit);
    waitingCpu += (script[6] == 'l' ? 1 : -1) * one.end.cpuSeconds;
  }

  std::sort(delays.begin(), delays.end());
  const double ideal = static_cast<double>(bytes) / kChips * kWireSecondsPerByte + kOffMs / 1e3;
  state.counters["on_to_handshake_median_ms"] = delays[delays.size() / 2];
  state.counters["on_to_handshake_worst_ms"] = delays.back();
  state.counters["cycle_s"] = cycle;
  state.counters["ideal_s"] = ideal;
  state.counters["cycle_ratio"] = cycle / ideal;
  state.counters["waiting_cpu_pct"] = std::max(0.0, waitingCpu) / 5.0 * 100.0;
}

BENCHMARK(BM_FixtureCycle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
