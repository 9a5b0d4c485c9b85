// qrkprog gang on eight ports at once against eight qrksim chips with
// --baud-emulation, each programmed and verified over its whole space
// (QRK5-64B, ISP Space 0.0k: 0 .. 0xFBFF), as bench_qrkprog_auto does for one.
// In the same run, `qrkprog run` on one port gives the single-port wall time:
// the gang's wall time over it shows what running side by side costs (goal:
// at most 1.1). The gang's CPU time, its eight runs included, over its wall
// time is the share of one core the whole station uses (goal: at most 5%);
// beside it, eight times the single run's share: what the runs themselves cost.
// The simulators' own CPU is not counted; on a 2-core machine they compete
// with the programmer for the cores, so the ratio is an upper bound.
#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

#include "qrkprog_process.h"

namespace {

using namespace qrk::bench;

constexpr int kPorts = 8;
constexpr std::size_t kImageSize = 0xFC00;
constexpr auto kRunLimit = 120s;

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
  double single = 0, singleCpu = 0, gang = 0, cpu = 0;
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
}

BENCHMARK(BM_GangEightPorts_Baud)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
