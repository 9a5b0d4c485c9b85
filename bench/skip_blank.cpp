// What --skip-blank saves a production line, end to end on qrksim with
// --baud-emulation (the line's real speed), qrkprog and qrksim each in its own
// process as the line runs them.
//
// Sparse: Auto (the default list: erase, blank check, program, page-sum
// verify, options) of firmware/examples/blink.hex with a 4-byte serial number
// at the top of a QRK5-64B's AP memory (ISP Space 0.0k: 0 .. 0xFBFF). Printed:
// the wall time with and without the option and how many times faster the
// option is (goal: at least 8); and the option's Program and Verify, from the
// first data frame to the verify's answer as the trace stamps them, over the
// wire time of the frames exchanged meanwhile: the blocks that hold data and
// the verify (goal: at most 1.05).
// Full: a random image of the whole 59 KB AP memory, where no block is blank:
// the option's wall time over the time without it (goal: at most 1.01).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "link/frame.h"
#include "qrkprog_process.h"

namespace {

using namespace qrk::bench;

constexpr double kWireSecondsPerByte = 10.0 / 115200.0;
constexpr auto kRunLimit = 60s;
constexpr char kSuccessLine[] = "Auto       OK!";
constexpr char kModel[] = "QRK5-64B";

// blink.hex with one more record: four bytes that end at `top`.
bool writeSparseHex(const std::string& path, std::uint32_t top) {
  std::string hex = readFile(std::string(QRK_SOURCE_DIR) + "/firmware/examples/blink.hex");
  const std::size_t end = hex.find(":00000001FF");
  if (end == std::string::npos) return false;
  const std::uint32_t first = top - 3;
  const std::uint8_t record[] = {4, static_cast<std::uint8_t>(first >> 8),
                                 static_cast<std::uint8_t>(first), 0, 0x00, 0x01, 0x23, 0x45};
  std::string line = ":";
  unsigned sum = 0;
  char digits[3];
  for (std::uint8_t b : record) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    line += digits;
    sum += b;
  }
  std::snprintf(digits, sizeof digits, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  hex.insert(end, line + digits + "\n");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(hex.data(), 1, hex.size(), out) == hex.size();
  return std::fclose(out) == 0 && written;
}

struct TracedRun {
  QrkprogOutput output;
  std::uint64_t dataFrames = 0;
  // From the first data frame sent to the last frame received: Program and
  // the Verify that follows it in the list, with the bytes exchanged meanwhile.
  double phaseSeconds = 0;
  std::uint64_t phaseBytes = 0;
};

// Auto on a fresh simulated chip, traced: the stamps cost a line of text a
// frame, nothing beside a frame's wire time.
std::optional<TracedRun> runAuto(const ScratchDir& dir, const std::string& image, bool skipBlank,
                                 std::string* error) {
  Simulator sim(dir, {"--model", kModel, "--baud-emulation"});
  if (!sim.ready()) {
    *error = "qrksim did not start: build the qrksim target first";
    return std::nullopt;
  }
  std::vector<std::string> args = {"run",         "Auto",     "--file",     image,
                                   "--fill",      "FF",       "--model",    kModel,
                                   "--isp-space", "0.0k",     "--settings", dir.file("settings.ini"),
                                   "--port",      sim.port(), "--trace"};
  if (skipBlank) args.push_back("--skip-blank");
  TracedRun run;
  run.output = runQrkprog(dir, args, kRunLimit);
  if (!run.output.endsWithLine(kSuccessLine)) {
    *error = run.output.describe();
    return std::nullopt;
  }
  std::optional<long long> firstDataMs;
  long long lastReceivedMs = 0;
  for (const TraceLine& line : parseTrace(run.output.err)) {
    if (line.sent) {
      const auto start =
          std::find(line.bytes.begin(), line.bytes.end(), qrk::frame::kRequestStart);
      const bool data = line.bytes.end() - start >= 4 &&
                        (start[3] == qrk::cmd::kData || start[3] == qrk::cmd::kDataRestart);
      if (data) {
        ++run.dataFrames;
        if (!firstDataMs) firstDataMs = line.ms;
      }
      // The list's Write_Option ends the phase.
      if (firstDataMs && line.bytes.end() - start >= 4 && start[3] == qrk::cmd::kWriteOption) {
        break;
      }
    } else if (firstDataMs) {
      lastReceivedMs = line.ms;
    }
    if (firstDataMs) run.phaseBytes += line.bytes.size();
  }
  if (firstDataMs) run.phaseSeconds = static_cast<double>(lastReceivedMs - *firstDataMs) / 1e3;
  return run;
}

void BM_SkipBlank_SparseAuto(benchmark::State& state) {
  ScratchDir dir;
  const std::string image = dir.file("sparse.hex");
  if (!dir.ok() || !writeSparseHex(image, 0xFBFF)) {
    state.SkipWithError("cannot write the sparse image in a scratch directory");
    return;
  }
  for (auto _ : state) {
    std::string error;
    const auto with = runAuto(dir, image, true, &error);
    const auto without = with ? runAuto(dir, image, false, &error) : std::nullopt;
    if (!with || !without) {
      state.SkipWithError(error.c_str());
      return;
    }
    const double wallWith = with->output.end.wallSeconds;
    const double wallWithout = without->output.end.wallSeconds;
    const double phaseWire = static_cast<double>(with->phaseBytes) * kWireSecondsPerByte;
    state.SetIterationTime(wallWith);
    state.counters["wall_with_s"] = wallWith;
    state.counters["wall_without_s"] = wallWithout;
    state.counters["times_faster"] = wallWithout / wallWith;
    state.counters["data_frames_with"] = static_cast<double>(with->dataFrames);
    state.counters["data_frames_without"] = static_cast<double>(without->dataFrames);
    state.counters["program_verify_s"] = with->phaseSeconds;
    state.counters["program_verify_wire_s"] = phaseWire;
    state.counters["ratio"] = with->phaseSeconds / phaseWire;
  }
}

// The best of two runs each, taken in turns, so that a passing load on the
// machine does not land on one side only.
void BM_SkipBlank_FullImage(benchmark::State& state) {
  ScratchDir dir;
  const std::string image = dir.file("full.bin");
  if (!dir.ok() || !writePatternFile(image, 0xEC00, 0x9E3779B9u)) {
    state.SkipWithError("cannot write the image in a scratch directory");
    return;
  }
  for (auto _ : state) {
    double best[2] = {1e9, 1e9};
    std::uint64_t frames[2] = {0, 0};
    for (int round = 0; round < 2; ++round) {
      for (int skip = 0; skip < 2; ++skip) {
        std::string error;
        const auto run = runAuto(dir, image, skip == 1, &error);
        if (!run) {
          state.SkipWithError(error.c_str());
          return;
        }
        best[skip] = std::min(best[skip], run->output.end.wallSeconds);
        frames[skip] = run->dataFrames;
      }
    }
    state.SetIterationTime(best[1]);
    state.counters["wall_with_s"] = best[1];
    state.counters["wall_without_s"] = best[0];
    state.counters["data_frames_with"] = static_cast<double>(frames[1]);
    state.counters["data_frames_without"] = static_cast<double>(frames[0]);
    state.counters["ratio_to_without"] = best[1] / best[0];
  }
}

BENCHMARK(BM_SkipBlank_SparseAuto)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_SkipBlank_FullImage)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
