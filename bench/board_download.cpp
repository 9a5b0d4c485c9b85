// Loading the offline board end to end: `qrkprog board-download` sends a
// full board image (QRK5-64B, ISP Space 0.0k, 52 KB of data: every one of the
// 424 data frames full) to `qrksim --board --baud-emulation`, both the built
// binaries in their own processes, so the figure includes everything a user
// waits for: start-up, loading the file, the handshake, the capacity and
// version queries, the erase, the re-synchronisation and both areas.
//
// A --trace run counts the bytes exchanged both ways, whose wire time at
// 115200 8N1 (10 bits a byte) is the ideal; a second run without --trace is
// timed, and its wall time over the ideal is what the programmer adds to the
// line (goal: at most 1.03, as Program). Beside it qrkprog's CPU share.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qrkprog_process.h"

namespace {

using namespace qrk::bench;

// About five and a half seconds of wire time.
constexpr std::size_t kImageSize = 0xCC00;
constexpr char kSuccessLine[] = "Download OK. / 下载成功。";

QrkprogOutput download(const ScratchDir& dir, const Simulator& sim, bool trace) {
  std::vector<std::string> args = {
      "board-download",      "--model", "QRK5-64B", "--fill", "FF", "--limit", "1000000", "--file",
      dir.file("image.bin"), "--port",  sim.port()};
  if (trace) args.push_back("--trace");
  return runQrkprog(dir, args, kRunLimit);
}

void BM_BoardDownload_Baud(benchmark::State& state) {
  ScratchDir dir;
  if (!dir.ok() || !writePatternFile(dir.file("image.bin"), kImageSize, 0x6C078965u)) {
    state.SkipWithError("cannot write the image in a scratch directory");
    return;
  }
  const std::vector<std::string> simArgs = {"--board", "--baud-emulation"};
  const auto downloadOn = [&dir](const Simulator& sim, bool trace) {
    return download(dir, sim, trace);
  };
  const auto traced = tracedRun(state, dir, simArgs, kSuccessLine, downloadOn);
  if (!traced) return;
  std::uint64_t bytes = 0;
  std::uint64_t frames = 0;
  for (const TraceLine& line : parseTrace(traced->err)) {
    bytes += line.bytes.size();
    frames += line.sent ? 1 : 0;
  }
  const auto timed = timeRuns(state, dir, simArgs, kSuccessLine, downloadOn);
  if (!timed) return;
  const double wall = timed->wall;
  const double cpu = timed->cpu;
  const double runs = static_cast<double>(state.iterations());
  const double ideal = static_cast<double>(bytes) * kWireSecondsPerByte;
  state.counters["frames_sent"] = static_cast<double>(frames);
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["wire_ideal_s"] = ideal;
  state.counters["wall_s"] = wall / runs;
  state.counters["ratio"] = wall / runs / ideal;
  state.counters["cpu_share_pct"] = wall > 0 ? cpu / wall * 100.0 : 0;
}

BENCHMARK(BM_BoardDownload_Baud)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
