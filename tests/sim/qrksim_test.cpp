#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sim/flash_files.h"
#include "sim/qrksim_options.h"
#include "tests/sim/frames.h"

extern char** environ;

namespace qrk::sim {
namespace {

using namespace test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::optional<QrksimOptions> parse(std::vector<std::string_view> args, std::string* error) {
  return parseQrksimArgs(args, error);
}

TEST(QrksimArguments, EveryOptionInBothSpellings) {
  std::string error;
  const auto o =
      parse({"--model", "QRK3-64G", "--link=/tmp/tty", "--power-on-after", "30", "--version=05",
             "--id", "0055", "--flash-in", "in.bin", "--flash-out=out.bin", "--baud-emulation",
             "--fault", "drop:2", "--fault=not-blank:1234"},
            &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->model, "QRK3-64G");
  EXPECT_EQ(o->linkPath, "/tmp/tty");
  EXPECT_EQ(o->device.powerOnAfter, 30);
  EXPECT_EQ(o->device.version, 0x05);
  EXPECT_EQ(o->device.id, 0x0055);
  EXPECT_EQ(o->flashIn, "in.bin");
  EXPECT_EQ(o->flashOut, "out.bin");
  EXPECT_TRUE(o->device.baudEmulation);
  ASSERT_EQ(o->device.faults.size(), 2u);
  EXPECT_EQ(o->device.faults[1].cellAddress, 0x1234u);

  const auto defaults = parse({}, &error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->model, "QRK5-16B");
  EXPECT_FALSE(defaults->device.id);
}

TEST(QrksimArguments, BadArgumentsAreNamed) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--model", "QRK9"},
      {"--model"},
      {"--id", "F1045"},
      {"--id", "G104"},
      {"--version", "100"},
      {"--power-on-after", "-1"},
      {"--power-on-after", "x"},
      {"--fault", "nope"},
      {"--fault", "not-blank:FC00"},
      {"--baud-emulation=1"},
      {"--bogus"},
      {"extra"},
      {"--link", ""},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(parse(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qrksim-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string file(const std::string& name) const { return (dir / name).string(); }
  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  fs::path dir;
};

using FlashFiles = TempDir;

TEST_F(FlashFiles, SavedContentsLoadBack) {
  QrkDevice a = QrkDevice::forModel("QRK5-04A");
  a.loadFlash(0x0100, {1, 2, 3});
  a.optionBytes() = {0xF8, 0xEF};
  std::string error;
  ASSERT_TRUE(saveFlashFiles(a, file("f.bin"), &error)) << error;
  EXPECT_EQ(fs::file_size(file("f.bin")), 0x3C00u);
  EXPECT_EQ(slurp(file("f.bin.options")), "F8 EF\n");

  QrkDevice b = QrkDevice::forModel("QRK5-04A");
  ASSERT_TRUE(loadFlashFiles(b, file("f.bin"), &error)) << error;
  EXPECT_TRUE(std::equal(a.flash().begin(), a.flash().end(), b.flash().begin()));
  EXPECT_EQ(b.optionBytes(), a.optionBytes());
}

TEST_F(FlashFiles, ShortFileWithoutOptionsLeavesTheRestErased) {
  put(file("short.bin"), "\x01\x02");
  QrkDevice d = QrkDevice::forModel("QRK5-16B");
  ASSERT_TRUE(loadFlashFiles(d, file("short.bin"), nullptr));
  EXPECT_EQ(d.flashByte(1), 0x02);
  EXPECT_EQ(d.flashByte(2), 0xFF);
  EXPECT_EQ(d.optionBytes(), (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
}

TEST_F(FlashFiles, UnusableFilesAreRefused) {
  QrkDevice d = QrkDevice::forModel("QRK5-04A");
  std::string error;
  EXPECT_FALSE(loadFlashFiles(d, file("missing.bin"), &error));
  EXPECT_NE(error.find("missing.bin"), std::string::npos);

  put(file("big.bin"), std::string(0x3C01, '\0'));
  EXPECT_FALSE(loadFlashFiles(d, file("big.bin"), &error));
  EXPECT_EQ(d.flashByte(0), 0xFF);  // nothing half-loaded

  put(file("ok.bin"), "\x01");
  for (const char* options : {"F8", "F8 EF 00", "F8 GG", "F8F EF"}) {
    put(file("ok.bin.options"), options);
    EXPECT_FALSE(loadFlashFiles(d, file("ok.bin"), &error)) << options;
  }
  EXPECT_FALSE(loadFlashFiles(d, dir.string(), &error));
  EXPECT_FALSE(saveFlashFiles(d, file("no/such/dir/f.bin"), &error));
}

// The built qrksim, started with its stdout (and optionally stdin) on pipes.
class QrksimProcess {
 public:
  QrksimProcess(std::vector<std::string> args, bool stdinPipe) {
    int out[2], err[2], in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    if (stdinPipe && ::pipe2(in, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinPipe) {
      posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    } else {
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::string program = QRK_BIN_DIR "/qrksim";
    std::vector<char*> argv{program.data()};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (stdinPipe) ::close(in[0]);
    stdout_ = out[0];
    stderr_ = err[0];
    stdin_ = in[1];
  }
  ~QrksimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {stdout_, stderr_, stdin_}) {
      if (fd >= 0) ::close(fd);
    }
  }

  bool started() const { return pid_ > 0; }
  // The first line on stdout, or "" when none came in time.
  std::string firstLine(std::chrono::milliseconds timeout) {
    std::string line;
    while (line.find('\n') == std::string::npos) {
      char c[256];
      const ssize_t n = readSome(stdout_, c, sizeof c, timeout);
      if (n <= 0) return "";
      line.append(c, static_cast<std::size_t>(n));
    }
    return line.substr(0, line.find('\n'));
  }
  void closeStdin() {
    ::close(stdin_);
    stdin_ = -1;
  }
  void signal(int sig) { ::kill(pid_, sig); }
  // Exit status once stdout closes, -1 when it did not in time.
  int exitStatus(std::chrono::milliseconds timeout) {
    char c[256];
    while (readSome(stdout_, c, sizeof c, timeout) > 0) {
    }
    pollfd p{stdout_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return -1;  // still open: the process hangs
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string errorText(std::chrono::milliseconds timeout) {
    std::string text;
    char c[256];
    ssize_t n;
    while ((n = readSome(stderr_, c, sizeof c, timeout)) > 0)
      text.append(c, static_cast<std::size_t>(n));
    return text;
  }

 private:
  static ssize_t readSome(int fd, char* buffer, std::size_t size,
                          std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return -1;
    return ::read(fd, buffer, size);
  }

  pid_t pid_ = -1;
  int stdout_ = -1;
  int stderr_ = -1;
  int stdin_ = -1;
};

// One request over the pseudo-terminal, with plain POSIX calls; returns the
// reply, or what came of it before the time-out.
Bytes exchange(int fd, const Bytes& request, std::size_t replyLength) {
  if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
    return {};
  Bytes got;
  while (got.size() < replyLength) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) break;
    std::uint8_t buffer[600];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

using QrksimOnPty = TempDir;

TEST_F(QrksimOnPty, AnswersOverThePtyAndSavesTheFlashWhenStdinCloses) {
  QrksimProcess sim({"--model", "QRK5-04A", "--link", file("tty"), "--flash-out", file("f.bin")},
                    true);
  ASSERT_TRUE(sim.started());
  const std::string line = sim.firstLine(5s);
  ASSERT_TRUE(line.starts_with("PTY /dev/")) << line;
  EXPECT_EQ(fs::read_symlink(file("tty")).string(), line.substr(4));

  int fd = ::open(file("tty").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(exchange(fd, shortCommand(cmd::kHandshake, 0xF0), 6), reply(0x80));
  EXPECT_EQ(exchange(fd, writeOptionRequest(0xF8, 0xEF), 8),
            reply(cmd::kWriteOption, {0xF8, 0xEF}));
  EXPECT_EQ(exchange(fd, dataFrame(cmd::kData, 0x0000, {0x12, 0x34}), 9),
            reply(0x80, {0, 0, 0x46}));
  // Closing and reopening the port, as every run does, does not hang up the line.
  ::close(fd);
  fd = ::open(file("tty").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(exchange(fd, shortCommand(cmd::kReadOption), 8), reply(cmd::kReadOption, {0xF8, 0xEF}));
  ::close(fd);

  sim.closeStdin();
  EXPECT_EQ(sim.exitStatus(5s), 0);
  const std::string flash = slurp(file("f.bin"));
  ASSERT_EQ(flash.size(), 0x3C00u);
  EXPECT_EQ(flash.substr(0, 3), "\x12\x34\xFF");
  EXPECT_EQ(slurp(file("f.bin.options")), "F8 EF\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(file("tty"))));  // the link goes with it
}

TEST_F(QrksimOnPty, StdinAtEndFromTheStartKeepsItRunningUntilSigterm) {
  put(file("in.bin"), std::string("\x00\x01", 2));
  QrksimProcess sim(
      {"--flash-in", file("in.bin"), "--flash-out", file("out.bin"), "--baud-emulation"}, false);
  const std::string line = sim.firstLine(5s);
  ASSERT_TRUE(line.starts_with("PTY ")) << line;
  const int fd = ::open(line.substr(4).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const Bytes answer = exchange(fd, readRequest(0x0000, 4), 16);
  ::close(fd);
  EXPECT_EQ(answer, reply(cmd::kRead, {0, 0, 0, 0, 0, 4, 0x00, 0x01, 0xFF, 0xFF}));
  sim.signal(SIGTERM);
  EXPECT_EQ(sim.exitStatus(5s), 0);
  EXPECT_EQ(fs::file_size(file("out.bin")), 0xFC00u);
}

TEST_F(QrksimOnPty, BadArgumentsExitWithStatusTwoAndOneLine) {
  QrksimProcess sim({"--model", "QRK9-99Z"}, false);
  ASSERT_TRUE(sim.started());
  EXPECT_EQ(sim.exitStatus(5s), 2);
  const std::string text = sim.errorText(1s);
  EXPECT_TRUE(text.starts_with("qrksim: --model QRK9-99Z")) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

  put(file("taken"), "a file, not a link");
  QrksimProcess refused({"--link", file("taken")}, false);
  EXPECT_EQ(refused.exitStatus(5s), 2);
  EXPECT_EQ(slurp(file("taken")), "a file, not a link");
}

}  // namespace
}  // namespace qrk::sim
