// CPU time qrkprog spends over a handshake nobody answers (one pass of 201
// attempts, about four seconds), as a share of its wall time. The waits block
// in the event loop, so the share should stay in the low single digits of a
// percent; a wait that spins shows up here as a share near 100%.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildUsage {
  bool ok = false;
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

ChildUsage runQrkprogOnSilentLine() {
  ChildUsage usage;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return usage;
  char slave[128] = {};
  if (ptsname_r(master, slave, sizeof slave) != 0) return usage;

  const std::string program = std::string(QRK_BIN_DIR) + "/qrkprog";
  const std::string settings = "/tmp/qrk-bench-handshake-" + std::to_string(getpid()) + ".ini";
  std::vector<std::string> argv = {program,   "run",      "Verify_ID",  "--port", slave,
                                   "--model", "QRK5-16B", "--settings", settings};
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) {
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) == pid) {
      usage.wallSeconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      usage.cpuSeconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
      // The run must have failed to connect (status 1), not ended early.
      usage.ok = WIFEXITED(status) && WEXITSTATUS(status) == 1 && usage.wallSeconds > 4.0;
    }
  }
  close(master);
  unlink(settings.c_str());
  return usage;
}

void BM_HandshakeWithoutAnswer(benchmark::State& state) {
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    const ChildUsage usage = runQrkprogOnSilentLine();
    if (!usage.ok) {
      state.SkipWithError("qrkprog did not run a full failing handshake");
      return;
    }
    cpu += usage.cpuSeconds;
    wall += usage.wallSeconds;
    state.SetIterationTime(usage.wallSeconds);
  }
  state.counters["wall_s"] = wall / static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = cpu * 1e3 / static_cast<double>(state.iterations());
  state.counters["cpu_share_pct"] = wall > 0 ? cpu / wall * 100.0 : 0;
}

BENCHMARK(BM_HandshakeWithoutAnswer)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
