// The production line's own command, end to end: `qrkprog run Auto --list
// Program,Verify` loads a BIN file of the whole largest kind-2 space (QRK5-64B,
// ISP Space 0.0k: 0 .. 0xFBFF) and programs and verifies it through qrksim on a
// pseudo-terminal. Both are the built binaries, each in its own process, so
// the figures include everything a user waits for: start-up, loading the file,
// the handshake, the settings file.
//
// With --baud-emulation: the bytes exchanged (counted in a --trace run) give
// the wire-time ideal at 115200 8N1 (10 bits a byte); a second run without
// --trace is timed, and its wall time over the ideal is what the programmer
// adds to the line (goal: at most 1.03). qrkprog's CPU time over its wall time
// shows whether its waits block (goal: under 2%).
// Without it: the whole run's wall time divided by the data frames, an upper
// bound of what the host spends around each frame (goal: under 0.3 ms); beside
// it the program phase alone, from the trace's whole-millisecond stamps.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/frame.h"
#include "qrkprog_process.h"

namespace {

using namespace qrk::bench;

// Six seconds of wire time with baud emulation; far less without.
constexpr std::size_t kImageSize = 0xFC00;
constexpr char kSuccessLine[] = "Auto       OK!";

// One production run as the line starts it.
QrkprogOutput runAuto(const ScratchDir& dir, const Simulator& sim, bool trace) {
  std::vector<std::string> args = {"run",         "Auto",
                                   "--list",      "Program,Verify",
                                   "--file",      dir.file("image.bin"),
                                   "--model",     "QRK5-64B",
                                   "--isp-space", "0.0k",
                                   "--settings",  dir.file("settings.ini"),
                                   "--port",      sim.port()};
  if (trace) args.push_back("--trace");
  return runQrkprog(dir, args, kRunLimit);
}

// What a --trace stream says crossed the line: `[   12 ms] -> 6A 00 ...` and
// `<- ...` lines, each byte two hex digits; other lines are not frames.
struct LineTraffic {
  std::uint64_t bytes = 0;
  std::uint64_t dataFrames = 0;
  // From the first data frame to the next request that is not one: the
  // program phase alone, without start-up, handshake and verify.
  std::optional<long long> firstDataMs;
  std::optional<long long> afterDataMs;
};

LineTraffic countTraffic(const std::string& trace) {
  LineTraffic traffic;
  for (const TraceLine& line : parseTrace(trace)) {
    traffic.bytes += line.bytes.size();
    if (!line.sent) continue;
    // A request's command follows its start byte and two length bytes.
    const auto start = std::find(line.bytes.begin(), line.bytes.end(), qrk::frame::kRequestStart);
    if (line.bytes.end() - start < 4) continue;
    const unsigned command = start[3];
    if (command == qrk::cmd::kData || command == qrk::cmd::kDataRestart) {
      ++traffic.dataFrames;
      if (!traffic.firstDataMs) traffic.firstDataMs = line.ms;
    } else if (traffic.firstDataMs && !traffic.afterDataMs) {
      traffic.afterDataMs = line.ms;
    }
  }
  return traffic;
}

// One traced run for the traffic, then one timed run without the trace; each
// against a fresh simulator with erased flash.
void programAndVerifyImage(benchmark::State& state, bool baudEmulation) {
  ScratchDir dir;
  if (!dir.ok() || !writePatternFile(dir.file("image.bin"), kImageSize, 0x2545F491u)) {
    state.SkipWithError("cannot write the image in a scratch directory");
    return;
  }
  const std::vector<std::string> simArgs =
      baudEmulation ? std::vector<std::string>{"--model", "QRK5-64B", "--baud-emulation"}
                    : std::vector<std::string>{"--model", "QRK5-64B"};
  const auto runOn = [&dir](const Simulator& sim, bool trace) { return runAuto(dir, sim, trace); };
  const auto traced = tracedRun(state, dir, simArgs, kSuccessLine, runOn);
  if (!traced) return;
  const LineTraffic traffic = countTraffic(traced->err);
  if (traffic.dataFrames == 0) {
    state.SkipWithError("the trace shows no data frames");
    return;
  }
  const auto timed = timeRuns(state, dir, simArgs, kSuccessLine, runOn);
  if (!timed) return;
  const double wall = timed->wall;
  const double cpu = timed->cpu;
  const double runs = static_cast<double>(state.iterations());
  const double frames = static_cast<double>(traffic.dataFrames);
  state.counters["data_frames"] = frames;
  state.counters["bytes"] = static_cast<double>(traffic.bytes);
  state.counters["wall_s"] = wall / runs;
  state.counters["cpu_ms"] = cpu * 1e3 / runs;
  state.counters["cpu_share_pct"] = wall > 0 ? cpu / wall * 100.0 : 0;
  if (baudEmulation) {
    const double ideal = static_cast<double>(traffic.bytes) * kWireSecondsPerByte;
    state.counters["wire_ideal_s"] = ideal;
    state.counters["ratio"] = wall / runs / ideal;
  } else {
    state.counters["ms_per_data_frame"] = wall * 1e3 / runs / frames;
    if (traffic.afterDataMs) {
      state.counters["traced_program_ms_per_data_frame"] =
          static_cast<double>(*traffic.afterDataMs - *traffic.firstDataMs) / frames;
    }
  }
}

void BM_QrkprogAuto_Baud(benchmark::State& state) { programAndVerifyImage(state, true); }
void BM_QrkprogAuto_NoBaud(benchmark::State& state) { programAndVerifyImage(state, false); }

BENCHMARK(BM_QrkprogAuto_Baud)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_QrkprogAuto_NoBaud)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
